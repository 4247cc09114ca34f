// The capture's files: WAV, PNG, the frame hash, frame log lines and the progress line.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/frameHash.h"
#include "capture/frameSink.h"
#include "capture/pngWriter.h"
#include "capture/progress.h"
#include "capture/wavWriter.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path scratchDir(const char* name)
{
    const fs::path dir = fs::temp_directory_path() / ("capture-writers-" + std::to_string(getpid())) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

TEST(WavWriter, HeaderDescribesStereo16BitAt44100)
{
    uint8_t header[44];
    wavHeader(1000, header);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header), 4), "RIFF");
    EXPECT_EQ(le32(header + 4), 36u + 4000u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header + 8), 8), "WAVEfmt ");
    EXPECT_EQ(le32(header + 16), 16u);
    EXPECT_EQ(le16(header + 20), 1u);        // PCM
    EXPECT_EQ(le16(header + 22), 2u);        // channels
    EXPECT_EQ(le32(header + 24), 44100u);    // rate
    EXPECT_EQ(le32(header + 28), 176400u);   // bytes per second
    EXPECT_EQ(le16(header + 32), 4u);        // block align
    EXPECT_EQ(le16(header + 34), 16u);       // bits
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header + 36), 4), "data");
    EXPECT_EQ(le32(header + 40), 4000u);
}

TEST(WavWriter, FileHoldsExactlyTheSamplesAppended)
{
    const fs::path path = scratchDir("wav") / "a.wav";
    std::vector<int16_t> samples;
    for (int i = 0; i < 2 * 3000; ++i) samples.push_back(int16_t(i * 37 - 32768));
    ASSERT_TRUE(openWav(path.string()));
    ASSERT_TRUE(appendWav(samples.data(), 1000));
    ASSERT_TRUE(appendWav(samples.data() + 2000, 0));
    ASSERT_TRUE(appendWav(samples.data() + 2000, 2000));
    EXPECT_EQ(wavFramesWritten(), 3000u);
    ASSERT_TRUE(closeWav());
    const std::vector<uint8_t> bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 44u + 12000u);
    uint8_t header[44];
    wavHeader(3000, header);
    EXPECT_EQ(std::memcmp(bytes.data(), header, 44), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 44, samples.data(), 12000), 0);
    EXPECT_TRUE(closeWav()) << "closing twice is harmless";
    EXPECT_FALSE(appendWav(samples.data(), 1)) << "nothing is open";
}

TEST(WavWriter, UnwritablePathFails)
{
    EXPECT_FALSE(openWav("/nonexistent-dir/for/sure/a.wav"));
    EXPECT_FALSE(appendWav(nullptr, 0));
}

// Decodes a PNG with libpng's simplified API: RGB, top row first.
bool readPng(const fs::path& path, int& width, int& height, std::vector<uint8_t>& rgb)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
    width = int(image.width);
    height = int(image.height);
    return true;
}

TEST(PngWriter, RoundTripsEveryPixel)
{
    const int width = 67;  // odd sizes catch row-stride mistakes
    const int height = 13;
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7 + i / 201);
    const fs::path path = scratchDir("png") / "a.png";
    ASSERT_TRUE(writePng(path.string(), rgb.data(), width, height));
    int w = 0;
    int h = 0;
    std::vector<uint8_t> back;
    ASSERT_TRUE(readPng(path, w, h, back));
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_EQ(back, rgb);
}

TEST(PngWriter, RefusesWhatItCannotWrite)
{
    const uint8_t pixel[3] = {1, 2, 3};
    EXPECT_FALSE(writePng("/nonexistent-dir/for/sure/a.png", pixel, 1, 1));
    EXPECT_FALSE(writePng((scratchDir("png-bad") / "b.png").string(), pixel, 0, 1));
}

TEST(FrameHash, IsFnv1a64)
{
    // The published FNV-1a 64-bit test vectors.
    const struct {
        const char* text;
        uint64_t hash;
    } cases[] = {{"", 0xcbf29ce484222325ull}, {"a", 0xaf63dc4c8601ec8cull}, {"foobar", 0x85944171f73967e8ull}};
    for (const auto& c : cases)
        EXPECT_EQ(frameHash(reinterpret_cast<const uint8_t*>(c.text), std::strlen(c.text)), c.hash) << c.text;
    // Hashing in pieces gives the hash of the whole.
    const uint8_t* foobar = reinterpret_cast<const uint8_t*>("foobar");
    EXPECT_EQ(frameHash(foobar + 3, 3, frameHash(foobar, 3)), 0x85944171f73967e8ull);
}

TEST(FrameSink, UprightRgbFlipsRowsAndSwapsChannels)
{
    // 2x2, bottom row first, BGRA: bottom-left blue, bottom-right green, top-left red, top-right white.
    const uint8_t bgra[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    uint8_t rgb[12];
    uprightRgb(bgra, 2, 2, rgb);
    const uint8_t expected[] = {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0};
    EXPECT_EQ(std::memcmp(rgb, expected, sizeof rgb), 0);
}

TEST(FrameSink, LogLineFields)
{
    static FrameRecord record;
    record.frame = 12;
    record.sample = 8820;
    record.order = -1;
    record.row = -1;
    record.syncs[0] = '\0';
    char line[256];
    formatFrameLine(record, 0x00ab, line, sizeof line);
    EXPECT_STREQ(line, "12 8820 -1 -1 00000000000000ab -");
    record.order = 1;
    record.row = 0;
    std::strcpy(record.syncs, "1:00000001 7:00000001");
    formatFrameLine(record, 0xfedcba9876543210ull, line, sizeof line);
    EXPECT_STREQ(line, "12 8820 1 0 fedcba9876543210 1:00000001 7:00000001");
    // A short buffer truncates instead of overrunning, and says how much it kept.
    char small[10];
    EXPECT_EQ(formatFrameLine(record, 1, small, sizeof small), 9);
    EXPECT_STREQ(small, "12 8820 1");
}

TEST(Progress, LineShowsDoneTotalRateAndTimeLeft)
{
    char line[160];
    formatProgress(30, 120, 10.0, line, sizeof line);
    EXPECT_STREQ(line, "[#######.......................] 30/120 frames  3.0 fps  0:30 left");
    formatProgress(120, 120, 40.0, line, sizeof line);
    EXPECT_STREQ(line, "[##############################] 120/120 frames  3.0 fps  0:00 left");
    formatProgress(1, 36001, 1.0, line, sizeof line);
    EXPECT_STREQ(line, "[..............................] 1/36001 frames  1.0 fps  600:00 left");
    formatProgress(0, 0, 0.0, line, sizeof line);
    EXPECT_STREQ(line, "[..............................] 0/? frames  0.0 fps  ? left");
}

}  // namespace
