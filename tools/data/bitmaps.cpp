#include "tools/data/bitmaps.h"

#include <algorithm>
#include <cmath>

#include "tools/data/lettering.h"

namespace {

// One lettered card: texture size, the aspect of the quad it is drawn on, the words and their look.
struct Card {
    int width, height;
    float quadAspect;  // quad width / height in scene units
    const char32_t* text;
    Face face;
    Rgb fill, fillBottom, glow;
    int glowRadius;
};

constexpr Rgb white{1.0f, 1.0f, 1.0f};

// Indexed like bitmapFiles; the particle, backdrop and warning are drawn by code of their own.
const Card cards[bitmapCount] = {
    {},
    {1024, 128, 112.0f / 18.0f, U"strobarium", Face::bold, white, {0.65f, 0.85f, 1.0f}, {0.85f, 0.2f, 0.9f}, 10},
    {1024, 64, 112.0f / 8.0f, U"by kelsot", Face::serifBoldItalic, white, {0.8f, 0.9f, 1.0f}, {0.1f, 0.55f, 1.0f}, 6},
    {1024, 64, 112.0f / 8.0f, U"a demo for", Face::serifBoldItalic, white, {0.8f, 0.9f, 1.0f}, {0.1f, 0.55f, 1.0f}, 6},
    {1024, 64, 112.0f / 8.0f, U"zentrovia", Face::bold, {1.0f, 1.0f, 0.85f}, {1.0f, 0.8f, 0.5f}, {1.0f, 0.4f, 0.1f}, 6},
    {},
    // Greetings: quad 2w × 10 with w = 18, 7, 44, 19, 24, 15, 10.
    {512, 128, 36.0f / 10.0f, U"coders", Face::condensedBold, white, {1.0f, 0.8f, 0.6f}, {1.0f, 0.3f, 0.2f}, 12},
    {256, 128, 14.0f / 10.0f, U"fans", Face::condensedBold, white, {1.0f, 1.0f, 0.6f}, {0.9f, 0.8f, 0.1f}, 12},
    {1024, 128, 88.0f / 10.0f, U"pixel artists & 3d modellers", Face::condensedBold, white, {0.7f, 1.0f, 0.7f},
     {0.2f, 0.9f, 0.3f}, 12},
    {512, 128, 38.0f / 10.0f, U"musicians", Face::condensedBold, white, {0.6f, 1.0f, 1.0f}, {0.1f, 0.8f, 0.9f}, 12},
    {512, 128, 48.0f / 10.0f, U"organisers", Face::condensedBold, white, {0.7f, 0.8f, 1.0f}, {0.2f, 0.3f, 1.0f}, 12},
    {512, 128, 30.0f / 10.0f, U"sceners", Face::condensedBold, white, {0.9f, 0.7f, 1.0f}, {0.7f, 0.2f, 1.0f}, 12},
    {256, 128, 20.0f / 10.0f, U"& you", Face::condensedBold, white, {1.0f, 0.7f, 0.9f}, {1.0f, 0.2f, 0.6f}, 12},
    {},
};

float stretchFor(int width, int height, float quadAspect)
{
    return static_cast<float>(width) / (static_cast<float>(height) * quadAspect);
}

// Room left around the strokes so the glow fades out inside the image.
Box insetBox(int width, int height, int margin, float stretchX)
{
    const int side = static_cast<int>(std::lround(margin * stretchX));
    return Box{side, margin, width - side, height - margin};
}

RgbImage makeCard(const Card& card)
{
    const float stretchX = stretchFor(card.width, card.height, card.quadAspect);
    Mask mask = blankMask(card.width, card.height);
    const int margin = card.glowRadius * 3 / 2 + 2;
    if (!drawText(mask, card.text, card.face, insetBox(card.width, card.height, margin, stretchX), stretchX))
        return RgbImage();
    return composeGlow(mask, card.fill, card.fillBottom, card.glow, card.glowRadius, stretchX);
}

// The photosensitivity card for the strobing drum entry: a framed warning sign over the words.
RgbImage makeWarning()
{
    constexpr int size = 512;
    const float stretchX = stretchFor(size, size, 20.0f / 24.0f);
    Mask mask = blankMask(size, size);
    const auto sideAt = [&](int pixels) { return static_cast<int>(std::lround(pixels * stretchX)); };
    drawFrame(mask, Box{sideAt(22), 22, size - sideAt(22), size - 22}, 7, stretchX);
    const bool drawn = drawText(mask, U"\u26A0", Face::bold, Box{sideAt(60), 52, size - sideAt(60), 236}, stretchX) &&
                       drawText(mask, U"WARNING", Face::bold, Box{sideAt(52), 262, size - sideAt(52), 336}, stretchX) &&
                       drawText(mask, U"flashing", Face::condensedBold,
                                Box{sideAt(80), 360, size - sideAt(80), 416}, stretchX) &&
                       drawText(mask, U"lights", Face::condensedBold,
                                Box{sideAt(80), 424, size - sideAt(80), 472}, stretchX);
    if (!drawn) return RgbImage();
    return composeGlow(mask, {1.0f, 0.95f, 0.7f}, {1.0f, 0.8f, 0.45f}, {1.0f, 0.12f, 0.04f}, 12, stretchX);
}

// Round glow: white centre, exactly black on and outside the inscribed circle. Some twenty
// quads of the field overlap on every spot and add up, so the glow is kept narrow (falling
// to half at a third of the radius): a lone particle is still a bright point, while a lit
// zone shows its particles and their colours before it adds up to white.
RgbImage makeParticle(int size)
{
    RgbImage image(size, size);
    // Radius 1 sits one pixel inside the border, so every border pixel centre lies outside it.
    const float centre = (size - 1) / 2.0f;
    const float radius = size / 2.0f - 1.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = (x - centre) / radius, dy = (y - centre) / radius;
            const float fall = std::max(0.0f, 1.0f - (dx * dx + dy * dy));
            const float square = fall * fall;
            const uint8_t v = static_cast<uint8_t>(std::lround(255.0f * square * square * square));
            std::fill(image.at(x, y), image.at(x, y) + 3, v);
        }
    return image;
}

}  // namespace

RgbImage makeBitmap(int index)
{
    switch (index) {
    case 0: return makeParticle(64);
    case 5: return RgbImage(64, 32);
    case 13: return makeWarning();
    default: return makeCard(cards[index]);
    }
}
