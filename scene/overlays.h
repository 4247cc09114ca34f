// The tail of every frame: bitmap overlays chosen by song position, the finish test,
// and the clearing of the instrument hits.
//
// Globals owned here (main thread only):
//   titleFade  1 at start; lowered by 0.01 in every frame that sees order 2 row 48.
#pragma once

extern float titleFade;

// Runs once per frame after the particle pass; clears all hit flags on every path. Always true.
bool renderOverlays();
