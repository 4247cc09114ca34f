// Start-up and teardown of the display window against the scripted platform: the order of
// the steps, what each failure tears down before it tells the user, and the boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/entry.h"
#include "tests/app/fakePlatform.h"

namespace {

using Sequence = std::vector<std::string>;

const std::string startQuestion = "box Start FullScreen?: Would You Like To Run In Fullscreen Mode? [0x24]";
const std::string fallbackQuestion =
    "box Ooops..: The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead? [0x34]";

Sequence operator+(Sequence a, const Sequence& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Startup : public testing::Test {
protected:
    void SetUp() override { fakePlatform::reset(); }
};

struct FailureCase {
    const char* step;
    Sequence expected;  // after the start question, module handle and class registration
};

// Windowed (No to the start question): each failing step, then the teardown of exactly
// what exists, then the box.
const FailureCase windowedFailures[] = {
    {"createWindow",
     {"createWindow windowed", "unregisterClass", "box ERROR: Window Creation Error. [0x30]"}},
    {"getDevice",
     {"createWindow windowed", "getDevice", "destroyWindow", "unregisterClass",
      "box ERROR: Can't Create A GL Device Context. [0x30]"}},
    {"choosePixelFormat",
     {"createWindow windowed", "getDevice", "choosePixelFormat", "releaseDevice", "destroyWindow",
      "unregisterClass", "box ERROR: Can't Find A Suitable PixelFormat. [0x30]"}},
    {"setPixelFormat",
     {"createWindow windowed", "getDevice", "choosePixelFormat", "setPixelFormat 7", "releaseDevice",
      "destroyWindow", "unregisterClass", "box ERROR: Can't Set The PixelFormat. [0x30]"}},
    {"createContext",
     {"createWindow windowed", "getDevice", "choosePixelFormat", "setPixelFormat 7", "createContext",
      "releaseDevice", "destroyWindow", "unregisterClass", "box ERROR: Can't Create A GL Rendering Context. [0x30]"}},
    {"makeCurrent",
     {"createWindow windowed", "getDevice", "choosePixelFormat", "setPixelFormat 7", "createContext",
      "makeCurrent", "detachContext", "deleteContext", "releaseDevice", "destroyWindow", "unregisterClass",
      "box ERROR: Can't Activate The GL Rendering Context. [0x30]"}},
    {"initScene",
     {"createWindow windowed", "getDevice", "choosePixelFormat", "setPixelFormat 7", "createContext",
      "makeCurrent", "showWindow", "glViewport 1280x720", "initScene", "detachContext", "deleteContext",
      "releaseDevice", "destroyWindow", "unregisterClass", "box ERROR: Initialization Failed. [0x30]"}},
};

TEST_F(Startup, EveryFailingStepTearsDownWhatExistsThenTellsAndExitsZero)
{
    for (const FailureCase& failure : windowedFailures) {
        SCOPED_TRACE(failure.step);
        fakePlatform::reset();
        fakePlatform::script.failing = {failure.step};
        EXPECT_EQ(runDemo(), 0);
        // No music is started and nothing is torn down a second time.
        EXPECT_EQ(fakePlatform::sequence(),
                  Sequence({startQuestion, "moduleHandle", "registerClass"}) + failure.expected);
        EXPECT_EQ(windowHandle, nullptr);
        EXPECT_EQ(deviceContext, nullptr);
        EXPECT_EQ(renderContext, nullptr);
    }
}

TEST_F(Startup, RefusedClassRegistrationTellsWithoutTeardown)
{
    fakePlatform::script.failing = {"registerClass"};
    EXPECT_EQ(runDemo(), 0);
    EXPECT_EQ(fakePlatform::sequence(),
              Sequence({startQuestion, "moduleHandle", "registerClass",
                        "box ERROR: Failed To Register The Window Class. [0x30]"}));
}

TEST_F(Startup, WindowedRunBuildsInOrderAndTearsDownInReverse)
{
    fakePlatform::script.finishOnFrame = 1;
    EXPECT_EQ(runDemo(), 0);
    EXPECT_FALSE(fullscreen);
    EXPECT_EQ(fakePlatform::sequence(),
              Sequence({startQuestion, "moduleHandle", "registerClass", "createWindow windowed", "getDevice",
                        "choosePixelFormat", "setPixelFormat 7", "createContext", "makeCurrent", "showWindow",
                        "glViewport 1280x720", "initScene", "startMusic", "renderFrame", "swapBuffers",
                        "stopMusic", "detachContext", "deleteContext", "releaseDevice", "destroyWindow",
                        "unregisterClass"}));
}

TEST_F(Startup, WindowedStartMakesNoDisplayModeOrCursorCall)
{
    // Also when start-up fails part-way.
    for (const char* failing : {"", "createWindow", "initScene"}) {
        SCOPED_TRACE(failing);
        fakePlatform::reset();
        fakePlatform::script.failing = {failing};
        fakePlatform::script.finishOnFrame = 1;
        runDemo();
        for (const std::string& entry : fakePlatform::sequence()) {
            EXPECT_TRUE(entry != "switchDisplay" && entry != "restoreDisplay" && entry != "hideCursor" &&
                        entry != "showCursor")
                << entry;
        }
    }
}

TEST_F(Startup, FullscreenSwitchHidesCursorAndTeardownRestoresFirst)
{
    fakePlatform::script.startAnswer = IDYES;
    fakePlatform::script.finishOnFrame = 1;
    EXPECT_EQ(runDemo(), 0);
    EXPECT_TRUE(fullscreen);
    EXPECT_EQ(fakePlatform::sequence(),
              Sequence({startQuestion, "moduleHandle", "registerClass", "switchDisplay", "hideCursor",
                        "createWindow fullscreen", "getDevice", "choosePixelFormat", "setPixelFormat 7",
                        "createContext", "makeCurrent", "showWindow", "glViewport 1280x720", "initScene",
                        "startMusic", "renderFrame", "swapBuffers", "stopMusic", "restoreDisplay", "showCursor",
                        "detachContext", "deleteContext", "releaseDevice", "destroyWindow", "unregisterClass"}));
}

TEST_F(Startup, StartQuestionOnlyNoLeavesFullscreen)
{
    // Yes, a box that could not be shown (0) and a closed box (-1) all keep fullscreen.
    for (int answer : {IDYES, 0, -1}) {
        SCOPED_TRACE(answer);
        fakePlatform::reset();
        fakePlatform::script.startAnswer = answer;
        fakePlatform::script.failing = {"registerClass"};
        runDemo();
        EXPECT_TRUE(fullscreen);
    }
}

TEST_F(Startup, FailureAfterSwitchRestoresDisplayAndCursorBeforeTheBox)
{
    fakePlatform::script.startAnswer = IDYES;
    fakePlatform::script.failing = {"choosePixelFormat"};
    EXPECT_EQ(runDemo(), 0);
    EXPECT_EQ(fakePlatform::sequence(),
              Sequence({startQuestion, "moduleHandle", "registerClass", "switchDisplay", "hideCursor",
                        "createWindow fullscreen", "getDevice", "choosePixelFormat", "restoreDisplay",
                        "showCursor", "releaseDevice", "destroyWindow", "unregisterClass",
                        "box ERROR: Can't Find A Suitable PixelFormat. [0x30]"}));
}

TEST_F(Startup, RefusedSwitchAnsweredYesGoesOnInAWindowAndRestoresNothing)
{
    fakePlatform::script.startAnswer = IDYES;
    fakePlatform::script.failing = {"switchDisplay"};
    fakePlatform::script.fallbackAnswer = IDYES;
    fakePlatform::script.finishOnFrame = 1;
    EXPECT_EQ(runDemo(), 0);
    EXPECT_FALSE(fullscreen);
    EXPECT_EQ(fakePlatform::sequence(),
              Sequence({startQuestion, "moduleHandle", "registerClass", "switchDisplay", fallbackQuestion,
                        "createWindow windowed", "getDevice", "choosePixelFormat", "setPixelFormat 7",
                        "createContext", "makeCurrent", "showWindow", "glViewport 1280x720", "initScene",
                        "startMusic", "renderFrame", "swapBuffers", "stopMusic", "detachContext",
                        "deleteContext", "releaseDevice", "destroyWindow", "unregisterClass"}));
}

TEST_F(Startup, RefusedSwitchAnsweredOtherwiseClosesWithoutAWindow)
{
    for (int answer : {IDNO, 0, -1}) {
        SCOPED_TRACE(answer);
        fakePlatform::reset();
        fakePlatform::script.startAnswer = IDYES;
        fakePlatform::script.failing = {"switchDisplay"};
        fakePlatform::script.fallbackAnswer = answer;
        EXPECT_EQ(runDemo(), 0);
        // The class stays registered: nothing at all is torn down.
        EXPECT_EQ(fakePlatform::sequence(),
                  Sequence({startQuestion, "moduleHandle", "registerClass", "switchDisplay", fallbackQuestion,
                            "box ERROR: Program Will Now Close. [0x10]"}));
    }
}

struct TeardownCase {
    const char* step;
    const char* box;
};

const TeardownCase teardownFailures[] = {
    {"detachContext", "box SHUTDOWN ERROR: Release Of DC And RC Failed. [0x40]"},
    {"deleteContext", "box SHUTDOWN ERROR: Release Rendering Context Failed. [0x40]"},
    {"releaseDevice", "box SHUTDOWN ERROR: Release Device Context Failed. [0x40]"},
    {"destroyWindow", "box SHUTDOWN ERROR: Could Not Release hWnd. [0x40]"},
    {"unregisterClass", "box SHUTDOWN ERROR: Could Not Unregister Class. [0x40]"},
};

const Sequence teardownSteps = {"detachContext", "deleteContext", "releaseDevice", "destroyWindow", "unregisterClass"};

Sequence teardownOf(const Sequence& sequence)
{
    const auto start = std::find(sequence.begin(), sequence.end(), "stopMusic");
    return start == sequence.end() ? Sequence{} : Sequence(start + 1, sequence.end());
}

TEST_F(Startup, EachFailingReleaseIsShownRightAfterItAndTeardownGoesOn)
{
    for (const TeardownCase& failure : teardownFailures) {
        SCOPED_TRACE(failure.step);
        fakePlatform::reset();
        fakePlatform::script.failing = {failure.step};
        fakePlatform::script.finishOnFrame = 1;
        EXPECT_EQ(runDemo(), 0);
        Sequence expected;
        for (const std::string& step : teardownSteps) {
            expected.push_back(step);
            if (step == failure.step) expected.push_back(failure.box);
        }
        EXPECT_EQ(teardownOf(fakePlatform::sequence()), expected);
    }
}

TEST_F(Startup, EveryReleaseFailingGivesFiveBoxesInTeardownOrder)
{
    fakePlatform::script.failing = {"detachContext", "deleteContext", "releaseDevice", "destroyWindow",
                                    "unregisterClass"};
    fakePlatform::script.finishOnFrame = 1;
    runDemo();
    Sequence expected;
    for (std::size_t i = 0; i < teardownSteps.size(); ++i) {
        expected.push_back(teardownSteps[i]);
        expected.push_back(teardownFailures[i].box);
    }
    EXPECT_EQ(teardownOf(fakePlatform::sequence()), expected);
}

TEST_F(Startup, ShutdownMessagesOfAFailedStartComeBeforeTheStartupMessage)
{
    fakePlatform::script.failing = {"initScene", "deleteContext"};
    runDemo();
    const Sequence& sequence = fakePlatform::sequence();
    const auto shutdownBox = std::find(sequence.begin(), sequence.end(),
                                       "box SHUTDOWN ERROR: Release Rendering Context Failed. [0x40]");
    const auto startupBox = std::find(sequence.begin(), sequence.end(), "box ERROR: Initialization Failed. [0x30]");
    ASSERT_NE(shutdownBox, sequence.end());
    ASSERT_NE(startupBox, sequence.end());
    EXPECT_LT(shutdownBox, startupBox);
}

TEST_F(Startup, EveryBoxButTheStartQuestionLeavesOneLineOnStderr)
{
    fakePlatform::script.startAnswer = IDYES;
    fakePlatform::script.failing = {"switchDisplay"};
    testing::internal::CaptureStderr();
    runDemo();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Ooops..: The Requested Fullscreen Mode Is Not Supported By Your Video Card. Use Windowed Mode "
              "Instead?\nERROR: Program Will Now Close.\n");

    fakePlatform::reset();
    fakePlatform::script.failing = {"createWindow", "unregisterClass"};
    testing::internal::CaptureStderr();
    runDemo();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "SHUTDOWN ERROR: Could Not Unregister Class.\nERROR: Window Creation Error.\n");
}

TEST_F(Startup, ViewportIsTheRequestedSizeAfterStartWhateverSizeMessagesSaid)
{
    // Creation reports the outer frame before any context exists; showing reports the real client.
    fakePlatform::script.sentDuringCreate = {fakePlatform::sent(WM_SIZE, 0, (759 << 16) | 1296)};
    fakePlatform::script.sentDuringShow = {fakePlatform::sent(WM_SIZE, 0, (700 << 16) | 1270)};
    fakePlatform::script.queue = {fakePlatform::idle(), fakePlatform::sent(WM_SIZE, 0, (500 << 16) | 1000)};
    fakePlatform::script.finishOnFrame = 2;
    runDemo();
    Sequence viewports;
    for (const std::string& entry : fakePlatform::sequence()) {
        if (entry.rfind("glViewport", 0) == 0 || entry == "makeCurrent" || entry == "renderFrame") {
            viewports.push_back(entry);
        }
    }
    EXPECT_EQ(viewports, Sequence({"glViewport 1296x759", "makeCurrent", "glViewport 1270x700",
                                   "glViewport 1280x720", "renderFrame", "glViewport 1000x500", "renderFrame"}));
}

}  // namespace
