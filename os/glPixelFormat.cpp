#include "os/glPixelFormat.h"

#include <SDL.h>

namespace {

struct GlAttribute {
    SDL_GLattr attribute;
    int value;
};

constexpr GlAttribute pixelFormatRequest[] = {
    {SDL_GL_DOUBLEBUFFER, 1},     {SDL_GL_RED_SIZE, 8},          {SDL_GL_GREEN_SIZE, 8},
    {SDL_GL_BLUE_SIZE, 8},        {SDL_GL_ALPHA_SIZE, 0},        {SDL_GL_DEPTH_SIZE, 16},
    {SDL_GL_STENCIL_SIZE, 0},     {SDL_GL_ACCUM_RED_SIZE, 0},    {SDL_GL_ACCUM_GREEN_SIZE, 0},
    {SDL_GL_ACCUM_BLUE_SIZE, 0},  {SDL_GL_ACCUM_ALPHA_SIZE, 0},
};

}  // namespace

bool requestPixelFormat(std::string& reason)
{
    // A context made earlier in the process may have left other attributes set.
    SDL_GL_ResetAttributes();
    for (const GlAttribute& request : pixelFormatRequest) {
        if (SDL_GL_SetAttribute(request.attribute, request.value) != 0) {
            reason = std::string("the pixel format was refused: ") + SDL_GetError();
            return false;
        }
    }
    return true;
}
