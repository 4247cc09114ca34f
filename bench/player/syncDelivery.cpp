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
#include "player/bassmod.h"
#include "player/heardClock.h"
#include "player/timeline.h"

#include <xmp.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One write of the driver (pieces arriving within a millisecond: SDL's disk driver writes
// through stdio, which passes several of our buffers on at once).
// stdio's buffer holds 4096 bytes: a write carries at most two of our buffers, so pieces that
// only arrive together because the reader was late are not taken for one write.
constexpr uint64_t maxWriteFrames = 2 * deviceBufferFrames;
struct Chunk {
    uint64_t startFrame;
    uint64_t endFrame;
    Clock::time_point at;
};
std::vector<Chunk> chunks;
std::vector<int16_t> written;

void readFifo(std::string path)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    // Large enough that one read takes whatever the driver wrote at once.
    std::vector<uint8_t> buffer(1 << 16);
    uint64_t bytes = 0;
    Clock::time_point lastPiece;
    for (ssize_t got; (got = read(fd, buffer.data(), buffer.size())) > 0;) {
        const auto at = Clock::now();
        bytes += static_cast<uint64_t>(got);
        const auto* values = reinterpret_cast<const int16_t*>(buffer.data());
        written.insert(written.end(), values, values + got / 2);
        if (!chunks.empty() && at - lastPiece < std::chrono::milliseconds(1) &&
            chunks.back().endFrame - chunks.back().startFrame < maxWriteFrames)
            chunks.back().endFrame = bytes / 4;
        else
            chunks.push_back({chunks.empty() ? 0 : chunks.back().endFrame, bytes / 4, at});
        lastPiece = at;
    }
    close(fd);
}

// One position sync, one per instrument and the end fill the player's table of 128.
constexpr DWORD lastInstrument = 126;
constexpr int maxFired = 1 << 18;
Clock::time_point firedAt[maxFired];
std::atomic<int> firedCount{0};
std::atomic<bool> ended{false};
void CALLBACK onSync(HSYNC, DWORD, DWORD)
{
    const int i = firedCount.load(std::memory_order_relaxed);
    if (i < maxFired) firedAt[i] = Clock::now();
    firedCount.store(i + 1, std::memory_order_relaxed);
}
void CALLBACK onEnd(HSYNC h, DWORD d, DWORD u)
{
    onSync(h, d, u);
    ended.store(true, std::memory_order_relaxed);
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
    const std::string fifo = "/tmp/sync-delivery-bench-" + std::to_string(getpid()) + ".fifo";
    if (mkfifo(fifo.c_str(), 0600) != 0) {
        std::perror("mkfifo");
        return 1;
    }
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);
    chunks.reserve(1 << 20);
    written.reserve(std::size_t{1} << 26);
    std::thread reader(readFifo, fifo);
    if (!BASSMOD_Init(-1, 44100, 0) || !BASSMOD_MusicLoad(0, module.c_str(), 0, 0, 0x202)) {
        unlink(fifo.c_str());
        return 1;
    }
    BASSMOD_MusicSetSync(BASS_SYNC_POS, 0xFFFFFFFF, onSync, 0);
    for (DWORD instrument = 1; instrument <= lastInstrument; ++instrument) BASSMOD_MusicSetSync(BASS_SYNC_INS, 0xFFFF0000u | instrument, onSync, 0);
    BASSMOD_MusicSetSync(BASS_SYNC_END, 0, onEnd, 0);
    const std::vector<TimelineEvent> timeline(timelineEvents(), timelineEvents() + timelineEventCount());
    std::printf("module %s: %zu events, %.1f s\n", module.c_str(), timeline.size(), timeline.back().sample / 44100.0);

    const auto start = Clock::now();
    BASSMOD_MusicPlay();
    // The sync thread ends with the end sync, so its share is read while it still runs.
    double syncCpu = 0;
    while (!ended.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        syncCpu = std::max(syncCpu, threadCpuSeconds("player sync"));
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double audioCpu = threadCpuSeconds("SDLAudio");
    BASSMOD_Free();
    reader.join();
    unlink(fifo.c_str());

    // The device got silence while paused, then our stream: it starts as many frames before
    // the first sound as libxmp's own rendering has before its first sound.
    std::size_t lead = 0;
    {
        std::ifstream file(module, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        xmp_context context = xmp_create_context();
        if (xmp_load_module_from_memory(context, bytes.data(), static_cast<long>(bytes.size())) == 0) {
            xmp_start_player(context, 44100, 0);
            bool sound = false;
            while (!sound) {
                xmp_play_frame(context);
                xmp_frame_info frame;
                xmp_get_frame_info(context, &frame);
                const auto* data = static_cast<const int16_t*>(frame.buffer);
                for (int i = 0; i < frame.buffer_size / 2 && !sound; ++i) sound = data[i] != 0;
                if (!sound) lead += static_cast<std::size_t>(frame.buffer_size) / 4;
                else
                    for (int i = 0; data[i] == 0; ++i) lead += i % 2;
            }
            xmp_end_player(context);
            xmp_release_module(context);
        }
        xmp_free_context(context);
    }
    std::size_t firstSound = 0;
    while (firstSound < written.size() && written[firstSound] == 0) ++firstSound;
    const uint64_t base = firstSound / 2 - lead;

    std::vector<double> errors;
    for (std::size_t i = 0; i < timeline.size() && errors.size() < static_cast<std::size_t>(firedCount.load()); ++i) {
        if (timeline[i].kind == TimelineKind::noteOn && timeline[i].instrument > lastInstrument) continue;
        const uint64_t frame = base + timeline[i].sample;
        auto chunk = std::upper_bound(chunks.begin(), chunks.end(), frame,
                                      [](uint64_t f, const Chunk& c) { return f < c.endFrame; });
        if (chunk == chunks.end()) break;
        // The write arrived when the last of its buffers was handed; the ones before it went
        // one buffer duration apart.
        const uint64_t bufferEnd = base + (timeline[i].sample / deviceBufferFrames + 1) * deviceBufferFrames;
        const double handedAt = std::chrono::duration<double>(chunk->at - start).count() -
                                static_cast<double>(chunk->endFrame - std::min(bufferEnd, chunk->endFrame)) / 44100.0;
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
