// Playback through SDL's disk driver into a FIFO the test reads: what reaches the "device" is
// libxmp's own rendering of the module sample for sample, and every sync fires after its sample
// was handed to the device and no later than the heard latency plus one device buffer after that.
#include "player/heardClock.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/diskDevice.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>

using Clock = std::chrono::steady_clock;

struct Fired {
    uint32_t sync, data;
    Clock::time_point at;
};
constexpr int maxFired = 4096;
Fired fired[maxFired];
std::atomic<int> firedCount{0};
std::atomic<bool> ended{false};

void record(uint32_t sync, uint32_t data, uint32_t)
{
    const int i = firedCount.load(std::memory_order_relaxed);
    if (i < maxFired) fired[i] = {sync, data, Clock::now()};
    firedCount.store(i + 1, std::memory_order_relaxed);
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
    ASSERT_TRUE(playerOpenDevice(0, 44100));
    ASSERT_TRUE(playerLoadFile(writeModule("playback.xm", featureModule()).c_str(), 0, 0));
    const uint32_t params[] = {0xFFFFFFFF, 0xFFFF0012, 0xFFFF0013, 0};
    for (uint32_t i = 0; i < 4; ++i) playerSetSync(i == 3 ? SyncType::end : i ? SyncType::instrument : SyncType::position, params[i], record, 0);
    const std::vector<TimelineEvent> timeline(timelineEvents(), timelineEvents() + timelineEventCount());
    const uint64_t endSample = timeline.back().sample;
    ASSERT_TRUE(playerPlay());
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!ended.load() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // some silence after the end
    playerFree();
    device.finish();
    ASSERT_TRUE(ended.load()) << "the end sync never fired";

    // The device got silence while paused, then our stream from a buffer boundary on.
    const std::vector<int16_t> reference = libxmpRender(encodeXm(featureModule()), endSample);
    const std::size_t lead = firstSound(reference);
    ASSERT_LT(lead, 16u) << "the song must start with a sound for the alignment";
    const std::size_t start = firstSound(device.samples) - lead;
    ASSERT_EQ(start % deviceBufferFrames, 0u);
    ASSERT_GE(device.samples.size(), 2 * (start + endSample));
    const auto heardEnd = device.samples.begin() + long(2 * (start + endSample));
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), device.samples.begin() + long(2 * start))) << "the mix";
    EXPECT_EQ(std::count(heardEnd, device.samples.end(), 0), device.samples.end() - heardEnd) << "silence after the end";

    // What fires, in timeline order (every event: each row, the notes of 18 and 19, the end); the
    // data words are the offline delivery's, checked in timelineTest.
    ASSERT_EQ(firedCount.load(), int(timeline.size()));
    const auto frames = [](uint64_t n) { return std::chrono::microseconds(n * 1000000 / 44100); };
    const auto latest = frames(heardLatencyFrames) + frames(deviceBufferFrames) + std::chrono::milliseconds(20);  // + wake-ups
    for (std::size_t i = 0; i < timeline.size(); ++i) {
        const TimelineEvent& e = timeline[i];
        SCOPED_TRACE(testing::Message() << "sync " << i << " at sample " << e.sample);
        EXPECT_EQ(fired[i].sync, e.kind == TimelineKind::position ? 1 : e.kind == TimelineKind::end ? 4 : e.instrument - 16);
        const auto handed = device.handed(start + e.sample, deviceBufferFrames);
        EXPECT_GE(fired[i].at, handed) << "fired before its sample reached the device";
        EXPECT_LE(fired[i].at, handed + latest) << "fired " << (fired[i].at - handed).count() / 1000 << " us after hand-over";
    }
}
