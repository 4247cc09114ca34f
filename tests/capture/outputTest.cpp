// What the capture writes: the frame hash, the upright picture, the WAV, and the frame sink
// that writes frames (PNG or raw video) and their log lines in order on its own thread.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "capture/frameHash.h"
#include "capture/frameSink.h"
#include "capture/pngWriter.h"
#include "capture/wavWriter.h"
#include "scene/particles.h"
#include "tests/support/files.h"

namespace {

TEST(FrameHash, IsFnv1a64AndCanBeTakenInPieces)
{
    const uint8_t* text = reinterpret_cast<const uint8_t*>("foobar");
    for (const auto& v : {std::pair<size_t, uint64_t>{0, 0xcbf29ce484222325ull}, {6, 0x85944171f73967e8ull}})
        EXPECT_EQ(frameHash(text, v.first), v.second) << v.first;
    EXPECT_EQ(frameHash(text + 3, 3, frameHash(text, 3)), 0x85944171f73967e8ull);
}

TEST(ParticleBatch, OnlyQuadsThatAddNothingAreLeftOut)
{
    const struct {
        float alpha, red, green, blue;
        bool lit;
    } cases[] = {
        {1, 0, 0, 0, false},     {0, 1, 1, 1, false},     {-7.45e-8f, 1, 1, 1, false}, {1.75f, -1, -1, -1, false},
        {1e-7f, 1, 0, 0, true},  {1, 0, 0.5f, 0, true},   {1, 0, 0, 1e-30f, true},     {0.5f, -1, 0.25f, 0, true},
    };
    for (const auto& c : cases) {
        Particle p{};
        std::tie(p.alpha, p.red, p.green, p.blue) = std::tie(c.alpha, c.red, c.green, c.blue);
        EXPECT_EQ(addsLight(p), c.lit) << c.alpha << " " << c.red << " " << c.green << " " << c.blue;
    }
}

TEST(FrameSink, UprightRgbFlipsRowsAndSwapsChannels)
{
    // 2x2, bottom row first, BGRA: bottom-left blue, bottom-right green, top-left red, top-right white.
    const uint8_t bgra[] = {255, 0, 0, 9, 0, 255, 0, 9, 0, 0, 255, 9, 255, 255, 255, 9};
    std::vector<uint8_t> rgb(12);
    uprightRgb(bgra, 2, 2, rgb.data());
    EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0}));
}

TEST(WavWriter, HoldsExactlyTheSamplesWithTheSizesFilledInOnClosing)
{
    TempDir dir("capture-wav");
    std::vector<int16_t> samples(2 * 3000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(i * 37 - 32768);
    ASSERT_TRUE(openWav(dir / "a.wav"));
    ASSERT_TRUE(appendWav(samples.data(), 1000) && appendWav(samples.data(), 0) && appendWav(&samples[2000], 2000));
    ASSERT_TRUE(closeWav());
    const std::vector<uint8_t> wav = readFileBytes(dir / "a.wav");
    ASSERT_EQ(wav.size(), 44u + 12000u);
    EXPECT_EQ(std::memcmp(wav.data() + 44, samples.data(), 12000), 0);
    uint32_t riffSize = 0;
    uint32_t dataSize = 0;
    std::memcpy(&riffSize, &wav[4], 4);
    std::memcpy(&dataSize, &wav[40], 4);
    EXPECT_EQ(riffSize, wav.size() - 8);
    EXPECT_EQ(dataSize, 12000u);
    EXPECT_TRUE(closeWav()) << "closing twice is harmless";
    EXPECT_FALSE(appendWav(samples.data(), 1)) << "nothing is open";
    EXPECT_FALSE(openWav(dir / "no/such/dir.wav"));
}

constexpr int width = 67;  // odd sizes catch row-stride mistakes
constexpr int height = 13;

// Frame f: a pattern that differs per frame and per pixel. Returns its upright RGB.
std::vector<uint8_t> submit(uint64_t f)
{
    FrameSlot& slot = beginFrame();
    slot.record = FrameRecord{f, f * 735, int32_t(f / 3), int32_t(f % 3), {}};
    if (f % 2) std::snprintf(slot.record.syncs, sizeof slot.record.syncs, "2:%08x 7:1", unsigned(f));
    for (size_t i = 0; i < size_t(width) * height * 4; ++i) slot.pixels[i] = uint8_t(i * 31 + f * 101);
    std::vector<uint8_t> upright(size_t(width) * height * 3);
    uprightRgb(slot.pixels, width, height, upright.data());
    endFrame();
    return upright;
}

TEST(FrameSink, FramesLeaveInOrderWithTheHashOfWhatWasWritten)
{
    TempDir dir("capture-sink");
    FILE* log = std::fopen((dir / "frames.log").c_str(), "w");
    FILE* video = std::tmpfile();
    ASSERT_TRUE(log && video);
    startFrameSink({log, nullptr, dir / "f-%03llu.png", width, height});
    std::vector<uint8_t> frames[4];
    for (uint64_t f = 0; f < 4; ++f) frames[f] = submit(f);
    ASSERT_TRUE(finishFrameSink()) << frameSinkError();
    std::fclose(log);
    std::string expected;
    for (uint64_t f = 0; f < 4; ++f) {
        // Each file is the PNG of that frame's upright picture (decoded in the capture's run test).
        ASSERT_TRUE(writePng(dir / "expected.png", frames[f].data(), width, height));
        const std::string png = dir / ("f-00" + std::to_string(f) + ".png");
        EXPECT_EQ(readFileBytes(png), readFileBytes(dir / "expected.png")) << png;
        char line[128];
        std::snprintf(line, sizeof line, f % 2 ? "%d %d %d %d %016llx 2:%08x 7:1\n" : "%d %d %d %d %016llx -\n", int(f),
                      int(f * 735), int(f / 3), int(f % 3),
                      static_cast<unsigned long long>(frameHash(frames[f].data(), frames[f].size())), unsigned(f));
        expected += line;
    }
    EXPECT_EQ(readFileText(dir / "frames.log"), expected);

    // Through the video pipe: the same upright frames, raw, back to back.
    log = std::tmpfile();
    startFrameSink({log, video, "", width, height});
    submit(0);
    submit(1);
    ASSERT_TRUE(finishFrameSink());
    frames[0].insert(frames[0].end(), frames[1].begin(), frames[1].end());
    std::vector<uint8_t> raw(frames[0].size() + 1);
    std::rewind(video);
    raw.resize(std::fread(raw.data(), 1, raw.size(), video));
    EXPECT_EQ(raw, frames[0]);

    // A write that fails stops the sink with a message naming the file.
    startFrameSink({log, nullptr, "/nonexistent-dir/f-%06llu.png", width, height});
    for (uint64_t f = 0; f < 3; ++f) submit(f);
    EXPECT_FALSE(finishFrameSink() || !frameSinkFailed());
    EXPECT_EQ(frameSinkError().rfind("writing /nonexistent-dir/f-000000.png: ", 0), 0u) << frameSinkError();
    EXPECT_FALSE(writePng("/nonexistent-dir/f.png", nullptr, 1, 1) || writePng(dir / "f.png", nullptr, 0, 1));
    std::fclose(log);
    std::fclose(video);
}

}  // namespace
