// Modules for the player's and the schedule's tests, written with our XM writer, their offline load,
// and libxmp's own rendering of a module: the reference every mix is compared with. No globals.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/xm/xmWriter.h"

// Frames of one tick at `bpm` and 44,100 Hz: FT2's 2.5 / BPM seconds, truncated.
constexpr uint64_t tickFrames(int bpm) { return 44100u * 5 / (2u * unsigned(bpm)); }

// `orders` playing patterns of `rows` rows, and `instruments` copies of a short looped square wave
// (audible, cheap to mix).
XmModule squareSong(int speed, int bpm, std::vector<uint8_t> orders, std::vector<int> rows, int channels, int instruments);
// 4 channels, 19 instruments, 3 orders of every feature the player must time right (see the cells).
XmModule featureModule();

// Opens the offline player at 44,100 Hz and loads `bytes`: whether it loaded, and what the player said.
std::pair<bool, std::string> loadOffline(const std::vector<uint8_t>& bytes);

// The first `frames` stereo frames libxmp renders from `bytes` at 44,100 Hz; empty if it refuses them.
std::vector<int16_t> libxmpRender(const std::vector<uint8_t>& bytes, uint64_t frames);
