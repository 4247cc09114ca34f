#include "capture/videoPipe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <vector>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

pid_t encoder = -1;
FILE* encoderPipe = nullptr;

// Spawns ffmpeg with `args` (null-terminated, args[0] "ffmpeg"); stdin from `input` when >= 0.
pid_t spawnFfmpeg(const char* const* args, int input, std::string& error)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) {
        posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
        posix_spawn_file_actions_addclose(&actions, input);
    }
    pid_t child = -1;
    const int status = posix_spawnp(&child, "ffmpeg", &actions, nullptr, const_cast<char* const*>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (status != 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(status);
        return -1;
    }
    return child;
}

bool waitFfmpeg(pid_t child, const char* what, std::string& error)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            error = std::string(what) + ": " + std::strerror(errno);
            return false;
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    error = std::string(what) + " failed (ffmpeg exit status " +
            std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")";
    return false;
}

}  // namespace

bool ffmpegAvailable()
{
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string dirs = path;
    std::size_t begin = 0;
    while (begin <= dirs.size()) {
        std::size_t end = dirs.find(':', begin);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = (end > begin ? dirs.substr(begin, end - begin) : std::string(".")) + "/ffmpeg";
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

FILE* openVideoPipe(const std::string& videoOnlyPath, const CaptureOptions& options, std::string& error)
{
    int ends[2];
    if (pipe(ends) != 0) {
        error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return nullptr;
    }
    const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
    const std::string rate = std::to_string(options.fpsNumerator) + "/" + std::to_string(options.fpsDenominator);
    const std::string crf = std::to_string(options.crf);
    // Closed GOPs of at most half a second: every part of a split capture starts with a key
    // frame, so parts join without re-encoding, and players seek quickly.
    const std::string gop = std::to_string(std::max<uint32_t>(1, options.fpsNumerator / options.fpsDenominator / 2));
    // High profile (CABAC and the 8x8 transform on even at the fastest preset, which would
    // otherwise give Constrained Baseline); lossless needs x264's own High 4:4:4 profile.
    const char* profile = options.crf == 0 ? "high444" : "high";
    const char* args[] = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                          "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size.c_str(),
                          "-framerate", rate.c_str(), "-i", "pipe:0",
                          // Converted with the BT.709 matrix into limited range, and tagged so.
                          "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-pix_fmt", "yuv420p",
                          "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv",
                          "-c:v", "libx264", "-preset", options.preset.c_str(), "-crf", crf.c_str(),
                          "-profile:v", profile, "-x264-params", "cabac=1:8x8dct=1", "-g", gop.c_str(), "-flags", "+cgop",
                          videoOnlyPath.c_str(), nullptr};
    // The write end must not leak into the encoder, or it would never see the end of its input.
    if (fcntl(ends[1], F_SETFD, FD_CLOEXEC) != 0) {
        error = std::string("cannot set up the pipe to ffmpeg: ") + std::strerror(errno);
        close(ends[0]);
        close(ends[1]);
        return nullptr;
    }
    encoder = spawnFfmpeg(args, ends[0], error);
    close(ends[0]);
    if (encoder < 0) {
        close(ends[1]);
        return nullptr;
    }
    encoderPipe = fdopen(ends[1], "wb");
    if (!encoderPipe) {
        error = std::string("cannot open the pipe to ffmpeg: ") + std::strerror(errno);
        close(ends[1]);
        std::string ignored;
        waitFfmpeg(encoder, "encoding", ignored);
        encoder = -1;
    }
    return encoderPipe;
}

bool closeVideoPipe(std::string& error)
{
    if (encoder < 0) return true;
    bool ok = true;
    if (encoderPipe && std::fclose(encoderPipe) != 0) {
        error = std::string("writing to ffmpeg: ") + std::strerror(errno);
        ok = false;
    }
    encoderPipe = nullptr;
    std::string waitError;
    if (!waitFfmpeg(encoder, "encoding the video", waitError)) {
        if (ok) error = waitError;
        ok = false;
    }
    encoder = -1;
    return ok;
}

namespace {

bool runFfmpeg(const char* const* args, const char* what, std::string& error)
{
    const pid_t child = spawnFfmpeg(args, -1, error);
    return child >= 0 && waitFfmpeg(child, what, error);
}

}  // namespace

bool muxVideo(const std::string& video, bool videoIsList, const std::string& wavPath, const std::string& outputPath,
              std::string& error)
{
    const bool mp4 = outputPath.size() > 4 && outputPath.compare(outputPath.size() - 4, 4, ".mp4") == 0;
    // What the big video sites ask for: AAC-LC at 48 kHz and at least
    // 320 kb/s (ffmpeg's encoder stays under its target: 384k gives about 335 kb/s of the song), the
    // index at the front.
    const char* mp4Audio[] = {"-c:a", "aac", "-b:a", "384k", "-ar", "48000", "-movflags", "+faststart"};
    const char* flac[] = {"-c:a", "flac"};
    std::vector<const char*> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-nostdin"};
    if (videoIsList) args.insert(args.end(), {"-f", "concat", "-safe", "0"});
    args.insert(args.end(), {"-i", video.c_str(), "-i", wavPath.c_str(), "-map", "0:v", "-map", "1:a", "-c:v", "copy"});
    if (mp4) args.insert(args.end(), std::begin(mp4Audio), std::end(mp4Audio));
    else args.insert(args.end(), std::begin(flac), std::end(flac));
    args.push_back(outputPath.c_str());
    args.push_back(nullptr);
    return runFfmpeg(args.data(), mp4 ? "muxing the MP4 video" : "muxing the video", error);
}
