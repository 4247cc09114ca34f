// strobarium-capture end to end: the real program on real Mesa, over a synthetic module and
// solid-colour bitmaps, run as a user runs it.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
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

// The folder with Data/ from the synthetic module, made once for the whole suite.
const TempDir& dir()
{
    static const TempDir dir("capture-run");
    static const bool written = writeXm(dir / "synthetic.xm", syntheticModule()) &&
                                writeTestData(dir.path(), defaultTestBitmaps(), dir / "synthetic.xm");
    EXPECT_TRUE(written);
    return dir;
}

struct Captured { int status; std::string out, errors; std::vector<std::string> log; };  // log: no heading

// The program run in `cwd` (default: the folder with Data/), writing to `out` there.
Captured capture(const std::string& out, const std::string& arguments, const std::string& prefix = "",
                 const std::string& cwd = "")
{
    Captured run{-1, dir() / out, dir() / (out + ".stderr"), {}};
    const int status = std::system(("cd '" + (cwd.empty() ? dir().path() : cwd) + "' && " + prefix + "'" +
                                    STROBARIUM_BINARY_DIR + "/strobarium-capture' -o '" + run.out + "' " + arguments +
                                    " 2>'" + run.errors + "' </dev/null").c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = readFileText(run.errors);
    std::istringstream log(readFileText(run.out + "/frames.log"));
    for (std::string line; std::getline(log, line);)
        if (line[0] != '#') run.log.push_back(line);
    return run;
}

// Where the run wrote frame `frame` as PNG.
std::string framePng(const Captured& run, size_t frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06zu.png", frame);
    return run.out + name;
}

// A PNG's pixels: RGB, top row first; empty when there is none.
std::vector<uint8_t> pngPixels(const std::string& path)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
    png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr);
    return rgb;
}

// Both passes, each twice in effect: the default pass leaves out the quads that add nothing
// and batches the rest; --reference draws every particle as the live demo does. They agree to
// one step of 255 in every channel (llvmpipe may round a blend differently between them).
TEST(CaptureRun, SameFramesAndSoundOnEveryRunFromAnyStartInEitherPass)
{
    const Captured first = capture("first", "--fps 10", "PATH=/nonexistent ");  // no ffmpeg: PNG frames
    const Captured second = capture("second", "--fps 10 --png");
    const Captured later = capture("later", "--fps 10 --start 1:0 --end 1:3 --png");
    const Captured reference = capture("reference", "--fps 10 --png --reference");
    const Captured again = capture("again", "--fps 10 --png --reference");
    ASSERT_EQ(first.status + second.status + later.status + reference.status + again.status, 0)
        << first.errors << second.errors << later.errors << reference.errors;
    EXPECT_EQ(first.log, second.log);
    EXPECT_EQ(reference.log, again.log);
    ASSERT_EQ(first.log.size(), 21u) << "0 to 2.0 s: the song ends at 1.92 s, the capture in the frame after";
    EXPECT_NE(first.log.back().find(" 27:00000000"), std::string::npos) << "the end sync: " << first.log.back();
    const std::vector<uint8_t> sound = readFileBytes(first.out + "/audio.wav");
    EXPECT_EQ(sound, readFileBytes(second.out + "/audio.wav"));
    ASSERT_EQ(sound.size(), 44 + 4 * frameSample(21, 10, 1)) << "sound for as long as the frames are on screen";
    uint32_t sizes[2];  // RIFF's (all after it) and the data's, filled in on closing
    std::memcpy(&sizes[0], &sound[4], 4);
    std::memcpy(&sizes[1], &sound[40], 4);
    EXPECT_TRUE(sizes[0] + 8 == sound.size() && sizes[1] + 44 == sound.size()) << sizes[0] << " " << sizes[1];
    // The log's columns: frame, sample, order, row (-1 before the song), hash, syncs or "-".
    EXPECT_TRUE(std::regex_match(first.log[0], std::regex("0 0 -1 -1 [0-9a-f]{16} -"))) << first.log[0];
    EXPECT_TRUE(std::regex_match(first.log[10], std::regex("10 44100 1 0 [0-9a-f]{16} [0-9]+:[0-9a-f]{8}.*"))) << first.log[10];
    int changes = 0;
    unsigned long long previous = 0;
    for (size_t k = 0; k < first.log.size(); ++k) {
        const std::vector<uint8_t> want = pngPixels(framePng(reference, k)), got = pngPixels(framePng(first, k));
        unsigned long long logged = 0;
        std::sscanf(first.log[k].c_str(), "%*s %*s %*s %*s %llx", &logged);
        EXPECT_EQ(logged, frameHash(got.data(), got.size())) << first.log[k];
        changes += logged != std::exchange(previous, logged);
        ASSERT_EQ(want.size(), size_t(1280 * 720 * 3)) << "frame " << k;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin(), got.end(),
                               [](int a, int b) { return std::abs(a - b) <= 1; })) << "frame " << k;
    }
    EXPECT_GE(changes, 15) << "the field moves";
    // Order 1 starts at 0.96 s, row 3 at 1.14 s: frames 10 and 11, rendered after unseen ones.
    EXPECT_EQ(later.log, std::vector<std::string>(first.log.begin() + 10, first.log.begin() + 12));
    EXPECT_TRUE(pngPixels(framePng(later, 9)).empty());
    const std::vector<uint8_t> laterSound = readFileBytes(later.out + "/audio.wav");
    ASSERT_EQ(laterSound.size(), 44 + 4 * (frameSample(12, 10, 1) - frameSample(10, 10, 1)));
    EXPECT_TRUE(std::equal(laterSound.begin() + 44, laterSound.end(), sound.begin() + 44 + 4 * frameSample(10, 10, 1)));
}

TEST(CaptureRun, VideoThroughFfmpegWithTheSoundMuxedIn)
{
    if (std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0)
        GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps installs it)";
    const Captured run = capture("video", "--fps 10 --end 0.5 --size 1920x1080");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(readFileText(run.out + "/video-only.mkv").empty() && pngPixels(framePng(run, 0)).empty());
    ASSERT_EQ(std::system(("ffprobe -v error -count_frames -of compact -show_entries stream=codec_type,codec_name,"
                           "nb_read_frames,width,height,sample_rate,channels '" + run.out + "/video.mkv' >'" +
                           run.out + "/probe.txt'").c_str()), 0);
    const std::string streams = readFileText(run.out + "/probe.txt");
    EXPECT_NE(streams.find("codec_name=h264|codec_type=video|width=1920|height=1080|nb_read_frames=5"), std::string::npos) << streams;
    EXPECT_NE(streams.find("codec_name=flac|codec_type=audio|sample_rate=44100|channels=2"), std::string::npos) << streams;
}

TEST(CaptureRun, BadInputGivesOneMessageAndFailure)
{
    writeFileBytes(dir() / "plainfile", {'x'});
    for (const char* blocker : {"blocked/audio.wav", "empty", "unwritable/frame-000000.png"})
        std::filesystem::create_directories(dir() / blocker);
    ASSERT_TRUE(writeTestData(dir() / "silent"));
    const struct { const char *out, *arguments, *cwd; int status; std::string message; } cases[] = {
        {"bad", "--speed 2", "", 2, "unknown option '--speed'"},
        {"bad", "--start 40:0", "", 1, "--start: the song never plays order 40 row 0"},
        {"bad", "--start 1:8 --end 0.5", "", 1, "--end must lie after --start (no frame falls between them)"},
        {"bad", "--start 100", "", 1, "--start lies after the end of the demo"},
        {"plainfile", "--end 0.2", "", 1, "cannot create the output directory '" + dir() / "plainfile" + "'"},
        {"blocked", "--end 0.2 --png", "", 1, "cannot write '" + dir() / "blocked/audio.wav" + "'"},
        {"unwritable", "--end 0.2 --png", "", 1, "writing " + dir() / "unwritable/frame-000000.png"},
        {"bad", "--end 0.2", "empty", 1, "cannot load the scene"},
        {"bad", "--end 0.2", "silent", 1, "cannot load the module \"Data/sonavel3.xm\""},
    };
    for (const auto& c : cases) {
        const Captured run = capture(c.out, std::string("--fps 10 ") + c.arguments, "", *c.cwd ? dir() / c.cwd : "");
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.errors;
        EXPECT_NE(run.errors.find("strobarium-capture: " + c.message), std::string::npos) << run.errors;
    }
}

// The real demo's frames at a few points of the real song (the build's Data/) against the ones
// kept in reference-frames/, listed in its frames.txt: a change of what the demo shows fails
// here. Every channel within two steps of 255: room for a rounding change in Mesa, none for a
// changed picture. STROBARIUM_REMAKE_REFERENCE_FRAMES=1 (scripts/remake-reference-frames)
// writes them anew instead.
TEST(ReferenceFrames, TheDemoShowsWhatItShowedWhenTheyWereKept)
{
    const std::string kept = STROBARIUM_SOURCE_DIR "/tests/capture/reference-frames/";
    const bool remake = std::getenv("STROBARIUM_REMAKE_REFERENCE_FRAMES") != nullptr;
    std::istringstream manifest(readFileText(kept + "frames.txt"));
    int points = 0;
    for (std::string line, name, start, end; std::getline(manifest, line);) {
        if (line[0] == '#' || !(std::istringstream(line) >> name >> start >> end)) continue;
        ++points;
        const Captured run = capture("reference-" + name, "--size 320x180 --png --start " + start + " --end " + end, "",
                                     STROBARIUM_BINARY_DIR);
        ASSERT_TRUE(run.status == 0 && !run.log.empty()) << name << ": " << run.errors;
        const std::string png = framePng(run, std::stoul(run.log[0]));
        if (remake) {
            EXPECT_TRUE(writeFileBytes(kept + name + ".png", readFileBytes(png))) << name;
            continue;
        }
        const std::vector<uint8_t> got = pngPixels(png), want = pngPixels(kept + name + ".png");
        ASSERT_TRUE(got.size() == 320 * 180 * 3 && want.size() == got.size()) << name;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin(), [](int a, int b) { return std::abs(a - b) <= 2; }))
            << name << ": more than two steps off; if the picture changed on purpose, run scripts/remake-reference-frames";
    }
    EXPECT_GE(points, 5) << kept << "frames.txt";
}

}  // namespace
