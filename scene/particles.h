// The particle field: a static table of 122,880 particles on an integer lattice,
// drawn every frame as additively blended textured quads that fade and drift.
//
// Globals owned here (main thread only):
//   particles      built by buildLattice (from initScene); rewritten per frame by the
//                  pass (drift, alpha) and by applyReactions.
//   particleIndex  the particle being processed; set and advanced by the frame's pass,
//                  122,880 outside the pass.
//   particleDepth  depth offset added to every drawn z; written only by applyReactions.
//   driftScale     divisor of the drawn drift; constant 1.
#pragma once

#include <cstdint>

constexpr int particleCount = 122880;

constexpr int32_t zoneCore = 1;
constexpr int32_t zoneRing = 3;
constexpr int32_t zoneBand = -1;
constexpr int32_t zoneSide = 0;

struct Particle {
    uint8_t active;
    float alpha;
    float fade;
    float red, green, blue;
    float x, y, z;
    float driftX, driftY, driftZ;
    float driftStepX, driftStepY, driftStepZ;
    int32_t zone;
};

extern Particle particles[particleCount];
extern int32_t particleIndex;
extern float particleDepth;
extern float driftScale;

// Lays the table out on the lattice; the last-but-one step of initScene.
void buildLattice();

// One particle as a quad at its drifted place, pushed back by particleDepth.
void drawParticle(const Particle& particle);

// One step of drift and fade.
void moveParticle(Particle& particle);
