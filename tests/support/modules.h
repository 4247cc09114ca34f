// Modules for the player's tests, written with our XM writer; where their rows must start; and
// libxmp's own rendering of a module, the reference every mix is compared with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/xm/xmWriter.h"

// Frames of one tick at `bpm` and 44,100 Hz: FT2's 2.5 / BPM seconds, truncated.
constexpr uint64_t tickFrames(int bpm) { return 44100u * 5 / (2u * unsigned(bpm)); }

// Writes the module into this process's scratch folder; its path, or empty when refused.
std::string writeModule(const std::string& name, const XmModule& module);

// The features the player must get right (4 channels, 19 instruments, 3 orders): notes C-0, C-1,
// D-1 and B-7 on instruments 18 and 19, a bare note after an instrument note, a bare note on a
// channel that never had an instrument, key off, tone portamento (effect and volume column), a
// note delay ED3, a retrigger, a speed and a tempo change, a pattern break into row 4, a pattern
// loop and a backward position jump that ends the song.
XmModule featureModule();

// Five orders (patterns 0 1 0 1 2) with restart position 2, speed 4 at 100 BPM, a note on every
// row of channel 0 with instrument 1 (note 48 + row).
XmModule restartModule();

// `orders` orders of a blank 64-row pattern, speed 1 at 255 BPM; order 2 plays another, with
// notes 14 and 17 of instrument 18 on row 0 (channels 0 and 1), then note 21 of instruments 1, 2
// and 3 on rows 1 to 3 and of instrument 19 on row 4.
XmModule blankSong(int orders);

// The first `frames` stereo frames libxmp renders from `bytes` at 44,100 Hz, past any end.
std::vector<int16_t> libxmpRender(const std::vector<uint8_t>& bytes, uint64_t frames);
