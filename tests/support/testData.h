// Stand-in Data/ folders for tests: the 14 bitmaps of the texture table as solid-colour,
// power-of-two BMPs (a distinct known colour per file unless a test picks its own), and
// optionally a module copied in as "sonavel3.xm".
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tools/bmp/bmpWriter.h"

constexpr int testBitmapCount = 14;

// File names inside Data/, in texture-table order (Particle.bmp first, warning.bmp last).
extern const char* const testBitmapNames[testBitmapCount];

struct TestBitmap {
    int width;
    int height;
    uint8_t red, green, blue;
};

// The defaults: 32x32 for the particle, 128x64 for the cards; every colour differs from
// every other and from black.
std::array<TestBitmap, testBitmapCount> defaultTestBitmaps();

// "DIR/Data/NAME" of table entry `index`.
std::string testBitmapPath(const std::string& dir, int index);

// Creates DIR/Data/ (and DIR) if needed and writes all 14 bitmaps; with a non-empty
// `modulePath`, copies that file to DIR/Data/sonavel3.xm. False when anything fails.
bool writeTestData(const std::string& dir,
                   const std::array<TestBitmap, testBitmapCount>& bitmaps = defaultTestBitmaps(),
                   const std::string& modulePath = "");

// Replaces table entry `index` with an arbitrary picture (e.g. one with a red bottom row).
bool writeTestBitmap(const std::string& dir, int index, const RgbImage& image);

// A solid-colour picture of the given size.
RgbImage solidImage(const TestBitmap& bitmap);
