// The heard-position estimate the sync thread delivers by.
#include "player/heardClock.h"

#include <gtest/gtest.h>

TEST(HeardClock, RunsFromTheOriginLessTheLatencyNeverPastWhatWasHandedAcrossTheWrap)
{
    constexpr int64_t b = deviceBufferFrames, l = heardLatencyFrames;
    const struct {
        uint32_t buffers, origin, now;
        int64_t heard;
    } cases[] = {
        {0, 0, 500000, 0},                                  // nothing handed yet
        {1, 1000, 1000, -l},                                // at the origin: the latency is still ahead
        {1, 1000, 1000 + 23200, 1023 - l},                  // 23,200 us = 1,023.1 frames
        {3, 5000, 5000 + 100000, 3 * b},                    // a stalled device: capped at what was handed
        {7, 0xFFFFFF00u, 0xFFFFFF00u + 100000u, 4410 - l},  // across the microsecond wrap
        // Buffer 3 handed on time at 100,000 us is heard from its own start one latency later.
        {3, impliedOrigin(3, 100000, 44100), 100000 + 23240, 2 * b},
    };
    for (const auto& c : cases)
        EXPECT_EQ(heardFrames(handedWord(c.buffers, c.origin), c.now, 44100), c.heard) << c.buffers << " buffers from " << c.origin << ", now " << c.now;
    EXPECT_EQ(impliedOrigin(1, 5000, 44100), 5000u);
    EXPECT_EQ(impliedOrigin(3, 100, 44100), 100u - 46439u) << "two buffers of 23,219.9 us; wraps, never negative";
}
