// The capture's parts on their own: command line, frame clock and the frame sink's thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "capture/captureOptions.h"
#include "capture/frameClock.h"
#include "capture/frameSink.h"

namespace {

bool parse(std::vector<const char*> args, CaptureOptions& options, std::string& error)
{
    args.insert(args.begin(), "strobarium-capture");
    return parseCaptureOptions(int(args.size()), args.data(), options, error);
}

TEST(CaptureOptions, EachMistakeIsNamed)
{
    const struct {
        std::vector<const char*> args;
        const char* message;
    } cases[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--fps"}, "option '--fps' needs a value"},
        {{"--output", ""}, "the output directory must not be empty"},
        {{"--fps", "59.94"}, "bad frame rate '59.94'"},
        {{"--fps", "60/0"}, "bad frame rate '60/0'"},
        {{"--fps", "1001"}, "bad frame rate '1001'"},
        {{"--start", "256:0"}, "bad song point '256:0' for --start"},
        {{"--start", "1e3"}, "bad song point '1e3' for --start"},
        {{"--start", "1.2.3"}, "bad song point '1.2.3' for --start"},
        {{"--start", "100000"}, "bad song point '100000' for --start"},
        {{"--size", "1920+1080"}, "bad size '1920+1080'"},
        {{"--size", "1920x1200"}, "size '1920x1200' is not 16:9"},
        {{"--size", "304x171"}, "size '304x171' is out of range"},
        {{"--crf", "52"}, "bad CRF '52'"},
        {{"--preset", "ultrafaster"}, "unknown preset 'ultrafaster'"},
        {{"--start", "5", "--end", "5"}, "--end must lie after --start"},
        {{"--start", "9:8", "--end", "9:8"}, "--end must lie after --start"},
        {{"--jobs", "0"}, "bad job count '0'"},
        {{"--jobs", "257"}, "bad job count '257'"},
        {{"--part", "3/2"}, "bad part '3/2'"},
        {{"--part", "0/2"}, "bad part '0/2'"},
        {{"--part", "2"}, "bad part '2'"},
        {{"--part", "1/2", "--jobs", "2"}, "--jobs and --part do not go together"},
        {{"--join"}, "--join needs the part folders"},
    };
    for (const auto& c : cases) {
        CaptureOptions options;
        std::string error;
        EXPECT_TRUE(!parse(c.args, options, error) && error.rfind(c.message, 0) == 0) << c.message << ", got: " << error;
    }
}

// Values at their edges, and the arguments --jobs hands its parts read back as given.
TEST(CaptureOptions, EdgesAndTheArgumentsOfOptionsGiveThemBack)
{
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--start", "255:255", "--end", "3.", "-h", "--crf", "51", "--preset", "placebo", "--reference"}, o, error));
    EXPECT_TRUE(o.start.order == 255 && o.start.row == 255 && o.end.secondsValue == 3.0 && o.help && o.reference);
    // Written in captureArguments' own order, a line of every option a part is given comes back as it was.
    const std::vector<const char*> full = {"-o", "a b", "--fps", "60000/1001", "--size", "640x360", "--crf", "0", "--preset", "slow",
                                           "--start", "0.1", "--end", "123.456789", "--part", "2/7", "--reference", "--png", "--mp4", "-y"};
    for (const auto& line : {std::vector<const char*>{}, full, {"--start", "9:8", "--end", "17:16", "--jobs", "4"}}) {
        CaptureOptions first, second;
        ASSERT_TRUE(parse(line, first, error)) << error;
        const std::vector<std::string> args = captureArguments(first);
        std::vector<const char*> again;
        for (const std::string& arg : args) again.push_back(arg.c_str());
        ASSERT_TRUE(parse(again, second, error)) << error;
        EXPECT_EQ(captureArguments(second), args);
        EXPECT_TRUE(second.jobs == 1 && (line != full || args == std::vector<std::string>(full.begin(), full.end())));
    }
}

TEST(FrameClock, FramesFallOnWholeSamplesAndFirstFrameAtOrAfterInvertsThem)
{
    EXPECT_EQ(frameSample(1001, 60000, 1001), 736470u);              // 736470.735
    EXPECT_EQ(frameSample(7200000, 1000000, 1000), 7200u * 44100u);  // two hours at 1000 fps
    for (const auto& rate : {std::pair<uint32_t, uint32_t>{60000, 1001}, {25, 1}, {7, 3}, {1000, 1}, {1, 1}})
        for (uint64_t sample = 0; sample < 200000; sample += 37) {
            const uint64_t k = firstFrameAtOrAfter(sample, rate.first, rate.second);
            ASSERT_GE(frameSample(k, rate.first, rate.second), sample) << rate.first << "/" << rate.second;
            ASSERT_TRUE(k == 0 || frameSample(k - 1, rate.first, rate.second) < sample) << "frame " << k;
        }
}

// Frames go through the sink's own thread to the video pipe whole, in order, back to back (their
// pixels, made upright, are the reference frames' in the run test).
TEST(FrameSink, FramesLeaveInOrderThroughThePipe)
{
    constexpr int width = 67, height = 13;
    FILE* log = std::tmpfile();
    FILE* video = std::tmpfile();
    ASSERT_TRUE(log && video && startFrameSink({log, video, "", "", width, height}));
    std::string frames;
    for (uint64_t f = 0; f < 5; ++f) {
        FrameSlot& slot = claimFrameSlot();
        std::fill_n(slot.pixels, width * height * 4, uint8_t(f + 1));
        frames += std::string(width * height * 3, char(f + 1));
        submitFrameSlot();
    }
    std::string reason;
    ASSERT_TRUE(finishFrameSink(reason)) << reason;
    std::string written(frames.size() + 1, '\0');
    std::rewind(video);
    written.resize(std::fread(&written[0], 1, written.size(), video));
    EXPECT_EQ(written, frames);
    std::fclose(log);
    std::fclose(video);
}

}  // namespace
