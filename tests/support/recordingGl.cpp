#include "tests/support/recordingGl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <sstream>

namespace {

recordingGl::Mode mode = recordingGl::Mode::Record;
std::vector<GlCall> recorded;
std::vector<GlTexImage> uploads;
std::array<std::size_t, static_cast<std::size_t>(GlFunc::Count_)> counts{};
GLuint nextTextureName = 1;
GLint unpackAlignment = 4;
recordingGl::CallHook callHook = nullptr;

constexpr const char* names[] = {
    "glClear", "glLoadIdentity", "glBindTexture", "glBlendFunc", "glColor4f", "glBegin", "glEnd",
    "glTexCoord2d", "glVertex3f", "glGenTextures", "glPixelStorei", "glTexParameteri", "glTexImage2D",
    "glShadeModel", "glClearColor", "glClearDepth", "glDisable", "glEnable", "glHint", "glViewport",
    "glMatrixMode", "gluPerspective", "glFinish", "glFlush",
};
static_assert(sizeof(names) / sizeof(names[0]) == static_cast<std::size_t>(GlFunc::Count_));

int argCount(GlFunc func)
{
    switch (func) {
    case GlFunc::LoadIdentity: case GlFunc::End: case GlFunc::Finish: case GlFunc::Flush: return 0;
    case GlFunc::Clear: case GlFunc::Begin: case GlFunc::ShadeModel: case GlFunc::ClearDepth:
    case GlFunc::Disable: case GlFunc::Enable: case GlFunc::MatrixMode: return 1;
    case GlFunc::BindTexture: case GlFunc::BlendFunc: case GlFunc::TexCoord2d: case GlFunc::GenTextures:
    case GlFunc::PixelStorei: case GlFunc::Hint: return 2;
    case GlFunc::Vertex3f: case GlFunc::TexParameteri: return 3;
    case GlFunc::Color4f: case GlFunc::ClearColor: case GlFunc::Viewport: case GlFunc::Perspective: return 4;
    case GlFunc::TexImage2D: return 8;
    case GlFunc::Count_: break;
    }
    return 0;
}

void record(GlFunc func, double a0 = 0, double a1 = 0, double a2 = 0, double a3 = 0, double a4 = 0,
            double a5 = 0, double a6 = 0, double a7 = 0, double a8 = 0)
{
    if (mode == recordingGl::Mode::Off) return;
    ++counts[static_cast<std::size_t>(func)];
    const GlCall call{func, {a0, a1, a2, a3, a4, a5, a6, a7, a8}};
    if (mode == recordingGl::Mode::Record) recorded.push_back(call);
    if (callHook) callHook(call);
}

}  // namespace

namespace recordingGl {

void reset(Mode newMode)
{
    mode = newMode;
    recorded.clear();
    uploads.clear();
    counts.fill(0);
    nextTextureName = 1;
    unpackAlignment = 4;
    callHook = nullptr;
}

void setCallHook(CallHook hook) { callHook = hook; }

const std::vector<GlCall>& calls() { return recorded; }
const std::vector<GlTexImage>& texImages() { return uploads; }
std::size_t count(GlFunc func) { return counts[static_cast<std::size_t>(func)]; }

std::size_t totalCalls()
{
    std::size_t total = 0;
    for (std::size_t n : counts) total += n;
    return total;
}

const char* name(GlFunc func) { return names[static_cast<std::size_t>(func)]; }

std::string describe(const GlCall& call)
{
    std::ostringstream out;
    out.precision(9);
    out << name(call.func) << '(';
    for (int i = 0; i < argCount(call.func); ++i) out << (i ? ", " : "") << call.arg[i];
    out << ')';
    return out.str();
}

}  // namespace recordingGl

extern "C" {

void glClear(GLbitfield mask) { record(GlFunc::Clear, mask); }
void glLoadIdentity() { record(GlFunc::LoadIdentity); }
void glBindTexture(GLenum target, GLuint texture) { record(GlFunc::BindTexture, target, texture); }
void glBlendFunc(GLenum sfactor, GLenum dfactor) { record(GlFunc::BlendFunc, sfactor, dfactor); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record(GlFunc::Color4f, r, g, b, a); }
void glBegin(GLenum m) { record(GlFunc::Begin, m); }
void glEnd() { record(GlFunc::End); }
void glTexCoord2d(GLdouble s, GLdouble t) { record(GlFunc::TexCoord2d, s, t); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record(GlFunc::Vertex3f, x, y, z); }

void glGenTextures(GLsizei n, GLuint* textures)
{
    // The first name is recorded so tests can tell which slot received which name.
    for (GLsizei i = 0; i < n; ++i) textures[i] = nextTextureName++;
    record(GlFunc::GenTextures, n, n > 0 ? textures[0] : 0);
}

void glPixelStorei(GLenum pname, GLint param)
{
    if (pname == GL_UNPACK_ALIGNMENT) unpackAlignment = param;
    record(GlFunc::PixelStorei, pname, param);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) { record(GlFunc::TexParameteri, target, pname, param); }

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels)
{
    record(GlFunc::TexImage2D, target, level, internalFormat, width, height, border, format, type);
    if (mode != recordingGl::Mode::Record) return;
    GlTexImage image{width, height, internalFormat, format, type, unpackAlignment, {}};
    if (pixels && width > 0 && height > 0 && format == GL_BGR_EXT && type == GL_UNSIGNED_BYTE) {
        const std::size_t align = static_cast<std::size_t>(unpackAlignment > 0 ? unpackAlignment : 1);
        const std::size_t stride = (static_cast<std::size_t>(width) * 3 + align - 1) / align * align;
        const auto* bytes = static_cast<const uint8_t*>(pixels);
        image.pixels.assign(bytes, bytes + stride * static_cast<std::size_t>(height));
    }
    uploads.push_back(std::move(image));
}

void glShadeModel(GLenum m) { record(GlFunc::ShadeModel, m); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record(GlFunc::ClearColor, r, g, b, a); }
void glClearDepth(GLclampd depth) { record(GlFunc::ClearDepth, depth); }
void glDisable(GLenum cap) { record(GlFunc::Disable, cap); }
void glEnable(GLenum cap) { record(GlFunc::Enable, cap); }
void glHint(GLenum target, GLenum m) { record(GlFunc::Hint, target, m); }
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) { record(GlFunc::Viewport, x, y, width, height); }
void glMatrixMode(GLenum m) { record(GlFunc::MatrixMode, m); }
void glFinish() { record(GlFunc::Finish); }
void glFlush() { record(GlFunc::Flush); }

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    record(GlFunc::Perspective, fovy, aspect, zNear, zFar);
}

}  // extern "C"
