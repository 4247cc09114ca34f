// strobarium-capture end to end: the real program on real Mesa, over a synthetic module and
// solid-colour bitmaps, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "bench/data/pngFrame.h"
#include "capture/frameClock.h"
#include "capture/frameHash.h"
#include "capture/frameSink.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"
#include "tests/support/testData.h"
#include "tools/xm/xmWriter.h"

namespace {

// Two orders of 16 rows at speed 3, 125 bpm (0.96 s each): instrument 1 on row 0, 2 on row 8.
XmModule syntheticModule()
{
    XmModule module = squareSong(3, 125, {0, 0}, {16}, 2, 2);
    module.patterns[0].cells[0][0] = {xmNote(4, 0), 1, 0, 0, 0};
    module.patterns[0].cells[8][1] = {xmNote(4, 4), 2, 0, 0, 0};
    return module;
}

// The folder with Data/ from the synthetic module, made once for the whole suite.
const TempDir& dir()
{
    static const TempDir dir("capture-run");
    static const bool written = writeXm(dir / "synthetic.xm", syntheticModule()) &&
                                writeTestData(dir.path(), dir / "synthetic.xm");
    EXPECT_TRUE(written);
    return dir;
}

struct Captured { int status; std::string out, errors; std::vector<std::string> log; };  // log: no heading

// The program run in `cwd` (default: dir()) into `out` (relative to dir()), then the shell's `after`.
Captured capture(const std::string& out, const std::string& arguments, const std::string& prefix = "",
                 const std::string& cwd = "", const std::string& after = "")
{
    Captured run{-1, out[0] == '/' ? out : dir() / out, dir() / (std::to_string(std::hash<std::string>()(out)) + ".stderr"), {}};
    const int status = std::system(("cd '" + (cwd.empty() ? dir().path() : cwd) + "' && " + prefix + "'" +
                                    STROBARIUM_BINARY_DIR + "/strobarium-capture' -o '" + run.out + "' " + arguments +
                                    " 2>'" + run.errors + "' </dev/null" + after).c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = readFileText(run.errors);
    std::istringstream log(readFileText(run.out + "/frames.log"));
    for (std::string line; std::getline(log, line);)
        if (line[0] != '#') run.log.push_back(line);
    return run;
}

// What a run left in `folder`: its entries and theirs, sorted, a part's number as N.
std::string leftIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        names.push_back(std::regex_replace(std::filesystem::relative(entry.path(), folder).string(), std::regex("part-[0-9]+-of"), "part-N-of"));
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
}

std::string framePng(const Captured& run, size_t frame) { return run.out + "/" + frameFileName(frame); }

// A PNG's pixels: RGB, top row first; empty when there is none.
std::vector<uint8_t> pngPixels(const std::string& path)
{
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    return readPngFrame(path, rgb, width, height) ? rgb : std::vector<uint8_t>();
}

// The default pass (batched, dark quads left out) and --reference (immediate mode) agree to one
// step of 255 in every channel: llvmpipe may round a blend differently between them.
TEST(CaptureRun, SameFramesAndSoundOnEveryRunFromAnyStartInEitherPass)
{
    const Captured first = capture("first", "--fps 10", "PATH=/nonexistent ");  // no ffmpeg: PNG frames
    // A path is data, never a format: spaces, '%', non-ASCII and a long name.
    const Captured second = capture("second %s%n%x ünïcødé " + std::string(180, 'l'), "--fps 10 --png");
    const Captured later = capture("later", "--fps 10 --start 1:0 --end 1:3 --png");
    const Captured reference = capture("reference", "--fps 10 --png --reference");
    ASSERT_EQ(first.status + second.status + later.status + reference.status, 0)
        << first.errors << second.errors << later.errors << reference.errors;
    EXPECT_EQ(first.log, second.log);
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
    for (size_t k = 0; k < first.log.size(); ++k) {
        const std::vector<uint8_t> want = pngPixels(framePng(reference, k)), got = pngPixels(framePng(first, k));
        unsigned long long logged = 0;
        std::sscanf(first.log[k].c_str(), "%*s %*s %*s %*s %llx", &logged);
        EXPECT_EQ(logged, frameHash(got.data(), got.size())) << first.log[k];
        ASSERT_EQ(want.size(), size_t(1280 * 720 * 3)) << "frame " << k;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin(), got.end(),
                               [](int a, int b) { return std::abs(a - b) <= 1; })) << "frame " << k;
    }
    // Order 1 starts at 0.96 s, row 3 at 1.14 s: frames 10 and 11, rendered after unseen ones.
    EXPECT_EQ(later.log, std::vector<std::string>(first.log.begin() + 10, first.log.begin() + 12));
    const std::vector<uint8_t> laterSound = readFileBytes(later.out + "/audio.wav");
    ASSERT_EQ(laterSound.size(), 44 + 4 * (frameSample(12, 10, 1) - frameSample(10, 10, 1)));
    EXPECT_TRUE(std::equal(laterSound.begin() + 44, laterSound.end(), sound.begin() + 44 + 4 * frameSample(10, 10, 1)));
}

bool haveFfmpeg() { return std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") == 0; }

// What ffprobe prints with `options` of `file`, through the shell's `filter`, its lines run together.
std::string probe(const std::string& file, const std::string& options, const std::string& filter = "")
{
    std::system(("ffprobe -v error " + options + " '" + file + "'" + filter + " | tr -d '\\n' >'" + file + ".probe'").c_str());
    return readFileText(file + ".probe");
}

// A video decoded to RGB24, as its tags say or with `scale` (an ffmpeg scale filter's options).
std::vector<uint8_t> decoded(const std::string& video, const std::string& scale = "")
{
    const std::string out = video + ".rgb";
    std::system(("ffmpeg -v error -y -i '" + video + "' -map 0:v" + (scale.empty() ? "" : " -vf scale=" + scale) +
                 " -f rawvideo -pix_fmt rgb24 '" + out + "'").c_str());
    return readFileBytes(out);
}

TEST(CaptureRun, VideoForKeepingAndForUploadingInBt709)
{
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps installs it)";
    const Captured run = capture("video", "--fps 10 --end 1.2 --size 1920x1080 --mp4");
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::string picture = "codec_name=h264|profile=High|codec_type=video|width=1920|height=1080|pix_fmt=yuv420p|"
                                "color_range=tv|color_space=bt709|color_transfer=bt709|color_primaries=bt709|nb_read_frames=12";
    const std::string entries = "-of compact -show_entries stream=codec_name,profile,codec_type,width,height,pix_fmt,color_range,color_space,color_transfer,"
                                "color_primaries,sample_rate,channels,nb_read_frames -count_frames";
    const std::string master = probe(run.out + "/video.mkv", entries), upload = probe(run.out + "/video.mp4", entries);
    EXPECT_NE(master.find(picture), std::string::npos) << master;
    EXPECT_NE(master.find("codec_name=flac|profile=unknown|codec_type=audio|sample_rate=44100|channels=2"), std::string::npos) << master;
    EXPECT_NE(upload.find(picture), std::string::npos) << upload;
    EXPECT_NE(upload.find("codec_name=aac|profile=LC|codec_type=audio|sample_rate=48000|channels=2"), std::string::npos) << upload;
    const std::string mp4 = readFileText(run.out + "/video.mp4");
    EXPECT_LT(mp4.find("moov"), mp4.find("mdat")) << "the index before the data, for playing while loading";
    const std::string keys = probe(run.out + "/video.mp4", "-of csv=p=0 -select_streams v -show_entries packet=flags", " | cut -c1");
    EXPECT_EQ(keys, "K____K____K_") << "a key frame every half second";
}

// --part runs joined with --join (PNG frames) and --jobs (video) against one run: the same log
// rows, sound and pictures. The lossless video decoded as tagged comes closer to the PNG frames
// than decoded with the BT.601 matrix.
TEST(CaptureRun, PartsJoinedEqualOneRunThroughPngAndThroughFfmpeg)
{
    const std::string png = "--fps 10 --size 640x360 --png", lossless = "--fps 10 --size 640x360 --crf 0";
    const Captured whole = capture("whole", png);
    std::string parts;
    for (const char* part : {"1/3", "2/3", "3/3"}) {
        const std::string name = std::string("part") + part[0];
        ASSERT_EQ(capture(name, png + " --part " + part).status, 0) << name;
        parts += " '" + dir() / name + "'";
    }
    const Captured joined = capture("joined", "--join" + parts);
    ASSERT_EQ(whole.status + joined.status, 0) << whole.errors << joined.errors;
    ASSERT_EQ(whole.log.size(), 21u);
    EXPECT_EQ(joined.log, whole.log);
    EXPECT_EQ(readFileBytes(joined.out + "/audio.wav"), readFileBytes(whole.out + "/audio.wav"));
    std::vector<uint8_t> frames;  // the PNG run's, one after another
    for (size_t k = 0; k < 21; ++k) {
        const std::vector<uint8_t> frame = pngPixels(framePng(whole, k));
        EXPECT_TRUE(pngPixels(framePng(joined, k)) == frame) << k;
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps installs it)";
    const Captured video = capture("video-whole", lossless), jobs = capture("video-jobs", lossless + " --jobs 2 --mp4");
    ASSERT_EQ(video.status + jobs.status, 0) << video.errors << jobs.errors;
    EXPECT_NE(jobs.errors.find("part 8 of 8: "), std::string::npos) << jobs.errors;
    EXPECT_FALSE(std::filesystem::exists(jobs.out + "/part-1-of-8")) << "parts are cleared away once joined";
    EXPECT_TRUE(video.log == whole.log && jobs.log == whole.log);
    const std::vector<uint8_t> tagged = decoded(video.out + "/video.mkv");
    EXPECT_TRUE(decoded(jobs.out + "/video.mkv") == tagged && decoded(jobs.out + "/video.mp4") == tagged);
    const auto meanError = [&frames](const std::vector<uint8_t>& got) {
        double sum = 0;
        for (size_t i = 0; i < frames.size() && got.size() == frames.size(); ++i) sum += std::abs(frames[i] - got[i]);
        return got.size() == frames.size() ? sum / double(frames.size()) : 255.0;
    };
    const double asTagged = meanError(tagged), bt601 = meanError(decoded(video.out + "/video.mkv", "in_color_matrix=bt601:in_range=tv"));
    EXPECT_LT(asTagged, bt601) << "mean errors: as tagged " << asTagged << ", BT.601 " << bt601;
}

// A run as capture() makes it, the status it must end with, a text its messages must hold (with
// `oneLine`, a regular expression for their one line) and a regular expression for leftIn(out).
struct Row { std::string out, arguments; int status; std::string message; const char* left = nullptr; bool ffmpeg = false;
             bool oneLine = false; const char* cwd = ""; std::string after = ""; };

void expectRows(const std::vector<Row>& rows, const std::string& prefix = "")
{
    for (const Row& c : rows) {
        if (c.ffmpeg && !haveFfmpeg()) continue;
        const Captured run = capture(c.out, c.arguments, prefix, *c.cwd ? dir() / c.cwd : "", c.after);
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.errors;
        EXPECT_TRUE(c.oneLine ? std::regex_match(run.errors, std::regex(c.message + "\n")) : run.errors.find(c.message) != std::string::npos)
            << c.message << " in: " << run.errors;
        EXPECT_TRUE(!c.left || std::regex_match(leftIn(run.out), std::regex(c.left))) << c.arguments << ": " << leftIn(run.out);
    }
}

// Each mistake gets its exit status and one line; nothing half-written is left, only ffmpeg's
// log when it says why. A folder captured into again: an earlier capture is refused without -y
// and replaced whole with it, never mixed with the new one; the summary names what was written.
TEST(CaptureRun, EachMistakeAndEachEarlierCaptureGetsItsStatusAndOneMessage)
{
    writeFileBytes(dir() / "plainfile", {'x'});
    std::filesystem::create_directories(dir() / "empty");
    ASSERT_TRUE(writeTestData(dir() / "silent"));
    for (const char* part : {"1/2", "2/2"})
        ASSERT_EQ(capture(std::string("half") + part[0], std::string("--fps 10 --end 0.4 --png --size 320x180 --part ") + part).status, 0);
    for (const char* half : {"half1", "half2"}) writeFileBytes(dir() / (std::string(half) + "/video.mkv"), {'x'});  // no video ffmpeg can read
    std::string deep = dir().path();  // 4,080 bytes: its files' names are longer than a path may be
    while (deep.size() < 4080 - 201) deep += "/" + std::string(200, 'd');
    deep += "/" + std::string(4080 - deep.size() - 1, 'e');
    const std::string me = "strobarium-capture: ", how = "--fps 10 --size 320x180 ";
    const char* frames3 = "audio.wav frame-000000.png frame-000001.png frame-000002.png frames.log";
    expectRows({
        {"bad", "--speed 2", 2, me + "unknown option '--speed'"},
        {"bad", "--start 40:0", 2, me + "--start: the song never plays order 40 row 0"},
        {"bad", "--start 1:8 --end 0.5", 2, me + "--end must lie after --start (no frame falls between them)"},
        {"bad", "--start 100", 2, me + "--start lies after the end of the demo"},
        {"plainfile", "--end 0.2", 1, me + "cannot create the output folder '" + dir() / "plainfile" + "'"},
        {"long", "--end 0.2 --png -o " + deep, 1, me + "cannot create '" + deep + "/capture.partial': File name too long"},
        {"bad", "--end 0.2", 4, me + "cannot load the scene", nullptr, false, false, "empty"},
        {"bad", "--end 0.2", 4, me + "cannot load the module \"Data/sonavel3.xm\"", nullptr, false, false, "silent"},
        {"misjoined", "--join half2 half1", 4, me + "'" + dir() / "half1/frames.log" + "' goes on with frame 0 where frame 4 is due", ""},
        {"unjoined", "--join nowhere", 4, me + "cannot read '" + dir() / "nowhere/frames.log" + "'", ""},
        {"unplayable", "--join half1 half2", 1, me + "cannot write '" + dir() / "unplayable/video.mkv" + "': ffmpeg failed (exit status ",
         "ffmpeg.log", true},
        {"rewritten", how + "--png --end 0.3", 0, "wrote 3 frame PNGs (frame-000000.png to frame-000002.png), audio.wav and frames.log into ", frames3},
        {"rewritten", how + "--png --start 0.1 --end 0.2", 3, "holds an earlier capture (5 files: audio.wav, ...); give -y (--overwrite) to replace it", frames3},
        {"rewritten", how + "--png --start 0.1 --end 0.2 -y", 0, "1 frame (0.100 s of the demo) in ", "audio.wav frame-000001.png frames.log"},
        {"rewritten", how + "--end 0.1 --mp4 --overwrite", 0, "wrote video.mkv, video.mp4, audio.wav and frames.log into ",
         "audio.wav frames.log video.mkv video.mp4", true},
        {"rewritten", how + "--png --end 0.1 -y", 0, "wrote 1 frame PNG (frame-000000.png), audio.wav and frames.log into ",
         "audio.wav frame-000000.png frames.log"},
    });
}

// Real signals to real captures once they are writing stop them, ffmpeg and every part, leaving
// nothing; a part killed from outside fails the whole, leaving only its folder and log.
TEST(CaptureRun, AStopRequestEndsItAndLeavesNothingThatLooksComplete)
{
    const auto stopped = [](const char* arguments, const char* writing, const char* whom, const char* signal, int status,
                            const char* message, const char* left = "") {
        const std::string out = dir() / (std::string("stopped-") + signal + std::to_string(status));
        return Row{out, std::string("--fps 500 --size 320x180 ") + arguments, status, message, left, !*arguments, false, "",
                   " & pid=$!; for i in $(seq 600); do ls '" + out + "'/" + writing + " >/dev/null 2>&1 && break; sleep 0.05; done; kill -" +
                       signal + " " + whom + "; wait $pid"};
    };
    expectRows({
        stopped("--png", "capture.partial/frame-000002.png", "$pid", "TERM", 143, "stopped by SIGTERM after "),
        stopped("", "capture.partial/video-only.mp4", "-$pid", "INT", 130, "stopped by SIGINT after "),
        stopped("--png --jobs 2", "part-*/capture.partial/frame-*", "$pid", "HUP", 129, "stopped by SIGHUP while capturing 8 parts"),
        stopped("--png --jobs 2", "part-*/capture.partial/frame-*", "$(pgrep -n -P $pid)", "TERM", 1,
                " of 8 failed: stopped by SIGTERM after ", "part-N-of-8 part-N-of-8/capture.log"),
    }, "setsid ");
}

// A full disk (a real 256 KiB tmpfs, where mounting is allowed): one line naming the file and
// the cause, nothing left that looks like a capture, with --jobs the failed part's folder and log.
TEST(CaptureRun, AFullDiskGivesOneLineAndLeavesNothingThatLooksComplete)
{
    const std::string disk = dir() / "disk", out = disk + "/out", how = "--fps 10 --size 1920x1080 ";
    const std::string full = "strobarium-capture: cannot write '" + out + "[0-9]/[^']+': No space left on device";
    std::filesystem::create_directory(disk);
    if (std::system(("mount -t tmpfs -o size=256k tmpfs '" + disk + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (it needs root)";
    expectRows({
        {out + "1", how + "--png", 1, full, "", false, true},
        {out + "2", how + "--crf 0", 1, full, "", true, true},
        {out + "3", how + "--png --jobs 2", 1, "of 8 failed: cannot write '" + out + "3/part-", "part-N-of-8 part-N-of-8/capture.log"},
    });
    std::system(("umount '" + disk + "'").c_str());
}

// The real demo (the build's Data/) against its frames kept in reference-frames/, within two steps
// of 255: room for Mesa's rounding, none for a changed picture. STROBARIUM_REMAKE_REFERENCE_FRAMES=1
// (scripts/remake-reference-frames) writes them anew instead.
TEST(ReferenceFrames, TheDemoShowsWhatItShowedWhenTheyWereKept)
{
    const struct { const char *name, *start, *end; } frames[] = {
        {"first-light", "0", "0.01"},         // the field as it starts, before the first reaction moves it
        {"title", "12", "12.05"},             // order 1: the title with its byline
        {"warning", "3:8", "3:9"},            // the warning card, two rows after the first hat
        {"greeting", "9:32", "9:33"},         // the third greeting over its backdrop
        {"before-scatter", "3:12", "3:13"},   // the frame in which the first instrument-2 burst strikes
        {"after-scatter", "24.61", "24.62"},  // eight frames on: the field bursting
    };
    const std::string kept = STROBARIUM_SOURCE_DIR "/tests/capture/reference-frames/";
    for (const auto& [name, start, end] : frames) {
        const std::string arguments = std::string("--size 320x180 --png --start ") + start + " --end " + end;
        const Captured run = capture(std::string("reference-") + name, arguments, "", STROBARIUM_BINARY_DIR);
        ASSERT_TRUE(run.status == 0 && !run.log.empty()) << name << ": " << run.errors;
        const std::string png = framePng(run, std::stoul(run.log[0])), keep = kept + name + ".png";
        if (std::getenv("STROBARIUM_REMAKE_REFERENCE_FRAMES")) {
            EXPECT_TRUE(writeFileBytes(keep, readFileBytes(png))) << name;
            continue;
        }
        const std::vector<uint8_t> got = pngPixels(png), want = pngPixels(keep);
        ASSERT_TRUE(got.size() == 320 * 180 * 3 && want.size() == got.size()) << name;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin(), [](int a, int b) { return std::abs(a - b) <= 2; }))
            << name << ": more than two steps off; if the picture changed on purpose, run scripts/remake-reference-frames";
    }
}

}  // namespace
