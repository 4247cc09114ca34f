// The scene's two entry points: set-up once the context exists, and one frame.
//
// Globals owned here: none. Both run on the main thread (or the capture's thread) with the
// OpenGL context current.
#pragma once

// Loads the 14 textures (stopping at the first failure), sets the render state, builds the
// particle lattice and clears the instrument hits. 1 on success, 0 on failure.
int initScene();

struct Particle;

// Frame start, the particle pass, the overlays, the finish test at the demo's last position
// and the clearing of all instrument hits. Always true.
bool renderFrame();

// The same frame, with each particle's drawParticle replaced by `draw` (at the same point of
// the pass, so it sees the same particleDepth) and `afterPass` called before the overlays:
// for a renderer that collects the quads and draws them otherwise. Motion and reactions run
// for every particle as in renderFrame.
bool renderFrameWith(void (*draw)(const Particle&), void (*afterPass)());
