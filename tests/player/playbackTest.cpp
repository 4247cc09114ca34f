// Live delivery: the heard-position estimate, and playback through SDL's disk driver: the device gets
// libxmp's own mix, and no sync fires before its sample reached it (how soon after, a benchmark measures).
#include "player/heardClock.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/diskDevice.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>

TEST(HeardClock, RunsFromTheOriginLessTheLatencyNeverPastWhatWasHandedAcrossTheWrap)
{
    constexpr int64_t b = deviceBufferFrames, l = heardLatencyFrames;
    const std::tuple<uint32_t, uint32_t, uint32_t, int64_t> cases[] = {  // buffers handed, origin and now (us), frames heard
        {1, 1000, 1000 + 23200, 1023 - l},                  // 23,200 us = 1,023.1 frames, the latency still ahead
        {3, 5000, 5000 + 100000, 3 * b},                    // a stalled device: capped at what was handed
        {7, 0xFFFFFF00u, 0xFFFFFF00u + 100000u, 4410 - l},  // across the microsecond wrap
        // Buffer 3 handed on time at 100 us, its origin before the wrap, is heard from its own start
        // one latency later: 23,220 us is a frame short, two buffers being 46,439.9 us, truncated.
        {3, impliedOrigin(3, 100, 44100), 100 + 23220, 2 * b - 1},
    };
    for (const auto& [buffers, origin, now, heard] : cases)
        EXPECT_EQ(heardFrames(handedWord(buffers, origin), now, 44100), heard) << buffers << " buffers from " << origin << ", now " << now;
}

using Clock = std::chrono::steady_clock;

// Written on the sync thread, read once playerFree has joined it.
std::vector<std::pair<uint32_t, Clock::time_point>> fired;  // sync handle, when
std::atomic<bool> ended{false};

void record(uint32_t sync, uint32_t, uint32_t)
{
    fired.push_back({sync, Clock::now()});
    if (sync == 4) ended.store(true);
}

std::size_t firstSound(const std::vector<int16_t>& samples)
{
    return std::size_t(std::find_if(samples.begin(), samples.end(), [](int16_t v) { return v != 0; }) - samples.begin()) / 2;
}

TEST(Playback, TheDeviceGetsTheExactMixAndSyncsFireWhenHeard)
{
    const TempDir dir("playback");
    DiskDevice device(dir.path());
    std::string why;
    ASSERT_TRUE(playerOpenDevice(0, 44100, why)) << why;
    const std::vector<uint8_t> module = encodeXm(featureModule());
    ASSERT_TRUE(playerLoadMemory(module.data(), module.size(), why)) << why;
    const uint32_t params[] = {0xFFFFFFFF, 0xFFFF0012, 0xFFFF0013, 0};
    for (uint32_t i = 0; i < 4; ++i) playerSetSync(i == 3 ? SyncType::end : i ? SyncType::instrument : SyncType::position, params[i], record, 0);
    const std::vector<TimelineEvent> timeline(timelineEvents(), timelineEvents() + timelineEventCount());
    const uint64_t endSample = timeline.back().sample;
    ASSERT_TRUE(playerPlay());
    for (int wait = 0; !ended.load() && wait < 2000; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // some silence after the end
    playerFree();
    device.finish();
    ASSERT_TRUE(ended.load()) << "the end sync never fired";

    // The device got silence while paused, then our stream from a buffer boundary on.
    const std::vector<int16_t> reference = libxmpRender(module, endSample);
    const std::size_t start = firstSound(device.samples) - firstSound(reference);
    ASSERT_EQ(start % deviceBufferFrames, 0u);
    ASSERT_GE(device.samples.size(), 2 * (start + endSample));
    const auto heardEnd = device.samples.begin() + long(2 * (start + endSample));
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), device.samples.begin() + long(2 * start))) << "the mix";
    EXPECT_EQ(std::count(heardEnd, device.samples.end(), 0), device.samples.end() - heardEnd) << "silence after the end";

    // Every event fires, in timeline order: each row, the notes of 18 and 19, the end.
    ASSERT_EQ(fired.size(), timeline.size());
    for (std::size_t i = 0; i < timeline.size(); ++i) {
        const TimelineEvent& e = timeline[i];
        SCOPED_TRACE(testing::Message() << "sync " << i << " at sample " << e.sample);
        EXPECT_EQ(fired[i].first, e.kind == TimelineKind::position ? 1 : e.kind == TimelineKind::end ? 4 : e.instrument - 16);
        EXPECT_GE(fired[i].second, device.handed(start + e.sample, deviceBufferFrames)) << "fired before its sample reached the device";
    }
}
