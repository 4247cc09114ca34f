// The 14 generated bitmaps as the demo reads them: through our BMP reader, each sized for
// the quad it lands on, lettering bright on black, and the particle glow black at its edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scene/bitmap.h"

namespace {

const std::string dataDir = STROBARIUM_BINARY_DIR "/Data/";

struct Expected {
    const char* name;
    float quadAspect;  // width / height of the quad it is drawn on; 0 for the particle and backdrop
    bool lettered;
};

const Expected bitmaps[] = {
    {"Particle.bmp", 0, false},          {"strobarium.bmp", 112.0f / 18, true}, {"bykelsot.bmp", 112.0f / 8, true},
    {"ademofor.bmp", 112.0f / 8, true},  {"zentrovia.bmp", 112.0f / 8, true},   {"black.bmp", 0, false},
    {"greetz1.bmp", 36.0f / 10, true},   {"greetz2.bmp", 14.0f / 10, true},     {"greetz3.bmp", 88.0f / 10, true},
    {"greetz4.bmp", 38.0f / 10, true},   {"greetz5.bmp", 48.0f / 10, true},     {"greetz6.bmp", 30.0f / 10, true},
    {"greetz7.bmp", 20.0f / 10, true},   {"warning.bmp", 20.0f / 24, true},
};

bool powerOfTwo(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

// A copy of what the reader returns, as brightness (max of the three channels) per pixel, bottom row first.
struct Gray {
    int width = 0, height = 0;
    std::vector<uint8_t> value;
    uint8_t at(int x, int y) const { return value[static_cast<std::size_t>(y) * width + x]; }
};

bool load(const std::string& name, Gray& gray)
{
    BitmapView view{};
    if (!readBitmapFile((dataDir + name).c_str(), view)) return false;
    gray.width = view.width;
    gray.height = view.height;
    gray.value.resize(static_cast<std::size_t>(view.width) * view.height);
    for (int y = 0; y < view.height; ++y) {
        const uint8_t* row = view.pixels + static_cast<std::size_t>(y) * bitmapRowBytes(view.width);
        for (int x = 0; x < view.width; ++x)
            gray.value[static_cast<std::size_t>(y) * view.width + x] = std::max({row[3 * x], row[3 * x + 1], row[3 * x + 2]});
    }
    return true;
}

uint8_t borderMax(const Gray& g)
{
    uint8_t top = 0;
    for (int x = 0; x < g.width; ++x) top = std::max({top, g.at(x, 0), g.at(x, g.height - 1)});
    for (int y = 0; y < g.height; ++y) top = std::max({top, g.at(0, y), g.at(g.width - 1, y)});
    return top;
}

class GeneratedBitmap : public ::testing::TestWithParam<Expected> {};

TEST_P(GeneratedBitmap, IsAnUncompressedBottomUp24BitPowerOfTwoBmpOurReaderAccepts)
{
    const Expected& e = GetParam();
    std::ifstream file(dataDir + e.name, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 54u) << e.name;
    auto le = [&](int at, int size) {
        int64_t v = 0;
        for (int i = size - 1; i >= 0; --i) v = v * 256 + bytes[static_cast<std::size_t>(at + i)];
        return v;
    };
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le(28, 2), 24) << "bits per pixel";
    EXPECT_EQ(le(30, 4), 0) << "compression";
    EXPECT_LT(le(22, 4), 0x80000000) << "height must be positive: bottom row first";

    BitmapView view{};
    ASSERT_TRUE(readBitmapFile((dataDir + e.name).c_str(), view)) << e.name;
    EXPECT_TRUE(powerOfTwo(view.width)) << view.width;
    EXPECT_TRUE(powerOfTwo(view.height)) << view.height;
    if (e.quadAspect > 0) {
        // The lettering is widened to suit; the texture's own shape stays within 2x of the quad's.
        const float aspect = static_cast<float>(view.width) / static_cast<float>(view.height);
        EXPECT_LE(aspect / e.quadAspect, 2.0f) << e.name;
        EXPECT_GE(aspect / e.quadAspect, 0.5f) << e.name;
        EXPECT_GE(view.height, 64) << "too coarse for its quad";
    }
}

class LetteredBitmap : public GeneratedBitmap {};

TEST_P(LetteredBitmap, IsBrightStrokesOnBlackWithNoVisibleEdge)
{
    const Expected& e = GetParam();
    Gray g;
    ASSERT_TRUE(load(e.name, g));
    std::size_t dark = 0, bright = 0;
    for (uint8_t v : g.value) {
        dark += v < 16;
        bright += v >= 230;
    }
    // The card is drawn opaque or with the overlay blend over the field: its frame must not show.
    EXPECT_LE(borderMax(g), 6) << e.name;
    EXPECT_GT(dark, g.value.size() / 3) << e.name << ": mostly black";
    EXPECT_GT(bright, g.value.size() / 100) << e.name << ": strokes at full strength";

    // The words are centred and as large as the card allows: they span most of its width or most of its height.
    int left = g.width, right = -1, low = g.height, high = -1;
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            if (g.at(x, y) >= 128) {
                left = std::min(left, x), right = std::max(right, x);
                low = std::min(low, y), high = std::max(high, y);
            }
    ASSERT_GE(right, left) << e.name;
    const float spanX = static_cast<float>(right - left + 1) / g.width;
    const float spanY = static_cast<float>(high - low + 1) / g.height;
    EXPECT_GT(std::max(spanX, spanY), 0.6f) << e.name << ": " << spanX << " x " << spanY;
    EXPECT_NEAR((left + right) / 2.0f, g.width / 2.0f, g.width * 0.1f) << e.name;
    EXPECT_NEAR((low + high) / 2.0f, g.height / 2.0f, g.height * 0.1f) << e.name;
}

std::string bitmapName(const ::testing::TestParamInfo<Expected>& info)
{
    std::string name = info.param.name;
    return name.substr(0, name.find('.'));
}

std::vector<Expected> lettered()
{
    std::vector<Expected> list;
    for (const Expected& e : bitmaps)
        if (e.lettered) list.push_back(e);
    return list;
}

INSTANTIATE_TEST_SUITE_P(Data, GeneratedBitmap, ::testing::ValuesIn(bitmaps), bitmapName);
INSTANTIATE_TEST_SUITE_P(Data, LetteredBitmap, ::testing::ValuesIn(lettered()), bitmapName);

TEST(ParticleGlow, IsWhiteInTheCentreAndExactlyBlackOnAndOutsideTheInscribedCircle)
{
    Gray g;
    ASSERT_TRUE(load("Particle.bmp", g));
    ASSERT_EQ(g.width, g.height);
    const int n = g.width;
    EXPECT_EQ(borderMax(g), 0);
    EXPECT_GE(g.at(n / 2, n / 2), 250);
    const float centre = (n - 1) / 2.0f, radius = n / 2.0f;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float dx = x - centre, dy = y - centre;
            if (dx * dx + dy * dy >= radius * radius) {
                EXPECT_EQ(g.at(x, y), 0) << x << "," << y;
            }
        }
    // Smooth fall-off: never brighter further out along the middle row, and no step larger than a few levels.
    for (int x = n / 2; x + 1 < n; ++x) {
        EXPECT_LE(g.at(x + 1, n / 2), g.at(x, n / 2)) << x;
        EXPECT_LE(g.at(x, n / 2) - g.at(x + 1, n / 2), 24) << x;
    }
}

TEST(Backdrop, IsBlack)
{
    Gray g;
    ASSERT_TRUE(load("black.bmp", g));
    EXPECT_EQ(*std::max_element(g.value.begin(), g.value.end()), 0);
}

}  // namespace
