// The overlays' script, through the real renderFrame with every particle switched off so that
// what follows the frame start is the overlays' own: what is drawn where, in which colour and
// blend, the early ends, the finish test, the title's fade, a position that moves mid-step, and
// the hits cleared on every path.
#include <GL/gl.h>

#include "tests/scene/sceneFixture.h"
#include "tests/support/recordingGl.h"

namespace {

// After the frame start and the reset to opaque white: "c" and the colour (one value when all
// four agree), the blend, and each quad as its bitmap, its top right corner and its bottom.
std::string overlaySteps()
{
    const std::vector<GlCall>& calls = recordingGl::calls();
    std::ostringstream out;
    for (std::size_t i = 4; i < calls.size(); ++i) {
        const double* a = calls[i].arg;
        const GlFunc f = calls[i].func;
        if (f == GlFunc::Color4f && a[0] == a[1] && a[0] == a[2] && a[0] == a[3]) out << " c" << a[0];
        else if (f == GlFunc::Color4f) out << " c" << a[0] << ' ' << a[1] << ' ' << a[2] << ' ' << a[3];
        if (f == GlFunc::BlendFunc && a[0] == GL_ONE && a[1] == GL_ZERO) out << " opaque";
        else if (f == GlFunc::BlendFunc) out << (a[0] == GL_SRC_ALPHA && a[1] == GL_ONE_MINUS_DST_COLOR ? " overlay" : " ?");
        if (f == GlFunc::BindTexture) out << ' ' << nameInDataFolder(bitmapFiles[int(a[1]) - 1]);
        const double* t = calls[i - 1].arg;  // the corner's texture coordinate
        if (f == GlFunc::Vertex3f && t[0] == 1 && t[1] == 1) out << ' ' << a[0] << ' ' << a[1] << ' ' << a[2];
        if (f == GlFunc::Vertex3f && t[0] == 1 && t[1] == 0) out << ' ' << a[1];
    }
    return out.str();
}

class Overlays : public SceneDirectory {
protected:
    void SetUp() override
    {
        SceneDirectory::SetUp();
        ASSERT_TRUE(writeTestData(dir.path()));
        ASSERT_EQ(initScene(), 1);
        for (Particle& p : particles) p.active = 0;
    }
    // One frame at (order, row) with every hit raised; false when any is left raised.
    static bool frameAt(int32_t order, int32_t row)
    {
        syncState.order = order;
        syncState.row = row;
        for (auto& hit : syncState.instrumentHit) hit = 1;
        recordingGl::reset(recordingGl::Mode::Record);
        bool cleared = renderFrame();
        for (auto& hit : syncState.instrumentHit) cleared &= hit == 0;
        return cleared;
    }
};

TEST_F(Overlays, EachPositionDrawsItsScriptAndOnlyOrder17Row16Finishes)
{
    const std::string start = " c1 opaque", title = start + " c1 strobarium.bmp 56 12 -100 -6";
    const std::string backdrop = start + " overlay black.bmp 100 53 -100 -52", warning = " overlay warning.bmp 10 12 ";
    const struct {
        int32_t order, row;
        std::string steps;
    } positions[] = {
        {-1, -1, start}, {0, -1, start}, {4, 63, start}, {11, 48, start}, {17, 48, start}, {16, 16, start},
        {1, 0, title + " bykelsot.bmp 56 -6.3 -100 -14.3"}, {2, 0, title + " ademofor.bmp 56 -6.3 -100 -14.3"},
        {2, 32, title + " zentrovia.bmp 56 -6.3 -100 -14.3"}, {1, -1, title}, {1, 48, title}, {2, 16, title},
        {3, 0, start + " c1" + warning + "-28 -12"}, {3, 1, start + " c1 1 1 0.75" + warning + "-46 -12"},
        {3, 2, start + " c1 1 1 0.5" + warning + "-64 -12"}, {3, 3, start + " c1 1 1 0.25" + warning + "-82 -12"},
        {3, 5, start + " c1 1 1 0.75" + warning + "-46 -12"}, {3, -1, start + " c1 1 1 1.25" + warning + "-10 -12"},
        {9, 0, backdrop + " greetz1.bmp 18 5 -100 -5"}, {9, 16, backdrop + " greetz2.bmp 7 5 -100 -5"},
        {9, 32, backdrop + " greetz3.bmp 44 5 -100 -5"}, {9, 48, backdrop + " greetz4.bmp 19 5 -100 -5"},
        {10, 0, backdrop + " greetz5.bmp 24 5 -100 -5"}, {10, 16, backdrop + " greetz6.bmp 15 5 -100 -5"},
        {10, 32, backdrop + " greetz7.bmp 10 5 -100 -5"},
        {9, 8, start}, {9, 56, start}, {10, 40, start}, {10, 48, start}, {17, 16, start},
    };
    for (const auto& p : positions) {
        resetSyncState();
        EXPECT_TRUE(frameAt(p.order, p.row)) << p.order << ", " << p.row << ": hits left";
        EXPECT_EQ(overlaySteps(), p.steps) << p.order << ", " << p.row;
        EXPECT_EQ(syncState.finished, p.order == 17 && p.row == 16) << p.order << ", " << p.row;
    }
}

TEST_F(Overlays, TheTitleFadesInSinglePrecisionFromTheNextFrameOn)
{
    const std::string card = " strobarium.bmp 56 12 -100 -6 zentrovia.bmp 56 -6.3 -100 -14.3";
    ASSERT_TRUE(frameAt(2, 48));
    EXPECT_EQ(overlaySteps(), " c1 opaque overlay c1" + card);
    EXPECT_EQ(titleFade, 0.99f);
    for (int frame = 2; frame <= 101; ++frame) ASSERT_TRUE(frameAt(2, 48));
    EXPECT_EQ(overlaySteps(), " c1 opaque overlay c6.70552e-07" + card) << "not 0, as in exact arithmetic";
    ASSERT_TRUE(frameAt(2, 48));
    EXPECT_EQ(overlaySteps(), " c1 opaque overlay c-0.00999933" + card) << "as it is: the pipeline clamps";
    EXPECT_EQ(syncState.finished, 0);
}

// A sync landing while the overlays draw: every test reads the position anew.
int32_t movedTo[2];

TEST_F(Overlays, APositionMovedMidStepIsSeenByTheNextTest)
{
    const struct {
        int32_t from[2], to[2];
        std::string steps;
        bool finished;
    } moves[] = {
        {{1, 0}, {2, 0}, " c1 opaque c1 strobarium.bmp 56 12 -100 -6 ademofor.bmp 56 -6.3 -100 -14.3", false},
        {{1, 0}, {17, 16}, " c1 opaque c1 strobarium.bmp 56 12 -100 -6", false},  // an early end: no finish test
        {{3, 0}, {17, 16}, " c1 opaque c1 overlay warning.bmp 10 12 -28 -12", true},
    };
    for (const auto& m : moves) {
        resetSyncState();
        syncState.order = m.from[0];
        syncState.row = m.from[1];
        movedTo[0] = m.to[0], movedTo[1] = m.to[1];
        recordingGl::reset(recordingGl::Mode::Record);
        recordingGl::setCallHook([](const GlCall& call) {
            if (call.func != GlFunc::End || movedTo[0] < 0) return;
            syncState.order = movedTo[0];
            syncState.row = movedTo[1];
            movedTo[0] = -1;
        });
        ASSERT_TRUE(renderFrame());
        EXPECT_EQ(joined(overlaySteps(), syncState.finished == 1), joined(m.steps, m.finished));
    }
}

}  // namespace
