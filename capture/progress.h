// What the capture says while it works: a progress bar on stderr when stderr is a terminal,
// and one summary line at the end either way.
//
// Globals owned here (capture thread only): whether stderr is a terminal, the time of the
// last redraw.
#pragma once

#include <cstddef>
#include <cstdint>

// "[#######.............] 120/3600 frames  4.1 fps  14:08 left"; total 0 means not known.
int formatProgress(uint64_t done, uint64_t total, double seconds, char* out, std::size_t capacity);

void startProgress();
// Redraws the bar (at most ten times a second); nothing when stderr is not a terminal.
void showProgress(uint64_t done, uint64_t total);
// Removes the bar; the caller then prints its summary line.
void endProgress();
double progressSeconds();
