// The bitmap overlays of every frame, chosen by song position.
//
// Globals owned here (main thread only):
//   titleFade  1 at start; lowered by 0.01 in every frame that sees order 2 row 48.
//   drawing    (private) false only inside runUnseenOverlays.
#pragma once

extern float titleFade;

// Runs once per frame after the particle pass. False on the early ends (a card or greeting
// that is over for this row), which skip the frame's finish test.
bool drawOverlays();

// The same decisions for a frame that is run but not shown: the title fades and the result is
// drawOverlays', but nothing reaches OpenGL.
bool runUnseenOverlays();
