// The demo's one projection, shared by the window shell and the offline capture program.
//
// Globals owned here: the aspect of the projection last set (file-static), written by
// setProjection. Works on whatever OpenGL context is current; with none current the calls
// are ignored, which is what a size message arriving before the context exists needs.
#pragma once

// Viewport (0, 0, width, height); a 55 degree perspective with aspect width / height
// (a height of 0 counts as 1), near 0.1f, far 100; leaves an identity model-view selected.
void setProjection(int width, int height);

// True when a quad given in eye space (corners x y z, with the identity model-view) lies
// wholly outside the view volume of the projection last set, beyond one of its six planes,
// so that no pixel of it can be drawn. Errs towards false: a quad within a hair of a plane
// counts as inside, and the rasteriser decides.
bool quadOutsideView(const float corners[4][3]);
