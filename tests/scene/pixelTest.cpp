// The scene on real Mesa (llvmpipe, no X server) under the demo's own projection: where quads
// land, how they blend, the far plane, bitmaps upright with their rows padded, linear filters.
#include <GL/gl.h>
#include <GL/glu.h>

#include "scene/offscreenContext.h"
#include "scene/projection.h"
#include "tests/scene/sceneFixture.h"

namespace {

constexpr int width = 1280, height = 720;

struct Rgb {
    int r, g, b;
};
const Rgb black{0, 0, 0}, white{255, 255, 255}, grey{64, 64, 64};

// The pixel that an eye-space point falls on, within 3 steps per channel (linear filtering and
// the blend's 8-bit rounding).
testing::AssertionResult shows(double x, double y, double z, Rgb want)
{
    GLdouble model[16], projection[16], wx, wy, wz;
    GLint viewport[4];
    uint8_t p[4] = {};
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
    glReadPixels(static_cast<int>(wx), static_cast<int>(wy), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    if (std::abs(p[0] - want.r) <= 3 && std::abs(p[1] - want.g) <= 3 && std::abs(p[2] - want.b) <= 3)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "(" << x << ", " << y << ", " << z << ") shows " << joined(+p[0], +p[1], +p[2])
                                       << "instead of " << joined(want.r, want.g, want.b);
}

// A quad covers its rectangle: `in` a fifth of a unit (about a pixel and a half at z -100)
// inside the middle of each edge, `out` as far outside.
void expectRect(double left, double right, double bottom, double top, double z, Rgb in, Rgb out)
{
    const double mx = (left + right) / 2, my = (bottom + top) / 2;
    for (double d : {-0.2, 0.2}) {
        EXPECT_TRUE(shows(left - d, my, z, d < 0 ? in : out));
        EXPECT_TRUE(shows(right + d, my, z, d < 0 ? in : out));
        EXPECT_TRUE(shows(mx, bottom - d, z, d < 0 ? in : out));
        EXPECT_TRUE(shows(mx, top + d, z, d < 0 ? in : out));
    }
}

// Lights the particle at home (x, y, z); all others stay black and add nothing.
void light(float x, float y, float z, float red, float green, float blue, float alpha = 1.0f)
{
    int i = 0;
    while (i < particleCount - 1 && (particles[i].x != x || particles[i].y != y || particles[i].z != z)) ++i;
    ASSERT_EQ(joined(particles[i].x, particles[i].y, particles[i].z), joined(x, y, z));
    particles[i].red = red, particles[i].green = green, particles[i].blue = blue, particles[i].alpha = alpha;
}

bool frameAt(int32_t order, int32_t row)
{
    syncState.order = order;
    syncState.row = row;
    return renderFrame();
}

class Pixels : public SceneDirectory {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        if (!openOffscreenContext(width, height, error)) ADD_FAILURE() << error;
    }
    static void TearDownTestSuite() { closeOffscreenContext(); }
    // A grey backdrop and a greeting picked so that the blend shows; the title bitmap as given.
    void start(const RgbImage& title = RgbImage())
    {
        bitmaps[5] = {128, 64, 64, 64, 64};
        bitmaps[8] = {128, 64, 100, 150, 20};
        ASSERT_TRUE(writeTestData(dir.path(), bitmaps));
        ASSERT_TRUE(title.width == 0 || writeFileBytes(bitmapFiles[1], encodeBmp24(title)));
        ASSERT_EQ(initScene(), 1);
        setProjection(width, height);
    }
    Rgb colourOf(int index) const { return Rgb{bitmaps[index].red, bitmaps[index].green, bitmaps[index].blue}; }
    std::array<TestBitmap, bitmapCount> bitmaps = defaultTestBitmaps();
};

TEST_F(Pixels, BitmapsStandUprightWithTheirRowsPaddedAndFilteredLinearly)
{
    // 2x2, so each 6-byte row is padded to 8: top blue and white, bottom red and green.
    RgbImage title(2, 2);
    title.rgb = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
    start(title);
    ASSERT_TRUE(frameAt(1, -1));  // the title alone, opaque: x -56 to 56, y -6 to 12
    EXPECT_TRUE(shows(-28, -1.5, -100, Rgb{255, 0, 0}));
    EXPECT_TRUE(shows(28, -1.5, -100, Rgb{0, 255, 0}));
    EXPECT_TRUE(shows(-28, 7.5, -100, Rgb{0, 0, 255}));
    EXPECT_TRUE(shows(28, 7.5, -100, white));
    EXPECT_TRUE(shows(0, 3, -100, Rgb{128, 128, 128})) << "halfway between all four";
    GLint filters[2] = {};
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filters[0]);  // the title is still bound
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filters[1]);
    EXPECT_EQ(joined(filters[0], filters[1]), joined(GL_LINEAR, GL_LINEAR));
}

TEST_F(Pixels, TitleAndCardCoverTheirRectanglesOpaqueOverTheField)
{
    start();
    particleDepth = -70.0f;  // every particle lit white and near enough to fill the view
    for (Particle& p : particles) p.red = p.green = p.blue = p.alpha = 1.0f;
    ASSERT_TRUE(frameAt(1, 0));
    expectRect(-56, 56, -6, 12, -100, colourOf(1), white);
    expectRect(-56, 56, -14.3, -6.3, -100, colourOf(2), white);  // the field shows in the gap of 0.3
}

TEST_F(Pixels, AGreetingShowsOverTheBackdropWithTheOverlayBlend)
{
    start();
    ASSERT_TRUE(frameAt(9, 32));
    EXPECT_TRUE(shows(-92, -51.9, -100, grey));
    EXPECT_TRUE(shows(92, 51.9, -100, grey));
    // source + destination × (1 − destination): 64 × 191 / 255 ≈ 48 on each channel.
    expectRect(-44, 44, -5, 5, -100, Rgb{148, 198, 68}, grey);
}

TEST_F(Pixels, ParticlesAddColourTimesAlphaOnQuadsOneAndAHalfWideUpToTheFarPlane)
{
    start();
    ASSERT_TRUE(frameAt(1, 0));  // the overlays, which sit on the far plane, must leave it as it was
    light(10, 5, 20, 1.0f, 0.5f, 0.25f);
    light(0, 0, 11, 1.0f, 0.0f, 0.0f, 0.5f);
    light(20, -10, 0, 0.0f, 1.0f, 0.0f);
    light(-14, -5, -1, 0.0f, 0.0f, 1.0f);
    ASSERT_TRUE(frameAt(0, -1));
    EXPECT_TRUE(shows(0, 0, -89, Rgb{128, 0, 0})) << "half alpha adds half";
    EXPECT_TRUE(shows(20, -10, -100, Rgb{0, 255, 0})) << "on the far plane";
    EXPECT_TRUE(shows(-14, -5, -101, black)) << "beyond it";
    expectRect(9.25, 10.75, 4.25, 5.75, -80, Rgb{255, 128, 64}, black);
    light(20, -10, 0, 0.0f, 1.0f, 0.0f);
    particleDepth = -100.5f;
    ASSERT_TRUE(frameAt(0, -1));
    EXPECT_TRUE(shows(20, -10, -100.5, black)) << "half a unit beyond";
}

}  // namespace
