#include "capture/readback.h"

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>

namespace {

PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;

bool alternating = false;
int frameWidth = pictureWidth;
int frameHeight = pictureHeight;
GLuint framebuffers[2] = {};
GLuint renderbuffers[4] = {};  // colour and depth of each framebuffer
int drawn = 0;                 // the framebuffer of the frame drawn last
FrameRecord inFlight;
bool pending = false;

template <typename Function>
bool lookUp(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(SDL_GL_GetProcAddress(name));
    return function != nullptr;
}

bool lookUpAll()
{
    return lookUp(genFramebuffers, "glGenFramebuffers") && lookUp(deleteFramebuffers, "glDeleteFramebuffers") &&
           lookUp(bindFramebuffer, "glBindFramebuffer") && lookUp(checkFramebufferStatus, "glCheckFramebufferStatus") &&
           lookUp(genRenderbuffers, "glGenRenderbuffers") && lookUp(deleteRenderbuffers, "glDeleteRenderbuffers") &&
           lookUp(bindRenderbuffer, "glBindRenderbuffer") && lookUp(renderbufferStorage, "glRenderbufferStorage") &&
           lookUp(framebufferRenderbuffer, "glFramebufferRenderbuffer");
}

// The frame last drawn into framebuffer `from` (0 = the window), into a sink slot.
void deliver(GLuint from, const FrameRecord& record)
{
    FrameSlot& slot = claimFrameSlot();
    slot.record = record;
    if (alternating) bindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, frameWidth, frameHeight, GL_BGRA, GL_UNSIGNED_BYTE, slot.pixels);
    submitFrameSlot();
}

void release()
{
    deleteFramebuffers(2, framebuffers);
    deleteRenderbuffers(4, renderbuffers);
    alternating = false;
}

}  // namespace

bool startReadback(int width, int height)
{
    frameWidth = width;
    frameHeight = height;
    pending = false;
    drawn = 0;
    // Framebuffer objects are core from OpenGL 3.0; the version string starts "major.minor".
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    alternating = version && std::atoi(version) >= 3 && lookUpAll();
    if (!alternating) return false;
    genFramebuffers(2, framebuffers);
    genRenderbuffers(4, renderbuffers);
    bool complete = true;
    for (int i = 0; i < 2; ++i) {
        // 8-bit RGBA (the blend never reads the alpha), 16-bit depth.
        bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[2 * i]);
        renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[2 * i + 1]);
        renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
        bindFramebuffer(GL_FRAMEBUFFER, framebuffers[i]);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[2 * i]);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[2 * i + 1]);
        complete = complete && checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    bindRenderbuffer(GL_RENDERBUFFER, 0);
    bindFramebuffer(GL_FRAMEBUFFER, complete ? framebuffers[0] : 0);
    if (!complete) release();
    return alternating;
}

void beginFrameRender()
{
    if (!alternating) return;
    drawn ^= 1;
    bindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffers[drawn]);
}

void readBackFrame(const FrameRecord& record)
{
    if (!alternating) {
        deliver(0, record);
        return;
    }
    glFlush();  // the rasteriser starts on this frame now
    if (pending) deliver(framebuffers[drawn ^ 1], inFlight);
    inFlight = record;
    pending = true;
}

void finishReadback()
{
    if (!alternating) return;
    if (pending) deliver(framebuffers[drawn], inFlight);
    pending = false;
    bindFramebuffer(GL_FRAMEBUFFER, 0);
    release();
}
