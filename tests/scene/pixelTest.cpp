// The scene on real Mesa (llvmpipe, no X server) under the demo's own projection.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "os/offscreenContext.h"
#include "scene/projection.h"
#include "tests/scene/sceneFixture.h"

namespace {

// The pixel that an eye-space point falls on, as "r g b ", each within 3 steps of `want`
// (linear filtering).
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

TEST_F(Pixels, BitmapsOfAnySizeStandUprightWithTheirRowsPaddedAndFilteredLinearly)
{
    // Top blue and white, bottom red and green (one column: all left); rows of 6, 381 and 3 bytes padded to 4.
    const uint8_t colours[4][3] = {{0, 0, 255}, {255, 255, 255}, {255, 0, 0}, {0, 255, 0}};
    for (const auto& [width, height] : {std::pair{2, 2}, {127, 64}, {1, 1000}}) {
        SetUp();
        RgbImage title(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) std::copy_n(colours[2 * (y >= height / 2) + (x >= (width + 1) / 2)], 3, title.at(x, y));
        ASSERT_TRUE(writeFileBytes(bitmapFiles[1], encodeBmp24(title)));
        ASSERT_EQ(initScene(error), 1) << error;
        syncState.order = 1, syncState.row = -1;  // the title alone, opaque: x -56 to 56, y -6 to 12, on the far plane
        ASSERT_TRUE(renderFrame());
        const bool wide = width > 1;
        const struct { double x, y; const char* rgb; } samples[] = {
            {-28, -1.5, "255 0 0 "}, {28, -1.5, wide ? "0 255 0 " : "255 0 0 "},
            {-28, 7.5, "0 0 255 "},  {28, 7.5, wide ? "255 255 255 " : "0 0 255 "},
        };
        for (const auto& s : samples) EXPECT_EQ(shows(s.x, s.y, -100, s.rgb), s.rgb) << width << "x" << height << ": " << s.x << ", " << s.y;
        EXPECT_TRUE(width != 2 || shows(0, 3, -100, "128 128 128 ") == "128 128 128 ") << "halfway between all four";
    }
}

// Without depth clamping (OpenGL 1.1, WebGL; here Mesa hides it) the overlays flatten depth and must
// cover the pixels clamping gives; either way they escape a far plane rounded nearer than they are.
TEST_F(Pixels, OverlaysShowTheSamePixelsWhetherDepthIsClampedOrFlattened)
{
    ASSERT_EQ(initScene(error), 1) << error;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(55, 1280.0 / 720, 0.1f, 99.9);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(depthClampInUse, !std::getenv("MESA_EXTENSION_OVERRIDE")) << "what this Mesa offers";
    const bool offered = depthClampInUse;
    for (Particle& p : particles) p.active = 0;
    while (glGetError() != GL_NO_ERROR) continue;  // what came before
    std::vector<uint8_t> frames[2];
    for (const auto& [order, row] : {std::pair{1, 0}, {3, 0}, {9, 0}}) {
        for (const bool clamped : {false, offered}) {
            depthClampInUse = clamped, syncState.order = order, syncState.row = row;
            ASSERT_TRUE(renderFrame());
            frames[clamped].assign(1280 * 720 * 3, 0);
            glReadPixels(0, 0, 1280, 720, GL_RGB, GL_UNSIGNED_BYTE, frames[clamped].data());
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << order << (clamped ? " clamped" : " flattened");
        }
        EXPECT_LT(std::count(frames[0].begin(), frames[0].end(), 0), std::ptrdiff_t(frames[0].size())) << order << ": drawn";
        EXPECT_TRUE(frames[0] == frames[offered]) << order << ": flattened and clamped differ";
    }
}

// What the view test calls outside draws no pixel; what lies a few pixels inside a plane draws.
TEST_F(Pixels, QuadsCalledOutsideTheViewDrawNothing)
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    std::vector<uint8_t> frame(1280 * 720);
    const auto drawn = [&](const EyeQuad& q) {
        glClear(GL_COLOR_BUFFER_BIT);
        drawEyeQuad(q);
        glReadPixels(0, 0, 1280, 720, GL_RED, GL_UNSIGNED_BYTE, frame.data());
        return std::count(frame.begin(), frame.end(), 0) < std::ptrdiff_t(frame.size());
    };
    // Edges of the view at depth 50: x = +-26.03 * aspect, y = +-26.03; near 0.1, far 100.
    const struct { float x, y, z, half; bool outside; } quads[] = {
        {0, 0, -50, 0.75f, false},      {0, 0, -100.5f, 0.75f, true},  {0, 0, -99.5f, 0.75f, false},
        {0, 0, -0.05f, 0.01f, true},    {0, 0, -0.2f, 0.01f, false},   {0, 0, 5, 0.75f, true},
        {47.1f, 0, -50, 0.75f, true},   {45.6f, 0, -50, 0.75f, false}, {-47.1f, 0, -50, 0.75f, true},
        {0, 26.9f, -50, 0.75f, true},   {0, 25.5f, -50, 0.75f, false}, {0, -26.9f, -50, 0.75f, true},
        {-47.1f, -26.9f, -50, 0.75f, true}, {60, 40, -50, 30, false},  {0, 0, -1, 40, false},
    };
    for (const auto& q : quads) {
        const EyeQuad quad{q.x - q.half, q.x + q.half, q.y - q.half, q.y + q.half, q.z};
        EXPECT_EQ(quadOutsideView(quad), q.outside) << q.x << " " << q.y << " " << q.z;
        EXPECT_EQ(drawn(quad), !q.outside) << q.x << " " << q.y << " " << q.z;
    }
}

}  // namespace
