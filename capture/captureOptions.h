// The command line of strobarium-capture. Pure functions, no globals.
#pragma once

#include <cstdint>
#include <string>

constexpr int captureWidth = 1280;
constexpr int captureHeight = 720;

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
    bool png = false;   // numbered PNG frames even when ffmpeg is there
    bool help = false;  // --help given: print usage, nothing else
};

// Fills `options` from argv[1..]; false with a one-line reason in `error` for anything it
// does not understand (unknown option, missing or malformed value, end not after start).
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options, std::string& error);

// "60", "59.94" is refused on purpose (not exact): "60000/1001" is how to say it.
bool parseFrameRate(const char* text, uint32_t& numerator, uint32_t& denominator);

// "12.5" (seconds) or "9:0" (order:row).
bool parseSongPoint(const char* text, SongPoint& point);

const char* captureUsage();
