#include "capture/videoPipe.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "os/os.h"

namespace {

ProgramId encoder = noProgram;
FILE* encoderPipe = nullptr;
std::string encoderLog;  // where the encoder's messages go

// The cause of ffmpeg's failure from its log: a full disk said in the system's words, else
// ffmpeg's last line. A disk too full for the log itself is seen from its free space.
constexpr const char* diskFull = "No space left on device";

std::string failureIn(const std::string& logPath, int status)
{
    std::ifstream log(logPath);
    std::string last;
    for (std::string line; std::getline(log, line);) {
        if (line.find(diskFull) != std::string::npos) return diskFull;
        if (!line.empty()) last = line;
    }
    std::error_code error;
    const auto room = std::filesystem::space(std::filesystem::path(logPath).parent_path(), error);
    if (last.empty() && !error && room.available < 65536) return diskFull;
    return "ffmpeg failed (exit status " + std::to_string(status) + ")" + (last.empty() ? "" : ": " + last);
}

bool waitFfmpeg(ProgramId child, const std::string& logPath, std::string& error)
{
    int status = 0;
    std::string reason;
    if (!waitProgram(child, status, reason)) {
        error = "waiting for ffmpeg: " + reason;
        return false;
    }
    if (status != 0) error = failureIn(logPath, status);
    return status == 0;
}

}  // namespace

bool ffmpegLogExplains(const std::string& why) { return why != diskFull; }

bool ffmpegAvailable() { return programOnPath("ffmpeg"); }

FILE* openVideoPipe(const std::string& videoOnlyPath, const std::string& logPath, const CaptureOptions& options,
                    std::string& error)
{
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
    encoderLog = logPath;
    encoder = startProgram(args, &encoderPipe, logPath.c_str(), error);
    return encoder == noProgram ? nullptr : encoderPipe;
}

bool closeVideoPipe(bool stop, std::string& error)
{
    if (encoder == noProgram) return true;
    const bool closed = !encoderPipe || std::fclose(encoderPipe) == 0;
    const std::string closing = std::strerror(errno);
    encoderPipe = nullptr;
    if (stop) stopProgram(encoder);
    std::string reason;
    const bool encoded = waitFfmpeg(encoder, encoderLog, reason);
    encoder = noProgram;
    if (stop) return true;
    if (!encoded) error = reason;
    else if (!closed) error = "the pipe to ffmpeg: " + closing;
    return encoded && closed;
}

bool muxVideo(const std::string& video, bool videoIsList, const std::string& wavPath, const std::string& outputPath,
              const std::string& logPath, std::string& error)
{
    const bool mp4 = outputPath.size() > 4 && outputPath.compare(outputPath.size() - 4, 4, ".mp4") == 0;
    // What the big video sites ask for: AAC-LC at 48 kHz and at least 320 kb/s (ffmpeg's encoder
    // stays under its target: 384k gives 377 kb/s over the whole song), the index at the front.
    const char* mp4Audio[] = {"-c:a", "aac", "-b:a", "384k", "-ar", "48000", "-movflags", "+faststart"};
    const char* flac[] = {"-c:a", "flac"};
    std::vector<const char*> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-nostdin"};
    if (videoIsList) args.insert(args.end(), {"-f", "concat", "-safe", "0"});
    args.insert(args.end(), {"-i", video.c_str(), "-i", wavPath.c_str(), "-map", "0:v", "-map", "1:a", "-c:v", "copy"});
    if (mp4) args.insert(args.end(), std::begin(mp4Audio), std::end(mp4Audio));
    else args.insert(args.end(), std::begin(flac), std::end(flac));
    args.push_back(outputPath.c_str());
    args.push_back(nullptr);
    const ProgramId child = startProgram(args.data(), nullptr, logPath.c_str(), error);
    return child != noProgram && waitFfmpeg(child, logPath, error);
}
