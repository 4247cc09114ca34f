// Stand-in Data/ folders for tests: the 14 bitmaps of common/dataFiles.h as solid-colour BMPs,
// and optionally a module copied in under the demo's module name.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/dataFiles.h"

struct TestBitmap {
    int width, height;
    uint8_t red, green, blue;
};

// 32x32 white for the particle (lit particles show their own colour), 128x64 for the others,
// each in a colour of its own that is neither black nor another's.
std::array<TestBitmap, bitmapCount> defaultTestBitmaps();

// DIR/Data/ with all 14 bitmaps and, with a `modulePath`, that module. False on any failure.
bool writeTestData(const std::string& dir, const std::array<TestBitmap, bitmapCount>& bitmaps = defaultTestBitmaps(),
                   const std::string& modulePath = "");
