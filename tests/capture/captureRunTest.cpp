// strobarium-capture end to end: the real program on real Mesa, over a synthetic module and
// solid-colour bitmaps, run as a user runs it.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "capture/frameClock.h"
#include "capture/frameHash.h"
#include "tests/support/files.h"
#include "tests/support/testData.h"
#include "tools/xm/xmWriter.h"

namespace {

// Two orders of one 16-row pattern at speed 3, 125 bpm (0.96 s each): instrument 1 lights the
// field on row 0, instrument 2 plays on row 8.
XmModule syntheticModule()
{
    XmModule module;
    module.channels = 2;
    module.speed = 3;
    module.orders = {0, 0};
    module.patterns = {blankXmPattern(16, 2)};
    module.patterns[0].cells[0][0] = {xmNote(4, 0), 1, 0, 0, 0};
    module.patterns[0].cells[8][1] = {xmNote(4, 4), 2, 0, 0, 0};
    XmInstrument square;
    square.samples.resize(1);
    for (int s = 0; s < 32; ++s) square.samples[0].data.push_back(s < 16 ? 90 : -90);
    square.samples[0].loop = XmLoop::forward;
    square.samples[0].loopLength = 32;
    module.instruments = {square, square};
    return module;
}

struct Captured {
    int status = -1;
    std::string out, errors;
    std::vector<std::string> log;  // the frame log's lines, heading left out
};

TempDir* dir = nullptr;  // with Data/ from the synthetic module, for the whole suite

// The program run in `cwd` (default: the folder with Data/), writing to `out` there.
Captured capture(const std::string& out, const std::string& arguments, const std::string& prefix = "",
            const std::string& cwd = "")
{
    static int runs = 0;
    Captured run{-1, *dir / out, *dir / ("stderr-" + std::to_string(++runs)), {}};
    const int status = std::system(("cd '" + (cwd.empty() ? dir->path() : cwd) + "' && " + prefix + "'" +
                                    STROBARIUM_BINARY_DIR + "/strobarium-capture' -o '" + run.out + "' " + arguments +
                                    " 2>'" + run.errors + "' </dev/null").c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = readFileText(run.errors);
    std::istringstream log(readFileText(run.out + "/frames.log"));
    for (std::string line; std::getline(log, line);)
        if (line[0] != '#') run.log.push_back(line);
    return run;
}

// The hash logged for a frame, and the hash of the PNG written for it.
std::string loggedHash(const Captured& run, size_t frame)
{
    char hash[17] = "";
    std::sscanf(run.log.at(frame).c_str(), "%*s %*s %*s %*s %16s", hash);
    return hash;
}

// A frame's PNG: RGB, top row first, with its width and height last; empty when unreadable.
std::vector<uint8_t> pngPixels(const Captured& run, size_t frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06zu.png", frame);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, (run.out + name).c_str())) return {};
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
    png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr);
    return rgb;
}

std::string pngHash(const Captured& run, size_t frame)
{
    const std::vector<uint8_t> rgb = pngPixels(run, frame);
    if (rgb.empty()) return "no frame " + std::to_string(frame);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(frameHash(rgb.data(), rgb.size())));
    return hash;
}

class CaptureRun : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir("capture-run");
        ASSERT_TRUE(writeXm(*dir / "synthetic.xm", syntheticModule()));
        ASSERT_TRUE(writeTestData(dir->path(), defaultTestBitmaps(), *dir / "synthetic.xm"));
    }
    static void TearDownTestSuite() { delete dir; }
};

TEST_F(CaptureRun, SameFramesAndSoundOnEveryRunAndFromAnyStart)
{
    const Captured first = capture("first", "--fps 10", "PATH=/nonexistent ");  // no ffmpeg: PNG frames
    const Captured second = capture("second", "--fps 10 --png");
    const Captured later = capture("later", "--fps 10 --start 1:0 --end 1:3 --png");
    ASSERT_EQ(first.status + second.status + later.status, 0) << first.errors << second.errors << later.errors;
    EXPECT_NE(first.errors.find("into " + first.out + " (PNG frames)"), std::string::npos) << first.errors;
    EXPECT_EQ(first.log, second.log);
    ASSERT_EQ(first.log.size(), 21u) << "0 to 2.0 s: the song ends at 1.92 s, the capture in the frame after";
    EXPECT_NE(first.log.back().find(" 27:00000000"), std::string::npos) << "the end sync: " << first.log.back();
    const std::vector<uint8_t> sound = readFileBytes(first.out + "/audio.wav");
    EXPECT_EQ(sound, readFileBytes(second.out + "/audio.wav"));
    EXPECT_EQ(sound.size(), 44 + 4 * frameSample(21, 10, 1)) << "sound for as long as the frames are on screen";
    int changes = 0;
    for (size_t k = 0; k < first.log.size(); ++k) {
        EXPECT_EQ(loggedHash(first, k), pngHash(first, k)) << first.log[k];
        changes += k > 0 && loggedHash(first, k) != loggedHash(first, k - 1);
    }
    EXPECT_GE(changes, 15) << "the field moves";
    // Order 1 starts at 0.96 s, row 3 at 1.14 s: frames 10 and 11, rendered after unseen ones.
    EXPECT_EQ(later.log, std::vector<std::string>(first.log.begin() + 10, first.log.begin() + 12));
    EXPECT_EQ(pngHash(later, 9), "no frame 9");
}

// The default pass leaves out the quads that add nothing and batches the rest; --reference
// draws every particle as the live demo does. Each is the same on every run, and they agree
// to one step of 255 in every channel (llvmpipe may round a blend differently between them).
TEST_F(CaptureRun, ReferenceAndDefaultAgreeToOneStep)
{
    const Captured batched = capture("batched", "--fps 10 --png");
    const Captured reference = capture("reference", "--fps 10 --png --reference");
    const Captured again = capture("again", "--fps 10 --png --reference");
    ASSERT_EQ(batched.status + reference.status + again.status, 0) << batched.errors << reference.errors;
    EXPECT_EQ(reference.log, again.log);
    ASSERT_EQ(reference.log.size(), batched.log.size());
    for (size_t k = 0; k < reference.log.size(); ++k) {
        const std::vector<uint8_t> want = pngPixels(reference, k);
        const std::vector<uint8_t> got = pngPixels(batched, k);
        ASSERT_EQ(got.size(), size_t(1280 * 720 * 3)) << "frame " << k;
        ASSERT_EQ(want.size(), got.size()) << "frame " << k;
        for (size_t i = 0; i < want.size(); ++i)
            ASSERT_LE(std::abs(want[i] - got[i]), 1) << "frame " << k << " pixel " << i / 3 % 1280 << "," << i / 3 / 1280;
    }
    const Captured larger = capture("larger", "--fps 10 --end 0.2 --png --size 1920x1080");
    EXPECT_EQ(pngPixels(larger, 1).size(), size_t(1920 * 1080 * 3)) << larger.errors;
}

TEST_F(CaptureRun, VideoThroughFfmpegWithTheSoundMuxedIn)
{
    if (std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0)
        GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps installs it)";
    const Captured run = capture("video", "--fps 10 --end 0.5");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.log.size(), 5u);
    EXPECT_EQ(readFileText(run.out + "/video-only.mkv") + pngHash(run, 0), "no frame 0");
    ASSERT_EQ(std::system(("ffprobe -v error -count_frames -of compact -show_entries stream=codec_type,codec_name,"
                           "nb_read_frames,width,height,sample_rate,channels '" + run.out + "/video.mkv' >'" +
                           run.out + "/probe.txt'").c_str()), 0);
    const std::string streams = readFileText(run.out + "/probe.txt");
    EXPECT_NE(streams.find("codec_name=h264|codec_type=video|width=1280|height=720"), std::string::npos) << streams;
    EXPECT_NE(streams.find("nb_read_frames=5"), std::string::npos) << streams;
    EXPECT_NE(streams.find("codec_name=flac|codec_type=audio|sample_rate=44100|channels=2"), std::string::npos) << streams;
}

TEST_F(CaptureRun, BadInputGivesOneMessageAndFailure)
{
    writeFileBytes(*dir / "plainfile", {'x'});
    std::filesystem::create_directories(*dir / "blocked/audio.wav");
    std::filesystem::create_directories(*dir / "empty");
    ASSERT_TRUE(writeTestData(*dir / "silent"));
    const struct {
        const char* out;
        const char* arguments;
        const char* cwd;
        int status;
        std::string message;
    } cases[] = {
        {"bad", "--speed 2", "", 2, "unknown option '--speed'"},
        {"bad", "--start 40:0", "", 1, "--start: the song never plays order 40 row 0"},
        {"bad", "--start 1:8 --end 0.5", "", 1, "--end must lie after --start (no frame falls between them)"},
        {"bad", "--start 100", "", 1, "--start lies after the end of the demo"},
        {"plainfile", "--end 0.2", "", 1, "cannot create the output directory '" + *dir / "plainfile" + "'"},
        {"blocked", "--end 0.2 --png", "", 1, "cannot write '" + *dir / "blocked/audio.wav" + "'"},
        {"bad", "--end 0.2", "empty", 1, "cannot load the scene"},
        {"bad", "--end 0.2", "silent", 1, "cannot load the module \"Data/sonavel3.xm\""},
    };
    for (const auto& c : cases) {
        const Captured run = capture(c.out, std::string("--fps 10 ") + c.arguments, "", *c.cwd ? *dir / c.cwd : "");
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.errors;
        EXPECT_NE(run.errors.find("strobarium-capture: " + c.message), std::string::npos) << run.errors;
    }
}

}  // namespace
