// The scene on real Mesa (llvmpipe, no X server): where textures and particles land on the
// 1280x720 picture under the demo's projection, and what the far plane does at z = -100.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>
#include <string>

#include "tests/scene/sceneFixture.h"
#include "tests/support/offscreenGl.h"

namespace {

constexpr int width = 1280, height = 720;
// Per channel, for linear filtering and 8-bit rounding of the blend.
constexpr int tolerance = 3;

// The demo's projection: 55 degrees, 16:9, near 0.1f, far 100, model-view left as identity.
void demoProjection()
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(55.0, static_cast<double>(width) / height, 0.10000000149011612, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

struct Pixel {
    int x, y;
};

// The window pixel an eye-space point falls on.
Pixel project(double x, double y, double z)
{
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    return Pixel{static_cast<int>(wx), static_cast<int>(wy)};
}

testing::AssertionResult near(Rgb got, int r, int g, int b)
{
    if (std::abs(got.r - r) <= tolerance && std::abs(got.g - g) <= tolerance && std::abs(got.b - b) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "pixel (" << int(got.r) << ", " << int(got.g) << ", " << int(got.b)
                                       << "), expected (" << r << ", " << g << ", " << b << ") within " << tolerance;
}

Rgb at(Pixel p) { return readPixel(p.x, p.y); }

// One quad by the demo's convention, in the current colour and blend.
void drawQuad(GLuint texture, float left, float right, float bottom, float top, float z)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2d(1, 1);
    glVertex3f(right, top, z);
    glTexCoord2d(0, 1);
    glVertex3f(left, top, z);
    glTexCoord2d(1, 0);
    glVertex3f(right, bottom, z);
    glTexCoord2d(0, 0);
    glVertex3f(left, bottom, z);
    glEnd();
}

class ScenePixels : public SceneDirectory {
protected:
    static void SetUpTestSuite() { contextOpen = openOffscreenGl(width, height); }
    static void TearDownTestSuite() { closeOffscreenGl(); }

    void SetUp() override
    {
        ASSERT_TRUE(contextOpen) << "no Mesa context";
        SceneDirectory::SetUp();
    }
    // Writes the stand-in data (after `customise` has had its say) and starts the scene.
    void startScene()
    {
        demoProjection();
        ASSERT_EQ(initScene(), 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // Lights one particle; all others stay black and add nothing.
    void light(int index, float red, float green, float blue)
    {
        particles[index].red = red;
        particles[index].green = green;
        particles[index].blue = blue;
        particles[index].alpha = 1.0f;
    }
    int particleAt(float x, float y, float z) const
    {
        for (int i = 0; i < particleCount; ++i) {
            if (particles[i].x == x && particles[i].y == y && particles[i].z == z) return i;
        }
        return -1;
    }

    static bool contextOpen;
};
bool ScenePixels::contextOpen = false;

TEST_F(ScenePixels, TheBitmapsBottomRowLandsOnTheQuadsLowerEdge)
{
    // 8x8: bottom row red, top row green, the rest blue; a flipped upload would swap red and green.
    RgbImage image = solidImage({8, 8, 0, 0, 255});
    for (int x = 0; x < 8; ++x) {
        image.at(x, 7)[0] = 255, image.at(x, 7)[2] = 0;  // bottom (image rows run top first)
        image.at(x, 0)[1] = 255, image.at(x, 0)[2] = 0;  // top
    }
    ASSERT_TRUE(writeTestData(dir));
    ASSERT_TRUE(writeTestBitmap(dir, 1, image));  // strobarium.bmp
    startScene();

    glBlendFunc(GL_ONE, GL_ZERO);
    glColor4f(1, 1, 1, 1);
    drawQuad(texTitle, -4, 4, -4, 4, -10);

    // Texel row centres of the 8-unit quad: 0.5 units in from each edge.
    EXPECT_TRUE(near(at(project(0, -3.5, -10)), 255, 0, 0)) << "bottom row";
    EXPECT_TRUE(near(at(project(0, 3.5, -10)), 0, 255, 0)) << "top row";
    EXPECT_TRUE(near(at(project(0, 0, -10)), 0, 0, 255)) << "middle";
    // At the very edge (t = 0) red dominates; the default wrap blends in a little of the top row.
    const Rgb edge = at(project(0, -3.98, -10));
    EXPECT_GT(edge.r, 128);
    EXPECT_LT(edge.b, 16);
}

TEST_F(ScenePixels, ALitParticleShowsItsColourWhereTheProjectionPutsIt)
{
    ASSERT_TRUE(writeTestData(dir));  // Particle.bmp is solid white
    startScene();
    const int index = particleAt(10, 5, 20);
    ASSERT_GE(index, 0);
    light(index, 1.0f, 0.5f, 0.25f);

    ASSERT_TRUE(renderFrame());

    const float zd = 20 - 100;
    EXPECT_TRUE(near(at(project(10, 5, zd)), 255, 128, 64)) << "centre";
    // The quad is 1.5 units square: lit just inside each edge, black just outside.
    for (double d : {-0.7, 0.7}) {
        EXPECT_TRUE(near(at(project(10 + d, 5, zd)), 255, 128, 64)) << d;
        EXPECT_TRUE(near(at(project(10, 5 + d, zd)), 255, 128, 64)) << d;
    }
    for (double d : {-0.85, 0.85}) {
        EXPECT_TRUE(near(at(project(10 + d, 5, zd)), 0, 0, 0)) << d;
        EXPECT_TRUE(near(at(project(10, 5 + d, zd)), 0, 0, 0)) << d;
    }
    EXPECT_TRUE(near(at(project(-20, -10, zd)), 0, 0, 0)) << "the unlit field adds nothing";
}

TEST_F(ScenePixels, HalfAlphaAddsHalfTheColour)
{
    ASSERT_TRUE(writeTestData(dir));
    startScene();
    const int lit = particleAt(0, 0, 11);
    ASSERT_GE(lit, 0);
    light(lit, 1.0f, 0.0f, 0.0f);
    particles[lit].alpha = 0.5f;
    ASSERT_TRUE(renderFrame());
    EXPECT_TRUE(near(at(project(0, 0, -89)), 128, 0, 0));
}

// The far plane under the demo's projection, with the overlays' depth clamp and without.
TEST_F(ScenePixels, AQuadAtMinus100IsDrawnWithDepthClamp)
{
    ASSERT_TRUE(writeTestData(dir));
    startScene();
    glBlendFunc(GL_ONE, GL_ZERO);
    glColor4f(1, 1, 1, 1);

    glEnable(GL_DEPTH_CLAMP);
    drawQuad(texParticle, -10, 0, -5, 5, -100.0f);
    drawQuad(texParticle, 10, 20, -5, 5, -100.5f);  // past the far plane: kept only by the clamp
    glDisable(GL_DEPTH_CLAMP);
    EXPECT_TRUE(near(at(project(-5, 0, -100)), 255, 255, 255));
    EXPECT_TRUE(near(at(project(15, 0, -100.5)), 255, 255, 255));
}

TEST_F(ScenePixels, WithoutDepthClampMesaDrawsMinus100AndClipsBeyond)
{
    // What particles rely on: their far plane test is Mesa's own, inclusive at clip z = w.
    ASSERT_TRUE(writeTestData(dir));
    startScene();
    glBlendFunc(GL_ONE, GL_ZERO);
    glColor4f(1, 1, 1, 1);
    drawQuad(texParticle, -10, 0, -5, 5, -100.0f);
    drawQuad(texParticle, 10, 20, -5, 5, -100.5f);
    EXPECT_TRUE(near(at(project(-5, 0, -100)), 255, 255, 255)) << "on the far plane";
    EXPECT_TRUE(near(at(project(15, 0, -100.5)), 0, 0, 0)) << "beyond it";
}

TEST_F(ScenePixels, ParticlesOnTheFarPlaneShowThoseBeyondItDoNot)
{
    ASSERT_TRUE(writeTestData(dir));
    startScene();
    const int onPlane = particleAt(20, -10, 0);  // zd = -100
    const int beyond = particleAt(0, 0, -1);     // zd = -101
    ASSERT_GE(onPlane, 0);
    ASSERT_GE(beyond, 0);
    light(onPlane, 0.0f, 1.0f, 0.0f);
    light(beyond, 0.0f, 0.0f, 1.0f);

    ASSERT_TRUE(renderFrame());

    EXPECT_TRUE(near(at(project(20, -10, -100)), 0, 255, 0));
    EXPECT_TRUE(near(at(project(0, 0, -101)), 0, 0, 0));
}

}  // namespace
