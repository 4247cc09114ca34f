#include "capture/parts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include "capture/capture.h"
#include "capture/frameClock.h"
#include "capture/frameLog.h"
#include "capture/frameSink.h"
#include "capture/outputFolder.h"
#include "capture/videoPipe.h"
#include "capture/wavWriter.h"
#include "os/os.h"

namespace fs = std::filesystem;

namespace {

void complain(const std::string& message) { std::fprintf(stderr, "strobarium-capture: %s\n", message.c_str()); }

bool makeDir(const std::string& dir)
{
    std::error_code error;
    fs::create_directories(dir, error);
    if (!error && fs::is_directory(dir, error)) return true;
    complain("cannot create the folder '" + dir + "': " +
             (error ? error.message() : std::string("a file of that name is in the way")));
    return false;
}

std::string cannotWrite(const char* name, const std::string& cause) { return "cannot write '" + finalFile(name) + "': " + cause; }

std::string inPart(const std::string& part, const char* name) { return (fs::path(part) / name).string(); }

// Appends the part's rows to `out`; `next` is the frame its first row must have (-1: any) and
// becomes the one after its last.
int appendRows(const std::string& part, FILE* out, long long& next)
{
    const std::string path = inPart(part, "frames.log");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        complain("cannot read '" + path + "'");
        return exitBadData;
    }
    bool any = false;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const long long frame = std::atoll(line.c_str());
        if (next >= 0 && frame != next) {
            complain("'" + path + "' goes on with frame " + std::to_string(frame) + " where frame " + std::to_string(next) +
                     " is due: a part is missing or out of order");
            return exitBadData;
        }
        next = frame + 1;
        any = true;
        std::fprintf(out, "%s\n", line.c_str());
    }
    if (any) return exitWritten;
    complain("'" + path + "' holds no frames");
    return exitBadData;
}

int joinLogs(const std::vector<std::string>& parts)
{
    FILE* out = std::fopen(pendingFile("frames.log").c_str(), "wb");
    if (!out) {
        complain(cannotWrite("frames.log", std::strerror(errno)));
        return exitFailed;
    }
    std::fprintf(out, "%s\n", frameLogHeading);
    long long next = -1;
    int status = exitWritten;
    for (std::size_t i = 0; status == exitWritten && i < parts.size(); ++i) status = appendRows(parts[i], out, next);
    const bool written = !std::ferror(out);
    if ((std::fclose(out) != 0 || !written) && status == exitWritten) {
        complain(cannotWrite("frames.log", std::strerror(errno)));
        status = exitFailed;
    }
    return status;
}

// The sound of a part's WAV, as this program writes them (a 44-byte header), added to the
// open joined WAV.
int appendSound(const std::string& part, std::vector<uint32_t>& lengths)
{
    static int16_t chunk[65536 * 2];
    const std::string path = inPart(part, "audio.wav");
    FILE* in = std::fopen(path.c_str(), "rb");
    uint8_t header[44];
    bool ok = in && std::fread(header, 1, 44, in) == 44 && std::memcmp(header, "RIFF", 4) == 0 &&
              std::memcmp(header + 8, "WAVEfmt ", 8) == 0 && std::memcmp(header + 36, "data", 4) == 0;
    uint32_t frames = ok ? (header[40] | header[41] << 8 | header[42] << 16 | uint32_t(header[43]) << 24) / 4 : 0;
    lengths.push_back(frames);
    std::string reason;
    bool written = true;
    while (ok && written && frames > 0) {
        const uint32_t n = std::min<uint32_t>(frames, 65536);
        ok = std::fread(chunk, 4, n, in) == n;
        written = !ok || appendWav(chunk, n, reason);
        frames -= n;
    }
    if (in) std::fclose(in);
    if (!written) complain(cannotWrite("audio.wav", reason));
    if (!ok) complain("cannot join the sound of '" + path + "': missing, cut short or not written by strobarium-capture");
    return !written ? exitFailed : ok ? exitWritten : exitBadData;
}

// `lengths`: each part's, in samples.
int joinSound(const std::vector<std::string>& parts, std::vector<uint32_t>& lengths)
{
    std::string reason;
    if (!openWav(pendingFile("audio.wav"), reason)) {
        complain(cannotWrite("audio.wav", reason));
        return exitFailed;
    }
    int status = exitWritten;
    for (std::size_t i = 0; status == exitWritten && i < parts.size(); ++i) status = appendSound(parts[i], lengths);
    if (!closeWav(reason) && status == exitWritten) {
        complain(cannotWrite("audio.wav", reason));
        status = exitFailed;
    }
    return status;
}

bool inEveryPart(const std::vector<std::string>& parts, const char* name)
{
    return std::all_of(parts.begin(), parts.end(), [name](const std::string& part) { return fs::exists(inPart(part, name)); });
}

// The video streams of the parts' `from` files one after the other, copied (each part starts
// with a key frame), with the joined sound into `to`. Each part starts at its time 0 and lasts
// as long as its sound, which ends where the next part's first frame is shown: an MP4's own
// start and length are its AAC's, which starts before the picture and is padded after it.
// `ffmpegFailed`: ffmpeg's failure is the join's, and its log explains it.
bool joinVideo(const std::vector<std::string>& parts, const std::vector<uint32_t>& lengths, const char* from,
               const char* to, bool& ffmpegFailed)
{
    const std::string list = pendingFile("parts.txt");
    FILE* out = std::fopen(list.c_str(), "wb");
    if (!out) {
        complain("cannot write '" + list + "': " + std::strerror(errno));
        return false;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string quoted;  // ffmpeg's concat list: in single quotes, a quote itself as '\''
        for (const char c : fs::absolute(inPart(parts[i], from)).string())
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        std::fprintf(out, "file '%s'\ninpoint 0\nduration %.9f\n", quoted.c_str(), double(lengths[i]) / mixRate);
    }
    std::string error;
    bool ok = std::fclose(out) == 0;
    if (!ok) complain("cannot write '" + list + "': " + std::strerror(errno));
    if (ok && !muxVideo(list, true, pendingFile("audio.wav"), pendingFile(to), pendingFile("ffmpeg.log"), error)) {
        ffmpegFailed = stopRequested() == 0 && ffmpegLogExplains(error);
        if (stopRequested() == 0)
            complain(cannotWrite(to, ffmpegFailed ? error + " (ffmpeg's messages are in '" + finalFile("ffmpeg.log") + "')" : error));
        ok = false;
    }
    std::error_code ignored;
    fs::remove(list, ignored);
    return ok;
}

// The MP4 from the parts' own MP4s when they have them: their timestamps are exact, where
// Matroska's are rounded to milliseconds.
bool joinVideos(const std::vector<std::string>& parts, const std::vector<uint32_t>& lengths, bool mp4, bool& ffmpegFailed)
{
    return joinVideo(parts, lengths, "video.mkv", "video.mkv", ffmpegFailed) &&
           (!mp4 || joinVideo(parts, lengths, inEveryPart(parts, "video.mp4") ? "video.mp4" : "video.mkv", "video.mp4",
                              ffmpegFailed));
}

// PNG parts: their frames copied (each carries its own number).
bool copyFrames(const std::vector<std::string>& parts)
{
    std::error_code error;
    std::string name;
    for (const std::string& part : parts) {
        for (const fs::directory_entry& entry : fs::directory_iterator(part, error)) {
            name = entry.path().filename().string();
            if (name.rfind("frame-", 0) != 0 || entry.path().extension() != ".png") continue;
            if (!fs::copy_file(entry.path(), pendingFile(name), fs::copy_options::overwrite_existing, error)) break;
        }
        if (error) break;
    }
    if (error) complain(cannotWrite(name.c_str(), error.message()));
    return !error;
}

// The parts joined into the open output folder's partial files: the exit status, with one line
// on failure; `ffmpegFailed` when ffmpeg's log explains it.
int joinInto(const std::vector<std::string>& parts, bool mp4, bool& ffmpegFailed)
{
    const bool withVideo = inEveryPart(parts, "video.mkv");
    const auto hasVideo = [](const std::string& part) { return fs::exists(inPart(part, "video.mkv")); };
    if (!withVideo && std::any_of(parts.begin(), parts.end(), hasVideo)) {
        complain("some parts have a video.mkv and some not: capture all parts the same way");
        return exitBadData;
    }
    std::vector<uint32_t> lengths;
    int status = joinLogs(parts);
    if (status == exitWritten) status = joinSound(parts, lengths);
    if (status == exitWritten && !(withVideo ? joinVideos(parts, lengths, mp4, ffmpegFailed) : copyFrames(parts)))
        status = exitFailed;
    return status;
}

constexpr uint64_t partsPerJob = 4;

struct Job {
    int part;
    std::string dir;
    ProgramId program = noProgram;
    int exitStatus = 0;  // as waitProgram gives it
};

// The part as a process of `program`, its stderr into capture.log in its folder; false when it
// cannot be started.
bool startPart(const std::string& program, const CaptureOptions& options, Job& job, int partCount)
{
    CaptureOptions part = options;
    part.part = job.part;
    part.partCount = partCount;
    part.jobs = 1;
    part.outputDir = job.dir;
    const std::vector<std::string> args = captureArguments(part);
    std::vector<const char*> argv = {program.c_str()};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    std::string error;
    job.program = startWorker(program.c_str(), argv.data(), inPart(job.dir, "capture.log").c_str(), error);
    if (job.program != noProgram) return true;
    complain("cannot start part " + std::to_string(job.part) + " (" + program + "): " + error);
    return false;
}

// The last lines the part wrote to its capture.log, without the program's name.
std::vector<std::string> lastLines(const Job& job, std::size_t most)
{
    std::ifstream in(inPart(job.dir, "capture.log"), std::ios::binary);
    std::vector<std::string> lines;
    const std::string prefix = "strobarium-capture: ";
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        lines.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
        if (lines.size() > most) lines.erase(lines.begin());
    }
    return lines;
}

std::string partName(const Job& job, std::size_t count) { return "part " + std::to_string(job.part) + " of " + std::to_string(count); }

// Stops the running parts and waits until every one has ended.
void stopParts(std::vector<Job>& jobs)
{
    for (const Job& job : jobs)
        if (job.program != noProgram) stopProgram(job.program);
    for (Job& job : jobs) {
        std::string ignored;
        if (job.program != noProgram) waitProgram(job.program, job.exitStatus, ignored);
        job.program = noProgram;
    }
}

// Waits for a running part to end: it, or null on a stop request or when waiting fails.
Job* waitForPart(std::vector<Job>& jobs)
{
    std::vector<ProgramId> running;
    for (const Job& job : jobs)
        if (job.program != noProgram) running.push_back(job.program);
    ProgramId program = noProgram;
    int status = 0;
    std::string error;
    if (!waitAnyProgram(running, program, status, error)) complain("cannot wait for the parts: " + error);
    if (program == noProgram) return nullptr;
    const auto job = std::find_if(jobs.begin(), jobs.end(), [program](const Job& j) { return j.program == program; });
    job->program = noProgram;
    job->exitStatus = status;
    return &*job;
}

// Runs the parts in order, options.jobs at a time, each started as soon as one before it has
// ended: parts of the song cost differently, and more parts than jobs keep every job busy to
// the end. On the first failure, or a stop request, the running parts are stopped and waited
// for, and no more are started. False when not all succeeded; `failed` is the part that
// failed first, when one did.
bool runParts(const std::string& program, const CaptureOptions& options, std::vector<Job>& jobs, Job*& failed)
{
    std::size_t next = 0;
    std::size_t running = 0;
    for (;;) {
        for (; stopRequested() == 0 && next < jobs.size() && running < std::size_t(options.jobs); ++next, ++running) {
            if (!makeDir(jobs[next].dir) || !startPart(program, options, jobs[next], int(jobs.size()))) {
                stopParts(jobs);
                return false;
            }
        }
        if (running == 0) return stopRequested() == 0;
        Job* ended = waitForPart(jobs);
        if (!ended || stopRequested() != 0) break;
        --running;
        const std::vector<std::string> last = lastLines(*ended, 1);
        if (ended->exitStatus != 0) {
            failed = ended;
            break;
        }
        std::fprintf(stderr, "strobarium-capture: %s: %s\n", partName(*ended, jobs.size()).c_str(),
                     last.empty() ? "done" : last[0].c_str());
    }
    stopParts(jobs);
    return false;
}

// The first part that failed and why: the last lines of its log.
void reportFailure(const Job& job, std::size_t count)
{
    const std::vector<std::string> lines = lastLines(job, 4);
    complain(partName(job, count) + " failed: " + (lines.empty() ? "exit status " + std::to_string(job.exitStatus) : lines.back()) +
             " (its folder is kept: '" + job.dir + "')");
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) std::fprintf(stderr, "  before that: %s\n", lines[i].c_str());
}

// The end of a join: the files put in place and the summary, or nothing kept but what explains
// the failure. The exit status.
int finishJoin(int status, bool ffmpegFailed, const std::string& done, const std::string& outputDir,
               const std::vector<std::string>& parts)
{
    if (status != exitWritten) {
        abandonOutputFolder(ffmpegFailed ? std::vector<std::string>{"ffmpeg.log"} : std::vector<std::string>{});
        return status;
    }
    std::string written;
    if (!commitOutputFolder(written, parts)) return exitFailed;
    std::fprintf(stderr, "strobarium-capture: %s: wrote %s into %s\n", done.c_str(), written.c_str(), outputDir.c_str());
    return exitWritten;
}

}  // namespace

int joinParts(const std::vector<std::string>& parts, const std::string& outputDir, bool mp4, bool overwrite)
{
    const int opened = openOutputFolder(outputDir, overwrite);
    if (opened != exitWritten) return opened;
    bool ffmpegFailed = false;
    const int status = joinInto(parts, mp4, ffmpegFailed);
    if (stopRequested() != 0) return abandonStopped("while joining " + counted(parts.size(), "part"));
    return finishJoin(status, ffmpegFailed, counted(parts.size(), "part") + " joined", outputDir, parts);
}

int runJobs(const CaptureOptions& options, const std::string& program)
{
    uint64_t frames = 0;
    int status = countFrames(options, frames);
    if (status == exitWritten) status = openOutputFolder(options.outputDir, options.overwrite);
    if (status != exitWritten) return status;
    // Mesa's rasteriser in each part gets its share of the cores, unless the user chose a number.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    setEnvironmentDefault("LP_NUM_THREADS", std::to_string(std::max(1u, cores / unsigned(options.jobs))).c_str());
    const uint64_t count = std::min<uint64_t>(uint64_t(options.jobs) * partsPerJob, frames);
    std::vector<Job> jobs;
    std::vector<std::string> dirs;
    std::error_code ignored;
    for (uint64_t k = 1; k <= count; ++k) {
        jobs.push_back({int(k), finalFile("part-" + std::to_string(k) + "-of-" + std::to_string(count))});
        dirs.push_back(jobs.back().dir);
        fs::remove_all(dirs.back(), ignored);  // an earlier capture's, which -y replaces
    }
    std::fprintf(stderr, "strobarium-capture: %s, %d at a time, each telling its progress in %s/capture.log\n",
                 counted(count, "part").c_str(), options.jobs, finalFile("part-K-of-" + std::to_string(count)).c_str());
    Job* failed = nullptr;
    const bool ran = runParts(program, options, jobs, failed);
    bool ffmpegFailed = false;
    status = ran ? joinInto(dirs, options.mp4, ffmpegFailed) : exitFailed;
    if (stopRequested() != 0) failed = nullptr;  // stopped, not failed: no folder is kept
    if (failed) reportFailure(*failed, jobs.size());
    for (const std::string& dir : dirs)
        if (!failed || dir != failed->dir) fs::remove_all(dir, ignored);
    if (stopRequested() != 0) return abandonStopped("while capturing " + counted(count, "part"));
    return finishJoin(status, ffmpegFailed, counted(count, "part") + " captured and joined", options.outputDir, {});
}
