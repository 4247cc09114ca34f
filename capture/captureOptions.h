// The command line of strobarium-capture. Pure functions, no globals.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/demoScript.h"

// The picture is the demo's 16:9 at any size from 320x180 to 3840x2160 (an even height, as
// the video's 4:2:0 colour needs); the demo's own by default.
constexpr int largestCaptureWidth = 3840;
constexpr int largestCaptureHeight = 2160;

// A point of the song, given either as seconds or as a song position.
struct SongPoint {
    enum Kind { unset, seconds, position } kind = unset;
    double secondsValue = 0;  // kind seconds: >= 0
    int order = 0;            // kind position: 0..255
    int row = 0;              //                0..255
};

struct CaptureOptions {
    std::string outputDir = "capture";
    uint32_t fpsNumerator = 60;
    uint32_t fpsDenominator = 1;
    SongPoint start;
    SongPoint end;
    int width = pictureWidth;
    int height = pictureHeight;
    // H.264 quality and speed: x264's fastest preset keeps the encoder well ahead of the
    // renderer at every size, and CRF 16 looks like the frames themselves.
    int crf = 16;
    std::string preset = "ultrafast";
    bool reference = false;  // every particle on its own in immediate mode, the reference
    bool png = false;        // numbered PNG frames even when ffmpeg is there
    bool mp4 = false;        // video.mp4 for uploading, next to the master video.mkv
    bool overwrite = false;  // -y: an earlier capture in the output folder is replaced
    // --part K/N: the Kth of N equal runs of frames of the stretch (1-based); 0/0: all of it.
    int part = 0;
    int partCount = 0;
    int jobs = 1;                    // parts run at once on this machine, then joined
    std::vector<std::string> join;   // --join: the part folders to join, in order, and nothing else
    bool help = false;       // --help given: print usage, nothing else
};

// The exit statuses, one for each kind of mistake (the usage text lists them); a stop request
// gives stopExitStatus(signal).
constexpr int exitWritten = 0, exitFailed = 1, exitBadOptions = 2, exitEarlierCapture = 3, exitBadData = 4;

constexpr int mostJobs = 256;
constexpr int mostParts = 100000;

// Fills `options` from argv[1..]; false with a one-line reason in `error` for anything it
// does not understand (unknown option, missing or malformed value, end not after start).
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options, std::string& error);

// "60", "59.94" is refused on purpose (not exact): "60000/1001" is how to say it.
bool parseFrameRate(const char* text, uint32_t& numerator, uint32_t& denominator);

// "12.5" (seconds) or "9:0" (order:row).
bool parseSongPoint(const char* text, SongPoint& point);

// "1920x1080": false with the reason in `error` for anything but a 16:9 size in range.
bool parseFrameSize(const char* text, int& width, int& height, std::string& error);

// The command line that gives `options` back (without --jobs, --join and --help): what --jobs
// hands each of its parts, with the part and folder changed.
std::vector<std::string> captureArguments(const CaptureOptions& options);

const char* captureUsage();
