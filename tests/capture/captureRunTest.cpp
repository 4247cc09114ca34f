// strobarium-capture end to end: the real program on real Mesa, over a synthetic module and
// solid-colour bitmaps, checked against libxmp, the player's timeline and the picture itself.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xmp.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "capture/captureOptions.h"
#include "capture/frameHash.h"
#include "player/offline.h"
#include "player/timeline.h"
#include "sync/music.h"
#include "tests/support/testData.h"
#include "tools/xm/xmWriter.h"

namespace {

namespace fs = std::filesystem;

const fs::path captureProgram = fs::path(STROBARIUM_BINARY_DIR) / "strobarium-capture";
constexpr uint32_t testFps = 10;
constexpr uint64_t samplesPerFrame = 44100 / testFps;

// Two instruments with a looped square wave; instrument 1 strikes on row 0 of every order,
// so that the band lights up at order 0 and the title shows over a lit field at order 1.
XmModule syntheticModule()
{
    XmModule module;
    module.title = "capture test";
    module.channels = 2;
    module.speed = 3;
    module.bpm = 125;
    XmPattern first = blankXmPattern(16, 2);
    first.cells[0][0] = {xmNote(4, 0), 1, xmVolume(48), 0, 0};
    first.cells[8][1] = {xmNote(4, 4), 2, xmVolume(40), 0, 0};
    XmPattern second = blankXmPattern(16, 2);
    second.cells[0][0] = {xmNote(4, 7), 1, xmVolume(64), 0, 0};
    second.cells[4][1] = {xmNote(5, 0), 2, xmVolume(32), 0, 0};
    second.cells[8][0] = {xmNote(3, 9), 1, 0, 0, 0};
    second.cells[12][0] = {xmKeyOff, 0, 0, 0, 0};
    module.patterns = {first, second};
    module.orders = {0, 1};
    for (int i = 0; i < 2; ++i) {
        XmSample sample;
        sample.name = "square";
        for (int s = 0; s < 64; ++s) sample.data.push_back(int16_t((s / (16 + 16 * i)) % 2 ? 90 : -90));
        sample.loop = XmLoop::forward;
        sample.loopStart = 0;
        sample.loopLength = 64;
        XmInstrument instrument;
        instrument.name = i ? "two" : "one";
        instrument.samples = {sample};
        module.instruments.push_back(instrument);
    }
    return module;
}

struct CaptureResult {
    int status = -1;
    std::string errors;
    fs::path out;
};

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Runs the capture in `dir` (where Data/ is), writing to `out`; extra shell text may set PATH.
CaptureResult capture(const fs::path& dir, const fs::path& out, const std::string& arguments, const std::string& prefix = "")
{
    CaptureResult run;
    run.out = out;
    const fs::path errors = dir / ("stderr-" + out.filename().string());
    const std::string command = "cd " + quoted(dir.string()) + " && " + prefix + quoted(captureProgram.string()) +
                                " -o " + quoted(out.string()) + " " + arguments + " 2>" + quoted(errors.string()) +
                                " </dev/null";
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errors);
    run.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return run;
}

struct LogLine {
    uint64_t frame = 0;
    uint64_t sample = 0;
    int order = 0;
    int row = 0;
    std::string hash;
    std::string syncs;
};

std::vector<LogLine> readLog(const fs::path& path)
{
    std::vector<LogLine> lines;
    std::ifstream in(path);
    for (std::string text; std::getline(in, text);) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream fields(text);
        LogLine line;
        fields >> line.frame >> line.sample >> line.order >> line.row >> line.hash;
        std::getline(fields >> std::ws, line.syncs);
        lines.push_back(line);
    }
    return lines;
}

std::vector<uint8_t> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }  // y from the top
};

Picture readPicture(const fs::path& path)
{
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return Picture{};
    picture.width = int(image.width);
    picture.height = int(image.height);
    return picture;
}

fs::path framePath(const fs::path& out, uint64_t frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06" PRIu64 ".png", frame);
    return out / name;
}

// Pixels of a rectangle whose brightest channel exceeds `threshold`.
int litPixels(const Picture& picture, int x0, int y0, int x1, int y1, int threshold)
{
    int lit = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = picture.at(x, y);
            if (std::max({p[0], p[1], p[2]}) > threshold) ++lit;
        }
    return lit;
}

::testing::AssertionResult colourNear(const uint8_t* pixel, int r, int g, int b, int tolerance)
{
    if (std::abs(pixel[0] - r) <= tolerance && std::abs(pixel[1] - g) <= tolerance && std::abs(pixel[2] - b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << int(pixel[0]) << ", " << int(pixel[1]) << ", "
                                         << int(pixel[2]) << ") is not (" << r << ", " << g << ", " << b << ") ±"
                                         << tolerance;
}

class CaptureRun : public ::testing::Test {
protected:
    static fs::path dir;
    static fs::path modulePath;
    static CaptureResult whole;  // the whole song, PNG frames; made by the first test that needs it

    static const CaptureResult& wholeSong()
    {
        if (whole.status < 0) whole = capture(dir, dir / "whole", "--fps 10 --png");
        return whole;
    }

    static void SetUpTestSuite()
    {
        dir = fs::temp_directory_path() / ("capture-run-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        modulePath = dir / "synthetic.xm";
        ASSERT_TRUE(writeXm(modulePath.string(), syntheticModule()));
        ASSERT_TRUE(writeTestData(dir.string(), defaultTestBitmaps(), modulePath.string()));
    }

    static void TearDownTestSuite() { fs::remove_all(dir); }
};

fs::path CaptureRun::dir;
fs::path CaptureRun::modulePath;
CaptureResult CaptureRun::whole;

TEST_F(CaptureRun, SameStretchTwiceGivesIdenticalLogAndSound)
{
    const CaptureResult first = capture(dir, dir / "first", "--fps 10 --end 1.2 --png");
    const CaptureResult second = capture(dir, dir / "second", "--fps 10 --end 1.2 --png");
    ASSERT_EQ(first.status, 0) << first.errors;
    ASSERT_EQ(second.status, 0) << second.errors;
    const std::vector<uint8_t> log = readBytes(first.out / "frames.log");
    EXPECT_EQ(log, readBytes(second.out / "frames.log"));
    EXPECT_EQ(readBytes(first.out / "audio.wav"), readBytes(second.out / "audio.wav"));
    // The stretch is not the same picture over and over.
    const std::vector<LogLine> lines = readLog(first.out / "frames.log");
    ASSERT_EQ(lines.size(), 12u);
    int distinct = 0;
    for (size_t i = 1; i < lines.size(); ++i) distinct += lines[i].hash != lines[i - 1].hash;
    EXPECT_GE(distinct, 8);
}

TEST_F(CaptureRun, LoggedHashIsTheHashOfTheWrittenFrame)
{
    const CaptureResult& song = wholeSong();
    ASSERT_EQ(song.status, 0) << song.errors;
    const std::vector<LogLine> lines = readLog(song.out / "frames.log");
    ASSERT_FALSE(lines.empty());
    for (size_t i : {size_t(0), size_t(2), lines.size() - 1}) {
        const Picture picture = readPicture(framePath(song.out, lines[i].frame));
        ASSERT_EQ(picture.width, captureWidth);
        ASSERT_EQ(picture.height, captureHeight);
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016" PRIx64, frameHash(picture.rgb.data(), picture.rgb.size()));
        EXPECT_EQ(lines[i].hash, hash) << "frame " << lines[i].frame;
    }
}

TEST_F(CaptureRun, SoundIsLibxmpsOwnRenderingUpToTheStop)
{
    const CaptureResult& song = wholeSong();
    ASSERT_EQ(song.status, 0) << song.errors;
    const std::vector<uint8_t> wav = readBytes(song.out / "audio.wav");
    ASSERT_GT(wav.size(), 44u);
    const size_t frames = (wav.size() - 44) / 4;
    const std::vector<LogLine> lines = readLog(song.out / "frames.log");
    ASSERT_FALSE(lines.empty());
    // The sound lasts exactly as long as the frames are on screen.
    EXPECT_EQ(frames, frameSample(lines.back().frame + 1, testFps, 1));

    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module(context, const_cast<char*>(modulePath.c_str())), 0);
    ASSERT_EQ(xmp_start_player(context, 44100, 0), 0);
    std::vector<int16_t> reference;
    while (reference.size() < frames * 2) {
        ASSERT_EQ(xmp_play_frame(context), 0);
        xmp_frame_info info;
        xmp_get_frame_info(context, &info);
        if (info.loop_count > 0) break;  // the song is over: from here the capture is silent
        const int16_t* buffer = static_cast<const int16_t*>(info.buffer);
        reference.insert(reference.end(), buffer, buffer + info.buffer_size / 2);
    }
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);

    const int16_t* captured = reinterpret_cast<const int16_t*>(wav.data() + 44);
    const size_t compared = std::min(reference.size(), frames * 2);
    ASSERT_GT(compared, 44100u) << "the song plays for more than half a second";
    size_t firstDifference = compared;
    for (size_t i = 0; i < compared && firstDifference == compared; ++i)
        if (captured[i] != reference[i]) firstDifference = i;
    EXPECT_EQ(firstDifference, compared) << "first differing sample at stereo frame " << firstDifference / 2;
    for (size_t i = compared; i < frames * 2; ++i) ASSERT_EQ(captured[i], 0) << "after the end, at " << i / 2;
}

TEST_F(CaptureRun, InstrumentOneAtOrderZeroLightsTheBand)
{
    const CaptureResult& song = wholeSong();
    ASSERT_EQ(song.status, 0) << song.errors;
    const std::vector<LogLine> lines = readLog(song.out / "frames.log");
    ASSERT_GE(lines.size(), 3u);
    // The note at order 0 row 0 reaches frame 1; that frame's pass re-lights the band after
    // drawing it, so frame 1 is still black and frame 2 shows it.
    EXPECT_EQ(lines[1].order, 0);
    EXPECT_NE(lines[1].syncs.find("2:"), std::string::npos) << lines[1].syncs;
    const Picture before = readPicture(framePath(song.out, 1));
    const Picture after = readPicture(framePath(song.out, 2));
    ASSERT_EQ(before.width, captureWidth);
    ASSERT_EQ(after.width, captureWidth);
    EXPECT_EQ(litPixels(before, 0, 0, captureWidth, captureHeight, 0), 0);
    // Band particles sit at |y| >= 15 lattice units: the top and bottom of the picture.
    const int bandArea = captureWidth * 150;
    EXPECT_GT(litPixels(after, 0, 0, captureWidth, 150, 32), bandArea / 2);
    EXPECT_GT(litPixels(after, 0, captureHeight - 150, captureWidth, captureHeight, 32), bandArea / 2);
    // The middle of the picture holds core, ring and side particles, which instrument 1 leaves dark here.
    EXPECT_EQ(litPixels(after, 100, 320, captureWidth - 100, 400, 8), 0);
}

TEST_F(CaptureRun, TitleRectangleAtOrderOne)
{
    const CaptureResult run = capture(dir, dir / "title", "--fps 10 --start 1:0 --end 1:3 --png");
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::vector<LogLine> lines = readLog(run.out / "frames.log");
    const LogLine* titleFrame = nullptr;
    for (const LogLine& line : lines)
        if (line.order == 1 && line.row == 0 && !titleFrame) titleFrame = &line;
    ASSERT_NE(titleFrame, nullptr) << "no frame at order 1 row 0";
    const Picture picture = readPicture(framePath(run.out, titleFrame->frame));
    ASSERT_EQ(picture.width, captureWidth);
    // Title: x ±56, y 12 to -6 at depth 100 under a 55° view, 16:9: about x 253..1027, y 277..402.
    // Byline below it: y -6.3 to -14.3, about y 404..459. Opaque, in the bitmaps' own colours.
    const TestBitmap title = defaultTestBitmaps()[1];
    const TestBitmap byline = defaultTestBitmaps()[2];
    for (int x : {270, 640, 1010})
        for (int y : {285, 340, 395}) {
            EXPECT_TRUE(colourNear(picture.at(x, y), title.red, title.green, title.blue, 2)) << "title at " << x << "," << y;
        }
    for (int x : {270, 640, 1010})
        for (int y : {410, 430, 452}) {
            EXPECT_TRUE(colourNear(picture.at(x, y), byline.red, byline.green, byline.blue, 2))
                << "byline at " << x << "," << y;
        }
    // Its edges are where the projection puts them, to a pixel: the field around it is dark
    // there (the lit band ends above y 272), and so is the 0.3-unit gap between the two cards.
    const struct {
        int x, y;
        bool inTitle;
    } edges[] = {{250, 340, false}, {256, 340, true}, {1024, 340, true}, {1030, 340, false},
                 {640, 274, false}, {640, 280, true}, {640, 402, false}};
    for (const auto& e : edges) {
        if (e.inTitle) {
            EXPECT_TRUE(colourNear(picture.at(e.x, e.y), title.red, title.green, title.blue, 2)) << e.x << "," << e.y;
        } else {
            EXPECT_TRUE(colourNear(picture.at(e.x, e.y), 0, 0, 0, 8)) << e.x << "," << e.y;
        }
    }
    // Frames before --start are rendered unseen, but exactly: what follows matches the capture
    // from the song's start frame for frame.
    EXPECT_FALSE(fs::exists(framePath(run.out, titleFrame->frame - 1)));
    const CaptureResult& song = wholeSong();
    ASSERT_EQ(song.status, 0) << song.errors;
    const std::vector<LogLine> wholeLines = readLog(song.out / "frames.log");
    for (const LogLine& line : lines) {
        ASSERT_LT(line.frame, wholeLines.size());
        EXPECT_EQ(line.hash, wholeLines[line.frame].hash) << "frame " << line.frame;
        EXPECT_EQ(line.syncs, wholeLines[line.frame].syncs) << "frame " << line.frame;
    }
}

TEST_F(CaptureRun, VideoThroughFfmpegWithTheSoundMuxedIn)
{
    if (std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0)
        GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps installs it)";
    const CaptureResult run = capture(dir, dir / "video", "--fps 10 --end 0.5");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(fs::exists(run.out / "video.mkv"));
    EXPECT_FALSE(fs::exists(run.out / "video-only.mkv"));
    EXPECT_FALSE(fs::exists(framePath(run.out, 0))) << "no PNG frames when the video is written";
    const std::string probe = "ffprobe -v error -count_frames -show_entries stream=codec_type,codec_name,nb_read_frames,width,height "
                              "-of compact " + quoted((run.out / "video.mkv").string()) + " > " +
                              quoted((dir / "probe.txt").string());
    ASSERT_EQ(std::system(probe.c_str()), 0);
    std::ifstream in(dir / "probe.txt");
    const std::string streams((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(streams.find("codec_name=h264|codec_type=video|width=1280|height=720"), std::string::npos) << streams;
    EXPECT_NE(streams.find("nb_read_frames=5"), std::string::npos) << streams;
    EXPECT_NE(streams.find("codec_name=flac|codec_type=audio"), std::string::npos) << streams;
    EXPECT_EQ(readLog(run.out / "frames.log").size(), 5u);
}

TEST_F(CaptureRun, WithoutFfmpegFramesBecomePngs)
{
    const CaptureResult run = capture(dir, dir / "noffmpeg", "--fps 10 --end 0.3", "PATH=/nonexistent ");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_FALSE(fs::exists(run.out / "video.mkv"));
    for (uint64_t frame = 0; frame < 3; ++frame) EXPECT_TRUE(fs::exists(framePath(run.out, frame))) << frame;
    EXPECT_NE(run.errors.find("PNG frames"), std::string::npos) << run.errors;
}

TEST_F(CaptureRun, BadOptionsAndOutputsGiveAMessageAndFailure)
{
    std::ofstream(dir / "plainfile") << "in the way";
    const struct {
        const char* arguments;
        int status;
        const char* message;
    } cases[] = {
        {"--fps 0", 2, "bad frame rate '0'"},
        {"--speed 2", 2, "unknown option '--speed'"},
        {"--start", 2, "'--start' needs a value"},
        {"--start 2 --end 1", 2, "--end must lie after --start"},
        {"--start 40:0", 1, "--start: the song never plays order 40 row 0"},
        {"--start 1:8 --end 0.5", 1, "--end must lie after --start"},
        {"--start 100", 1, "--start lies after the end of the demo"},
    };
    for (const auto& c : cases) {
        const CaptureResult run = capture(dir, dir / "bad", c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.errors;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.arguments << ": " << run.errors;
        EXPECT_NE(run.errors.find("strobarium-capture: "), std::string::npos) << run.errors;
    }
    // An output directory that cannot be made: a plain file stands where it or its parent should be.
    for (const fs::path& out : {dir / "plainfile", dir / "plainfile" / "below"}) {
        const CaptureResult run = capture(dir, out, "--fps 10 --end 0.2 --png");
        EXPECT_EQ(run.status, 1) << out;
        EXPECT_NE(run.errors.find("cannot create the output directory '" + out.string() + "'"), std::string::npos)
            << run.errors;
    }
    // A directory in which the outputs cannot be created: audio.wav is a directory there.
    fs::create_directories(dir / "blocked" / "audio.wav");
    const CaptureResult blocked = capture(dir, dir / "blocked", "--fps 10 --end 0.2 --png");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.errors.find("cannot write '" + (dir / "blocked" / "audio.wav").string() + "'"), std::string::npos)
        << blocked.errors;
}

TEST_F(CaptureRun, MissingDataIsNamed)
{
    const fs::path empty = dir / "empty";
    fs::create_directories(empty);
    CaptureResult run = capture(empty, empty / "out", "--fps 10 --end 0.2");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("cannot load the scene"), std::string::npos) << run.errors;

    const fs::path silent = dir / "silent";
    ASSERT_TRUE(writeTestData(silent.string()));
    run = capture(silent, silent / "out", "--fps 10 --end 0.2");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("cannot load the module \"Data/sonavel3.xm\""), std::string::npos) << run.errors;
}

}  // namespace
