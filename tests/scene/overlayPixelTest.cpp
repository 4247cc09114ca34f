// The overlays on real Mesa (llvmpipe) under the demo's projection, drawn by whole frames of
// the scene with solid-colour test bitmaps: where the cards land, how they blend, and that
// the depth clamp that lets them sit on the far plane is gone again for the particles.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "scene/frame.h"
#include "scene/projection.h"
#include "scene/overlays.h"
#include "tests/scene/sceneFixture.h"
#include "tests/support/offscreenGl.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;
constexpr int width = 1280, height = 720;
constexpr int tolerance = 3;  // per channel: 8-bit rounding in the blend

struct Colour {
    int r, g, b;
};

// Window-space bounds of an eye-space rectangle, in pixel centres that lie inside it.
struct PixelRect {
    int left, right, bottom, top;
};

PixelRect project(double left, double right, double bottom, double top, double z)
{
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x0, y0, x1, y1, depth;
    gluProject(left, bottom, z, modelview, projection, viewport, &x0, &y0, &depth);
    gluProject(right, top, z, modelview, projection, viewport, &x1, &y1, &depth);
    return PixelRect{static_cast<int>(std::ceil(x0 - 0.5)), static_cast<int>(std::floor(x1 - 0.5)),
                     static_cast<int>(std::ceil(y0 - 0.5)), static_cast<int>(std::floor(y1 - 0.5))};
}

class Picture {
public:
    Picture() : pixels(readPixels(0, 0, width, height)) {}
    Colour at(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return Colour{pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    bool near(int x, int y, Colour c) const
    {
        const Colour p = at(x, y);
        return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
    }
    // Pixels inside `rect` that are not `c`, a few at most reported.
    int countOff(const PixelRect& rect, Colour c) const
    {
        int off = 0;
        for (int y = std::max(rect.bottom, 0); y <= std::min(rect.top, height - 1); ++y)
            for (int x = std::max(rect.left, 0); x <= std::min(rect.right, width - 1); ++x)
                if (!near(x, y, c) && off++ < 3) {
                    const Colour p = at(x, y);
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is (" << p.r << ", " << p.g << ", " << p.b
                                  << "), expected (" << c.r << ", " << c.g << ", " << c.b << ")";
                }
        return off;
    }
    int countLit() const
    {
        return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](uint8_t v) { return v > 8; }));
    }

private:
    std::vector<uint8_t> pixels;
};

// The ring of pixels just outside `rect`, `gap` pixels away from its edge.
std::vector<PixelRect> outsideEdges(const PixelRect& r, int gap)
{
    return {{r.left - gap, r.left - gap, r.bottom, r.top},
            {r.right + gap, r.right + gap, r.bottom, r.top},
            {r.left, r.right, r.bottom - gap, r.bottom - gap},
            {r.left, r.right, r.top + gap, r.top + gap}};
}

const Colour white{255, 255, 255};

class OverlayPixels : public SceneDirectory {
protected:
    static void SetUpTestSuite() { contextOpen = openOffscreenGl(width, height); }
    static void TearDownTestSuite() { closeOffscreenGl(); }

    void SetUp() override
    {
        SceneDirectory::SetUp();
        ASSERT_TRUE(contextOpen);
        bitmaps = defaultTestBitmaps();
        bitmaps[5] = {128, 64, 64, 64, 64};     // backdrop: mid grey, so the blend shows
        bitmaps[8] = {128, 64, 100, 150, 20};   // greeting 3
        ASSERT_TRUE(writeTestData(dir, bitmaps));
        titleFade = 1.0f;
        ASSERT_EQ(initScene(), 1);
        setProjection(width, height);
    }
    void TearDown() override
    {
        titleFade = 1.0f;
        SceneDirectory::TearDown();
    }

    static Colour colourOf(const TestBitmap& b) { return Colour{b.red, b.green, b.blue}; }
    static void at(int32_t order, int32_t row)
    {
        syncState.order.store(order, relaxed);
        syncState.row.store(row, relaxed);
    }
    // Every particle lit white and brought near enough to be seen: the field saturates the view.
    static void lightTheField()
    {
        particleDepth = -70.0f;
        for (Particle& p : particles) p.red = p.green = p.blue = p.alpha = 1.0f;
    }

    static inline bool contextOpen = false;
    std::array<TestBitmap, testBitmapCount> bitmaps;
};

TEST_F(OverlayPixels, TitleAndBylineCoverTheirRectanglesOpaque)
{
    lightTheField();
    at(1, 0);
    ASSERT_TRUE(renderFrame());
    const Picture picture;
    const PixelRect title = project(-56, 56, -6, 12, -100);
    const PixelRect byline = project(-56, 56, -14.3f, -6.3f, -100);
    ASSERT_GT(title.right - title.left, 700);

    // Opaque: the bitmaps' own colours over a white field, to the projected edges.
    EXPECT_EQ(picture.countOff(title, colourOf(bitmaps[1])), 0);
    EXPECT_EQ(picture.countOff(byline, colourOf(bitmaps[2])), 0);
    // The 0.3 units between the two cards let the field through.
    ASSERT_LT(byline.top + 1, title.bottom);
    for (const PixelRect& edge : outsideEdges(title, 1)) EXPECT_EQ(picture.countOff(edge, white), 0);
    for (const PixelRect& edge : outsideEdges(byline, 1)) EXPECT_EQ(picture.countOff(edge, white), 0);
    EXPECT_EQ(picture.countOff({title.left, title.right, byline.top + 1, title.bottom - 1}, white), 0);
}

TEST_F(OverlayPixels, GreetingShowsOverTheBackdropWithTheOverlayBlend)
{
    at(9, 32);
    ASSERT_TRUE(renderFrame());
    const Picture picture;
    // The backdrop over the dark field is its own colour, over the whole view.
    const Colour grey{64, 64, 64};
    EXPECT_EQ(picture.countOff({0, width - 1, 0, 0}, grey), 0);
    EXPECT_EQ(picture.countOff({0, width - 1, height - 1, height - 1}, grey), 0);
    EXPECT_EQ(picture.countOff({0, 0, 0, height - 1}, grey), 0);
    EXPECT_EQ(picture.countOff({width - 1, width - 1, 0, height - 1}, grey), 0);

    // source · alpha + destination · (1 − destination): 64/255 · 191/255 · 255 ≈ 48 per channel
    // over the grey; neither the opaque (100, 150, 20) nor the additive (164, 214, 84).
    const PixelRect greeting = project(-44, 44, -5, 5, -100);
    ASSERT_GT(greeting.right - greeting.left, 500);
    EXPECT_EQ(picture.countOff(greeting, Colour{148, 198, 68}), 0);
    for (const PixelRect& edge : outsideEdges(greeting, 1)) EXPECT_EQ(picture.countOff(edge, grey), 0);
}

TEST_F(OverlayPixels, ParticlesBeyondTheFarPlaneStayClippedAfterTheOverlays)
{
    at(1, 0);
    renderFrame();
    EXPECT_EQ(glIsEnabled(GL_DEPTH_CLAMP), GL_FALSE);

    // Only the particles at z = 0 lit, half a unit beyond the far plane: nothing shows.
    at(0, -1);
    auto lightLayerZero = [] {
        for (Particle& p : particles)
            if (p.z == 0.0f) p.red = p.green = p.blue = p.alpha = 1.0f;
    };
    lightLayerZero();
    particleDepth = -100.5f;
    renderFrame();
    EXPECT_EQ(Picture().countLit(), 0);

    // The same particles half a unit inside it do.
    lightLayerZero();
    particleDepth = -99.5f;
    renderFrame();
    EXPECT_GT(Picture().countLit(), 10000);
}

}  // namespace
