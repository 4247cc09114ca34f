// The frame sink thread: frames leave in order, each log line carrying the hash of exactly
// the pixels that were handed over, while the capture thread fills the next slot.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/frameHash.h"
#include "capture/frameSink.h"

namespace {

namespace fs = std::filesystem;

// Frame f's pixels: a pattern that differs per frame and per pixel.
void fillFrame(FrameSlot& slot, uint64_t f)
{
    for (size_t i = 0; i < sizeof slot.pixels; ++i) slot.pixels[i] = uint8_t(i * 31 + f * 101 + i / 4099);
}

uint64_t expectedHash(uint64_t f)
{
    static FrameSlot slot;
    static uint8_t rgb[captureWidth * captureHeight * 3];
    fillFrame(slot, f);
    uprightRgb(slot.pixels, captureWidth, captureHeight, rgb);
    return frameHash(rgb, sizeof rgb);
}

std::vector<std::string> lines(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

void submit(uint64_t f)
{
    FrameSlot& slot = beginFrame();
    slot.record.frame = f;
    slot.record.sample = f * 735;
    slot.record.order = int32_t(f / 3);
    slot.record.row = int32_t(f % 3);
    std::snprintf(slot.record.syncs, sizeof slot.record.syncs, f % 2 ? "2:%08x" : "", unsigned(f));
    fillFrame(slot, f);
    endFrame();
}

TEST(FrameSink, WritesLogLinesAndPngsInOrder)
{
    const fs::path dir = fs::temp_directory_path() / ("capture-sink-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    FILE* log = std::fopen((dir / "frames.log").c_str(), "w");
    ASSERT_NE(log, nullptr);
    FrameSinkSetup setup;
    setup.log = log;
    setup.pngPattern = (dir / "f-%03llu.png").string();
    startFrameSink(setup);
    const uint64_t frames = 5;
    for (uint64_t f = 0; f < frames; ++f) submit(f);
    ASSERT_TRUE(finishFrameSink()) << frameSinkError();
    std::fclose(log);

    const std::vector<std::string> got = lines(dir / "frames.log");
    ASSERT_EQ(got.size(), frames);
    for (uint64_t f = 0; f < frames; ++f) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(expectedHash(f)));
        char expected[128];
        if (f % 2)
            std::snprintf(expected, sizeof expected, "%llu %llu %d %d %s 2:%08x", (unsigned long long)f,
                          (unsigned long long)(f * 735), int(f / 3), int(f % 3), hash, unsigned(f));
        else
            std::snprintf(expected, sizeof expected, "%llu %llu %d %d %s -", (unsigned long long)f,
                          (unsigned long long)(f * 735), int(f / 3), int(f % 3), hash);
        EXPECT_EQ(got[f], expected);
        // The PNG holds the upright frame: its decoded pixels hash to the logged value.
        char name[32];
        std::snprintf(name, sizeof name, "f-%03llu.png", (unsigned long long)f);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir / name).c_str())) << name;
        image.format = PNG_FORMAT_RGB;
        std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
        EXPECT_EQ(image.width, unsigned(captureWidth));
        EXPECT_EQ(frameHash(rgb.data(), rgb.size()), expectedHash(f)) << name;
    }
    fs::remove_all(dir);
}

TEST(FrameSink, AFailedWriteIsReportedAndStopsNothingElse)
{
    FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    FrameSinkSetup setup;
    setup.log = log;
    setup.pngPattern = "/nonexistent-dir/for/sure/f-%06llu.png";
    startFrameSink(setup);
    for (uint64_t f = 0; f < 3; ++f) submit(f);
    EXPECT_FALSE(finishFrameSink());
    EXPECT_TRUE(frameSinkFailed());
    EXPECT_NE(frameSinkError().find("/nonexistent-dir/for/sure/f-000000.png"), std::string::npos) << frameSinkError();
    std::fclose(log);
}

TEST(FrameSink, VideoPipeGetsRawUprightFrames)
{
    FILE* log = std::tmpfile();
    FILE* video = std::tmpfile();
    ASSERT_NE(log, nullptr);
    ASSERT_NE(video, nullptr);
    FrameSinkSetup setup;
    setup.log = log;
    setup.video = video;
    startFrameSink(setup);
    submit(0);
    submit(1);
    ASSERT_TRUE(finishFrameSink());
    const size_t frameBytes = size_t(captureWidth) * captureHeight * 3;
    std::vector<uint8_t> raw(frameBytes * 2);
    std::rewind(video);
    ASSERT_EQ(std::fread(raw.data(), 1, raw.size(), video), raw.size());
    EXPECT_EQ(std::fgetc(video), EOF);
    EXPECT_EQ(frameHash(raw.data(), frameBytes), expectedHash(0));
    EXPECT_EQ(frameHash(raw.data() + frameBytes, frameBytes), expectedHash(1));
    std::fclose(log);
    std::fclose(video);
}

}  // namespace
