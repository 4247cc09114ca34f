// The frame loop inside a whole windowed run: how each ending condition leaves it, what is
// presented, and the exit code: the quit's, else 0 whatever message was taken last.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/entry.h"
#include "tests/app/fakePlatform.h"

namespace {

using Sequence = std::vector<std::string>;
using fakePlatform::idle;
using fakePlatform::posted;
using fakePlatform::sent;

// What happened between the start of the music and its stop.
Sequence loopPart()
{
    const Sequence& all = fakePlatform::sequence();
    const auto start = std::find(all.begin(), all.end(), "startMusic");
    const auto stop = std::find(all.begin(), all.end(), "stopMusic");
    if (start == all.end() || stop == all.end() || stop < start) return {"(no loop)"};
    return Sequence(start + 1, stop);
}

struct LoopCase {
    const char* name;
    std::vector<fakePlatform::ScriptedMessage> queue;
    int finishOnFrame;
    int failOnFrame;
    Sequence expected;
    int exitCode;
};

const uintptr_t minimised = (uintptr_t{1} << 16) | WA_ACTIVE;

const LoopCase loopCases[] = {
    {"close ends the loop without another frame",
     {idle(), sent(WM_CLOSE)}, 0, 0,
     {"renderFrame", "swapBuffers", "postQuit 0", "take quit 0"}, 0},
    {"escape ends it and that frame is not presented",
     {idle(), posted(WM_KEYDOWN, 27)}, 0, 0,
     {"renderFrame", "swapBuffers", "take 0x100 27", "renderFrame"}, 0},
    {"finished is tested after the frame that set it is presented",
     {}, 3, 0,
     {"renderFrame", "swapBuffers", "renderFrame", "swapBuffers", "renderFrame", "swapBuffers"}, 0},
    {"a failing renderFrame ends it before presenting",
     {}, 0, 2,
     {"renderFrame", "swapBuffers", "renderFrame"}, 0},
    {"pending messages are drained before the next frame; their keys never become the exit code",
     {posted(WM_KEYDOWN, 'A'), posted(WM_KEYUP, 'A'), posted(WM_KEYDOWN, ' ')}, 1, 0,
     {"take 0x100 65", "take 0x101 65", "take 0x100 32", "renderFrame", "swapBuffers"}, 0},
    {"minimised: no frames, but swaps and the finished test go on",
     {sent(WM_ACTIVATE, minimised), idle(), idle(), sent(WM_ACTIVATE, WA_ACTIVE)}, 1, 0,
     {"swapBuffers", "swapBuffers", "renderFrame", "swapBuffers"}, 0},
    {"minimised: escape is still tested",
     {sent(WM_ACTIVATE, minimised), idle(), posted(WM_KEYDOWN, 27)}, 0, 0,
     {"swapBuffers", "take 0x100 27"}, 0},
    {"quit wins over escape held down",
     {posted(WM_KEYDOWN, 27), sent(WM_CLOSE)}, 0, 0,
     {"take 0x100 27", "postQuit 0", "take quit 0"}, 0},
    {"a key released before the idle point does not end it",
     {posted(WM_KEYDOWN, 27), posted(WM_KEYUP, 27)}, 1, 0,
     {"take 0x100 27", "take 0x101 27", "renderFrame", "swapBuffers"}, 0},
};

TEST(FrameLoop, EndingConditionsInOrder)
{
    for (const LoopCase& loop : loopCases) {
        SCOPED_TRACE(loop.name);
        fakePlatform::reset();
        fakePlatform::script.queue.assign(loop.queue.begin(), loop.queue.end());
        fakePlatform::script.finishOnFrame = loop.finishOnFrame;
        fakePlatform::script.failOnFrame = loop.failOnFrame;
        EXPECT_EQ(runDemo(), loop.exitCode);
        EXPECT_EQ(loopPart(), loop.expected);
    }
}

TEST(FrameLoop, FailedMusicSkipsTheLoopSilentlyButStillStopsAndCloses)
{
    fakePlatform::reset();
    fakePlatform::script.failing = {"startMusic"};
    testing::internal::CaptureStderr();
    EXPECT_EQ(runDemo(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const Sequence& all = fakePlatform::sequence();
    EXPECT_EQ(Sequence(all.end() - 7, all.end()),
              Sequence({"startMusic", "stopMusic", "detachContext", "deleteContext", "releaseDevice",
                        "destroyWindow", "unregisterClass"}));
    EXPECT_EQ(fakePlatform::framesRendered(), 0);
}

}  // namespace
