#include "capture/captureOptions.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <iterator>
#include <utility>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The largest number either term of a frame rate, or either side of a size, is read as; the
// range each may take is checked once it is read.
constexpr uint32_t wholeNumberLimit = 1000000;
constexpr double fpsLowest = 1;
constexpr double fpsHighest = 1000;

// A whole decimal number with nothing after it; no sign, no spaces.
bool parseWhole(const char* begin, const char* end, uint32_t limit, uint32_t& value)
{
    if (begin == end) return false;
    uint64_t result = 0;
    for (const char* c = begin; c != end; ++c) {
        if (*c < '0' || *c > '9') return false;
        result = result * 10 + uint64_t(*c - '0');
        if (result > limit) return false;
    }
    value = uint32_t(result);
    return true;
}

bool takesValue(const char* name)
{
    for (const char* option : {"-o", "--output", "--fps", "--start", "--end", "--size", "--crf", "--preset", "--jobs", "--part"})
        if (std::strcmp(name, option) == 0) return true;
    return false;
}

// x264's presets, fastest first.
const char* const presets[] = {"ultrafast", "superfast", "veryfast", "faster",  "fast",
                               "medium",    "slow",      "slower",   "veryslow", "placebo"};

// A song point's place on one line for comparing start and end: seconds compare with
// seconds, positions with positions; mixed kinds are left to the capture, which knows the song.
bool endBeforeStart(const SongPoint& start, const SongPoint& end)
{
    if (start.kind == SongPoint::unset || end.kind == SongPoint::unset || start.kind != end.kind) return false;
    if (start.kind == SongPoint::seconds) return end.secondsValue <= start.secondsValue;
    return end.order < start.order || (end.order == start.order && end.row <= start.row);
}

// "K/N" with 1 <= K <= N <= mostParts.
bool parsePart(const char* text, int& part, int& count)
{
    const char* slash = std::strchr(text, '/');
    uint32_t k = 0;
    uint32_t n = 0;
    if (!slash || !parseWhole(text, slash, mostParts, k) || !parseWhole(slash + 1, text + std::strlen(text), mostParts, n) ||
        k < 1 || k > n)
        return false;
    part = int(k);
    count = int(n);
    return true;
}

bool parseFlag(const char* name, CaptureOptions& options)
{
    const struct { const char* name; bool CaptureOptions::*flag; } flags[] = {
        {"-h", &CaptureOptions::help},       {"--help", &CaptureOptions::help}, {"--png", &CaptureOptions::png},
        {"--reference", &CaptureOptions::reference}, {"--mp4", &CaptureOptions::mp4},
        {"-y", &CaptureOptions::overwrite}, {"--overwrite", &CaptureOptions::overwrite},
    };
    for (const auto& f : flags) {
        if (std::strcmp(name, f.name) != 0) continue;
        options.*f.flag = true;
        return true;
    }
    return false;
}

// Checks of the options together, once all are read.
bool consistent(const CaptureOptions& options, std::string& error)
{
    if (endBeforeStart(options.start, options.end)) {
        error = "--end must lie after --start";
        return false;
    }
    if (options.jobs > 1 && options.partCount > 0) {
        error = "--jobs and --part do not go together: --jobs makes its own parts";
        return false;
    }
    return true;
}

std::string songPointText(const SongPoint& point)
{
    if (point.kind == SongPoint::position) return std::to_string(point.order) + ":" + std::to_string(point.row);
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, point.secondsValue, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

}  // namespace

bool parseFrameRate(const char* text, uint32_t& numerator, uint32_t& denominator)
{
    const char* end = text + std::strlen(text);
    const char* slash = std::strchr(text, '/');
    uint32_t n = 0;
    uint32_t d = 1;
    if (slash) {
        if (!parseWhole(text, slash, wholeNumberLimit, n) || !parseWhole(slash + 1, end, wholeNumberLimit, d)) return false;
    } else if (!parseWhole(text, end, wholeNumberLimit, n)) {
        return false;
    }
    if (d == 0) return false;
    const double fps = double(n) / d;
    if (fps < fpsLowest || fps > fpsHighest) return false;
    numerator = n;
    denominator = d;
    return true;
}

bool parseSongPoint(const char* text, SongPoint& point)
{
    const char* end = text + std::strlen(text);
    if (const char* colon = std::strchr(text, ':')) {
        uint32_t order = 0;
        uint32_t row = 0;
        if (!parseWhole(text, colon, 255, order) || !parseWhole(colon + 1, end, 255, row)) return false;
        point.kind = SongPoint::position;
        point.order = int(order);
        point.row = int(row);
        return true;
    }
    // Seconds: digits with at most one decimal point, so that "1e3", "inf" and "-2" are refused.
    if (*text == '\0' || std::strspn(text, "0123456789.") != std::strlen(text)) return false;
    if (std::strchr(text, '.') != std::strrchr(text, '.') || std::strcmp(text, ".") == 0) return false;
    errno = 0;
    char* parsedEnd = nullptr;
    const double seconds = std::strtod(text, &parsedEnd);
    if (errno != 0 || parsedEnd != end || !std::isfinite(seconds) || seconds > 24 * 3600) return false;
    point.kind = SongPoint::seconds;
    point.secondsValue = seconds;
    return true;
}

bool parseFrameSize(const char* text, int& width, int& height, std::string& error)
{
    const char* end = text + std::strlen(text);
    const char* times = std::strchr(text, 'x');
    uint32_t w = 0;
    uint32_t h = 0;
    if (!times || !parseWhole(text, times, wholeNumberLimit, w) || !parseWhole(times + 1, end, wholeNumberLimit, h)) {
        error = std::string("bad size '") + text + "': give WIDTHxHEIGHT, e.g. 1920x1080";
        return false;
    }
    if (uint64_t(w) * 9 != uint64_t(h) * 16) {
        error = std::string("size '") + text + "' is not 16:9, the demo's picture (e.g. 1920x1080, 2560x1440, 3840x2160)";
        return false;
    }
    if (h < 180 || h > uint32_t(largestCaptureHeight) || h % 2 != 0) {
        error = std::string("size '") + text + "' is out of range: 16:9 from 320x180 to 3840x2160, with an even height";
        return false;
    }
    width = int(w);
    height = int(h);
    return true;
}

bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (parseFlag(name, options)) continue;
        if (std::strcmp(name, "--join") == 0) {
            options.join.assign(argv + i + 1, argv + argc);
            if (!options.join.empty()) break;
            error = "--join needs the part folders to join, in order";
            return false;
        }
        if (!takesValue(name)) {
            error = std::string("unknown option '") + name + "'";
            return false;
        }
        if (i + 1 >= argc) {
            error = std::string("option '") + name + "' needs a value";
            return false;
        }
        const char* value = argv[++i];
        if (std::strcmp(name, "-o") == 0 || std::strcmp(name, "--output") == 0) {
            if (*value == '\0') {
                error = "the output directory must not be empty";
                return false;
            }
            options.outputDir = value;
        } else if (std::strcmp(name, "--fps") == 0) {
            if (!parseFrameRate(value, options.fpsNumerator, options.fpsDenominator)) {
                error = std::string("bad frame rate '") + value +
                        "': give frames per second from 1 to 1000 as N or N/D (e.g. 60000/1001)";
                return false;
            }
        } else if (std::strcmp(name, "--size") == 0) {
            if (!parseFrameSize(value, options.width, options.height, error)) return false;
        } else if (std::strcmp(name, "--crf") == 0) {
            uint32_t crf = 0;
            if (!parseWhole(value, value + std::strlen(value), 51, crf)) {
                error = std::string("bad CRF '") + value + "': give 0 (lossless) to 51";
                return false;
            }
            options.crf = int(crf);
        } else if (std::strcmp(name, "--preset") == 0) {
            const char* const* found = std::find_if(std::begin(presets), std::end(presets),
                                                    [value](const char* preset) { return std::strcmp(preset, value) == 0; });
            if (found == std::end(presets)) {
                error = std::string("unknown preset '") + value + "': give one of x264's, ultrafast to placebo";
                return false;
            }
            options.preset = value;
        } else if (std::strcmp(name, "--jobs") == 0) {
            uint32_t jobs = 0;
            if (!parseWhole(value, value + std::strlen(value), mostJobs, jobs) || jobs < 1) {
                error = std::string("bad job count '") + value + "': give 1 to " + std::to_string(mostJobs);
                return false;
            }
            options.jobs = int(jobs);
        } else if (std::strcmp(name, "--part") == 0) {
            if (!parsePart(value, options.part, options.partCount)) {
                error = std::string("bad part '") + value + "': give K/N, the Kth of N parts (e.g. 2/4)";
                return false;
            }
        } else {
            SongPoint& point = std::strcmp(name, "--start") == 0 ? options.start : options.end;
            if (!parseSongPoint(value, point)) {
                error = std::string("bad song point '") + value + "' for " + name +
                        ": give seconds (e.g. 12.5) or order:row (e.g. 9:0)";
                return false;
            }
        }
    }
    return consistent(options, error);
}

std::vector<std::string> captureArguments(const CaptureOptions& options)
{
    std::vector<std::string> args = {"-o", options.outputDir,
                                     "--fps", std::to_string(options.fpsNumerator) + "/" + std::to_string(options.fpsDenominator),
                                     "--size", std::to_string(options.width) + "x" + std::to_string(options.height),
                                     "--crf", std::to_string(options.crf), "--preset", options.preset};
    if (options.start.kind != SongPoint::unset) args.insert(args.end(), {"--start", songPointText(options.start)});
    if (options.end.kind != SongPoint::unset) args.insert(args.end(), {"--end", songPointText(options.end)});
    if (options.partCount > 0)
        args.insert(args.end(), {"--part", std::to_string(options.part) + "/" + std::to_string(options.partCount)});
    for (const auto& [flag, name] : {std::pair{options.reference, "--reference"}, {options.png, "--png"}, {options.mp4, "--mp4"},
                                        {options.overwrite, "-y"}})
        if (flag) args.push_back(name);
    return args;
}

const char* captureUsage()
{
    return "usage: strobarium-capture [options]\n"
           "Renders the demo offline, frame by frame, from Data/ in the working directory\n"
#ifdef _WIN32
           "(or, when there is none, from the Data folder beside strobarium-capture.exe).\n"
#else
           "(or, when there is none, from the installed data).\n"
#endif
           "  -o, --output DIR   where to write (default \"capture\"): audio.wav, frames.log and\n"
           "                     video.mkv, or frame-NNNNNN.png without ffmpeg or with --png\n"
           "  --fps N[/D]        frames per second, 1 to 1000 (default 60; e.g. 60000/1001)\n"
           "  --start POINT      first frame written: seconds (12.5) or order:row (9:0)\n"
           "  --end POINT        stop before this point (default: where the demo ends)\n"
           "  --size WxH         picture size, 16:9 from 320x180 to 3840x2160 (default 1280x720)\n"
           "  --crf N            H.264 quality, 0 (lossless) to 51 (default 16)\n"
           "  --preset NAME      x264 preset, ultrafast to placebo (default ultrafast, which\n"
           "                     never holds the capture up)\n"
           "  --reference        draw every particle on its own in immediate mode (slower), for checking\n"
           "  --png              numbered PNG frames even when ffmpeg is installed\n"
           "  --mp4              also video.mp4 (H.264 High, AAC aiming at 384 kb/s) for uploading;\n"
           "                     video.mkv (with the exact sound as FLAC) is the master\n"
           "  --part K/N         only the Kth of N equal parts of the frames, for --join\n"
           "  --jobs N           run 4N parts, N at a time, on this machine and join them\n"
           "  --join DIR...      join part folders, in order, into -o DIR (the last option)\n"
           "  -y, --overwrite    replace an earlier capture in DIR (without it, it is refused)\n"
           "  -h, --help         this text\n"
           "Every file is written into DIR/capture.partial/ and moved into DIR only once the\n"
           "whole capture has succeeded: a capture that fails or is stopped leaves none of its\n"
           "files, only the log that explains a failure (DIR/ffmpeg.log; with --jobs, the\n"
           "failed part's folder DIR/part-K-of-N/ with its capture.log).\n"
           "Exit status: 0 written; 1 the capture failed (writing, ffmpeg, OpenGL or a part);\n"
           "2 bad options, or a stretch the demo does not have; 3 DIR holds an earlier capture;\n"
           "4 missing or broken input (Data/, or the part folders given to --join);\n"
           "130, 143, 129 stopped by SIGINT (Ctrl-C), SIGTERM or SIGHUP.\n";
}
