// An OpenGL that draws nothing, linked instead of libGL/libGLU: each GL 1.1 and GLU call the
// program makes, and each vertex an array draw draws, handed with its arguments to a hook.
// Globals owned here (the test's thread): the hook, the next texture name, the arrays, the answers.
#pragma once

#include <cstdint>

enum class GlFunc : uint8_t {
    Clear, LoadIdentity, BindTexture, BlendFunc, Color4f, Begin, End, TexCoord2d, Vertex3f, GenTextures,
    PixelStorei, TexParameteri, TexImage2D, ShadeModel, ClearColor, ClearDepth, Disable, Enable, Hint,
    Viewport, MatrixMode, Perspective, EnableClientState, DisableClientState, DrawArrays, Flush,
    // Not a call: one vertex that a glDrawArrays draws, in the order drawn, read through the
    // arrays as set: s, t, red, green, blue, alpha, x, y, z.
    ArrayVertex, Count
};

struct GlCall {
    GlFunc func;
    double arg[9];  // in call order; integers and floats are held exactly, the rest 0
};

namespace recordingGl {

// Runs after every call, so that a test can watch a frame and change the world at a chosen point
// of it, as a music callback might. Without one (a frame is 1.35 million calls) nothing is kept.
using CallHook = void (*)(const GlCall& call);

// Sets the hook (nullptr: none) and restarts texture names at 1.
void reset(CallHook hook = nullptr);

// What glGetString(GL_VERSION), glGetString(GL_EXTENSIONS) and GL_MAX_TEXTURE_SIZE answer from
// now on; until then, an OpenGL 1.1 with no extensions and a largest side of 2048.
void describe(const char* version, const char* extensions, int maxTextureSize);

}  // namespace recordingGl
