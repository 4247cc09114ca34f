// The bitmap reader: one row per reason it refuses a file, the shapes and headers it accepts,
// files on disk, and the fuzz corpus; every input also goes through the fuzz target's checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "scene/bitmap.h"
#include "tests/support/files.h"
#include "tools/bmp/bmpWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<uint8_t>;
using Edit = std::function<void(Bytes&)>;

// Where the fields of the file header and the info header lie.
constexpr std::size_t fileSizeAt = 2, pixelOffsetAt = 10, headerSizeAt = 14, widthAt = 18, heightAt = 22,
                      planesAt = 26, bitsAt = 28, compressionAt = 30, imageSizeAt = 34;

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

// The OS/2 core header in place of the info header: 16-bit sides, planes and bits, no more.
Edit core(uint16_t bits = 24)
{
    return [=](Bytes& b) {
        const uint32_t width = b[widthAt] | b[widthAt + 1] << 8, height = b[heightAt] | b[heightAt + 1] << 8;
        b.erase(b.begin() + 26, b.begin() + 54);
        put(b, headerSizeAt, 12), put(b, 18, width, 2), put(b, 20, height, 2), put(b, 22, 1, 2), put(b, 24, bits, 2);
        put(b, pixelOffsetAt, 26);
    };
}

// Where the accepted pixels start, or -1. Read from an exact-size heap copy, so that the
// sanitizer build sees any read past the end.
long parsed(const Bytes& file, BitmapView& view)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), exact.get());
    EXPECT_EQ(LLVMFuzzerTestOneInput(exact.get(), file.size()), 0);
    return parseBitmap(exact.get(), file.size(), view) ? view.pixels - exact.get() : -1;
}

TEST(BitmapReader, RefusesEachFlawWithItsReason)
{
    const char *const shape = "width and height must be powers of two up to 2048",
                      *const pastTheEnd = "pixel data runs past the end of the file";
    const std::pair<const char*, Edit> flaws[] = {
        {"too short for a BMP header", [](Bytes& b) { b.resize(53); }},
        {"too short for a BMP header", [](Bytes& b) { core()(b), b.resize(25); }},
        {"file too large", [](Bytes& b) { b.resize(maxBitmapFileBytes + 1); }},
        {"not a BMP file", [](Bytes& b) { b[1] = 'A'; }},
        {"unsupported BMP header version", [](Bytes& b) { put(b, headerSizeAt, 64); }},
        {"not a 24-bit bitmap", [](Bytes& b) { put(b, bitsAt, 32, 2); }},
        {"not a 24-bit bitmap", [](Bytes& b) { put(b, planesAt, 2, 2); }},
        {"not a 24-bit bitmap", core(8)},
        {"compressed bitmap", [](Bytes& b) { put(b, compressionAt, 1); }},
        {"rows stored top-down", [](Bytes& b) { put(b, heightAt, static_cast<uint32_t>(-4)); }},
        {shape, [](Bytes& b) { put(b, widthAt, 3); }},
        {shape, [](Bytes& b) { put(b, heightAt, 0); }},
        {shape, [](Bytes& b) { put(b, widthAt, 4096); }},
        {shape, [](Bytes& b) { put(b, widthAt, 3), core()(b); }},
        {"image size field disagrees with the image", [](Bytes& b) { put(b, imageSizeAt, 4); }},
        {"pixel data overlaps the headers", [](Bytes& b) { put(b, pixelOffsetAt, 53); }},
        {pastTheEnd, [](Bytes& b) { put(b, pixelOffsetAt, 0xFFFFFFF0u); }},
        {pastTheEnd, [](Bytes& b) { b.pop_back(), put(b, fileSizeAt, static_cast<uint32_t>(b.size())); }},
    };
    for (const auto& [why, edit] : flaws) {
        BitmapView view{-1, -1, nullptr};
        EXPECT_EQ(parsed(bitmap(4, 4, edit), view), -1) << why;
        EXPECT_STREQ(bitmapRefusal(), why);
        EXPECT_EQ(view.pixels, nullptr) << why;
    }
    BitmapView view{};
    EXPECT_FALSE(parseBitmap(nullptr, 100, view));
}

// The corpus holds the other headers (V2 to V5, a gap before the pixels, trailing bytes).
TEST(BitmapReader, AcceptsEveryShapeItCanUploadAndFindsThePixels)
{
    const struct { int width, height; Edit edit; long pixelsAt; } files[] = {
        {1, 1, {}, 54}, {2048, 1, {}, 54}, {1, 2048, {}, 54}, {4, 2, [](Bytes& b) { put(b, imageSizeAt, 0); }, 54},
        {2, 2, core(), 26}, {2048, 2, core(), 26}, {4, 2, [](Bytes& b) { put(b, fileSizeAt, 0); }, 54},
    };
    for (const auto& f : files) {
        BitmapView view{};
        EXPECT_EQ(parsed(bitmap(f.width, f.height, f.edit), view), f.pixelsAt) << &f - files;
        EXPECT_EQ(view.width * 10000 + view.height, f.width * 10000 + f.height) << &f - files;
    }
}

TEST(BitmapReader, ReadsFilesUpToTheLargestAndSaysWhyNot)
{
    const TempDir dir("strobarium-bitmap");
    BitmapView view{};
    ASSERT_TRUE(writeFileBytes(dir / "largest.bmp", bitmap(2048, 2048)));
    EXPECT_TRUE(readBitmapFile((dir / "largest.bmp").c_str(), view));
    ASSERT_TRUE(writeFileBytes(dir / "big.bmp", bitmap(4, 4, [](Bytes& b) { b.resize(maxBitmapFileBytes + 2); })));
    for (const auto& [path, why] : {std::pair{dir / "big.bmp", "file too large"}, {dir.path(), "cannot read the file"}}) {
        EXPECT_FALSE(readBitmapFile(path.c_str(), view)) << why;
        EXPECT_STREQ(bitmapRefusal(), why);
    }
}

// Seeds named "valid-*" are accepted, with their pixels where the file header says; all
// others are refused.
TEST(BitmapReader, EveryCorpusSeedHasItsExpectedOutcome)
{
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(STROBARIUM_SOURCE_DIR "/tests/scene/corpus")) {
        const std::string name = entry.path().filename().string();
        const Bytes file = readFileBytes(entry.path().string());
        BitmapView view{};
        EXPECT_EQ(parsed(file, view), name.rfind("valid-", 0) == 0 ? file[pixelOffsetAt] : -1) << name;
        ++seeds;
    }
    EXPECT_GE(seeds, 21);
}

}  // namespace
