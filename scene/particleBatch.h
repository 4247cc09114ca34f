// The particle pass's renderer, shared by the demo and the capture: the quads that add light
// and lie in view, collected in pass order and drawn with vertex arrays (OpenGL 1.1) a chunk
// at a time, instead of one glBegin/glEnd per particle.
//
// Each quad keeps drawParticle's corners, colour and texture coordinates, and its two
// triangles keep the strip's vertex order, so what is drawn, its order and its blend are
// drawParticle's. Frames differ from drawParticle's by one step of 255 in a few pixels of a few
// frames: llvmpipe rounds a blend that adds nothing down by one step, where a left-out quad
// adds nothing at all; a GPU blends it exactly.
//
// Globals owned here (main thread, or the capture's thread): the vertex arrays of one chunk,
// its index array and the count of quads collected in it.
#pragma once

struct Particle;

// Collects `particle` when it adds light and lies in view; draws the chunk when it is full.
// Called at drawParticle's point of the pass, so it sees the same particleDepth.
void collectLitParticle(const Particle& particle);

// Draws what is left of the pass's quads; after the pass, before anything else is drawn.
void drawCollectedParticles();
