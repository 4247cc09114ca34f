// Synthetic modules for the player's tests, written with our XM writer, and the arithmetic that
// says where their rows must start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/xm/xmWriter.h"

// A short looped square wave: audible, cheap to mix.
XmInstrument squareInstrument(const std::string& name);

// `count` instruments, all square waves.
std::vector<XmInstrument> squareInstruments(int count);

// Frames of one tick at `bpm`: FT2's 2.5 / BPM seconds, truncated.
uint64_t tickFrames(int bpm, int rate = 44100);

// A file under the test build folder (removed by the caller if it matters).
std::string scratchPath(const std::string& name);

// Writes the module under scratchPath(name) and returns the path; empty when the writer refuses it.
std::string writeScratchModule(const std::string& name, const XmModule& module);

// The features the player must get right, in one song (4 channels, 19 instruments, 3 orders):
// notes C-0, C-1, D-1 and B-7 on instruments 18 and 19, a bare note after an instrument note,
// a bare note on a channel that never had an instrument, key off, tone portamento (effect and
// volume column), a note delay ED3, a retrigger, a speed and a tempo change, a pattern break
// into row 4, a pattern loop and a backward position jump that ends the song.
XmModule featureModule();

// Five orders (patterns 0 1 0 1 2) with restart position 2, speed 4 at 100 BPM, a note on every
// row of channel 0 with instrument 1.
XmModule restartModule();

// `orders` orders of one blank 64-row pattern, speed 1 at 255 BPM, with a note of instrument 18
// at rows 0 and 1 of order 2 (notes 14 and 17).
XmModule blankSong(int orders);
