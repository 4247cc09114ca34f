#include "capture/capture.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "capture/frameSink.h"
#include "capture/outputFolder.h"
#include "capture/progress.h"
#include "capture/readback.h"
#include "capture/songPoints.h"
#include "capture/videoPipe.h"
#include "capture/wavWriter.h"
#include "common/dataFiles.h"
#include "os/offscreenContext.h"
#include "os/os.h"
#include "player/offline.h"
#include "scene/frame.h"
#include "scene/particles.h"
#include "scene/projection.h"
#include "scene/textures.h"
#include "sync/music.h"
#include "sync/syncState.h"

namespace {

char deliveredSyncs[syncTextCapacity];
std::size_t deliveredLength = 0;
bool deliveredOverflow = false;

// Told of every schedule point that fires, before the demo's own callback: notes the delivery
// for the frame log.
void logSync(int point, uint32_t data)
{
    char item[32];
    const int length = std::snprintf(item, sizeof item, "%s%d:%08" PRIx32, deliveredLength ? " " : "", point, data);
    if (!deliveredOverflow && deliveredLength + std::size_t(length) + 4 < sizeof deliveredSyncs) {
        std::memcpy(deliveredSyncs + deliveredLength, item, std::size_t(length) + 1);
        deliveredLength += std::size_t(length);
    } else if (!deliveredOverflow) {
        std::memcpy(deliveredSyncs + deliveredLength, " ...", 5);  // more than a log line holds
        deliveredLength += 4;
        deliveredOverflow = true;
    }
}

void forgetDeliveredSyncs()
{
    deliveredSyncs[0] = '\0';
    deliveredLength = 0;
    deliveredOverflow = false;
}

FrameRecord record;  // the frame being prepared

void complain(const std::string& message) { std::fprintf(stderr, "strobarium-capture: %s\n", message.c_str()); }

int16_t audioChunk[4096 * 2];

// Renders the mix up to `toSample`, into the WAV when `keep`, else only to move the player on.
bool advanceAudio(uint64_t& audioSample, uint64_t toSample, bool keep, std::string& reason)
{
    while (audioSample < toSample) {
        const uint64_t wanted = std::min<uint64_t>(toSample - audioSample, sizeof audioChunk / sizeof audioChunk[0] / 2);
        const uint32_t got = offlineRender(audioChunk, uint32_t(wanted));
        if (got != wanted) {
            reason = "the player gave no sound";
            return false;
        }
        if (keep && !appendWav(audioChunk, got, reason)) return false;
        audioSample += got;
    }
    return true;
}

bool startPlayer()
{
    // The offline output cannot fail at our constant rate: a failure is the module's.
    std::string reason;
    const bool started = startMusicOffline(mixRate, logSync, reason);
    if (!started) complain(std::string("cannot load the module \"") + moduleFile + "\": " + reason);
    else if (!reason.empty()) complain("music: " + reason);
    return started;
}

// The files being written, under their names in the partial folder.
struct Outputs {
    std::string wavPath;
    std::string logPath;
    std::string videoOnlyPath;
    std::string videoPath;
    std::string mp4Path;  // empty: no MP4 asked for
    std::string ffmpegLog;
    FILE* log = nullptr;
    FILE* video = nullptr;
    bool ffmpegExplains = false;  // ffmpeg's failure is the capture's: its log is kept
};

std::string cannotWrite(const char* name, const std::string& cause) { return "cannot write '" + finalFile(name) + "': " + cause; }

bool openOutputs(const CaptureOptions& options, Outputs& outputs, std::string& error)
{
    outputs.wavPath = pendingFile("audio.wav");
    outputs.logPath = pendingFile("frames.log");
    std::string reason;
    if (!openWav(outputs.wavPath, reason)) {
        error = cannotWrite("audio.wav", reason);
        return false;
    }
    // Binary, so that the log is the same bytes on every system.
    outputs.log = std::fopen(outputs.logPath.c_str(), "wb");
    if (!outputs.log) {
        error = cannotWrite("frames.log", std::strerror(errno));
        return false;
    }
    std::fprintf(outputs.log, "%s\n", frameLogHeading);
    FrameSinkSetup setup;
    setup.log = outputs.log;
    setup.shownFolder = finalFile("");
    if (!options.png && ffmpegAvailable()) {
        outputs.videoOnlyPath = pendingFile("video-only.mp4");  // MP4 keeps exact timestamps
        outputs.videoPath = pendingFile("video.mkv");
        if (options.mp4) outputs.mp4Path = pendingFile("video.mp4");
        outputs.ffmpegLog = pendingFile("ffmpeg.log");
        outputs.video = openVideoPipe(outputs.videoOnlyPath, outputs.ffmpegLog, options, error);
        if (!outputs.video) return false;
        setup.video = outputs.video;
    } else {
        setup.pngFolder = pendingFile("");
    }
    setup.width = options.width;
    setup.height = options.height;
    if (!startFrameSink(setup)) {
        error = "no frame sink for " + std::to_string(options.width) + "x" + std::to_string(options.height);
        return false;
    }
    return true;
}

// ffmpeg's failure, when nothing failed before it: the reason the capture gives.
void blameFfmpeg(Outputs& outputs, const char* name, const std::string& why, std::string& error)
{
    if (!error.empty()) return;
    outputs.ffmpegExplains = ffmpegLogExplains(why);
    error = cannotWrite(name, outputs.ffmpegExplains ? why + " (ffmpeg's messages are in '" + finalFile("ffmpeg.log") + "')" : why);
}

// Closes what openOutputs opened, muxing the video when everything went well so far; `error`
// keeps the first failure. A stop request or an earlier failure stops the encoder unheard,
// unless its going away was that failure.
void closeOutputs(Outputs& outputs, std::string& error)
{
    std::string reason;
    if (!finishFrameSink(reason) && error.empty()) error = reason;
    const bool encoderWent = frameSinkPipeBroke();
    if (!closeWav(reason) && error.empty()) error = cannotWrite("audio.wav", reason);
    if (outputs.log && std::fclose(outputs.log) != 0 && error.empty()) error = cannotWrite("frames.log", std::strerror(errno));
    outputs.log = nullptr;
    if (outputs.video) {
        const std::string written = encoderWent ? error : std::string();
        if (encoderWent) error.clear();  // its own failure says why
        const bool stop = stopRequested() != 0 || !error.empty();
        if (!closeVideoPipe(stop, reason)) blameFfmpeg(outputs, "video.mkv", reason, error);
        if (error.empty() && !stop) error = written;
    }
    outputs.video = nullptr;
    for (const auto& [muxed, name] : {std::pair{&outputs.videoPath, "video.mkv"}, {&outputs.mp4Path, "video.mp4"}}) {
        if (!error.empty() || stopRequested() != 0 || outputs.videoOnlyPath.empty() || muxed->empty()) continue;
        if (!muxVideo(outputs.videoOnlyPath, false, outputs.wavPath, *muxed, outputs.ffmpegLog, reason))
            blameFfmpeg(outputs, name, reason, error);
    }
    std::error_code ignored;
    if (!outputs.videoOnlyPath.empty()) std::filesystem::remove(outputs.videoOnlyPath, ignored);
}

struct Span {
    uint64_t firstFrame;
    uint64_t endFrame;     // first frame not captured, or UINT64_MAX: where the demo ends
    uint64_t expectedEnd;  // for the progress bar: where the capture will stop
};

// The Kth of N parts: an equal share of the frames that the whole stretch would write; the last
// part runs on to wherever the whole would have stopped.
int narrowToPart(const CaptureOptions& options, Span& span)
{
    const uint64_t first = span.firstFrame;
    const uint64_t total = span.expectedEnd - first;
    const uint64_t k = uint64_t(options.part);
    const uint64_t n = uint64_t(options.partCount);
    span.firstFrame = first + total * (k - 1) / n;
    if (k < n) span.endFrame = span.expectedEnd = first + total * k / n;
    if (span.firstFrame < span.expectedEnd) return exitWritten;
    complain("part " + std::to_string(k) + " of " + std::to_string(n) + " has no frames: the stretch has only " +
             counted(total, "frame"));
    return exitBadOptions;
}

int resolveSpan(const CaptureOptions& options, Span& span)
{
    uint64_t startSample = 0;
    uint64_t endSample = UINT64_MAX;
    std::string error;
    if (options.start.kind != SongPoint::unset && !songPointSample(options.start, startSample, error)) {
        complain("--start: " + error);
        return exitBadOptions;
    }
    if (options.end.kind != SongPoint::unset && !songPointSample(options.end, endSample, error)) {
        complain("--end: " + error);
        return exitBadOptions;
    }
    const uint32_t n = options.fpsNumerator;
    const uint32_t d = options.fpsDenominator;
    span.firstFrame = firstFrameAtOrAfter(startSample, n, d);
    span.endFrame = endSample == UINT64_MAX ? UINT64_MAX : firstFrameAtOrAfter(endSample, n, d);
    if (span.endFrame <= span.firstFrame) {
        complain("--end must lie after --start (no frame falls between them)");
        return exitBadOptions;
    }
    // The frame in which the demo ends: the first frame after its finishing event.
    const uint64_t finishFrame = firstFrameAtOrAfter(demoEndSample() + 1, n, d) + 1;
    span.expectedEnd = std::min(span.endFrame, finishFrame);
    if (span.firstFrame >= finishFrame) {
        complain("--start lies after the end of the demo");
        return exitBadOptions;
    }
    return options.partCount == 0 ? exitWritten : narrowToPart(options, span);
}

// Context, scene, player and the stretch to capture: the exit status, with all of it closed
// again and the reason printed when any is missing.
int start(const CaptureOptions& options, Span& span)
{
    resetSyncState();
    std::string error;
    int status = exitWritten;
    if (!openOffscreenContext(options.width, options.height, error)) {
        complain(error);
        status = exitFailed;
    } else {
        setProjection(options.width, options.height);
        if (!initScene(error)) {
            complain("cannot load the scene: " + error);
            status = exitBadData;
        } else if (!startPlayer()) {
            status = exitBadData;
        } else {
            status = resolveSpan(options, span);
            if (status != exitWritten) stopMusic();
        }
    }
    if (status != exitWritten) closeOffscreenContext();
    return status;
}

struct Run {
    uint64_t audioSample = 0;  // the sound is rendered up to here
    uint64_t frame = 0;        // the frame being run, then the first frame not run
    uint64_t written = 0;
};

// A shown frame: drawn, read back and handed to the sink with its log line.
bool drawFrame(const CaptureOptions& options, const Span& span, Run& run, uint64_t sample, std::string& error)
{
    if (run.frame == span.firstFrame) startProgress();
    const int32_t order = syncState.order.load(std::memory_order_relaxed);
    const int32_t row = syncState.row.load(std::memory_order_relaxed);
    beginFrameRender();
    if (options.reference) {
        renderReferenceFrame();
    } else {
        renderFrame();
    }
    record.frame = run.frame;
    record.sample = sample;
    record.order = order;
    record.row = row;
    std::memcpy(record.syncs, deliveredSyncs, deliveredLength + 1);
    readBackFrame(record);
    ++run.written;
    showProgress(run.written, span.expectedEnd - span.firstFrame);
    return frameSinkWriting(error);
}

enum class Step { next, over, failed };

// One frame: the sound up to its sample (kept from the first shown frame on), the syncs before
// it, then the frame, drawn, or run unseen before the stretch begins.
Step stepFrame(const CaptureOptions& options, const Span& span, Run& run, std::string& error)
{
    const uint64_t sample = frameSample(run.frame, options.fpsNumerator, options.fpsDenominator);
    std::string reason;
    if (!advanceAudio(run.audioSample, sample, run.frame > span.firstFrame, reason)) {
        error = cannotWrite("audio.wav", reason);
        return Step::failed;
    }
    forgetDeliveredSyncs();
    offlineDeliverSyncs(sample);
    if (run.frame < span.firstFrame) {
        runUnseenFrame();
    } else if (!drawFrame(options, span, run, sample, error)) {
        return Step::failed;
    }
    // A player that never raised its end would keep us here for ever; the song is over.
    const bool over = syncState.finished.load(std::memory_order_relaxed) || sample > offlineEndSample() + mixRate;
    return over ? Step::over : Step::next;
}

// The frames of the stretch, until it ends, a write fails (false with `error`) or a stop is
// requested (false, `error` empty).
bool runFrames(const CaptureOptions& options, const Span& span, Run& run, std::string& error)
{
    for (; run.frame < span.endFrame; ++run.frame) {
        if (stopRequested() != 0) return false;
        const Step step = stepFrame(options, span, run, error);
        if (step == Step::failed) return false;
        if (step == Step::over) {
            ++run.frame;
            break;
        }
    }
    // The last frame is on screen until the next one would have come.
    std::string reason;
    if (advanceAudio(run.audioSample, frameSample(run.frame, options.fpsNumerator, options.fpsDenominator), true, reason))
        return true;
    error = cannotWrite("audio.wav", reason);
    return false;
}

// The outputs moved into place and the summary, or nothing kept and why: the exit status.
int finish(const CaptureOptions& options, const Span& span, const Run& run, const Outputs& outputs,
           const std::string& error, CaptureStats* stats)
{
    if (stopRequested() != 0) return abandonStopped("after " + counted(run.written, "frame") + " of " +
                                                    std::to_string(span.expectedEnd - span.firstFrame));
    if (!error.empty()) {
        abandonOutputFolder(outputs.ffmpegExplains ? std::vector<std::string>{"ffmpeg.log"} : std::vector<std::string>{});
        complain(error);
        return exitFailed;
    }
    std::string written;
    if (!commitOutputFolder(written)) return exitFailed;
    const uint32_t n = options.fpsNumerator;
    const uint32_t d = options.fpsDenominator;
    CaptureStats done;
    done.frames = run.written;
    done.seconds = progressSeconds();
    done.demoSeconds = double(frameSample(run.frame, n, d) - frameSample(span.firstFrame, n, d)) / mixRate;
    if (stats) *stats = done;
    std::fprintf(stderr, "strobarium-capture: %s (%.3f s of the demo) in %.1f s, %.2f fps: wrote %s into %s\n",
                 counted(done.frames, "frame").c_str(), done.demoSeconds, done.seconds,
                 done.seconds > 0 ? double(done.frames) / done.seconds : 0.0, written.c_str(), options.outputDir.c_str());
    return exitWritten;
}

}  // namespace

int countFrames(const CaptureOptions& options, uint64_t& frames)
{
    resetSyncState();
    Span span{};
    const int status = startPlayer() ? resolveSpan(options, span) : exitBadData;
    stopMusic();
    frames = status == exitWritten ? span.expectedEnd - span.firstFrame : 0;
    return status;
}

int runCapture(const CaptureOptions& options, CaptureStats* stats)
{
    Span span{};
    int status = start(options, span);
    if (status == exitWritten) status = openOutputFolder(options.outputDir, options.overwrite);
    if (status != exitWritten) {
        stopMusic();
        closeOffscreenContext();
        return status;
    }
    Outputs outputs;
    Run run;
    std::string error;
    const bool opened = openOutputs(options, outputs, error);
    startReadback(options.width, options.height);
    if (opened) runFrames(options, span, run, error);
    finishReadback();
    endProgress();
    closeOutputs(outputs, error);
    stopMusic();
    closeOffscreenContext();
    return finish(options, span, run, outputs, error, stats);
}
