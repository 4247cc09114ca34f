// The capture's particle pass: the quads that add light, collected in pass order and drawn
// with vertex arrays in one call after the pass, instead of one glBegin/glEnd per particle.
// Each quad keeps drawParticle's corners, colour and texture coordinates, and its two
// triangles keep the strip's vertex order, so a lit quad is rasterised as the live demo does.
// (llvmpipe's blend of a fragment that adds nothing can round the pixel under it down by one
// step, so frames may differ from the live path's by one step where a skipped quad overlaps
// lit ones; a renderer with an exact blend gives identical frames.)
//
// Globals owned here (capture thread only): the vertex and index arrays and the count of
// quads collected in the current pass.
#pragma once

struct Particle;

// For renderFrameWith: collects `particle` when it adds light.
void collectLitParticle(const Particle& particle);

// For renderFrameWith: draws what was collected and starts over.
void drawCollectedParticles();
