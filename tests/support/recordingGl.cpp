#include "tests/support/recordingGl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <sstream>

namespace {

GLuint nextTextureName = 1;
recordingGl::CallHook callHook = nullptr;

template <typename... Args>
void record(const char* name, GlFunc func, Args... args)
{
    if (callHook) callHook(GlCall{func, {static_cast<double>(args)...}, name, sizeof...(args)});
}

}  // namespace

void recordingGl::reset(CallHook hook)
{
    callHook = hook;
    nextTextureName = 1;
}

std::string recordingGl::describe(const GlCall& call)
{
    std::ostringstream out;
    out.precision(9);
    out << call.name << '(';
    for (int i = 0; i < call.argCount; ++i) out << (i ? ", " : "") << call.arg[i];
    out << ')';
    return out.str();
}

extern "C" {

void glClear(GLbitfield mask) { record(__func__, GlFunc::Clear, mask); }
void glLoadIdentity() { record(__func__, GlFunc::LoadIdentity); }
void glBindTexture(GLenum target, GLuint texture) { record(__func__, GlFunc::BindTexture, target, texture); }
void glBlendFunc(GLenum sfactor, GLenum dfactor) { record(__func__, GlFunc::BlendFunc, sfactor, dfactor); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record(__func__, GlFunc::Color4f, r, g, b, a); }
void glBegin(GLenum m) { record(__func__, GlFunc::Begin, m); }
void glEnd() { record(__func__, GlFunc::End); }
void glTexCoord2d(GLdouble s, GLdouble t) { record(__func__, GlFunc::TexCoord2d, s, t); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record(__func__, GlFunc::Vertex3f, x, y, z); }
void glShadeModel(GLenum m) { record(__func__, GlFunc::ShadeModel, m); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record(__func__, GlFunc::ClearColor, r, g, b, a); }
void glClearDepth(GLclampd depth) { record(__func__, GlFunc::ClearDepth, depth); }
void glDisable(GLenum cap) { record(__func__, GlFunc::Disable, cap); }
void glEnable(GLenum cap) { record(__func__, GlFunc::Enable, cap); }
void glHint(GLenum target, GLenum m) { record(__func__, GlFunc::Hint, target, m); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { record(__func__, GlFunc::Viewport, x, y, w, h); }
void glMatrixMode(GLenum m) { record(__func__, GlFunc::MatrixMode, m); }
void glTexParameteri(GLenum t, GLenum name, GLint v) { record(__func__, GlFunc::TexParameteri, t, name, v); }
void glPixelStorei(GLenum pname, GLint param) { record(__func__, GlFunc::PixelStorei, pname, param); }
void gluPerspective(GLdouble v, GLdouble a, GLdouble n, GLdouble f) { record(__func__, GlFunc::Perspective, v, a, n, f); }

void glTexImage2D(GLenum t, GLint l, GLint i, GLsizei w, GLsizei h, GLint b, GLenum f, GLenum y, const GLvoid*)
{
    record(__func__, GlFunc::TexImage2D, t, l, i, w, h, b, f, y);
}

void glGenTextures(GLsizei n, GLuint* textures)
{
    // The first name is recorded, so that tests can tell which slot received which name.
    for (GLsizei i = 0; i < n; ++i) textures[i] = nextTextureName++;
    record(__func__, GlFunc::GenTextures, n, n > 0 ? textures[0] : 0);
}

}  // extern "C"
