#include "tools/data/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace {

FT_Library library = nullptr;
FT_Face faces[3] = {};

const char* const faceFiles[3] = {"DejaVuSans-Bold.ttf", "DejaVuSansCondensed-Bold.ttf", "DejaVuSerif-BoldItalic.ttf"};

// Ink extent of a mask; empty (right <= left) when nothing was drawn.
Box inkBox(const Mask& mask)
{
    Box box{mask.width, mask.height, 0, 0};
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.value[static_cast<std::size_t>(y) * mask.width + x]) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

// One line of glyphs at `pixelSize`, baseline starting at (originX, originY) of `scratch`.
bool renderLine(Mask& scratch, const std::u32string& text, FT_Face face, int pixelSize, float stretchX, int originX,
                int originY)
{
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize))) return false;
    FT_Matrix widen{static_cast<FT_Fixed>(std::lround(stretchX * 65536.0f)), 0, 0, 0x10000};
    FT_Pos pen = 0;  // 26.6 pixels from the origin
    FT_UInt previous = 0;
    for (char32_t c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, c);
        if (index == 0) return false;
        if (previous && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kern) == 0)
                pen += static_cast<FT_Pos>(std::lround(kern.x * stretchX));
        }
        FT_Vector delta{pen & 63, 0};
        FT_Set_Transform(face, &widen, &delta);
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING)) return false;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int left = originX + static_cast<int>(pen >> 6) + slot->bitmap_left;
        const int top = originY - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = top + static_cast<int>(row);
            if (y < 0 || y >= scratch.height) continue;
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int x = left + static_cast<int>(col);
                if (x < 0 || x >= scratch.width) continue;
                uint8_t& cell = scratch.value[static_cast<std::size_t>(y) * scratch.width + x];
                cell = std::max(cell, bitmap.buffer[row * bitmap.pitch + col]);
            }
        }
        pen += slot->advance.x;
        previous = index;
    }
    FT_Set_Transform(face, nullptr, nullptr);
    return true;
}

// Box blur of `radius` along x (step 1) or y (step width), in place on floats.
void boxBlur(std::vector<float>& v, int width, int height, int radius, bool alongX)
{
    if (radius <= 0) return;
    const int length = alongX ? width : height;
    const int lines = alongX ? height : width;
    std::vector<float> line(static_cast<std::size_t>(length));
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> float& {
            return alongX ? v[static_cast<std::size_t>(l) * width + i] : v[static_cast<std::size_t>(i) * width + l];
        };
        for (int i = 0; i < length; ++i) line[static_cast<std::size_t>(i)] = at(i);
        float sum = 0;
        for (int i = -radius; i <= radius; ++i)
            if (i >= 0 && i < length) sum += line[static_cast<std::size_t>(i)];
        for (int i = 0; i < length; ++i) {
            at(i) = sum * scale;
            const int out = i - radius, in = i + radius + 1;
            if (out >= 0) sum -= line[static_cast<std::size_t>(out)];
            if (in < length) sum += line[static_cast<std::size_t>(in)];
        }
    }
}

uint8_t toByte(float v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

bool openLettering(const std::string& fontDir)
{
    if (FT_Init_FreeType(&library)) return false;
    for (int i = 0; i < 3; ++i)
        if (FT_New_Face(library, (fontDir + "/" + faceFiles[i]).c_str(), 0, &faces[i])) {
            closeLettering();
            return false;
        }
    return true;
}

void closeLettering()
{
    for (FT_Face& face : faces) {
        if (face) FT_Done_Face(face);
        face = nullptr;
    }
    if (library) FT_Done_FreeType(library);
    library = nullptr;
}

Mask blankMask(int width, int height)
{
    return Mask{width, height, std::vector<uint8_t>(static_cast<std::size_t>(width) * height, 0)};
}

bool drawText(Mask& mask, const std::u32string& text, Face which, Box box, float stretchX)
{
    FT_Face face = faces[static_cast<int>(which)];
    if (!face || text.empty()) return false;
    const int boxWidth = box.right - box.left, boxHeight = box.bottom - box.top;

    // Measure the ink at a trial size, then draw at the size that fills the box.
    constexpr int trialSize = 100;
    auto scratchFor = [&](int size) {
        return blankMask(static_cast<int>(text.size() * size * (stretchX + 0.5f)) + 4 * size, 3 * size);
    };
    Mask trial = scratchFor(trialSize);
    if (!renderLine(trial, text, face, trialSize, stretchX, trialSize, 2 * trialSize)) return false;
    const Box trialInk = inkBox(trial);
    if (trialInk.right <= trialInk.left) return false;
    const float fit = std::min(static_cast<float>(boxWidth) / static_cast<float>(trialInk.right - trialInk.left),
                               static_cast<float>(boxHeight) / static_cast<float>(trialInk.bottom - trialInk.top));
    const int size = std::max(4, static_cast<int>(trialSize * fit * 0.97f));

    Mask scratch = scratchFor(size);
    if (!renderLine(scratch, text, face, size, stretchX, size, 2 * size)) return false;
    const Box ink = inkBox(scratch);
    if (ink.right <= ink.left) return false;
    const int shiftX = box.left + (boxWidth - (ink.right - ink.left)) / 2 - ink.left;
    const int shiftY = box.top + (boxHeight - (ink.bottom - ink.top)) / 2 - ink.top;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) {
            const int tx = x + shiftX, ty = y + shiftY;
            if (tx < box.left || tx >= box.right || ty < box.top || ty >= box.bottom) continue;
            uint8_t& cell = mask.value[static_cast<std::size_t>(ty) * mask.width + tx];
            cell = std::max(cell, scratch.value[static_cast<std::size_t>(y) * scratch.width + x]);
        }
    return true;
}

void drawFrame(Mask& mask, Box box, int thickness, float stretchX)
{
    const int side = std::max(1, static_cast<int>(std::lround(thickness * stretchX)));
    for (int y = std::max(0, box.top); y < std::min(mask.height, box.bottom); ++y)
        for (int x = std::max(0, box.left); x < std::min(mask.width, box.right); ++x) {
            const bool edge = y < box.top + thickness || y >= box.bottom - thickness || x < box.left + side ||
                              x >= box.right - side;
            if (edge) mask.value[static_cast<std::size_t>(y) * mask.width + x] = 255;
        }
}

RgbImage composeGlow(const Mask& mask, Rgb fill, Rgb fillBottom, Rgb glow, int glowRadius, float stretchX)
{
    const int width = mask.width, height = mask.height;
    std::vector<float> halo(mask.value.size());
    for (std::size_t i = 0; i < halo.size(); ++i) halo[i] = mask.value[i] / 255.0f;
    // Three box passes make a near-Gaussian halo.
    const int radiusX = std::max(1, static_cast<int>(std::lround(glowRadius * stretchX / 2.0f)));
    const int radiusY = std::max(1, glowRadius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(halo, width, height, radiusX, true);
        boxBlur(halo, width, height, radiusY, false);
    }

    RgbImage image(width, height);
    for (int y = 0; y < height; ++y) {
        const float t = height > 1 ? static_cast<float>(y) / static_cast<float>(height - 1) : 0.0f;
        const Rgb stroke{fill.r + (fillBottom.r - fill.r) * t, fill.g + (fillBottom.g - fill.g) * t,
                         fill.b + (fillBottom.b - fill.b) * t};
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const float ink = mask.value[i] / 255.0f;
            const float light = std::min(1.0f, halo[i] * 1.8f) * (1.0f - ink);
            uint8_t* pixel = image.at(x, y);
            pixel[0] = toByte(stroke.r * ink + glow.r * light);
            pixel[1] = toByte(stroke.g * ink + glow.g * light);
            pixel[2] = toByte(stroke.b * ink + glow.b * light);
        }
    }
    return image;
}
