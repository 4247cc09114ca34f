// The scene on real Mesa (llvmpipe, no X server) under the demo's own projection: bitmaps
// upright with their rows padded and filtered linearly, and particles adding colour times alpha
// up to the far plane, which the overlays, clamped in depth, leave as it was.
#include <GL/gl.h>
#include <GL/glu.h>

#include "scene/offscreenContext.h"
#include "scene/projection.h"
#include "tests/scene/sceneFixture.h"

namespace {

// The pixel that an eye-space point falls on, as "r g b ", each within 3 steps of `want`
// (linear filtering and the blend's 8-bit rounding).
std::string shows(double x, double y, double z, const std::string& want)
{
    GLdouble model[16], projection[16], wx, wy, wz;
    GLint viewport[4], r, g, b;
    uint8_t p[4] = {};
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
    glReadPixels(static_cast<int>(wx), static_cast<int>(wy), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    std::istringstream(want) >> r >> g >> b;
    return std::abs(p[0] - r) <= 3 && std::abs(p[1] - g) <= 3 && std::abs(p[2] - b) <= 3 ? want : joined(+p[0], +p[1], +p[2]);
}

class Pixels : public SceneDirectory {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        if (!openOffscreenContext(1280, 720, error)) ADD_FAILURE() << error;
    }
    static void TearDownTestSuite() { closeOffscreenContext(); }
    void SetUp() override { SceneDirectory::SetUp(); setProjection(1280, 720); }
};

TEST_F(Pixels, BitmapsStandUprightWithTheirRowsPaddedAndFilteredLinearly)
{
    // 2x2, so each 6-byte row is padded to 8: top blue and white, bottom red and green.
    RgbImage title(2, 2);
    title.rgb = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
    ASSERT_TRUE(writeFileBytes(bitmapFiles[1], encodeBmp24(title)));
    ASSERT_EQ(initScene(), 1);
    syncState.order = 1, syncState.row = -1;  // the title alone, opaque: x -56 to 56, y -6 to 12, on the far plane
    ASSERT_TRUE(renderFrame());
    const struct { double x, y; const char* rgb; } samples[] = {
        {-28, -1.5, "255 0 0 "}, {28, -1.5, "0 255 0 "}, {-28, 7.5, "0 0 255 "}, {28, 7.5, "255 255 255 "},
        {0, 3, "128 128 128 "},  // halfway between all four
    };
    for (const auto& s : samples) EXPECT_EQ(shows(s.x, s.y, -100, s.rgb), s.rgb) << s.x << ", " << s.y;
    GLint filters[2] = {};
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filters[0]);  // the title is still bound
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filters[1]);
    EXPECT_EQ(joined(filters[0], filters[1]), joined(GL_LINEAR, GL_LINEAR));
}

TEST_F(Pixels, ParticlesAddColourTimesAlphaUpToTheFarPlaneWhichTheOverlaysLeaveAsItWas)
{
    ASSERT_EQ(initScene(), 1);
    syncState.order = 1, syncState.row = 0;
    ASSERT_TRUE(renderFrame());
    // All others stay black and add nothing. Homes: 41 (-34, -2, 11), 3690 (-9, -7, 0), 29 (-46, -14, -1)
    // moved to -0.5.
    const auto light = [](int i, float red, float green, float blue, float alpha) {
        particles[i].red = red, particles[i].green = green, particles[i].blue = blue, particles[i].alpha = alpha;
    };
    light(41, 1, 0, 0, 0.5f), light(3690, 0, 1, 0, 1), light(29, 0, 0, 1, 1), particles[29].z = -0.5f;
    syncState.order = 0, syncState.row = -1;
    ASSERT_TRUE(renderFrame());
    EXPECT_EQ(shows(-34, -2, -89, "128 0 0 "), "128 0 0 ") << "half alpha adds half";
    EXPECT_EQ(shows(-9, -7, -100, "0 255 0 "), "0 255 0 ") << "on the far plane";
    EXPECT_EQ(shows(-46, -14, -100.5, "0 0 0 "), "0 0 0 ") << "half a unit beyond";
}

}  // namespace
