// The overlay step's exact OpenGL call stream for every (order, row) pair the song can show,
// recorded by the recording OpenGL.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <string>
#include <vector>

#include "scene/frame.h"
#include "scene/overlays.h"
#include "scene/textures.h"
#include "sync/syncState.h"
#include "tests/support/recordingGl.h"

namespace {

// The tail of renderFrame: overlays, finish test, hits cleared.
bool renderOverlays()
{
    if (drawOverlays() && syncState.order.load() == demoEndOrder && syncState.row.load() == demoEndRow)
        syncState.finished.store(1);
    clearHits();
    return true;
}


constexpr auto relaxed = std::memory_order_relaxed;
constexpr double overlayBlend[2] = {GL_SRC_ALPHA, GL_ONE_MINUS_DST_COLOR};

// Distinct, recognisable texture names, so a wrong slot shows in the failure message.
void nameTextures()
{
    GLuint* slots[] = {&texParticle, &texTitle,  &texByline, &texDemoFor, &texEvent,
                       &texBlack,    &texGreet1, &texGreet2, &texGreet3,  &texGreet4,
                       &texGreet5,   &texGreet6, &texGreet7, &texWarning};
    GLuint name = 101;
    for (GLuint* slot : slots) *slot = name++;
}

class Stream {
public:
    Stream& call(GlFunc func, std::initializer_list<double> args)
    {
        GlCall c{func, {}};
        int i = 0;
        for (double a : args) c.arg[i++] = a;
        calls.push_back(c);
        return *this;
    }
    Stream& color(float r, float g, float b, float a) { return call(GlFunc::Color4f, {r, g, b, a}); }
    Stream& blend(double s, double d) { return call(GlFunc::BlendFunc, {s, d}); }
    Stream& quad(GLuint texture, float right, float left, float top, float bottom, float z)
    {
        call(GlFunc::BindTexture, {GL_TEXTURE_2D, static_cast<double>(texture)});
        call(GlFunc::Begin, {GL_TRIANGLE_STRIP});
        call(GlFunc::TexCoord2d, {1, 1}).call(GlFunc::Vertex3f, {right, top, z});
        call(GlFunc::TexCoord2d, {0, 1}).call(GlFunc::Vertex3f, {left, top, z});
        call(GlFunc::TexCoord2d, {1, 0}).call(GlFunc::Vertex3f, {right, bottom, z});
        call(GlFunc::TexCoord2d, {0, 0}).call(GlFunc::Vertex3f, {left, bottom, z});
        return call(GlFunc::End, {});
    }
    // What every frame starts the step with: opaque white, and the far plane clamped.
    Stream& start() { return color(1, 1, 1, 1).blend(GL_ONE, GL_ZERO).call(GlFunc::Enable, {GL_DEPTH_CLAMP}); }
    Stream& finish() { return call(GlFunc::Disable, {GL_DEPTH_CLAMP}); }

    std::vector<GlCall> calls;
};

std::string describeAll(const std::vector<GlCall>& calls)
{
    std::string text;
    for (const GlCall& c : calls) text += "  " + recordingGl::describe(c) + "\n";
    return text;
}

bool sameCall(const GlCall& a, const GlCall& b)
{
    if (a.func != b.func) return false;
    for (int i = 0; i < 9; ++i)
        if (a.arg[i] != b.arg[i]) return false;
    return true;
}

void expectStream(const Stream& expected)
{
    const std::vector<GlCall>& actual = recordingGl::calls();
    bool same = actual.size() == expected.calls.size();
    for (std::size_t i = 0; same && i < actual.size(); ++i) same = sameCall(actual[i], expected.calls[i]);
    EXPECT_TRUE(same) << "expected:\n" << describeAll(expected.calls) << "actual:\n" << describeAll(actual);
}

class OverlayStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        recordingGl::reset(recordingGl::Mode::Record);
        resetSyncState();
        titleFade = 1.0f;
        nameTextures();
    }
    void TearDown() override { recordingGl::reset(recordingGl::Mode::Record); }

    // One frame's overlay step at (order, row) with every hit flag raised beforehand.
    void frameAt(int32_t order, int32_t row)
    {
        syncState.order.store(order, relaxed);
        syncState.row.store(row, relaxed);
        for (auto& hit : syncState.instrumentHit) hit.store(1, relaxed);
        recordingGl::reset(recordingGl::Mode::Record);
        ASSERT_TRUE(renderOverlays());
        for (int i = 0; i < instrumentHitCount; ++i)
            EXPECT_EQ(syncState.instrumentHit[i].load(relaxed), 0) << "hit " << i << " after (" << order << ", " << row << ")";
    }
};

TEST_F(OverlayStream, PositionsWithoutOverlayDrawNothingAndDoNotFinish)
{
    const int32_t pairs[][2] = {{-1, -1}, {0, -1}, {4, 63}, {8, 3}, {11, 48}, {16, 48}, {17, 48}, {17, 15},
                                {18, 16}, {16, 16}, {-1, 16}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(testing::Message() << "(" << pair[0] << ", " << pair[1] << ")");
        frameAt(pair[0], pair[1]);
        expectStream(Stream().start().finish());
        EXPECT_EQ(syncState.finished.load(relaxed), 0);
    }
}

TEST_F(OverlayStream, OrderSeventeenRowSixteenFinishesTheDemo)
{
    frameAt(17, 16);
    expectStream(Stream().start().finish());
    EXPECT_EQ(syncState.finished.load(relaxed), 1);
    // Never cleared again, whatever follows.
    frameAt(17, 48);
    EXPECT_EQ(syncState.finished.load(relaxed), 1);
}

TEST_F(OverlayStream, TitleWithEachSecondCard)
{
    struct Case {
        int32_t order, row;
        GLuint* card;
    };
    const Case cases[] = {{1, 0, &texByline}, {2, 0, &texDemoFor}, {2, 32, &texEvent}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.order << ", " << c.row << ")");
        frameAt(c.order, c.row);
        expectStream(Stream()
                         .start()
                         .color(1, 1, 1, 1)
                         .quad(texTitle, 56, -56, 12, -6, -100)
                         .quad(*c.card, 56, -56, -6.3f, -14.3f, -100)
                         .finish());
        EXPECT_EQ(titleFade, 1.0f);
    }
}

TEST_F(OverlayStream, RowsWithoutSecondCardDrawTheTitleOnly)
{
    const int32_t pairs[][2] = {{1, -1}, {1, 16}, {2, -1}, {2, 16}, {2, 47}, {1, 48}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(testing::Message() << "(" << pair[0] << ", " << pair[1] << ")");
        frameAt(pair[0], pair[1]);
        expectStream(Stream().start().color(1, 1, 1, 1).quad(texTitle, 56, -56, 12, -6, -100).finish());
        EXPECT_EQ(titleFade, 1.0f);
    }
}

TEST_F(OverlayStream, TitleFadesWithOverlayBlendAtOrderTwoRowFortyEight)
{
    float expectedColour = 1.0f;
    for (int frame = 1; frame <= 101; ++frame) {
        SCOPED_TRACE(testing::Message() << "frame " << frame);
        frameAt(2, 48);
        // Both quads in the value from before this frame's decrement.
        expectStream(Stream()
                         .start()
                         .blend(overlayBlend[0], overlayBlend[1])
                         .color(expectedColour, expectedColour, expectedColour, expectedColour)
                         .quad(texTitle, 56, -56, 12, -6, -100)
                         .quad(texEvent, 56, -56, -6.3f, -14.3f, -100)
                         .finish());
        expectedColour = titleFade;
        if (frame == 1) {
            EXPECT_EQ(titleFade, 0.99f);
        }
        EXPECT_NEAR(titleFade, 1.0 - 0.01 * frame, 1e-5);
        if (frame == 100) {
            EXPECT_GT(titleFade, 0.0f);
            EXPECT_NEAR(titleFade, 6.7e-7, 1e-7);
        }
        if (HasFailure()) return;
    }
    EXPECT_NEAR(titleFade, -0.0099993, 1e-7);
    // The negative value goes to glColor4f as it is.
    frameAt(2, 48);
    EXPECT_NEAR(recordingGl::calls()[4].arg[0], -0.0099993, 1e-7);
}

TEST_F(OverlayStream, WarningCardStepsBackAndFadesOverEachGroupOfFourRows)
{
    struct Case {
        int32_t row;
        float z, alpha;
    };
    const Case cases[] = {{0, -28, 1.0f},  {1, -46, 0.75f}, {2, -64, 0.5f}, {3, -82, 0.25f},
                          {4, -28, 1.0f},  {5, -46, 0.75f}, {8, -28, 1.0f}, {63, -82, 0.25f},
                          {-1, -10, 1.25f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(3, " << c.row << ")");
        frameAt(3, c.row);
        expectStream(Stream()
                         .start()
                         .color(1, 1, 1, c.alpha)
                         .blend(overlayBlend[0], overlayBlend[1])
                         .quad(texWarning, 10, -10, 12, -12, c.z)
                         .finish());
    }
}

TEST_F(OverlayStream, GreetingsOverTheBackdrop)
{
    struct Case {
        int32_t order, row;
        GLuint* texture;
        float halfWidth;
    };
    const Case cases[] = {{9, 0, &texGreet1, 18},  {9, 16, &texGreet2, 7},  {9, 32, &texGreet3, 44},
                          {9, 48, &texGreet4, 19}, {10, 0, &texGreet5, 24}, {10, 16, &texGreet6, 15},
                          {10, 32, &texGreet7, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.order << ", " << c.row << ")");
        frameAt(c.order, c.row);
        expectStream(Stream()
                         .start()
                         .blend(overlayBlend[0], overlayBlend[1])
                         .quad(texBlack, 100, -100, 53, -52, -100)
                         .quad(*c.texture, c.halfWidth, -c.halfWidth, 5, -5, -100)
                         .finish());
    }
}

TEST_F(OverlayStream, BlankGreetingRowsDrawNotEvenTheBackdrop)
{
    const int32_t pairs[][2] = {{9, 8}, {9, 24}, {9, 40}, {9, 56}, {10, 8}, {10, 24}, {10, 48}, {9, -1}, {10, 40}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(testing::Message() << "(" << pair[0] << ", " << pair[1] << ")");
        frameAt(pair[0], pair[1]);
        expectStream(Stream().start().finish());
    }
}

// A callback may move the song on while the step runs; each test reads the position anew.
void moveToOrderTwoAfterTheTitle(const GlCall& call)
{
    if (call.func == GlFunc::End && syncState.order.load(relaxed) == 1) {
        syncState.order.store(2, relaxed);
        syncState.row.store(0, relaxed);
    }
}

void moveToTheEndAfterTheFirstQuad(const GlCall& call)
{
    if (call.func == GlFunc::End) {
        syncState.order.store(17, relaxed);
        syncState.row.store(16, relaxed);
    }
}

TEST_F(OverlayStream, PositionChangedMidStepIsSeenByTheNextTest)
{
    syncState.order.store(1, relaxed);
    syncState.row.store(0, relaxed);
    recordingGl::reset(recordingGl::Mode::Record);
    recordingGl::setCallHook(moveToOrderTwoAfterTheTitle);
    renderOverlays();
    expectStream(Stream()
                     .start()
                     .color(1, 1, 1, 1)
                     .quad(texTitle, 56, -56, 12, -6, -100)
                     .quad(texDemoFor, 56, -56, -6.3f, -14.3f, -100)
                     .finish());
}

TEST_F(OverlayStream, EarlyEndSkipsTheFinishTestButOtherPathsReadItFresh)
{
    // The title's row has no card once the position moved to (17, 16): an early end.
    syncState.order.store(1, relaxed);
    syncState.row.store(0, relaxed);
    recordingGl::reset(recordingGl::Mode::Record);
    recordingGl::setCallHook(moveToTheEndAfterTheFirstQuad);
    renderOverlays();
    EXPECT_EQ(syncState.finished.load(relaxed), 0);

    // The warning card has no early end, so the finish test sees the new position.
    resetSyncState();
    syncState.order.store(3, relaxed);
    syncState.row.store(0, relaxed);
    recordingGl::reset(recordingGl::Mode::Record);
    recordingGl::setCallHook(moveToTheEndAfterTheFirstQuad);
    renderOverlays();
    EXPECT_EQ(syncState.finished.load(relaxed), 1);
}

}  // namespace
