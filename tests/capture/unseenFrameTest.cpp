// runUnseenFrame, the capture's frame before --start, against renderFrame over the recording
// OpenGL: the same state after every frame of a script that makes every instrument react, fades
// the title and reaches the finish, and not one OpenGL call.
#include <vector>

#include "capture/frameHash.h"
#include "tests/scene/sceneFixture.h"
#include "tests/support/recordingGl.h"

namespace {

std::size_t glCalls = 0;
void countCall(const GlCall&) { ++glCalls; }

struct Moment {
    int32_t order, row;
    std::vector<int> hits;
};

// Song positions where the overlays decide something (cards, the fade at 2:48, a greeting row
// with none, the finish at 17:16), with hits of every reacting instrument around them.
const Moment script[] = {
    {0, 0, {}},    {1, 0, {1, 19}}, {2, 48, {}},  {2, 48, {3}},  {3, 5, {2, 1}}, {6, 0, {2}},
    {8, 0, {18}},  {9, 0, {19, 1}}, {9, 1, {}},   {10, 16, {2}}, {17, 15, {}},   {17, 16, {18}},
};

// What a frame leaves behind: the particle table, the depth, the random source, the fade, the
// finish and the hits.
std::string state()
{
    int hits = 0;
    for (const auto& hit : syncState.instrumentHit) hits += hit.load();
    return joined(frameHash(reinterpret_cast<const uint8_t*>(particles), sizeof particles), particleDepth, randomState,
                  titleFade, +syncState.finished.load(), hits);
}

// The state after each moment of the script, each frame run by `frame`.
std::vector<std::string> play(bool (*frame)())
{
    std::vector<std::string> states;
    for (const Moment& m : script) {
        syncState.order = m.order, syncState.row = m.row, syncState.lastNote18 = m.row + 3, syncState.lastNote19 = m.row + 7;
        for (const int instrument : m.hits) syncState.instrumentHit[instrument] = 1;
        frame();
        states.push_back(state());
    }
    return states;
}

class UnseenFrame : public SceneDirectory {};

TEST_F(UnseenFrame, LeavesWhatADrawnFrameLeavesAndCallsNoOpenGl)
{
    recordingGl::reset(countCall);
    ASSERT_EQ(initScene(error), 1) << error;
    const std::vector<std::string> drawn = play(renderFrame);
    EXPECT_NE(drawn[2], drawn[3]) << "the script moves the field";
    EXPECT_EQ(joined(titleFade, +syncState.finished.load()), joined(0.98f, 1));
    SetUp();
    ASSERT_EQ(initScene(error), 1) << error;
    glCalls = 0;
    EXPECT_EQ(play(runUnseenFrame), drawn);
    EXPECT_EQ(glCalls, 0u);
}

}  // namespace
