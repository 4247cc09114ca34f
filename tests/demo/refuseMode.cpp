// Preloaded into the real demo: a display that lists 1280x720 and then refuses to switch to it,
// which Xvfb itself never does.
#include <SDL.h>

extern "C" int SDL_SetWindowDisplayMode(SDL_Window*, const SDL_DisplayMode*)
{
    return SDL_SetError("the display refused the mode");
}
