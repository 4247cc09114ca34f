// Playback through SDL's disk driver, whose output file is a FIFO read by the test: what reaches
// the "device" is libxmp's own rendering of the module sample for sample, and every sync fires
// after its sample was handed to the device and no later than the chosen latency plus one
// device buffer after that.
#include "player/bassmod.h"
#include "player/heardClock.h"
#include "player/timeline.h"
#include "tests/player/synthModules.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One write of the driver: SDL's disk driver writes through stdio, which holds our buffers back
// until its own buffer is full and then passes them on in pieces; pieces arriving within a
// millisecond form one write. A write thus arrives when the last of its buffers is handed over,
// a buffer or more after the first.
// stdio's buffer holds 4096 bytes: a write carries at most two of our buffers, so pieces that
// only arrive together because the reader was late are not taken for one write.
constexpr uint64_t maxWriteFrames = 2 * deviceBufferFrames;
struct Chunk {
    uint64_t startFrame;
    uint64_t endFrame;
    Clock::time_point at;  // when its first piece arrived
};

// Everything the disk driver writes, with the time each piece arrived.
struct Device {
    std::vector<int16_t> samples;
    std::vector<Chunk> chunks;
};

void readFifo(const std::string& path, Device& device)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    // Large enough that one read takes whatever the driver wrote at once.
    std::vector<uint8_t> buffer(1 << 16);
    std::vector<uint8_t> pending;
    Clock::time_point lastPiece;
    for (;;) {
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got <= 0) break;
        const auto at = Clock::now();
        pending.insert(pending.end(), buffer.begin(), buffer.begin() + got);
        const std::size_t whole = pending.size() / 4 * 4;
        const auto* values = reinterpret_cast<const int16_t*>(pending.data());
        device.samples.insert(device.samples.end(), values, values + whole / 2);
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(whole));
        const uint64_t frames = device.samples.size() / 2;
        if (!device.chunks.empty() && at - lastPiece < std::chrono::milliseconds(1) &&
            device.chunks.back().endFrame - device.chunks.back().startFrame < maxWriteFrames)
            device.chunks.back().endFrame = frames;
        else
            device.chunks.push_back({device.chunks.empty() ? 0 : device.chunks.back().endFrame, frames, at});
        lastPiece = at;
    }
    close(fd);
}

struct Fired {
    HSYNC handle;
    DWORD data;
    Clock::time_point at;
};
constexpr int maxFired = 4096;
Fired fired[maxFired];
std::atomic<int> firedCount{0};
std::atomic<bool> ended{false};

void CALLBACK record(HSYNC handle, DWORD data, DWORD)
{
    const int i = firedCount.load(std::memory_order_relaxed);
    if (i < maxFired) fired[i] = {handle, data, Clock::now()};
    firedCount.store(i + 1, std::memory_order_relaxed);
}
void CALLBACK recordEnd(HSYNC handle, DWORD data, DWORD user)
{
    record(handle, data, user);
    ended.store(true, std::memory_order_relaxed);
}

std::vector<int16_t> libxmpRendering(const std::vector<uint8_t>& bytes, uint64_t frames)
{
    std::vector<int16_t> out;
    xmp_context context = xmp_create_context();
    if (xmp_load_module_from_memory(context, bytes.data(), static_cast<long>(bytes.size())) != 0) return out;
    xmp_start_player(context, 44100, 0);
    while (out.size() < 2 * frames) {
        xmp_play_frame(context);
        xmp_frame_info frame;
        xmp_get_frame_info(context, &frame);
        const auto* data = static_cast<const int16_t*>(frame.buffer);
        out.insert(out.end(), data, data + frame.buffer_size / 2);
    }
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
    out.resize(2 * frames);
    return out;
}

std::size_t firstSound(const std::vector<int16_t>& samples)
{
    std::size_t i = 0;
    while (i < samples.size() && samples[i] == 0) ++i;
    return i / 2;
}

TEST(Playback, DiskDriverGetsTheExactMixAndSyncsFireWhenHeard)
{
    const XmModule module = featureModule();
    const std::string modulePath = writeScratchModule("playback.xm", module);
    const std::string fifo = scratchPath("playback-" + std::to_string(getpid()) + ".fifo");
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);

    Device device;
    std::thread reader(readFifo, fifo, std::ref(device));
    ASSERT_TRUE(BASSMOD_Init(-1, 44100, 0));
    ASSERT_TRUE(BASSMOD_MusicLoad(0, modulePath.c_str(), 0, 0, 0x202));
    const HSYNC everyRow = BASSMOD_MusicSetSync(BASS_SYNC_POS, 0xFFFFFFFF, record, 0);
    const HSYNC any18 = BASSMOD_MusicSetSync(BASS_SYNC_INS, 0xFFFF0012, record, 0);
    const HSYNC any19 = BASSMOD_MusicSetSync(BASS_SYNC_INS, 0xFFFF0013, record, 0);
    const HSYNC end = BASSMOD_MusicSetSync(BASS_SYNC_END, 0, recordEnd, 0);
    const std::vector<TimelineEvent> timeline(timelineEvents(), timelineEvents() + timelineEventCount());
    const uint64_t endSample = timeline.back().sample;

    firedCount = 0;
    ended = false;
    ASSERT_TRUE(BASSMOD_MusicPlay());
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!ended.load() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // some silence after the end
    BASSMOD_Free();
    reader.join();
    unlink(fifo.c_str());
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_TRUE(ended.load()) << "the end sync never fired";

    // The device got silence while paused, then our stream from a buffer boundary on.
    const std::vector<int16_t> reference = libxmpRendering(encodeXm(module), endSample);
    const std::size_t lead = firstSound(reference);
    ASSERT_LT(lead, 16u) << "the song must start with a sound for the alignment";
    ASSERT_GE(firstSound(device.samples), lead);
    const std::size_t start = firstSound(device.samples) - lead;
    ASSERT_EQ(start % deviceBufferFrames, 0u);
    ASSERT_GE(device.samples.size(), 2 * (start + endSample));
    const std::vector<int16_t> heard(device.samples.begin() + 2 * start, device.samples.begin() + 2 * (start + endSample));
    std::size_t same = 0;
    while (same < heard.size() && heard[same] == reference[same]) ++same;
    EXPECT_EQ(same, heard.size()) << "first difference at frame " << same / 2;
    EXPECT_EQ(static_cast<std::size_t>(std::count(device.samples.begin() + 2 * (start + endSample), device.samples.end(), 0)),
              device.samples.size() - 2 * (start + endSample))
        << "silence after the end";

    // What should have fired, in order, and the sample each belongs to.
    struct Due {
        HSYNC handle;
        DWORD data;
        uint64_t sample;
    };
    std::vector<Due> due;
    for (const TimelineEvent& e : timeline) {
        if (e.kind == TimelineKind::position) due.push_back({everyRow, (DWORD{e.row} << 16) | e.order, e.sample});
        if (e.kind == TimelineKind::noteOn && e.instrument == 18) due.push_back({any18, (DWORD{e.volume} << 16) | e.note, e.sample});
        if (e.kind == TimelineKind::noteOn && e.instrument == 19) due.push_back({any19, (DWORD{e.volume} << 16) | e.note, e.sample});
        if (e.kind == TimelineKind::end) due.push_back({end, 0, e.sample});
    }
    ASSERT_EQ(firedCount.load(), static_cast<int>(due.size()));

    const auto writeOf = [&](uint64_t sample) {
        for (const Chunk& chunk : device.chunks)
            if (chunk.endFrame > start + sample) return chunk;
        return device.chunks.back();
    };
    using std::chrono::microseconds;
    const auto frames = [](uint64_t n) { return microseconds(n * 1000000 / 44100); };
    // Thread wake-ups on a busy machine.
    const auto slack = std::chrono::milliseconds(20);
    for (std::size_t i = 0; i < due.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "sync " << i << " at sample " << due[i].sample);
        EXPECT_EQ(fired[i].handle, due[i].handle);
        EXPECT_EQ(fired[i].data, due[i].data);
        // The write arrived when the last of its buffers was handed over; each buffer before it
        // in the write went one buffer duration earlier.
        const Chunk write = writeOf(due[i].sample);
        const uint64_t bufferEnd = start + (due[i].sample / deviceBufferFrames + 1) * deviceBufferFrames;
        const auto handed = write.at - frames(write.endFrame - std::min(bufferEnd, write.endFrame));
        const auto latest = frames(heardLatencyFrames) + frames(deviceBufferFrames) + slack;
        EXPECT_GE(fired[i].at, handed) << "fired before its sample reached the device";
        EXPECT_LE(fired[i].at, handed + latest)
            << "fired " << std::chrono::duration_cast<microseconds>(fired[i].at - handed).count() << " us after hand-over";
    }
}

}  // namespace
