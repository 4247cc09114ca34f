// The flash analyser on clips with known answers: it must pass what keeps to three flashes a
// second and fail what does not, for the whole picture, a patch under a quarter of it, and red.
#include "capture/pngWriter.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Clip {
    const char* name;
    double hertz;           // cycles a second, at 60 frames a second
    int patchHeight;        // of the 90-row picture: the top rows alternate, the rest stays off
    uint8_t on[3], off[3];  // the two states
    const char* verdict;
    const char* general;    // how the figures begin
    const char* red;
    const char* worst;      // a worst window, by its time and song position, or nothing
};

// Red and a grey of the same luminance: a red flash without a general one.
const Clip clips[] = {
    {"3 Hz", 3, 90, {255, 255, 255}, {0, 0, 0}, "verdict: PASS", "general flashes on 32x18 cells: 5 in all; most in any second 3;", "red flashes on 32x18 cells: 0 in all; most in any second 0;", ""},
    {"4 Hz", 4, 90, {255, 255, 255}, {0, 0, 0}, "verdict: FAIL on general flashes", "general flashes on 32x18 cells: 7 in all; most in any second 4; whole seconds over 3: 1 of 2;", "red flashes on 32x18 cells: 0 in all",
     "\n  4 in the second from 0.02 s (order 7 row 0) to 1.00 s (order 7 row 8)\n"},
    {"5 Hz on a fifth", 5, 18, {255, 255, 255}, {0, 0, 0}, "verdict: PASS", "general flashes on 32x18 cells: 0 in all; most in any second 0;", "red flashes on 32x18 cells: 0 in all", ""},
    {"5 Hz red on grey", 5, 90, {255, 0, 0}, {127, 127, 127}, "verdict: FAIL on red flashes", "general flashes on 32x18 cells: 0 in all; most in any second 0;", "red flashes on 32x18 cells: 9 in all; most in any second 5; whole seconds over 3: 2 of 2;", ""},
};

// Two seconds of a 160x90 picture that starts in the off state, the frames and frames.log as the capture writes them.
void makeClip(const Clip& clip, const std::string& dir)
{
    const int width = 160, height = 90, frames = 120;
    std::string why, log = "# frame sample order row hash syncs (schedule point:data)\n";
    std::vector<uint8_t> rgb(width * height * 3);
    for (int f = 0; f < frames; ++f) {
        const bool on = int(f * 2 * clip.hertz / 60) % 2 == 1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                std::memcpy(&rgb[3 * (y * width + x)], y < clip.patchHeight ? (on ? clip.on : clip.off) : clip.off, 3);
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06d.png", f);
        ASSERT_TRUE(writePng(dir + name, rgb.data(), width, height, why)) << why;
        log += std::to_string(f) + " " + std::to_string(735 * f) + " 7 " + std::to_string(f / 7) + " 0 -\n";
    }
    ASSERT_TRUE(writeFileBytes(dir + "/frames.log", {log.begin(), log.end()}));
}

std::string run(const std::string& dir, int& status)
{
    status = std::system((STROBARIUM_BINARY_DIR "/bench/data/flash_check " + dir + " > " + dir + "/figures.txt").c_str());
    return readFileText(dir + "/figures.txt");
}

}  // namespace

TEST(FlashCheck, CountsFlashesOnClipsWithKnownAnswersAndRefusesACaptureWithoutFrames)
{
    for (const Clip& clip : clips) {
        const TempDir dir("flash-check");
        makeClip(clip, dir.path());
        int status = 0;
        const std::string text = run(dir.path(), status);
        for (const char* said : {clip.verdict, clip.general, clip.red, clip.worst})
            EXPECT_NE(text.find(said), std::string::npos) << clip.name << ":\n" << text;
        EXPECT_EQ(WEXITSTATUS(status), std::strcmp(clip.verdict, "verdict: PASS") == 0 ? 0 : 1) << clip.name;
    }
    const TempDir dir("flash-check");  // a log naming a frame that is not there
    ASSERT_TRUE(writeFileBytes(dir / "frames.log", {'0', ' ', '0', ' ', '0', ' ', '0', ' ', '0', '\n'}));
    int status = 0;
    run(dir.path(), status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}
