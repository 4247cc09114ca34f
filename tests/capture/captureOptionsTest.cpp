// The capture's command line and its frame clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/captureOptions.h"

namespace {

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error)
{
    args.insert(args.begin(), "strobarium-capture");
    return parseCaptureOptions(int(args.size()), args.data(), options, error);
}

TEST(CaptureOptions, DefaultsWithoutArguments)
{
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({}, options, error));
    EXPECT_EQ(options.outputDir, "capture");
    EXPECT_EQ(options.fpsNumerator, 60u);
    EXPECT_EQ(options.fpsDenominator, 1u);
    EXPECT_EQ(options.start.kind, SongPoint::unset);
    EXPECT_EQ(options.end.kind, SongPoint::unset);
    EXPECT_FALSE(options.png);
}

TEST(CaptureOptions, EveryOptionIsTaken)
{
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"-o", "out/dir", "--fps", "60000/1001", "--start", "1:0", "--end", "12.25", "--png"}, options,
                      error))
        << error;
    EXPECT_EQ(options.outputDir, "out/dir");
    EXPECT_EQ(options.fpsNumerator, 60000u);
    EXPECT_EQ(options.fpsDenominator, 1001u);
    EXPECT_EQ(options.start.kind, SongPoint::position);
    EXPECT_EQ(options.start.order, 1);
    EXPECT_EQ(options.start.row, 0);
    EXPECT_EQ(options.end.kind, SongPoint::seconds);
    EXPECT_DOUBLE_EQ(options.end.secondsValue, 12.25);
    EXPECT_TRUE(options.png);
    ASSERT_TRUE(parse({"--output", "x", "--help"}, options, error));
    EXPECT_EQ(options.outputDir, "x");
    EXPECT_TRUE(options.help);
}

TEST(CaptureOptions, FrameRates)
{
    struct Case {
        const char* text;
        bool ok;
        uint32_t numerator, denominator;
    };
    const Case cases[] = {
        {"60", true, 60, 1},        {"25", true, 25, 1},        {"60000/1001", true, 60000, 1001},
        {"1", true, 1, 1},          {"1000", true, 1000, 1},    {"30000/1001", true, 30000, 1001},
        {"0", false, 0, 0},         {"1001", false, 0, 0},      {"1/2", false, 0, 0},
        {"60/0", false, 0, 0},      {"59.94", false, 0, 0},     {"-60", false, 0, 0},
        {"", false, 0, 0},          {"60/", false, 0, 0},       {"/1", false, 0, 0},
        {"60x", false, 0, 0},       {" 60", false, 0, 0},       {"99999999999", false, 0, 0},
        {"60/1/1", false, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t n = 7;
        uint32_t d = 7;
        EXPECT_EQ(parseFrameRate(c.text, n, d), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_EQ(n, c.numerator) << c.text;
            EXPECT_EQ(d, c.denominator) << c.text;
        } else {
            EXPECT_EQ(n, 7u) << "a refused rate leaves the old value: " << c.text;
        }
    }
}

TEST(CaptureOptions, SongPoints)
{
    struct Case {
        const char* text;
        bool ok;
        SongPoint::Kind kind;
        double seconds;
        int order, row;
    };
    const Case cases[] = {
        {"0", true, SongPoint::seconds, 0, 0, 0},
        {"12.5", true, SongPoint::seconds, 12.5, 0, 0},
        {".5", true, SongPoint::seconds, 0.5, 0, 0},
        {"3.", true, SongPoint::seconds, 3, 0, 0},
        {"9:0", true, SongPoint::position, 0, 9, 0},
        {"17:16", true, SongPoint::position, 0, 17, 16},
        {"255:255", true, SongPoint::position, 0, 255, 255},
        {"256:0", false, SongPoint::unset, 0, 0, 0},
        {"1:256", false, SongPoint::unset, 0, 0, 0},
        {"1:", false, SongPoint::unset, 0, 0, 0},
        {":1", false, SongPoint::unset, 0, 0, 0},
        {"1:2:3", false, SongPoint::unset, 0, 0, 0},
        {"-1", false, SongPoint::unset, 0, 0, 0},
        {"1e3", false, SongPoint::unset, 0, 0, 0},
        {"inf", false, SongPoint::unset, 0, 0, 0},
        {"nan", false, SongPoint::unset, 0, 0, 0},
        {"1.2.3", false, SongPoint::unset, 0, 0, 0},
        {".", false, SongPoint::unset, 0, 0, 0},
        {"", false, SongPoint::unset, 0, 0, 0},
        {"100000", false, SongPoint::unset, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SongPoint point;
        EXPECT_EQ(parseSongPoint(c.text, point), c.ok) << "'" << c.text << "'";
        EXPECT_EQ(point.kind, c.kind) << c.text;
        if (c.kind == SongPoint::seconds) {
            EXPECT_DOUBLE_EQ(point.secondsValue, c.seconds) << c.text;
        }
        if (c.kind == SongPoint::position) {
            EXPECT_EQ(point.order, c.order) << c.text;
            EXPECT_EQ(point.row, c.row) << c.text;
        }
    }
}

TEST(CaptureOptions, MistakesAreNamedInTheMessage)
{
    struct Case {
        std::vector<const char*> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"capture-dir"}, "unknown option 'capture-dir'"},
        {{"--fps"}, "'--fps' needs a value"},
        {{"-o"}, "'-o' needs a value"},
        {{"--output", ""}, "output directory must not be empty"},
        {{"--fps", "fast"}, "bad frame rate 'fast'"},
        {{"--fps", "0"}, "bad frame rate '0'"},
        {{"--start", "soon"}, "bad song point 'soon' for --start"},
        {{"--end", "3:x"}, "bad song point '3:x' for --end"},
        {{"--start", "5", "--end", "4"}, "--end must lie after --start"},
        {{"--start", "5", "--end", "5"}, "--end must lie after --start"},
        {{"--start", "9:8", "--end", "9:0"}, "--end must lie after --start"},
        {{"--start", "9:8", "--end", "8:60"}, "--end must lie after --start"},
    };
    for (const Case& c : cases) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(parse(c.args, options, error)) << c.mentions;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << "got: " << error;
    }
    // Different kinds cannot be compared without the song: the capture decides.
    CaptureOptions options;
    std::string error;
    EXPECT_TRUE(parse({"--start", "9:0", "--end", "1"}, options, error));
}

TEST(FrameClock, FramesFallOnWholeSamples)
{
    EXPECT_EQ(frameSample(0, 60, 1), 0u);
    EXPECT_EQ(frameSample(1, 60, 1), 735u);
    EXPECT_EQ(frameSample(60, 60, 1), 44100u);
    EXPECT_EQ(frameSample(1, 25, 1), 1764u);
    EXPECT_EQ(frameSample(1, 60000, 1001), 735u);              // 735.735
    EXPECT_EQ(frameSample(1001, 60000, 1001), 736470u);        // 736470.735
    EXPECT_EQ(frameSample(60000, 60000, 1001), 44144100u);     // 1001 s exactly
    EXPECT_EQ(frameSample(3, 7, 1), 18900u);
    // Two hours at 1000 fps stays exact in 64 bits.
    EXPECT_EQ(frameSample(7200000, 1000000, 1000), 7200u * 44100u);
}

TEST(FrameClock, FirstFrameAtOrAfterInvertsTheClock)
{
    const uint32_t rates[][2] = {{60, 1}, {60000, 1001}, {25, 1}, {7, 3}, {1000, 1}, {1, 1}};
    for (const auto& rate : rates) {
        for (uint64_t sample = 0; sample < 200000; sample += 37) {
            const uint64_t k = firstFrameAtOrAfter(sample, rate[0], rate[1]);
            ASSERT_GE(frameSample(k, rate[0], rate[1]), sample) << rate[0] << "/" << rate[1] << " at " << sample;
            if (k > 0) {
                ASSERT_LT(frameSample(k - 1, rate[0], rate[1]), sample);
            }
        }
        for (uint64_t k = 0; k < 2000; ++k)
            ASSERT_EQ(firstFrameAtOrAfter(frameSample(k, rate[0], rate[1]), rate[0], rate[1]), k);
    }
}

}  // namespace
