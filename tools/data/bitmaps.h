// The demo's 14 bitmaps: particle glow, title and cards, backdrop, greetings, warning.
// Lettering must be open (openLettering) before makeBitmaps runs.
#pragma once

#include <string>

#include "tools/bmp/bmpWriter.h"

constexpr int bitmapCount = 14;

// File names inside Data/, in the demo's load order.
extern const char* const bitmapNames[bitmapCount];

// The image for bitmapNames[index]; an empty image (width 0) when lettering failed.
RgbImage makeBitmap(int index);
