// The scene's entry points: set-up once the context exists, and a frame, drawn or run unseen.
//
// Globals owned here: none. Both run on the main thread (or the capture's thread) with the
// OpenGL context current.
#pragma once

#include <string>

// Loads the 14 textures (stopping at the first failure), sets the render state, builds the
// particle lattice and clears the instrument hits. 1 on success, 0 on failure with the reason
// (loadTextures).
int initScene(std::string& reason);

// Frame start, the particle pass, the overlays, the finish test at the demo's last position
// and the clearing of all instrument hits. Always true. The pass draws through the batched
// renderer (scene/particleBatch.h).
bool renderFrame();

// The same frame with every particle drawn on its own by drawParticle, in immediate mode: the
// literal reference that the batched renderer is checked and timed against.
bool renderReferenceFrame();

// A frame that is run but not shown: the pass's motion and reactions, the overlays' decisions
// (the title's fade), the finish test and the clearing of the hits exactly as a drawn frame
// does them, with no OpenGL call. The state it leaves is a drawn frame's. The hits are read
// once, at its start: for a caller that delivers the syncs between frames, as the capture does.
bool runUnseenFrame();
