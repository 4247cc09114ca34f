// The demo's 14 bitmaps: particle glow, title and cards, backdrop, greetings, warning.
// Lettering must be open (openLettering) before makeBitmaps runs.
#pragma once

#include <string>

#include "common/dataFiles.h"
#include "tools/bmp/bmpWriter.h"

// The image for bitmapFiles[index]; an empty image (width 0) when lettering failed.
RgbImage makeBitmap(int index);
