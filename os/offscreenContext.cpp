#include "os/offscreenContext.h"

#include <SDL.h>
#include <GL/gl.h>

#include "os/glPixelFormat.h"

namespace {
SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
}  // namespace

bool openOffscreenContext(int width, int height, std::string& error)
{
    // Never a real display, even when one is set: the capture must look the same everywhere.
    // Windows has no OpenGL without a window system; there a hidden window holds the context.
#ifndef _WIN32
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("no offscreen video: ") + SDL_GetError();
        return false;
    }
    if (!requestPixelFormat(error)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    window = SDL_CreateWindow("strobarium-capture", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window) context = SDL_GL_CreateContext(window);
    if (!context) {
        error = std::string("no offscreen OpenGL context: ") + SDL_GetError();
        closeOffscreenContext();
        return false;
    }
    SDL_GL_SetSwapInterval(0);
    glViewport(0, 0, width, height);
    return true;
}

void closeOffscreenContext()
{
    if (context) SDL_GL_DeleteContext(context);
    if (window) SDL_DestroyWindow(window);
    context = nullptr;
    window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

