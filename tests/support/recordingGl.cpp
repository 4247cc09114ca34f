#include "tests/support/recordingGl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

namespace {

GLuint nextTextureName = 1;
recordingGl::CallHook callHook = nullptr;
const char *versionText = "1.1", *extensionsText = "";
GLint maxTextureSize = 2048;

// An array as its pointer call set it. Component `c` of element `i` reads as a float; NaN for
// what is not a float array, so that it shows.
struct Array {
    GLint size = 0;
    GLenum type = 0;
    GLsizei stride = 0;
    const GLvoid* data = nullptr;
    double at(GLuint i, int c) const
    {
        if (type != GL_FLOAT || c >= size || !data) return 0.0 / 0.0;
        const GLsizei step = stride ? stride : GLsizei(size * sizeof(GLfloat));
        return static_cast<const GLfloat*>(static_cast<const void*>(static_cast<const char*>(data) + i * step))[c];
    }
};
Array texCoords, colours, positions;

template <typename... Args>
void record(GlFunc func, Args... args)
{
    if (callHook) callHook(GlCall{func, {static_cast<double>(args)...}});
}

}  // namespace

void recordingGl::reset(CallHook hook)
{
    callHook = hook;
    nextTextureName = 1;
}

void recordingGl::describe(const char* version, const char* extensions, int maxTextureSide)
{
    versionText = version, extensionsText = extensions, maxTextureSize = maxTextureSide;
}

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
void glShadeModel(GLenum m) { record(GlFunc::ShadeModel, m); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record(GlFunc::ClearColor, r, g, b, a); }
void glClearDepth(GLclampd depth) { record(GlFunc::ClearDepth, depth); }
void glDisable(GLenum cap) { record(GlFunc::Disable, cap); }
void glEnable(GLenum cap) { record(GlFunc::Enable, cap); }
void glHint(GLenum target, GLenum m) { record(GlFunc::Hint, target, m); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { record(GlFunc::Viewport, x, y, w, h); }
void glMatrixMode(GLenum m) { record(GlFunc::MatrixMode, m); }
void glTexParameteri(GLenum t, GLenum name, GLint v) { record(GlFunc::TexParameteri, t, name, v); }
void glPixelStorei(GLenum pname, GLint param) { record(GlFunc::PixelStorei, pname, param); }
void gluPerspective(GLdouble v, GLdouble a, GLdouble n, GLdouble f) { record(GlFunc::Perspective, v, a, n, f); }

void glEnableClientState(GLenum array) { record(GlFunc::EnableClientState, array); }
void glDisableClientState(GLenum array) { record(GlFunc::DisableClientState, array); }
void glTexCoordPointer(GLint n, GLenum type, GLsizei stride, const GLvoid* data) { texCoords = {n, type, stride, data}; }
void glColorPointer(GLint n, GLenum type, GLsizei stride, const GLvoid* data) { colours = {n, type, stride, data}; }
void glVertexPointer(GLint n, GLenum type, GLsizei stride, const GLvoid* data) { positions = {n, type, stride, data}; }
void glFlush() { record(GlFunc::Flush); }

void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    record(GlFunc::DrawArrays, mode, first, count);
    if (!callHook) return;
    for (GLuint i = GLuint(first); i < GLuint(first + count); ++i)
        callHook(GlCall{GlFunc::ArrayVertex,
                        {texCoords.at(i, 0), texCoords.at(i, 1), colours.at(i, 0), colours.at(i, 1), colours.at(i, 2),
                         colours.at(i, 3), positions.at(i, 0), positions.at(i, 1), positions.at(i, 2)}});
}

void glTexImage2D(GLenum t, GLint l, GLint i, GLsizei w, GLsizei h, GLint b, GLenum f, GLenum y, const GLvoid*)
{
    record(GlFunc::TexImage2D, t, l, i, w, h, b, f, y);
}

const GLubyte* glGetString(GLenum name)
{
    return reinterpret_cast<const GLubyte*>(name == GL_VERSION ? versionText : name == GL_EXTENSIONS ? extensionsText : nullptr);
}

void glGetIntegerv(GLenum name, GLint* value) { *value = name == GL_MAX_TEXTURE_SIZE ? maxTextureSize : 0; }

// Not recorded: the overlays' projection where depth cannot be clamped.
void glPushMatrix() {}
void glPopMatrix() {}
void glGetFloatv(GLenum, GLfloat* values) { std::fill_n(values, 16, 0.0f); }
void glLoadMatrixf(const GLfloat*) {}

void glGenTextures(GLsizei n, GLuint* textures)
{
    // The first name is recorded, so that tests can tell which slot received which name.
    for (GLsizei i = 0; i < n; ++i) textures[i] = nextTextureName++;
    record(GlFunc::GenTextures, n, n > 0 ? textures[0] : 0);
}

}  // extern "C"
