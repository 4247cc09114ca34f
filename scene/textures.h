// The 14 textures and the render state that holds for the whole run.
//
// Globals owned here: the texture slots, zero until initScene fills them in table order,
// then constant. Written only by initScene (main thread); read by the particle pass and
// the overlays.
#pragma once

#include <GL/gl.h>

extern GLuint texParticle;
extern GLuint texTitle;
extern GLuint texByline;
extern GLuint texDemoFor;
extern GLuint texEvent;
extern GLuint texBlack;
extern GLuint texGreet1;
extern GLuint texGreet2;
extern GLuint texGreet3;
extern GLuint texGreet4;
extern GLuint texGreet5;
extern GLuint texGreet6;
extern GLuint texGreet7;
extern GLuint texWarning;

// A fresh texture name goes into `slot` before the file is touched; true when the file
// became that texture's level 0.
bool loadImageTexture(GLuint& slot, const char* fileName);

// Loads the 14 bitmaps (stopping at the first failure), sets the render state, builds the
// particle lattice and clears the instrument hits. 1 on success, 0 on failure.
int initScene();
