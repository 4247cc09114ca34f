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

#include "scene/projection.h"

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

// The quad drawParticle sends, its edges rounded as it rounds them: for a renderer that draws
// the same quads otherwise.
EyeQuad particleQuad(const Particle& particle);

// False when the quad adds nothing to the picture. Under the additive blend (source alpha, one)
// with colour and alpha clamped to 0..1 and the texture modulated by them, a particle adds at
// most alpha (or its brightest channel) times 255 steps of 255 to a pixel; under half a step
// the 8-bit framebuffer rounds that away. So a particle is dark when its alpha, or all three
// of its channels, stay under half a step: faded to 0 or below, black, or a fade that stopped
// just short of 0 (0.5 less five steps of 0.1 leaves 1.5e-8 in float).
constexpr float halfStep = 0.5f / 255.0f;

inline bool addsLight(const Particle& p)
{
    return p.alpha >= halfStep && (p.red >= halfStep || p.green >= halfStep || p.blue >= halfStep);
}

// One step of drift and fade.
void moveParticle(Particle& particle);
