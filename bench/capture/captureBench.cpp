// Capture throughput against the live frame rate, on the same machine, context and song.
//
//   build/bench/capture/capture_bench [FRAMES [ROUNDS]]     (default 120 frames, 2 rounds)
//
// Runs from the build folder's Data/ (the real demo data). Each measurement is a child process
// of its own, since the scene is process-wide state that starts once: "live" renders the
// frames as the demo's loop does (syncs from the offline player, renderFrame, swap); the
// capture runs strobarium-capture's own loop for the same frames, once with PNG frames and
// once through ffmpeg when it is installed. The rounds take the modes in turn, and the best
// round of each mode is printed, as the machine is shared.
#include <GL/gl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "capture/capture.h"
#include "scene/frame.h"
#include "scene/offscreenContext.h"
#include "capture/videoPipe.h"
#include "scene/projection.h"
#include "player/offline.h"
#include "scene/particles.h"
#include "scene/textures.h"
#include "sync/music.h"

namespace {

enum Mode { live, capturePng, captureVideo, modeCount };
const char* const modeNames[modeCount] = {"live (renderFrame + swap)", "capture, PNG frames", "capture, ffmpeg video"};

double liveFps(int frames)
{
    std::string error;
    if (!openOffscreenContext(captureWidth, captureHeight, error)) {
        std::fprintf(stderr, "capture_bench: %s\n", error.c_str());
        return 0;
    }
    setProjection(captureWidth, captureHeight);
    if (!initScene() || !startMusicOffline(captureRate, nullptr)) {
        std::fprintf(stderr, "capture_bench: no scene or module in %s/Data\n", std::filesystem::current_path().c_str());
        return 0;
    }
    static int16_t sound[captureRate / 10 * 2];
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < frames; ++k) {
        // The demo's audio thread mixes as it plays; here the same work is done in line.
        const uint64_t sample = frameSample(uint64_t(k), 60, 1);
        offlineRender(sound, uint32_t(sample - frameSample(uint64_t(std::max(k - 1, 0)), 60, 1)));
        offlineDeliverSyncs(sample);
        renderFrame();
        swapOffscreenContext();
    }
    glFinish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    stopMusic();
    closeOffscreenContext();
    return frames / seconds;
}

double captureFps(int frames, bool png)
{
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("capture-bench-" + std::to_string(getpid()));
    CaptureOptions options;
    options.outputDir = out.string();
    options.png = png;
    options.end.kind = SongPoint::seconds;
    options.end.secondsValue = frames / 60.0;
    CaptureStats stats;
    const int status = runCapture(options, &stats);
    std::filesystem::remove_all(out);
    return status == 0 && stats.seconds > 0 ? stats.frames / stats.seconds : 0;
}

// One measurement in a fresh process; the child sends its figure back through a pipe.
double measure(Mode mode, int frames)
{
    int ends[2];
    if (pipe(ends) != 0) return 0;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        const double fps = mode == live ? liveFps(frames) : captureFps(frames, mode == capturePng);
        const ssize_t written = write(ends[1], &fps, sizeof fps);
        _exit(written == sizeof fps ? 0 : 1);
    }
    close(ends[1]);
    double fps = 0;
    if (child < 0 || read(ends[0], &fps, sizeof fps) != sizeof fps) fps = 0;
    close(ends[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    return fps;
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 120;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    if (frames < 1 || rounds < 1) {
        std::fprintf(stderr, "usage: capture_bench [FRAMES [ROUNDS]]\n");
        return 2;
    }
    std::filesystem::current_path(STROBARIUM_BINARY_DIR);
    const int modes = ffmpegAvailable() ? modeCount : captureVideo;
    double best[modeCount] = {};
    for (int round = 0; round < rounds; ++round)
        for (int mode = 0; mode < modes; ++mode) best[mode] = std::max(best[mode], measure(Mode(mode), frames));
    std::printf("capture benchmark: %d frames at %dx%d from the song's start, 60 fps clock, best of %d rounds\n",
                frames, captureWidth, captureHeight, rounds);
    for (int mode = 0; mode < modes; ++mode) {
        std::printf("  %-28s %7.2f fps", modeNames[mode], best[mode]);
        if (mode != live && best[live] > 0) std::printf("   %.2f x live", best[mode] / best[live]);
        std::printf("\n");
    }
    return best[live] > 0 ? 0 : 1;
}
