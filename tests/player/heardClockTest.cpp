// The heard-position estimate the sync thread delivers by.
#include "player/heardClock.h"

#include <gtest/gtest.h>

namespace {

TEST(HeardClock, RunsWithTheClockBehindTheHandedBuffersAndNeverPastThem)
{
    constexpr int64_t b = deviceBufferFrames;
    constexpr int64_t l = heardLatencyFrames;
    struct Case {
        uint32_t buffers;
        uint32_t handedAt, now;
        int64_t heard;
    };
    const Case cases[] = {
        {0, 0, 500000, 0},                          // nothing handed yet
        {1, 1000, 1000, b - b - l},                 // first buffer just handed: nothing heard
        {1, 1000, 1000 + 23200, -l + 1023},         // almost a buffer's time later (23,200 us = 1,023.1 frames)
        {3, 5000, 5000, 2 * b - l},                 // at a hand-over: up to the buffer before, less the latency
        {3, 5000, 5000 + 10000, 2 * b - l + 441},   // 10 ms on
        {3, 5000, 5000 + 500000, 3 * b},            // a stalled device: capped at what was handed
        {3, 5000, 4000, 2 * b - l},                 // a clock read before the hand-over counts as at it
        {7, 0xFFFFFF00u, 10000u - 256u, 6 * b - l + 441},  // 10 ms on, across the microsecond wrap
    };
    for (const Case& c : cases)
        EXPECT_EQ(heardFrames(handedWord(c.buffers, c.handedAt), c.now, 44100), c.heard)
            << c.buffers << " buffers handed at " << c.handedAt << ", now " << c.now;
}

}  // namespace
