// How long loading a module takes (reading, the dry run that builds the timeline, starting the
// mix), for the generated song and for hostile modules that make the dry run as long as it can
// be: every channel playing on every row, never repeating, at the slowest or fastest tempo.
//
//   load-time-bench [module...]
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace {

// `orders` orders of distinct 256-row patterns, with a note on every channel of every row or none.
XmModule endless(int channels, int speed, int bpm, int orders, bool notes = true)
{
    XmModule m;
    m.channels = channels;
    m.speed = speed;
    m.bpm = bpm;
    XmInstrument square;
    square.samples.resize(1);
    for (int i = 0; i < 32; ++i) square.samples[0].data.push_back(i < 16 ? 60 : -60);
    square.samples[0].loop = XmLoop::forward;
    square.samples[0].loopLength = 32;
    m.instruments.assign(4, square);
    for (int p = 0; p < orders; ++p) {
        m.orders.push_back(uint8_t(p));
        m.patterns.push_back(blankXmPattern(256, channels));
        for (int r = 0; r < 256 && notes; ++r)
            for (int c = 0; c < channels; ++c) m.patterns.back().cells[std::size_t(r)][std::size_t(c)] = {xmNote(2 + c % 5, (r + c) % 12), uint8_t(1 + c % 4), 0, 0, 0};
    }
    return m;
}

// Writes the module into this process's scratch folder; its path, or empty when refused.
std::string writeModule(const std::string& name, const XmModule& module)
{
    static const TempDir scratch("modules");
    return writeXm(scratch / name, module) ? scratch / name : std::string();
}

void measure(const char* what, const std::string& path)
{
    const auto start = std::chrono::steady_clock::now();
    std::string why;
    const bool loaded = playerLoadFile(path.c_str(), 0, 0, why);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-44s %s in %6.2f s: %7d events, %7.1f s of music; peak RSS %ld MiB\n", what, loaded ? "loaded" : "refused", seconds,
                timelineEventCount(), offlineEndSample() / 44100.0, usage.ru_maxrss / 1024);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string why;
    playerOpenOffline(44100, why);
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) measure(argv[i], argv[i]);
        return 0;
    }
    measure("generated song", STROBARIUM_BINARY_DIR "/Data/sonavel3.xm");
    measure("32 channels, speed 31 at 32 BPM, 255 orders", writeModule("slow.xm", endless(32, 31, 32, 255)));
    measure("32 channels, speed 1 at 255 BPM, 255 orders", writeModule("fast.xm", endless(32, 1, 255, 255)));
    measure("2 channels, speed 31 at 32 BPM, 255 orders", writeModule("sparse.xm", endless(2, 31, 32, 255)));
    measure("32 silent channels, speed 31 at 255 BPM, 255 orders", writeModule("ticks.xm", endless(32, 31, 255, 255, false)));
    playerFree();
    return 0;
}
