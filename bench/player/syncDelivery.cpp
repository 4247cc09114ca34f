// How well syncs keep time over a whole song played through SDL's disk driver (its output file
// is a FIFO this program reads, timestamping each buffer as it arrives).
//
//   sync-delivery-bench [module.xm]
//
// For every row start, note-on and the end: error = fired time − heard time, where a sample is
// heard one buffer of latency after the buffer holding it was handed to the device, plus its
// place in that buffer. The disk driver writes through stdio, so one write reaching the FIFO
// holds several of our buffers: the last was handed when the write arrived, each one before it
// a buffer duration earlier. Also the CPU time of the audio and sync threads as a share of one core.
#include "player/heardClock.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/diskDevice.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <dirent.h>
#include <fstream>

namespace {

using Clock = std::chrono::steady_clock;

// One position sync, one per instrument and the end fill the player's table of 128.
constexpr uint32_t lastInstrument = 126;
constexpr int maxFired = 1 << 18;
Clock::time_point firedAt[maxFired];
std::atomic<int> firedCount{0};
std::atomic<bool> ended{false};
void onSync(uint32_t, uint32_t, uint32_t end)
{
    const int i = firedCount.load(std::memory_order_relaxed);
    if (i < maxFired) firedAt[i] = Clock::now();
    firedCount.store(i + 1, std::memory_order_relaxed);
    if (end) ended.store(true, std::memory_order_relaxed);
}

// CPU seconds of this process's threads whose name starts with `prefix`.
double threadCpuSeconds(const std::string& prefix)
{
    double seconds = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return 0;
    while (dirent* entry = readdir(tasks)) {
        const std::string dir = std::string("/proc/self/task/") + entry->d_name;
        std::string name;
        std::getline(std::ifstream(dir + "/comm"), name);
        if (name.rfind(prefix, 0) != 0) continue;
        std::string stat;
        std::getline(std::ifstream(dir + "/stat"), stat);
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        unsigned long long values[13] = {};
        // Fields after the name: state, then 10 numbers, then utime and stime.
        std::sscanf(stat.c_str() + close + 2, "%*c %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu", &values[0],
                    &values[1], &values[2], &values[3], &values[4], &values[5], &values[6], &values[7], &values[8],
                    &values[9], &values[10], &values[11]);
        seconds += static_cast<double>(values[10] + values[11]) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    closedir(tasks);
    return seconds;
}

double percentile(const std::vector<double>& sorted, double p)
{
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(p * static_cast<double>(sorted.size())))];
}

}  // namespace

int main(int argc, char** argv)
{
    std::string module = argc > 1 ? argv[1] : std::string(STROBARIUM_BINARY_DIR) + "/Data/sonavel3.xm";
    if (argc <= 1 && access(module.c_str(), R_OK) != 0) module = "/usr/share/games/bomberclone/music/mario_is_a_weenie.xm";
    const TempDir scratch("sync-delivery-bench");
    DiskDevice device(scratch.path());
    device.samples.reserve(std::size_t{1} << 26);
    device.writes.reserve(1 << 20);
    std::string why;
    if (!playerOpenDevice(0, 44100, why) || !playerLoadFile(module.c_str(), 0, 0, why)) {
        device.finish();
        return 1;
    }
    playerSetSync(SyncType::position, 0xFFFFFFFF, onSync, 0);
    for (uint32_t instrument = 1; instrument <= lastInstrument; ++instrument) playerSetSync(SyncType::instrument, 0xFFFF0000u | instrument, onSync, 0);
    playerSetSync(SyncType::end, 0, onSync, 1);
    const std::vector<TimelineEvent> timeline(timelineEvents(), timelineEvents() + timelineEventCount());
    std::printf("module %s: %zu events, %.1f s\n", module.c_str(), timeline.size(), timeline.back().sample / 44100.0);

    const auto start = Clock::now();
    playerPlay();
    // The sync thread ends with the end sync, so its share is read while it still runs.
    double syncCpu = 0;
    while (!ended.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        syncCpu = std::max(syncCpu, threadCpuSeconds("player sync"));
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double audioCpu = threadCpuSeconds("SDLAudio");
    playerFree();
    device.finish();

    // The device got silence while paused, then our stream: it starts as many frames before
    // the first sound as libxmp's own rendering has before its first sound.
    const std::vector<int16_t> reference = libxmpRender(readFileBytes(module), 10 * 44100);
    const auto firstSound = [](const std::vector<int16_t>& samples) {
        return uint64_t(std::find_if(samples.begin(), samples.end(), [](int16_t v) { return v != 0; }) - samples.begin()) / 2;
    };
    const uint64_t base = firstSound(device.samples) - firstSound(reference);

    std::vector<double> errors;
    for (std::size_t i = 0; i < timeline.size() && errors.size() < static_cast<std::size_t>(firedCount.load()); ++i) {
        if (timeline[i].kind == TimelineKind::noteOn && timeline[i].instrument > lastInstrument) continue;
        const uint64_t frame = base + timeline[i].sample;
        if (device.writes.empty() || device.writes.back().endFrame <= frame) break;
        const double handedAt = std::chrono::duration<double>(device.handed(frame, deviceBufferFrames) - start).count();
        const double heard =
            handedAt + static_cast<double>(heardLatencyFrames + timeline[i].sample % deviceBufferFrames) / 44100.0;
        const double fired = std::chrono::duration<double>(firedAt[errors.size()] - start).count();
        errors.push_back((fired - heard) * 1000.0);
    }
    std::sort(errors.begin(), errors.end());
    double sum = 0;
    for (double e : errors) sum += e;
    const double buffer = deviceBufferFrames * 1000.0 / 44100.0;
    std::printf("sync delivery error (fired - heard), %zu syncs, ms: min %.2f  p50 %.2f  p90 %.2f  p99 %.2f  max %.2f  mean %.2f\n",
                errors.size(), errors.front(), percentile(errors, 0.5), percentile(errors, 0.9), percentile(errors, 0.99),
                errors.back(), sum / static_cast<double>(errors.size()));
    const auto within = std::count_if(errors.begin(), errors.end(), [&](double e) { return e >= -buffer && e <= buffer; });
    std::printf("within one device buffer (+-%.1f ms): %ld of %zu\n", buffer, static_cast<long>(within), errors.size());
    std::printf("CPU share of one core over %.1f s: audio thread %.2f %%, sync thread %.2f %% (goal: audio <= 2 %%)\n", wall,
                100.0 * audioCpu / wall, 100.0 * syncCpu / wall);
    return 0;
}
