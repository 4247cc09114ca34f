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

#include "capture/frameClock.h"
#include "capture/frameLog.h"
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
    complain("cannot create the output directory '" + dir + "': " +
             (error ? error.message() : std::string("a file of that name is in the way")));
    return false;
}

// The joined files are written under these names first and renamed once all are complete, so
// that a join that fails leaves none of them.
const char* const joinedNames[] = {"frames.log", "audio.wav", "video.mkv", "video.mp4"};

std::string pending(const std::string& dir, const std::string& name) { return (fs::path(dir) / (".joining-" + name)).string(); }

std::string inPart(const std::string& part, const char* name) { return (fs::path(part) / name).string(); }

// Appends the part's rows to `out`; `next` is the frame its first row must have (-1: any) and
// becomes the one after its last.
bool appendRows(const std::string& part, FILE* out, long long& next)
{
    const std::string path = inPart(part, "frames.log");
    std::ifstream in(path);
    if (!in) {
        complain("cannot read '" + path + "'");
        return false;
    }
    bool any = false;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const long long frame = std::atoll(line.c_str());
        if (next >= 0 && frame != next) {
            complain("'" + path + "' goes on with frame " + std::to_string(frame) + " where frame " + std::to_string(next) +
                     " is due: a part is missing or out of order");
            return false;
        }
        next = frame + 1;
        any = true;
        std::fprintf(out, "%s\n", line.c_str());
    }
    if (any) return true;
    complain("'" + path + "' holds no frames");
    return false;
}

bool joinLogs(const std::vector<std::string>& parts, const std::string& to)
{
    FILE* out = std::fopen(to.c_str(), "w");
    if (!out) {
        complain("cannot write '" + to + "': " + std::strerror(errno));
        return false;
    }
    std::fprintf(out, "%s\n", frameLogHeading);
    long long next = -1;
    bool ok = true;
    for (std::size_t i = 0; ok && i < parts.size(); ++i) ok = appendRows(parts[i], out, next);
    if ((std::ferror(out) || std::fclose(out) != 0) && ok) {
        complain("cannot finish '" + to + "'");
        ok = false;
    }
    return ok;
}

// The sound of a part's WAV, as this program writes them (a 44-byte header), added to the
// open joined WAV.
bool appendSound(const std::string& part, std::vector<uint32_t>& lengths)
{
    static int16_t chunk[65536 * 2];
    const std::string path = inPart(part, "audio.wav");
    FILE* in = std::fopen(path.c_str(), "rb");
    uint8_t header[44];
    bool ok = in && std::fread(header, 1, 44, in) == 44 && std::memcmp(header, "RIFF", 4) == 0 &&
              std::memcmp(header + 8, "WAVEfmt ", 8) == 0 && std::memcmp(header + 36, "data", 4) == 0;
    uint32_t frames = ok ? (header[40] | header[41] << 8 | header[42] << 16 | uint32_t(header[43]) << 24) / 4 : 0;
    lengths.push_back(frames);
    while (ok && frames > 0) {
        const uint32_t n = std::min<uint32_t>(frames, 65536);
        std::string ignored;  // a failed write shows as the join's failure below
        ok = std::fread(chunk, 4, n, in) == n && appendWav(chunk, n, ignored);
        frames -= n;
    }
    if (in) std::fclose(in);
    if (!ok) complain("cannot join the sound of '" + path + "': missing, cut short or not written by strobarium-capture");
    return ok;
}

// `lengths`: each part's, in samples.
bool joinSound(const std::vector<std::string>& parts, const std::string& to, std::vector<uint32_t>& lengths)
{
    std::string reason;
    if (!openWav(to, reason)) {
        complain("cannot write '" + to + "': " + reason);
        return false;
    }
    bool ok = true;
    for (std::size_t i = 0; ok && i < parts.size(); ++i) ok = appendSound(parts[i], lengths);
    if (!closeWav(reason) && ok) {
        complain("cannot finish '" + to + "': " + reason);
        ok = false;
    }
    return ok;
}

bool inEveryPart(const std::vector<std::string>& parts, const char* name)
{
    return std::all_of(parts.begin(), parts.end(), [name](const std::string& part) { return fs::exists(inPart(part, name)); });
}

// The video streams of the parts' `from` files one after the other, copied (each part starts
// with a key frame), with the joined sound into `to`. Each part starts at its time 0 and lasts
// as long as its sound, which ends where the next part's first frame is shown: an MP4's own
// start and length are its AAC's, which starts before the picture and is padded after it.
bool joinVideo(const std::vector<std::string>& parts, const std::vector<uint32_t>& lengths, const std::string& dir,
               const char* from, const char* to)
{
    const std::string list = pending(dir, "parts.txt");
    FILE* out = std::fopen(list.c_str(), "w");
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
    if (!ok) error = "cannot finish '" + list + "'";
    ok = ok && muxVideo(list, true, pending(dir, "audio.wav"), pending(dir, to), error);
    if (!ok) complain(error);
    std::error_code ignored;
    fs::remove(list, ignored);
    return ok;
}

// The MP4 from the parts' own MP4s when they have them: their timestamps are exact, where
// Matroska's are rounded to milliseconds.
bool joinVideos(const std::vector<std::string>& parts, const std::vector<uint32_t>& lengths, const std::string& dir,
                bool mp4)
{
    return joinVideo(parts, lengths, dir, "video.mkv", "video.mkv") &&
           (!mp4 || joinVideo(parts, lengths, dir, inEveryPart(parts, "video.mp4") ? "video.mp4" : "video.mkv", "video.mp4"));
}

// PNG parts: their frames copied (each carries its own number); on failure the copies are removed.
bool copyFrames(const std::vector<std::string>& parts, const std::string& dir)
{
    std::vector<fs::path> copied;
    std::error_code error;
    for (const std::string& part : parts) {
        for (const fs::directory_entry& entry : fs::directory_iterator(part, error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("frame-", 0) != 0 || entry.path().extension() != ".png") continue;
            copied.push_back(fs::path(dir) / name);
            if (!fs::copy_file(entry.path(), copied.back(), fs::copy_options::overwrite_existing, error)) break;
        }
        if (error) break;
    }
    if (!error) return true;
    complain("cannot copy the frames of the parts into '" + dir + "': " + error.message());
    for (const fs::path& path : copied) fs::remove(path, error);
    return false;
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

// The last line the part wrote to its capture.log, without the program's name.
std::string lastLine(const Job& job)
{
    std::ifstream in(inPart(job.dir, "capture.log"));
    std::string last;
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) last = line;
    const std::string prefix = "strobarium-capture: ";
    return last.rfind(prefix, 0) == 0 ? last.substr(prefix.size()) : last;
}

void stopParts(const std::vector<Job>& jobs)
{
    for (const Job& job : jobs)
        if (job.program != noProgram) stopProgram(job.program);
}

// Waits for a running part to end; false when there is none to wait for.
bool waitForPart(std::vector<Job>& jobs, Job*& ended)
{
    std::vector<ProgramId> running;
    for (const Job& job : jobs)
        if (job.program != noProgram) running.push_back(job.program);
    ProgramId program = noProgram;
    int status = 0;
    if (running.empty() || !waitAnyProgram(running, program, status)) return false;
    const auto job = std::find_if(jobs.begin(), jobs.end(), [program](const Job& j) { return j.program == program; });
    job->program = noProgram;
    job->exitStatus = status;
    ended = &*job;
    return true;
}

// One line for a part that ended: its summary, or, for the first that failed, why.
bool reportPart(const Job& job, std::size_t count, bool firstFailure)
{
    const std::string name = "part " + std::to_string(job.part) + " of " + std::to_string(count);
    if (job.exitStatus == 0) {
        std::fprintf(stderr, "strobarium-capture: %s: %s\n", name.c_str(), lastLine(job).c_str());
        return true;
    }
    const std::string last = lastLine(job);
    if (firstFailure) complain(name + " failed: " + (last.empty() ? "exit status " + std::to_string(job.exitStatus) : last));
    return false;
}

// Runs the parts in order, options.jobs at a time, each started as soon as one before it has
// ended: parts of the song cost differently, and more parts than jobs keep every job busy to
// the end. Once one fails, the running ones are stopped and no more are started.
bool runParts(const std::string& program, const CaptureOptions& options, std::vector<Job>& jobs)
{
    std::size_t next = 0;
    std::size_t running = 0;
    bool ok = true;
    for (;;) {
        for (; ok && next < jobs.size() && running < std::size_t(options.jobs); ++next) {
            ok = makeDir(jobs[next].dir) && startPart(program, options, jobs[next], int(jobs.size()));
            running += ok;
        }
        if (!ok) stopParts(jobs);
        Job* ended = nullptr;
        if (running == 0 || !waitForPart(jobs, ended)) return ok && running == 0;
        --running;
        ok = reportPart(*ended, jobs.size(), ok) && ok;
    }
}

}  // namespace

int joinParts(const std::vector<std::string>& parts, const std::string& outputDir, bool mp4)
{
    if (!makeDir(outputDir)) return 1;
    const bool withVideo = inEveryPart(parts, "video.mkv");
    const auto hasVideo = [](const std::string& part) { return fs::exists(inPart(part, "video.mkv")); };
    if (!withVideo && std::any_of(parts.begin(), parts.end(), hasVideo)) {
        complain("some parts have a video.mkv and some not: capture all parts the same way");
        return 1;
    }
    std::vector<uint32_t> lengths;
    bool ok = joinLogs(parts, pending(outputDir, "frames.log")) &&
              joinSound(parts, pending(outputDir, "audio.wav"), lengths) &&
              (withVideo ? joinVideos(parts, lengths, outputDir, mp4) : copyFrames(parts, outputDir));
    std::error_code error;
    for (const char* name : joinedNames) {
        const std::string from = pending(outputDir, name);
        if (ok && fs::exists(from)) fs::rename(from, fs::path(outputDir) / name, error);
        if (error && ok) complain("cannot rename '" + from + "': " + error.message());
        ok = ok && !error;
        fs::remove(from, error);
    }
    if (ok) std::fprintf(stderr, "strobarium-capture: %zu parts joined into %s\n", parts.size(), outputDir.c_str());
    return ok ? 0 : 1;
}

int runJobs(const CaptureOptions& options, const std::string& program, uint64_t frames)
{
    if (!makeDir(options.outputDir)) return 1;
    // Mesa's rasteriser in each part gets its share of the cores, unless the user chose a number.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    setEnvironmentDefault("LP_NUM_THREADS", std::to_string(std::max(1u, cores / unsigned(options.jobs))).c_str());
    const uint64_t count = std::min<uint64_t>(uint64_t(options.jobs) * partsPerJob, frames);
    std::vector<Job> jobs;
    std::vector<std::string> dirs;
    for (uint64_t k = 1; k <= count; ++k) {
        const std::string name = "part-" + std::to_string(k) + "-of-" + std::to_string(count);
        jobs.push_back({int(k), (fs::path(options.outputDir) / name).string()});
        dirs.push_back(jobs.back().dir);
    }
    std::fprintf(stderr, "strobarium-capture: %zu parts, %d at a time, each telling its progress in %s/part-K-of-%zu/capture.log\n",
                 jobs.size(), options.jobs, options.outputDir.c_str(), jobs.size());
    const bool ok = runParts(program, options, jobs) && joinParts(dirs, options.outputDir, options.mp4) == 0;
    std::error_code ignored;
    for (const std::string& dir : dirs) fs::remove_all(dir, ignored);
    return ok ? 0 : 1;
}
