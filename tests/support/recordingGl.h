// A recording OpenGL for unit tests: defines the GL 1.1 and GLU entry points the demo
// uses and records every call with its arguments. Test binaries link it instead of
// libGL/libGLU, so exact call streams can be checked.
//
// Mode::Count only counts calls (cheap enough to stand in for a null GL in benchmarks),
// Mode::Off does nothing at all but hand out texture names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class GlFunc : uint8_t {
    Clear, LoadIdentity, BindTexture, BlendFunc, Color4f, Begin, End, TexCoord2d, Vertex3f,
    GenTextures, PixelStorei, TexParameteri, TexImage2D, ShadeModel, ClearColor, ClearDepth,
    Disable, Enable, Hint, Viewport, MatrixMode, Perspective, Finish, Flush,
    Count_
};

struct GlCall {
    GlFunc func;
    // Arguments in call order; integers and floats are held exactly in doubles.
    double arg[9];
};

struct GlTexImage {
    int width, height, internalFormat;
    unsigned format, type;
    int unpackAlignment;                 // GL_UNPACK_ALIGNMENT in force at upload
    std::vector<uint8_t> pixels;         // copied, with the row padding that alignment implies
};

namespace recordingGl {

enum class Mode { Off, Count, Record };

// Forgets all calls, counts, uploads and the call hook, restarts texture names at 1 and sets the mode.
void reset(Mode mode = Mode::Record);

// Called after every call that is recorded or counted (never in Mode::Off), so a test can
// change the world at a chosen point of a frame, as a music callback might. nullptr: none.
using CallHook = void (*)(const GlCall& call);
void setCallHook(CallHook hook);

const std::vector<GlCall>& calls();
const std::vector<GlTexImage>& texImages();
std::size_t count(GlFunc func);
std::size_t totalCalls();

const char* name(GlFunc func);
// "glVertex3f(1.75, -42.25, -130)": for readable test failures.
std::string describe(const GlCall& call);

}  // namespace recordingGl
