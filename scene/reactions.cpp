// TEMPORARY until the reactions land.
#include "scene/reactions.h"

const Hue hueTable[12] = {};
uint32_t randomState = 1;

int nextRandom() { return 0; }
void applyReactions(Particle&) {}
