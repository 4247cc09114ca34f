// The bitmap reader: one row per reason it refuses a file, files on disk, the fuzz corpus (every input
// also through the fuzz target's checks).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <tuple>

#include "scene/bitmap.h"
#include "tests/support/files.h"
#include "tools/bmp/bmpWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<uint8_t>;
using Edit = std::function<void(Bytes&)>;

constexpr std::size_t pixelOffsetAt = 10, headerSizeAt = 14, widthAt = 18, heightAt = 22, bitsAt = 28,
                      compressionAt = 30;

void put(Bytes& b, std::size_t at, uint32_t value, int bytes = 4)
{
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(value >> 8 * i);
}

Bytes bitmap(int width, int height, const Edit& edit = {})
{
    Bytes file = encodeBmp24(RgbImage(width, height));
    if (edit) edit(file);
    return file;
}

// Where the accepted pixels start, or -1. Read from an exact-size heap copy, so that the
// sanitizer build sees any read past the end.
long parsed(const Bytes& file, BitmapView& view, std::string& reason)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), exact.get());
    EXPECT_EQ(LLVMFuzzerTestOneInput(exact.get(), file.size()), 0);
    return parseBitmap(exact.get(), file.size(), view, reason) ? view.pixels - exact.get() : -1;
}

// Each flaw read from a file (the corpus parses refusals of each kind from memory).
TEST(BitmapReader, RefusesEachFlawWithItsReason)
{
    const TempDir dir("strobarium-bitmap");
    const char* const shape = "no pixels (width or height 0 or less)";
    const std::pair<const char*, Edit> flaws[] = {
        {"too short for a BMP header", [](Bytes& b) { b.resize(53); }},
        {"not a BMP file", [](Bytes& b) { b[1] = 'A'; }},
        {"unsupported BMP header version", [](Bytes& b) { put(b, headerSizeAt, 64); }},
        {"not a 24-bit bitmap", [](Bytes& b) { put(b, bitsAt, 32, 2); }},
        {"compressed bitmap", [](Bytes& b) { put(b, compressionAt, 1); }},
        {"rows stored top-down", [](Bytes& b) { put(b, heightAt, static_cast<uint32_t>(-4)); }},
        {shape, [](Bytes& b) { put(b, heightAt, 0); }},
        {shape, [](Bytes& b) { put(b, widthAt, static_cast<uint32_t>(-4)); }},
        {"pixel data overlaps the headers", [](Bytes& b) { put(b, pixelOffsetAt, 53); }},
        {"pixel data runs past the end of the file", [](Bytes& b) { put(b, pixelOffsetAt, 0xFFFFFFF0u); }},
        {"file too large", [](Bytes& b) { b.resize(maxBitmapFileBytes + 2); }},
        {"cannot read the file", nullptr},  // the folder itself
    };
    for (const auto& [why, edit] : flaws) {
        BitmapView view{-1, -1, nullptr};
        std::string reason;
        ASSERT_TRUE(writeFileBytes(dir / "flawed.bmp", bitmap(4, 4, edit)));
        EXPECT_FALSE(readBitmapFile((edit ? dir / "flawed.bmp" : dir.path()).c_str(), view, reason));
        EXPECT_EQ(reason, why);
        EXPECT_EQ(view.pixels, nullptr) << why;
    }
    BitmapView view{};
    std::string reason;
    EXPECT_FALSE(parseBitmap(nullptr, 100, view, reason));
}

// The corpus holds the other headers (core, V2 to V5), sides of 1 and 2048, size fields that lie
// or are 0, a gap before the pixels, trailing bytes, and refusals of each kind. A seed named
// "valid-WxH..." is a W x H image with its pixels where the file header says; others are refused.
TEST(BitmapReader, EveryCorpusSeedHasItsExpectedOutcome)
{
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(STROBARIUM_SOURCE_DIR "/tests/scene/corpus")) {
        const std::string name = entry.path().filename().string();
        const Bytes file = readFileBytes(entry.path().string());
        int width = -1, height = -1;
        const bool valid = std::sscanf(name.c_str(), "valid-%dx%d", &width, &height) == 2;
        BitmapView view{-1, -1, nullptr};
        std::string reason;
        const long at = parsed(file, view, reason);
        EXPECT_EQ(std::tuple(at, view.width, view.height), std::tuple(valid ? file[pixelOffsetAt] : -1L, width, height)) << name;
        ++seeds;
    }
    EXPECT_GE(seeds, 29);
}

}  // namespace
