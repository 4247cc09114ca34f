// The capture's OpenGL context: Mesa through SDL's "offscreen" video driver (EGL underneath),
// no display or X server needed, with the demo's pixel format at the size asked for. On
// Windows, which has no such driver, a hidden window holds it.
//
// Globals owned here (capture thread only): the hidden window and its context.
#pragma once

#include <string>

// Opens and makes current; false with the reason in `error`.
bool openOffscreenContext(int width, int height, std::string& error);
void closeOffscreenContext();

