// The capture's particle pass: the quads that add light and lie in view, collected in pass
// order and drawn with vertex arrays a few thousand at a time, instead of one glBegin/glEnd
// per particle.
// Each quad keeps drawParticle's corners, colour and texture coordinates, and its two
// triangles keep the strip's vertex order. Frames still differ from the live path's by one
// step of 255 in a few pixels of a few frames: llvmpipe rounds some blends differently, both
// where a quad that adds nothing is left out and between the two ways of drawing the same quads.
//
// Globals owned here (capture thread only): the vertex and index arrays of one chunk and the
// count of quads collected in it.
#pragma once

struct Particle;

// For renderFrameWith: collects `particle` when it adds light and lies in view; draws the
// chunk when it is full.
void collectLitParticle(const Particle& particle);

// For renderFrameWith: draws what is left of the pass's quads.
void drawCollectedParticles();
