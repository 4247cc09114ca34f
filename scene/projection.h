// The demo's one projection, shared by the window shell and the offline capture program.
//
// Globals owned here: the x and y scales of the projection last set (file-static), written by
// setProjection and read by the view test. Works on whatever OpenGL context is current; with none current the calls
// are ignored, which is what a size message arriving before the context exists needs.
#pragma once

#include "common/demoScript.h"

// Viewport (0, 0, width, height); a 55 degree perspective with aspect width / height
// (a height of 0 counts as 1), near 0.1f, far 100; leaves an identity model-view selected.
void setProjection(int width, int height);

// A quad facing the eye, as every quad of the demo is: its edges in eye space (the model-view
// stays the identity) and its one depth.
struct EyeQuad {
    float left, right, bottom, top, z;
};

// Draws the quad as every textured quad of the demo is drawn: one triangle strip, top right,
// top left, bottom right, bottom left, each corner after its texture coordinate, with the
// colour and texture already set.
void drawEyeQuad(const EyeQuad& quad);

// True when the quad lies wholly outside the view volume of the projection last set, beyond
// one of its six planes, so that no pixel of it can be drawn. Errs towards false: a quad within
// a hair of a plane counts as inside, and the rasteriser decides. Before any projection is set
// only the near and far planes count.
bool quadOutsideView(const EyeQuad& quad);
