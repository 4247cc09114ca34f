// The capture's speed, and how far the batched particle pass strays from immediate mode.
//
//   build/bench/capture/capture_bench [SECONDS]
//       Captures the demo (its first SECONDS, default all of it) at 60 fps to video (PNG frames
//       without ffmpeg) as strobarium-capture does: --reference at 1280x720, the default at
//       1280x720, and the default at 1920x1080. Prints the frames per second and total time of
//       each, and the ratio of the two 1280x720 runs.
//   build/bench/capture/capture_bench --compare [SECONDS [FROM]]
//       Renders the same frames both ways (renderReferenceFrame's immediate mode, and the batched
//       pass that the demo and the capture draw with) in two processes and compares them pixel
//       by pixel, the frames from FROM seconds (default 0) to SECONDS: frames and pixels that
//       differ, and the largest difference of a channel.
//
//   build/bench/capture/capture_bench --first-frame SECONDS [PROGRAM...]
//       Time from launch to the end of a capture of the one frame at SECONDS (default 120) into
//       PNG, for the built strobarium-capture and for each PROGRAM given (an older build, to
//       compare with), and the ratio of each to the built one.
//   build/bench/capture/capture_bench --jobs [SECONDS]
//       The demo (its first SECONDS, default all of it) at 1280x720, 60 fps, to video, run by
//       strobarium-capture with --jobs 1 and then with --jobs 2: the wall time of each and the
//       ratio.
//
// Runs from the build folder's Data/ (the real demo data). Every run is a child process of its
// own, since the scene is process-wide state that starts once. Whole-demo runs take long on
// llvmpipe: run it alone, in the background.
#include <GL/gl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture.h"
#include "capture/videoPipe.h"
#include "player/offline.h"
#include "scene/frame.h"
#include "os/offscreenContext.h"
#include "scene/projection.h"
#include "sync/music.h"
#include "sync/syncState.h"

namespace {

constexpr uint32_t fps = 60;

// One capture as the program makes it; its statistics through `out`.
void timedCapture(bool reference, int width, int height, double seconds, int out)
{
    CaptureOptions options;
    options.outputDir = (std::filesystem::temp_directory_path() / ("capture-bench-" + std::to_string(getpid()))).string();
    options.reference = reference;
    options.width = width;
    options.height = height;
    if (seconds > 0) options.end = SongPoint{SongPoint::seconds, seconds, 0, 0};
    CaptureStats stats;
    const int status = runCapture(options, &stats);
    std::filesystem::remove_all(options.outputDir);
    if (status == 0 && write(out, &stats, sizeof stats) != sizeof stats) _exit(1);
}

// Frames rendered one way, raw BGRA, into `out`, on the capture's clock, until the demo ends.
void renderedFrames(bool reference, double seconds, int out)
{
    std::string error;
    if (!openOffscreenContext(pictureWidth, pictureHeight, error)) return;
    setProjection(pictureWidth, pictureHeight);
    if (!initScene(error) || !startMusicOffline(mixRate, nullptr, error)) {
        std::fprintf(stderr, "capture_bench: no scene or module in %s\n", std::filesystem::current_path().c_str());
        return;
    }
    static int16_t sound[mixRate * 2];
    static uint8_t pixels[pictureWidth * pictureHeight * 4];
    uint64_t played = 0;
    for (uint64_t k = 0; seconds <= 0 || double(k) < seconds * fps; ++k) {
        const uint64_t sample = frameSample(k, fps, 1);
        offlineRender(sound, uint32_t(sample - played));
        played = sample;
        offlineDeliverSyncs(sample);
        if (reference) {
            renderReferenceFrame();
        } else {
            renderFrame();
        }
        glReadPixels(0, 0, pictureWidth, pictureHeight, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
        if (write(out, pixels, sizeof pixels) != ssize_t(sizeof pixels)) break;
        if (syncState.finished.load() || sample > offlineEndSample() + mixRate) break;
    }
    stopMusic();
    closeOffscreenContext();
}

// A child that runs `work(out)` with the write end of a pipe; the read end for the parent.
template <typename Work>
int child(Work work, pid_t& pid)
{
    int ends[2];
    pid = -1;
    if (pipe(ends) != 0) return -1;
    pid = fork();
    if (pid == 0) {
        close(ends[0]);
        work(ends[1]);
        _exit(0);
    }
    close(ends[1]);
    return ends[0];
}

bool readAll(int from, uint8_t* into, size_t bytes)
{
    for (size_t got = 0; got < bytes;) {
        const ssize_t n = read(from, into + got, bytes - got);
        if (n <= 0) return false;
        got += size_t(n);
    }
    return true;
}

int compare(double seconds, double from)
{
    const uint64_t firstCompared = uint64_t(std::ceil(from * fps));
    pid_t pids[2] = {-1, -1};
    const int pipes[2] = {child([&](int out) { renderedFrames(true, seconds, out); }, pids[0]),
                         child([&](int out) { renderedFrames(false, seconds, out); }, pids[1])};
    static uint8_t frames[2][pictureWidth * pictureHeight * 4];
    uint64_t count = 0, framesDiffering = 0, pixelsDiffering = 0;
    int largest = 0;
    for (uint64_t k = 0; readAll(pipes[0], frames[0], sizeof frames[0]) && readAll(pipes[1], frames[1], sizeof frames[1]); ++k) {
        if (k < firstCompared) continue;
        uint64_t differing = 0;
        for (size_t i = 0; i < sizeof frames[0]; i += 4) {
            int most = 0;
            for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(frames[0][i + c] - frames[1][i + c]));
            differing += most > 0;
            largest = std::max(largest, most);
        }
        framesDiffering += differing > 0;
        pixelsDiffering += differing;
        if (++count % 600 == 0) {  // a long comparison shows how far it got
            std::printf("  after %" PRIu64 " frames: %" PRIu64 " differ, %" PRIu64 " pixels, largest %d\n", count,
                        framesDiffering, pixelsDiffering, largest);
            std::fflush(stdout);
        }
    }
    for (int i = 0; i < 2; ++i) {
        close(pipes[i]);
        waitpid(pids[i], nullptr, 0);
    }
    const double pixels = double(count) * pictureWidth * pictureHeight;
    std::printf("capture comparison: %" PRIu64 " frames from %.1f s at %dx%d, %u fps, immediate mode against the batched pass\n"
                "  frames that differ   %" PRIu64 " (%.2f %%)\n  pixels that differ   %" PRIu64 " (%.5f %%)\n"
                "  largest difference   %d of 255 in a channel\n",
                count, from, pictureWidth, pictureHeight, fps, framesDiffering, count ? 100.0 * framesDiffering / count : 0,
                pixelsDiffering, pixels > 0 ? 100.0 * pixelsDiffering / pixels : 0, largest);
    return count > 0 ? 0 : 1;
}

CaptureStats measure(bool reference, int width, int height, double seconds)
{
    pid_t pid = 0;
    const int from = child([&](int out) { timedCapture(reference, width, height, seconds, out); }, pid);
    CaptureStats stats;
    if (!readAll(from, reinterpret_cast<uint8_t*>(&stats), sizeof stats)) stats = CaptureStats{};
    close(from);
    waitpid(pid, nullptr, 0);
    std::printf("  %-24s %4dx%-4d %6" PRIu64 " frames in %7.1f s  %6.2f fps\n", reference ? "--reference" : "default",
                width, height, stats.frames, stats.seconds, stats.seconds > 0 ? stats.frames / stats.seconds : 0);
    std::fflush(stdout);
    return stats;
}

// Wall seconds of `program` run with `arguments` into a fresh folder; negative when it failed.
double timedRun(const std::string& program, const std::string& arguments)
{
    const std::string out = (std::filesystem::temp_directory_path() / ("capture-bench-" + std::to_string(getpid()))).string();
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(("'" + program + "' -o '" + out + "' " + arguments + " 2>/dev/null").c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(out);
    return status == 0 ? seconds : -1;
}

int firstFrame(double at, const std::vector<std::string>& others)
{
    const std::string built = std::string(STROBARIUM_BINARY_DIR) + "/strobarium-capture";
    const std::string arguments = "--png --start " + std::to_string(at) + " --end " + std::to_string(at + 0.01);
    std::printf("capture benchmark: from launch to the one frame at %.1f s written (PNG, 1280x720)\n", at);
    const double now = timedRun(built, arguments);
    std::printf("  %-40s %7.2f s\n", "this build", now);
    for (const std::string& program : others) {
        const double then = timedRun(program, arguments);
        std::printf("  %-40s %7.2f s  (%.1f x this build's)\n", program.c_str(), then, now > 0 ? then / now : 0);
    }
    return now > 0 ? 0 : 1;
}

int jobs(double seconds)
{
    const std::string built = std::string(STROBARIUM_BINARY_DIR) + "/strobarium-capture";
    const std::string arguments = seconds > 0 ? "--end " + std::to_string(seconds) : std::string();
    std::printf("capture benchmark: %s at 1280x720, %u fps, to %s, on %u cores\n", seconds > 0 ? "the demo's start" : "the whole demo",
                fps, ffmpegAvailable() ? "H.264 video" : "PNG frames (no ffmpeg)", std::thread::hardware_concurrency());
    std::fflush(stdout);
    double times[2] = {};
    for (int n = 1; n <= 2; ++n) {
        times[n - 1] = timedRun(built, arguments + " --jobs " + std::to_string(n));
        std::printf("  --jobs %d  %8.1f s\n", n, times[n - 1]);
        std::fflush(stdout);
    }
    if (times[0] > 0 && times[1] > 0) std::printf("  --jobs 2 takes %.2f of --jobs 1's time\n", times[1] / times[0]);
    return times[0] > 0 && times[1] > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::filesystem::current_path(STROBARIUM_BINARY_DIR);
    if (argc > 1 && std::strcmp(argv[1], "--first-frame") == 0)
        return firstFrame(argc > 2 ? std::atof(argv[2]) : 120, std::vector<std::string>(argv + std::min(argc, 3), argv + argc));
    if (argc > 1 && std::strcmp(argv[1], "--jobs") == 0) return jobs(argc > 2 ? std::atof(argv[2]) : 0);
    const bool comparing = argc > 1 && std::strcmp(argv[1], "--compare") == 0;
    const double seconds = argc > 1 + comparing ? std::atof(argv[1 + comparing]) : 0;
    if (comparing) return compare(seconds, argc > 3 ? std::atof(argv[3]) : 0);
    std::printf("capture benchmark: %s at %u fps, to %s\n", seconds > 0 ? "the demo's start" : "the whole demo", fps,
                ffmpegAvailable() ? "H.264 video" : "PNG frames (no ffmpeg)");
    const CaptureStats reference = measure(true, pictureWidth, pictureHeight, seconds);
    const CaptureStats batched = measure(false, pictureWidth, pictureHeight, seconds);
    if (reference.seconds > 0 && batched.seconds > 0)
        std::printf("  default is %.2f x as fast as --reference\n", reference.seconds / batched.seconds);
    measure(false, 1920, 1080, seconds);
    return reference.frames > 0 && batched.frames > 0 ? 0 : 1;
}
