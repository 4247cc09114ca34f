// The window procedure's message table and the projection it keeps in step with the window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/display.h"
#include "scene/projection.h"
#include "tests/app/fakePlatform.h"
#include "tests/support/recordingGl.h"

namespace {

using Sequence = std::vector<std::string>;

class WindowProc : public testing::Test {
protected:
    void SetUp() override
    {
        fakePlatform::reset();
        // The procedure is only ever called for our window.
        window = fakePlatform::fakeWindow();
    }
    intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam = 0)
    {
        return displayWindowProc(window, message, wParam, lParam);
    }
    PlatformWindow* window = nullptr;
};

struct ActivationCase {
    bool before;
    uintptr_t wParam;
    bool after;
};

TEST_F(WindowProc, ActivationFollowsOnlyTheMinimisedWord)
{
    const ActivationCase cases[] = {
        {true, WA_ACTIVE, true},
        {false, WA_ACTIVE, true},
        {false, WA_INACTIVE, true},         // losing activation without minimising keeps drawing
        {true, 0x00010001, false},          // minimised while the low word says active
        {true, 0x00020000, false},
        {true, 0xFFFF0002, false},
        {false, uintptr_t{1} << 32, true},  // bits above the high word are not part of it
    };
    for (const ActivationCase& c : cases) {
        SCOPED_TRACE(c.wParam);
        windowActive = c.before;
        EXPECT_EQ(send(WM_ACTIVATE, c.wParam), 0);
        EXPECT_EQ(windowActive, c.after);
    }
    EXPECT_EQ(fakePlatform::sequence(), Sequence{});
}

TEST_F(WindowProc, ScreenSaverAndMonitorPowerAreRefusedOtherSystemCommandsDefault)
{
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_EQ(fakePlatform::sequence(), Sequence{});
    // The whole value is compared: the low four bits are not masked off.
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE | 1), 0x5A5A);
    EXPECT_EQ(send(WM_SYSCOMMAND, 0xF060), 0x5A5A);  // SC_CLOSE
    EXPECT_EQ(fakePlatform::sequence(), Sequence({"defaultProc 0x112 0xf141", "defaultProc 0x112 0xf060"}));
}

TEST_F(WindowProc, CloseOnlyPostsTheQuit)
{
    EXPECT_EQ(send(WM_CLOSE, 0), 0);
    EXPECT_EQ(fakePlatform::sequence(), Sequence({"postQuit 0"}));
}

TEST_F(WindowProc, KeysAreRecordedByCodeAndNothingOutsideTheTable)
{
    EXPECT_EQ(send(WM_KEYDOWN, 27), 0);
    EXPECT_EQ(keyDown[27], 1);
    EXPECT_EQ(send(WM_KEYDOWN, 27, 0x40000001), 0);  // auto-repeat
    EXPECT_EQ(keyDown[27], 1);
    EXPECT_EQ(send(WM_KEYUP, 27), 0);
    EXPECT_EQ(keyDown[27], 0);
    EXPECT_EQ(send(WM_KEYDOWN, 0), 0);
    EXPECT_EQ(send(WM_KEYDOWN, 255), 0);
    EXPECT_EQ(keyDown[0], 1);
    EXPECT_EQ(keyDown[255], 1);

    uint8_t before[keyCount];
    std::memcpy(before, keyDown, sizeof before);
    // Under AddressSanitizer a write past the table would stop the test here.
    for (uintptr_t code : {uintptr_t{256}, uintptr_t{257}, uintptr_t{0x1000}, ~uintptr_t{0}}) {
        EXPECT_EQ(send(WM_KEYDOWN, code), 0);
        EXPECT_EQ(send(WM_KEYUP, code), 0);
    }
    EXPECT_EQ(std::memcmp(before, keyDown, sizeof before), 0);
    EXPECT_EQ(fakePlatform::sequence(), Sequence{});
}

TEST_F(WindowProc, SystemKeysAndOtherMessagesTakeTheDefaultPath)
{
    EXPECT_EQ(send(WM_SYSKEYDOWN, 0x12), 0x5A5A);
    EXPECT_EQ(send(WM_SYSKEYUP, 0x79), 0x5A5A);
    EXPECT_EQ(send(0x000F, 0), 0x5A5A);  // WM_PAINT
    EXPECT_EQ(keyDown[0x12], 0);
    EXPECT_EQ(keyDown[0x79], 0);
    EXPECT_EQ(fakePlatform::sequence(),
              Sequence({"defaultProc 0x104 0x12", "defaultProc 0x105 0x79", "defaultProc 0xf 0x0"}));
}

TEST_F(WindowProc, SizeTakesUnsignedWordsOfLParam)
{
    EXPECT_EQ(send(WM_SIZE, 0, (720 << 16) | 1280), 0);
    EXPECT_EQ(send(WM_SIZE, 1, 0), 0);  // minimised: 0 x 0
    EXPECT_EQ(send(WM_SIZE, 0, static_cast<intptr_t>(0xFFFF8000u)), 0);
    EXPECT_EQ(send(WM_SIZE, 0, static_cast<intptr_t>(0x7FFFFFFF00050003)), 0);
    EXPECT_EQ(fakePlatform::sequence(),
              Sequence({"glViewport 1280x720", "glViewport 0x1", "glViewport 32768x65535", "glViewport 3x5"}));
}

struct ProjectionCase {
    int width, height;
    int viewportHeight;
    double aspect;
};

TEST(Projection, ViewportPerspectiveAndMatricesInOrder)
{
    const ProjectionCase cases[] = {
        {1280, 720, 720, 1280.0 / 720.0},
        {1, 3, 3, 1.0 / 3.0},  // computed in double, not float
        {640, 0, 1, 640.0},    // only the height is guarded
        {0, 0, 1, 0.0},
        {0, 480, 480, 0.0},
    };
    for (const ProjectionCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        recordingGl::reset(recordingGl::Mode::Record);
        setProjection(c.width, c.height);
        const std::vector<GlCall>& calls = recordingGl::calls();
        ASSERT_EQ(calls.size(), 6u);
        const GlFunc order[] = {GlFunc::Viewport,    GlFunc::MatrixMode, GlFunc::LoadIdentity,
                                GlFunc::Perspective, GlFunc::MatrixMode, GlFunc::LoadIdentity};
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].func, order[i]) << recordingGl::describe(calls[i]);
        }
        EXPECT_EQ(calls[0].arg[0], 0);
        EXPECT_EQ(calls[0].arg[1], 0);
        EXPECT_EQ(calls[0].arg[2], c.width);
        EXPECT_EQ(calls[0].arg[3], c.viewportHeight);
        EXPECT_EQ(calls[1].arg[0], 0x1701);
        EXPECT_EQ(calls[3].arg[0], 55.0);
        EXPECT_EQ(calls[3].arg[1], c.aspect);
        EXPECT_EQ(calls[3].arg[2], 0.10000000149011612);
        EXPECT_EQ(calls[3].arg[3], 100.0);
        EXPECT_EQ(calls[4].arg[0], 0x1700);
    }
}

}  // namespace
