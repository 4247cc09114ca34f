#include "tests/support/offscreenGl.h"

#include "scene/offscreenContext.h"

#include <GL/gl.h>

#include <cstdio>
#include <string>

bool openOffscreenGl(int width, int height)
{
    std::string error;
    if (openOffscreenContext(width, height, error)) return true;
    std::fprintf(stderr, "offscreen GL: %s\n", error.c_str());
    return false;
}

void closeOffscreenGl() { closeOffscreenContext(); }

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
