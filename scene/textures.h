// The 14 textures and the render state that holds for the whole run.
//
// Globals owned here: the texture slots, zero until loadTextures fills them in the order of
// bitmapFiles, then constant. Written only by loadTextures (from initScene, main thread); read
// by the frame and the overlays. depthClampInUse: what depthClampAvailable said when
// setRenderState ran; read by the overlays.
#pragma once

#include <GL/gl.h>

#include <string>

#include "common/dataFiles.h"

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
extern bool depthClampInUse;

// The same 14 slots in load order: textureSlots[i] receives bitmapFiles[i].
extern GLuint* const textureSlots[bitmapCount];

// Loads the 14 bitmaps in slot order, stopping at the first failure: a file the bitmap reader
// refuses, or one whose size the current OpenGL does not take for a texture. The reason names
// the file ("Data/greetz4.bmp: cannot open the file").
bool loadTextures(std::string& reason);

// True when the current OpenGL clamps depth on request (GL_DEPTH_CLAMP): desktop 3.2 and later,
// or one of the extensions that bring it. OpenGL 1.1 and WebGL do not.
bool depthClampAvailable();

// The state that holds for the whole run: no depth test, additive blending, 2D texturing; and
// whether the overlays may clamp depth.
void setRenderState();
