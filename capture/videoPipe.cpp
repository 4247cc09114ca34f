#include "capture/videoPipe.h"

#include <cerrno>
#include <cstring>

#include "os/os.h"

namespace {

ProgramId encoder = noProgram;
FILE* encoderPipe = nullptr;

bool waitFfmpeg(ProgramId child, const char* what, std::string& error)
{
    int status = 0;
    std::string reason;
    if (!waitProgram(child, status, reason)) {
        error = std::string(what) + ": " + reason;
        return false;
    }
    if (status == 0) return true;
    error = std::string(what) + " failed (ffmpeg exit status " + std::to_string(status) + ")";
    return false;
}

}  // namespace

bool ffmpegAvailable() { return programOnPath("ffmpeg"); }

FILE* openVideoPipe(const std::string& videoOnlyPath, const CaptureOptions& options, std::string& error)
{
    const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
    const std::string rate = std::to_string(options.fpsNumerator) + "/" + std::to_string(options.fpsDenominator);
    const std::string crf = std::to_string(options.crf);
    const char* args[] = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                          "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size.c_str(),
                          "-framerate", rate.c_str(), "-i", "pipe:0",
                          "-c:v", "libx264", "-preset", options.preset.c_str(), "-crf", crf.c_str(), "-pix_fmt", "yuv420p",
                          videoOnlyPath.c_str(), nullptr};
    encoder = startProgram(args, &encoderPipe, error);
    return encoder == noProgram ? nullptr : encoderPipe;
}

bool closeVideoPipe(std::string& error)
{
    if (encoder == noProgram) return true;
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
    encoder = noProgram;
    return ok;
}

bool muxVideo(const std::string& videoOnlyPath, const std::string& wavPath, const std::string& outputPath,
              std::string& error)
{
    const char* args[] = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-nostdin",
                          "-i", videoOnlyPath.c_str(), "-i", wavPath.c_str(),
                          "-map", "0:v", "-map", "1:a", "-c:v", "copy", "-c:a", "flac",
                          outputPath.c_str(), nullptr};
    const ProgramId child = startProgram(args, nullptr, error);
    return child != noProgram && waitFfmpeg(child, "muxing the video", error);
}
