// The generated bitmaps as the demo reads them: all 14 taken by our reader, the particle glow
// black all round its border (its quad's edge must not show) and the backdrop black.
#include "scene/bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>

const std::string data = STROBARIUM_BINARY_DIR "/Data/";

// The brightest channel among the pixels of `name` that `where(x, y, width, height)` picks.
template <typename Where>
int brightest(const std::string& name, Where where)
{
    BitmapView view{};
    EXPECT_TRUE(readBitmapFile((data + name).c_str(), view)) << name;
    int top = -1;
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width * 3; ++x)
            if (where(x / 3, y, view.width, view.height)) top = std::max<int>(top, view.pixels[std::size_t(y) * bitmapRowBytes(view.width) + x]);
    return top;
}

TEST(GeneratedBitmaps, OurReaderTakesAllFourteen)
{
    int taken = 0;
    for (const auto& entry : std::filesystem::directory_iterator(data))
        if (entry.path().extension() == ".bmp") taken += brightest(entry.path().filename(), [](int, int, int, int) { return true; }) >= 0;
    EXPECT_EQ(taken, 14);
}

TEST(GeneratedBitmaps, TheGlowIsBlackOnItsBorderAndWhiteInTheMiddleAndTheBackdropIsBlack)
{
    EXPECT_EQ(brightest("Particle.bmp", [](int x, int y, int w, int h) { return x == 0 || y == 0 || x == w - 1 || y == h - 1; }), 0);
    EXPECT_GE(brightest("Particle.bmp", [](int x, int y, int w, int h) { return x == w / 2 && y == h / 2; }), 250);
    EXPECT_EQ(brightest("black.bmp", [](int, int, int, int) { return true; }), 0);
}
