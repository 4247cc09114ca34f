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
#include "capture/progress.h"
#include "capture/readback.h"
#include "capture/songPoints.h"
#include "capture/videoPipe.h"
#include "capture/wavWriter.h"
#include "common/dataFiles.h"
#include "os/offscreenContext.h"
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

bool makeOutputDir(const std::string& dir)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || !std::filesystem::is_directory(dir, error)) {
        complain("cannot create the output directory '" + dir + "': " +
                 (error ? error.message() : std::string("a file of that name is in the way")));
        return false;
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

struct Outputs {
    std::string wavPath;
    std::string logPath;
    std::string videoOnlyPath;
    std::string videoPath;
    std::string mp4Path;  // empty: no MP4 asked for
    FILE* log = nullptr;
    FILE* video = nullptr;
};

bool openOutputs(const CaptureOptions& options, Outputs& outputs)
{
    const std::filesystem::path dir(options.outputDir);
    outputs.wavPath = (dir / "audio.wav").string();
    outputs.logPath = (dir / "frames.log").string();
    std::string reason;
    if (!openWav(outputs.wavPath, reason)) {
        complain("cannot write '" + outputs.wavPath + "': " + reason);
        return false;
    }
    outputs.log = std::fopen(outputs.logPath.c_str(), "w");
    if (!outputs.log) {
        complain("cannot write '" + outputs.logPath + "': " + std::strerror(errno));
        return false;
    }
    std::fprintf(outputs.log, "%s\n", frameLogHeading);
    FrameSinkSetup setup;
    setup.log = outputs.log;
    if (!options.png && ffmpegAvailable()) {
        outputs.videoOnlyPath = (dir / "video-only.mp4").string();  // MP4 keeps exact timestamps
        outputs.videoPath = (dir / "video.mkv").string();
        if (options.mp4) outputs.mp4Path = (dir / "video.mp4").string();
        std::string error;
        outputs.video = openVideoPipe(outputs.videoOnlyPath, options, error);
        if (!outputs.video) {
            complain(error);
            return false;
        }
        setup.video = outputs.video;
    } else {
        setup.pngPattern = (dir / "frame-%06llu.png").string();
    }
    setup.width = options.width;
    setup.height = options.height;
    if (!startFrameSink(setup)) {
        complain("no frame sink for " + std::to_string(options.width) + "x" + std::to_string(options.height));
        return false;
    }
    return true;
}

// Closes what openOutputs opened, muxing the video when everything went well so far.
bool closeOutputs(Outputs& outputs, bool ok)
{
    std::string reason;
    if (!finishFrameSink(reason)) {
        if (ok) complain(reason);
        ok = false;
    }
    if (!closeWav(reason) && ok) {
        complain("cannot finish '" + outputs.wavPath + "': " + reason);
        ok = false;
    }
    if (outputs.log && std::fclose(outputs.log) != 0 && ok) {
        complain("cannot finish '" + outputs.logPath + "'");
        ok = false;
    }
    outputs.log = nullptr;
    std::string error;
    if (!closeVideoPipe(error) && ok) {
        complain(error);
        ok = false;
    }
    for (const std::string* muxed : {&outputs.videoPath, &outputs.mp4Path}) {
        if (ok && !outputs.videoOnlyPath.empty() && !muxed->empty() &&
            !muxVideo(outputs.videoOnlyPath, false, outputs.wavPath, *muxed, error)) {
            complain(error);
            ok = false;
        }
    }
    std::error_code ignored;
    if (!outputs.videoOnlyPath.empty()) std::filesystem::remove(outputs.videoOnlyPath, ignored);
    return ok;
}

struct Span {
    uint64_t firstFrame;
    uint64_t endFrame;     // first frame not captured, or UINT64_MAX: where the demo ends
    uint64_t expectedEnd;  // for the progress bar: where the capture will stop
};

// The Kth of N parts: an equal share of the frames that the whole stretch would write; the last
// part runs on to wherever the whole would have stopped.
bool narrowToPart(const CaptureOptions& options, Span& span)
{
    const uint64_t first = span.firstFrame;
    const uint64_t total = span.expectedEnd - first;
    const uint64_t k = uint64_t(options.part);
    const uint64_t n = uint64_t(options.partCount);
    span.firstFrame = first + total * (k - 1) / n;
    if (k < n) span.endFrame = span.expectedEnd = first + total * k / n;
    if (span.firstFrame < span.expectedEnd) return true;
    complain("part " + std::to_string(k) + " of " + std::to_string(n) + " has no frames: the stretch has only " +
             std::to_string(total));
    return false;
}

bool resolveSpan(const CaptureOptions& options, Span& span)
{
    uint64_t startSample = 0;
    uint64_t endSample = UINT64_MAX;
    std::string error;
    if (options.start.kind != SongPoint::unset && !songPointSample(options.start, startSample, error)) {
        complain("--start: " + error);
        return false;
    }
    if (options.end.kind != SongPoint::unset && !songPointSample(options.end, endSample, error)) {
        complain("--end: " + error);
        return false;
    }
    const uint32_t n = options.fpsNumerator;
    const uint32_t d = options.fpsDenominator;
    span.firstFrame = firstFrameAtOrAfter(startSample, n, d);
    span.endFrame = endSample == UINT64_MAX ? UINT64_MAX : firstFrameAtOrAfter(endSample, n, d);
    if (span.endFrame <= span.firstFrame) {
        complain("--end must lie after --start (no frame falls between them)");
        return false;
    }
    // The frame in which the demo ends: the first frame after its finishing event.
    const uint64_t finishFrame = firstFrameAtOrAfter(demoEndSample() + 1, n, d) + 1;
    span.expectedEnd = std::min(span.endFrame, finishFrame);
    if (span.firstFrame >= finishFrame) {
        complain("--start lies after the end of the demo");
        return false;
    }
    return options.partCount == 0 || narrowToPart(options, span);
}

bool setUp(const CaptureOptions& options, std::string& error)
{
    if (!openOffscreenContext(options.width, options.height, error)) return false;
    setProjection(options.width, options.height);
    std::string reason;
    if (!initScene(reason)) {
        error = "cannot load the scene: " + reason;
        return false;
    }
    return true;
}

// Context, scene, player, the stretch to capture and the output folder; false, with all of it
// closed again and the reason printed, when any is missing.
bool start(const CaptureOptions& options, Span& span)
{
    resetSyncState();
    std::string error;
    if (!setUp(options, error)) {
        complain(error);
        closeOffscreenContext();
        return false;
    }
    if (!startPlayer() || !resolveSpan(options, span) || !makeOutputDir(options.outputDir)) {
        stopMusic();
        closeOffscreenContext();
        return false;
    }
    return true;
}

struct Run {
    uint64_t audioSample = 0;  // the sound is rendered up to here
    uint64_t frame = 0;        // the frame being run, then the first frame not run
    uint64_t written = 0;
};

// A shown frame: drawn, read back and handed to the sink with its log line.
bool drawFrame(const CaptureOptions& options, const Span& span, Run& run, uint64_t sample)
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
    std::string reason;
    if (frameSinkWriting(reason)) return true;
    complain(reason);
    return false;
}

enum class Step { next, over, failed };

// One frame: the sound up to its sample (kept from the first shown frame on), the syncs before
// it, then the frame, drawn, or run unseen before the stretch begins.
Step stepFrame(const CaptureOptions& options, const Span& span, const Outputs& outputs, Run& run)
{
    const uint64_t sample = frameSample(run.frame, options.fpsNumerator, options.fpsDenominator);
    std::string reason;
    if (!advanceAudio(run.audioSample, sample, run.frame > span.firstFrame, reason)) {
        complain("cannot write the sound to '" + outputs.wavPath + "': " + reason);
        return Step::failed;
    }
    forgetDeliveredSyncs();
    offlineDeliverSyncs(sample);
    if (run.frame < span.firstFrame) {
        runUnseenFrame();
    } else if (!drawFrame(options, span, run, sample)) {
        return Step::failed;
    }
    // A player that never raised its end would keep us here for ever; the song is over.
    const bool over = syncState.finished.load(std::memory_order_relaxed) || sample > offlineEndSample() + mixRate;
    return over ? Step::over : Step::next;
}

bool runFrames(const CaptureOptions& options, const Span& span, const Outputs& outputs, Run& run)
{
    for (; run.frame < span.endFrame; ++run.frame) {
        const Step step = stepFrame(options, span, outputs, run);
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
    complain("cannot write the sound to '" + outputs.wavPath + "': " + reason);
    return false;
}

void report(const CaptureOptions& options, const Span& span, const Run& run, const Outputs& outputs, CaptureStats* stats)
{
    const uint32_t n = options.fpsNumerator;
    const uint32_t d = options.fpsDenominator;
    CaptureStats done;
    done.frames = run.written;
    done.seconds = progressSeconds();
    done.demoSeconds = double(frameSample(run.frame, n, d) - frameSample(span.firstFrame, n, d)) / mixRate;
    if (stats) *stats = done;
    std::fprintf(stderr, "strobarium-capture: %" PRIu64 " frames (%.3f s of the demo) in %.1f s, %.2f fps, into %s\n",
                 done.frames, done.demoSeconds, done.seconds, done.seconds > 0 ? double(done.frames) / done.seconds : 0.0,
                 (outputs.videoPath.empty() ? options.outputDir + " (PNG frames)" : outputs.videoPath).c_str());
}

}  // namespace

bool countFrames(const CaptureOptions& options, uint64_t& frames)
{
    resetSyncState();
    Span span{};
    const bool ok = startPlayer() && resolveSpan(options, span);
    stopMusic();
    frames = ok ? span.expectedEnd - span.firstFrame : 0;
    return ok;
}

int runCapture(const CaptureOptions& options, CaptureStats* stats)
{
    Span span{};
    if (!start(options, span)) return 1;
    Outputs outputs;
    Run run;
    bool ok = openOutputs(options, outputs);
    startReadback(options.width, options.height);
    ok = ok && runFrames(options, span, outputs, run);
    finishReadback();
    endProgress();
    ok = closeOutputs(outputs, ok) && ok;
    stopMusic();
    closeOffscreenContext();
    if (!ok) return 1;
    report(options, span, run, outputs, stats);
    return 0;
}
