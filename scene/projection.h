// The demo's one projection, shared by the window shell and the offline capture program.
//
// Globals owned here: none. Works on whatever OpenGL context is current; with none
// current the calls are ignored, which is what a size message arriving before the
// context exists needs.
#pragma once

// Viewport (0, 0, width, height); a 55 degree perspective with aspect width / height
// (a height of 0 counts as 1), near 0.1f, far 100; leaves an identity model-view selected.
void setProjection(int width, int height);
