#include "tests/support/offscreenGl.h"

#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

namespace {
SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
}  // namespace

bool openOffscreenGl(int width, int height)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "offscreen GL: SDL video: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    window = SDL_CreateWindow("offscreen", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        std::fprintf(stderr, "offscreen GL: window: %s\n", SDL_GetError());
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "offscreen GL: context: %s\n", SDL_GetError());
        return false;
    }
    glViewport(0, 0, width, height);
    return true;
}

void closeOffscreenGl()
{
    if (context) SDL_GL_DeleteContext(context);
    if (window) SDL_DestroyWindow(window);
    context = nullptr;
    window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::vector<uint8_t> readPixels(int x, int y, int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Rgb readPixel(int x, int y)
{
    const std::vector<uint8_t> p = readPixels(x, y, 1, 1);
    return Rgb{p[0], p[1], p[2]};
}
