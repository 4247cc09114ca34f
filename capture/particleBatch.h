// The capture's particle pass: the quads that add light, collected in pass order and drawn
// with vertex arrays in one call after the pass, instead of one glBegin/glEnd per particle.
// Each quad keeps drawParticle's corners, colour and texture coordinates, and its two
// triangles keep the strip's vertex order. Frames still differ from the live path's by one
// step of 255 in a few pixels of a few frames: llvmpipe rounds some blends differently, both
// where a quad that adds nothing is left out and between the two ways of drawing the same quads.
//
// Globals owned here (capture thread only): the vertex and index arrays and the count of
// quads collected in the current pass.
#pragma once

struct Particle;

// For renderFrameWith: collects `particle` when it adds light.
void collectLitParticle(const Particle& particle);

// For renderFrameWith: draws what was collected and starts over.
void drawCollectedParticles();
