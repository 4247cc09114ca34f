// Anti-aliased lettering with a glow, for the title, cards, warning and greetings.
//
// Glyphs come from FreeType (a DejaVu face from the Debian font packages). Every
// bitmap is drawn for the quad it lands on, which usually has another aspect ratio
// than the power-of-two texture: `stretchX` is texture pixels per screen pixel
// horizontally (texture width / (texture height · quad aspect)), and glyphs and glow
// are widened by it so they read undistorted once the quad squeezes them back.
//
// Owns one global: the FreeType library handle and the open faces, opened by
// openLettering() and closed by closeLettering(); the data tool's main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/bmp/bmpWriter.h"

enum class Face { bold, condensedBold, serifBoldItalic };

// Coverage mask, 0..255, the size of the image it is drawn for.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> value;
};

struct Rgb {
    float r, g, b;  // 0..1
};

// A box of the mask in pixels, left/top inclusive, right/bottom exclusive.
struct Box {
    int left, top, right, bottom;
};

// Opens the three faces from `fontDir` (the DejaVu folder); false when one is missing.
bool openLettering(const std::string& fontDir);
void closeLettering();

Mask blankMask(int width, int height);

// Draws `text` as large as fits inside `box`, centred on its ink, with glyphs widened
// by `stretchX`. False when the text has no ink or a glyph cannot be loaded.
bool drawText(Mask& mask, const std::u32string& text, Face face, Box box, float stretchX);

// Fills a rectangle outline `thickness` pixels wide (vertical strokes widened by stretchX).
void drawFrame(Mask& mask, Box box, int thickness, float stretchX);

// Strokes in `fill` (fading to `fillBottom` down the image) over a glow of `glow`: the
// mask blurred with a radius of `glowRadius` pixels (times stretchX across), on black.
RgbImage composeGlow(const Mask& mask, Rgb fill, Rgb fillBottom, Rgb glow, int glowRadius, float stretchX);
