// A real Mesa OpenGL context without any X server, for pixel tests: a hidden window on
// SDL's "offscreen" video driver (the capture's own context), with the demo's projection available
// through the code under test. Read back the back buffer before anything swaps it.
#pragma once

#include <cstdint>
#include <vector>

// Opens the context (current on return); false with the reason on stderr when it can't.
bool openOffscreenGl(int width, int height);
void closeOffscreenGl();

struct Rgb {
    uint8_t r, g, b;
};

// The pixel at (x, y), y counted from the bottom row as OpenGL does.
Rgb readPixel(int x, int y);
// A whole rectangle, rows bottom first, 3 bytes a pixel, no padding.
std::vector<uint8_t> readPixels(int x, int y, int width, int height);
