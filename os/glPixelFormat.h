// The demo's pixel format, asked of SDL before the window that holds an OpenGL context is made:
// the demo's own window and the capture's hidden one alike.
//
// Globals owned here: none (SDL keeps the attributes until they are set again).
#pragma once

#include <string>

// Double-buffered RGB with 8 bits a channel and no alpha, a 16-bit depth buffer, nothing else;
// every other attribute back at SDL's defaults first. False with the reason when SDL refuses
// one of them.
bool requestPixelFormat(std::string& reason);
