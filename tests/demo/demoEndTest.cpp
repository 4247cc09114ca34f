// The real binary under Xvfb, playing synthetic modules: it ends by itself at order 17 row 16
// when the song gets there, and by the end of the song when it is shorter.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/demo/demoRun.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Orders of 16 fast rows: 2 ticks at 255 BPM are 19.6 ms a row, 0.31 s an order.
XmModule fastSong(int orders)
{
    XmModule module = blankModule(2, 255, 1);
    const int fast = addPattern(module, 16);
    for (int row = 0; row < 16; row += 4) addNote(module, fast, row, 1);
    module.orders.assign(static_cast<std::size_t>(orders), static_cast<uint8_t>(fast));
    return module;
}

TEST(DemoEnd, TwentyOrderSongEndsAtOrderSeventeenRowSixteen)
{
    // Order 17 slows to 2.4 s a row after row 16, so the song itself would run for minutes:
    // a run that ends within the timeout ended at (17, 16).
    XmModule module = fastSong(20);
    const int last = addPattern(module, 64);
    setSpeedAt(module, last, 17, 0, 31);
    setSpeedAt(module, last, 17, 1, 32);
    module.orders[17] = static_cast<uint8_t>(last);
    const std::string folder = makeDemoFolder(module);
    ASSERT_FALSE(folder.empty());

    const Clock::time_point start = Clock::now();
    const int status = waitDemo(startDemo(folder, 60));
    const double seconds = secondsSince(start);
    removeDemoFolder(folder);
    EXPECT_EQ(status, 0);
    // Order 17 cannot be heard before 17 orders of 0.31 s have played.
    EXPECT_GT(seconds, 5.0);
    EXPECT_LT(seconds, 60.0);
}

TEST(DemoEnd, FiveOrderSongEndsWithTheSong)
{
    const std::string folder = makeDemoFolder(fastSong(5));
    ASSERT_FALSE(folder.empty());
    const Clock::time_point start = Clock::now();
    const int status = waitDemo(startDemo(folder, 60));
    const double seconds = secondsSince(start);
    removeDemoFolder(folder);
    EXPECT_EQ(status, 0);
    EXPECT_GT(seconds, 1.5);
    EXPECT_LT(seconds, 30.0);
}

}  // namespace
