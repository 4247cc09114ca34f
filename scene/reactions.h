// How the particle field answers the music: five instrument rules run for every particle
// right after its motion update, plus the colour table and the program's only random source.
//
// Globals owned here (main thread only):
//   hueTable     constant.
//   randomState  1 at program start; advanced only by nextRandom, which only the rules call.
#pragma once

#include <cstdint>

struct Particle;

struct Hue {
    float red, green, blue;
};

extern const Hue hueTable[12];
extern uint32_t randomState;

// 0..32767; the fixed linear congruential sequence 41, 18467, 6334, ... from state 1.
int nextRandom();

// The rules for instruments 18, 19, 3, 1 and 2, always all five, in that order.
void applyReactions(Particle& particle);
