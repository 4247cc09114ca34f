// An OpenGL that records instead of drawing: the GL 1.1 and GLU entry points the program uses,
// each call kept with its arguments. Test binaries link it instead of libGL/libGLU.
//
// Globals owned here (the test's thread): the mode, the recorded calls, the hook.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class GlFunc : uint8_t {
    Clear, LoadIdentity, BindTexture, BlendFunc, Color4f, Begin, End, TexCoord2d, Vertex3f, GenTextures,
    PixelStorei, TexParameteri, TexImage2D, ShadeModel, ClearColor, ClearDepth, Disable, Enable, Hint,
    Viewport, MatrixMode, Perspective,
};

struct GlCall {
    GlFunc func;
    double arg[9];     // in call order; integers and floats are held exactly, the rest 0
    const char* name;  // "glVertex3f"
    int argCount;
};

namespace recordingGl {

// Off keeps nothing (a frame is 1.35 million calls) but runs the hook. reset also forgets the
// calls and the hook and restarts texture names at 1.
enum class Mode { Off, Record };
void reset(Mode mode = Mode::Record);

// Runs after every call, so that a test can change the world at a chosen point of a frame, as
// a music callback might. nullptr: none.
using CallHook = void (*)(const GlCall& call);
void setCallHook(CallHook hook);

const std::vector<GlCall>& calls();
std::size_t count(GlFunc func);
// "glVertex3f(1.75, -42.25, -130)", for readable failures.
std::string describe(const GlCall& call);

}  // namespace recordingGl
