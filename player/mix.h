// The mix the listener hears: the module rendered by libxmp tick by tick, cut off at the end
// event and followed by silence.
//
// Globals owned here: the playback libxmp context and the render cursor. startMix and endMix
// write them on the main thread while nothing renders; renderMix then runs on exactly one
// thread (the SDL audio thread, or the offline caller). renderMix allocates nothing, takes no
// lock and never blocks.
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the module into the playback context at `rate`, to be rendered up to `endSample`.
bool startMix(const uint8_t* bytes, std::size_t size, int rate, uint64_t endSample);

// Fills `frames` stereo frames (signed 16-bit, interleaved) with the next part of the mix.
void renderMix(int16_t* stereo, uint32_t frames);

void endMix();
