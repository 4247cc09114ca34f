// The capture's command line and its frame clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/captureOptions.h"
#include "capture/frameClock.h"

namespace {

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error)
{
    args.insert(args.begin(), "strobarium-capture");
    return parseCaptureOptions(int(args.size()), args.data(), options, error);
}

TEST(CaptureOptions, EveryOptionIsTakenAtItsEdges)
{
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(parse({"-o", "out", "--fps", "60000/1001", "--start", "255:255", "--end", "3.", "--png", "-h"}, o, error));
    EXPECT_EQ(o.outputDir + " " + std::to_string(o.fpsNumerator) + "/" + std::to_string(o.fpsDenominator), "out 60000/1001");
    EXPECT_TRUE(o.start.kind == SongPoint::position && o.start.order == 255 && o.start.row == 255);
    EXPECT_TRUE(o.end.kind == SongPoint::seconds && o.end.secondsValue == 3.0 && o.png && o.help);
    for (const auto& args : {std::vector<const char*>{"--fps", "1", "--start", ".5"}, {"--fps", "1000", "--output", "x"},
                             {"--start", "9:0", "--end", "1"}})  // seconds against a position: the song decides
        EXPECT_TRUE(parse(args, o, error)) << args[1] << ": " << error;
    EXPECT_EQ(o.width * 10000 + o.height + o.crf + o.reference, 12800720 + 16) << "defaults: 1280x720, CRF 16";
    EXPECT_EQ(o.preset, "ultrafast");
    ASSERT_TRUE(parse({"--size", "3840x2160", "--crf", "51", "--preset", "placebo", "--reference"}, o, error)) << error;
    EXPECT_EQ(o.width * 10000 + o.height + o.crf + o.reference, 38402160 + 52);
    EXPECT_EQ(o.preset, "placebo");
    ASSERT_TRUE(parse({"--size", "320x180", "--crf", "0", "--preset", "medium"}, o, error)) << error;
    EXPECT_EQ(o.width * 10000 + o.height + o.crf, 3200180);
}

// One row for each way the command line can be wrong.
TEST(CaptureOptions, EachMistakeIsNamed)
{
    const struct {
        std::vector<const char*> args;
        const char* message;
    } cases[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--fps"}, "option '--fps' needs a value"},
        {{"--output", ""}, "the output directory must not be empty"},
        {{"--fps", ""}, "bad frame rate ''"},
        {{"--fps", "59.94"}, "bad frame rate '59.94'"},
        {{"--fps", "60/0"}, "bad frame rate '60/0'"},
        {{"--fps", "1001"}, "bad frame rate '1001'"},
        {{"--fps", "1/2"}, "bad frame rate '1/2'"},
        {{"--fps", "99999999999"}, "bad frame rate '99999999999'"},
        {{"--start", "256:0"}, "bad song point '256:0' for --start"},
        {{"--end", "1:"}, "bad song point '1:' for --end"},
        {{"--start", "1e3"}, "bad song point '1e3' for --start"},
        {{"--start", "1.2.3"}, "bad song point '1.2.3' for --start"},
        {{"--start", "."}, "bad song point '.' for --start"},
        {{"--start", "100000"}, "bad song point '100000' for --start"},
        {{"--size", "1920+1080"}, "bad size '1920+1080'"},
        {{"--size", "1920x1200"}, "size '1920x1200' is not 16:9"},
        {{"--size", "7680x4320"}, "size '7680x4320' is out of range"},
        {{"--size", "304x171"}, "size '304x171' is out of range"},
        {{"--crf", "52"}, "bad CRF '52'"},
        {{"--preset", "ultrafaster"}, "unknown preset 'ultrafaster'"},
        {{"--start", "5", "--end", "5"}, "--end must lie after --start"},
        {{"--start", "9:8", "--end", "8:60"}, "--end must lie after --start"},
        {{"--start", "9:8", "--end", "9:8"}, "--end must lie after --start"},
    };
    for (const auto& c : cases) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(parse(c.args, options, error)) << c.message;
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << "got: " << error;
    }
}

TEST(FrameClock, FramesFallOnWholeSamplesAndFirstFrameAtOrAfterInvertsThem)
{
    EXPECT_EQ(frameSample(1, 60, 1), 735u);
    EXPECT_EQ(frameSample(1001, 60000, 1001), 736470u);              // 736470.735
    EXPECT_EQ(frameSample(7200000, 1000000, 1000), 7200u * 44100u);  // two hours at 1000 fps
    for (const auto& rate : {std::pair<uint32_t, uint32_t>{60, 1}, {60000, 1001}, {25, 1}, {7, 3}, {1000, 1}, {1, 1}}) {
        for (uint64_t sample = 0; sample < 200000; sample += 37) {
            const uint64_t k = firstFrameAtOrAfter(sample, rate.first, rate.second);
            ASSERT_GE(frameSample(k, rate.first, rate.second), sample) << rate.first << "/" << rate.second;
            ASSERT_TRUE(k == 0 || frameSample(k - 1, rate.first, rate.second) < sample) << "frame " << k;
        }
        for (uint64_t k = 0; k < 2000; ++k)
            ASSERT_EQ(firstFrameAtOrAfter(frameSample(k, rate.first, rate.second), rate.first, rate.second), k);
    }
}

}  // namespace
