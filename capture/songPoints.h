// Song points of the command line turned into samples, from the loaded module's timeline.
// No globals of its own; reads the player's timeline, so a module must be loaded.
#pragma once

#include <cstdint>
#include <string>

#include "capture/captureOptions.h"

// Seconds: the nearest sample. order:row: the sample at which that row first starts; false
// with the reason in `error` when the song never plays it.
bool songPointSample(const SongPoint& point, uint64_t& sample, std::string& error);

// Where the demo ends by itself: order 17 row 16 or the song's end, whichever comes first.
uint64_t demoEndSample();
