// The BMP reader against well-formed files of every accepted shape and against a table of
// damaged or unsupported ones, in memory and through real files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "scene/bitmap.h"
#include "tools/bmp/bmpWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(Bytes& b, std::size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Offsets in the file: the 14-byte file header, then BITMAPINFOHEADER.
constexpr std::size_t fileSizeAt = 2, pixelOffsetAt = 10, headerSizeAt = 14, widthAt = 18, heightAt = 22,
                      planesAt = 26, bitsAt = 28, compressionAt = 30, imageSizeAt = 34;

// Every pixel different, so a wrong row order or channel order shows.
RgbImage patterned(int width, int height)
{
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.at(x, y);
            p[0] = static_cast<uint8_t>(10 + x);
            p[1] = static_cast<uint8_t>(100 + y);
            p[2] = static_cast<uint8_t>(200 + x + y);
        }
    }
    return image;
}

Bytes validFile(int width = 4, int height = 2) { return encodeBmp24(patterned(width, height)); }

// Grows the info header to `headerBytes` (V4/V5 style) and moves the pixels behind it.
Bytes withHeaderSize(Bytes file, uint32_t headerBytes)
{
    file.insert(file.begin() + 54, headerBytes - 40, 0);
    put32(file, headerSizeAt, headerBytes);
    put32(file, pixelOffsetAt, 14 + headerBytes);
    put32(file, fileSizeAt, static_cast<uint32_t>(file.size()));
    return file;
}

bool parse(const Bytes& file, BitmapView& view) { return parseBitmap(file.data(), file.size(), view); }

struct BadFile {
    const char* name;
    const char* why;  // the reason the reader gives
    std::function<void(Bytes&)> damage;
};

const BadFile badFiles[] = {
    {"empty", "too short for a BMP header", [](Bytes& b) { b.clear(); }},
    {"one byte", "too short for a BMP header", [](Bytes& b) { b.resize(1); }},
    {"file header only", "too short for a BMP header", [](Bytes& b) { b.resize(14); }},
    {"info header cut short", "too short for a BMP header", [](Bytes& b) { b.resize(53); }},
    {"pixel array cut short, sizes adjusted", "pixel data runs past the end of the file",
     [](Bytes& b) {
         b.resize(b.size() - 1);
         put32(b, fileSizeAt, static_cast<uint32_t>(b.size()));
     }},
    {"pixel array cut short, sizes not adjusted", "file size field disagrees with the file", [](Bytes& b) { b.resize(b.size() - 4); }},
    {"no pixels at all, sizes adjusted", "pixel data runs past the end of the file",
     [](Bytes& b) {
         b.resize(54);
         put32(b, fileSizeAt, 54);
     }},
    {"magic BA", "not a BMP file", [](Bytes& b) { b[1] = 'A'; }},
    {"magic lower case", "not a BMP file", [](Bytes& b) { b[0] = 'b'; }},
    {"file size says more", "file size field disagrees with the file", [](Bytes& b) { put32(b, fileSizeAt, static_cast<uint32_t>(b.size() + 1)); }},
    {"file size says less", "file size field disagrees with the file", [](Bytes& b) { put32(b, fileSizeAt, static_cast<uint32_t>(b.size() - 1)); }},
    {"file size zero", "file size field disagrees with the file", [](Bytes& b) { put32(b, fileSizeAt, 0); }},
    {"trailing bytes not counted", "file size field disagrees with the file", [](Bytes& b) { b.push_back(0); }},
    {"pixel offset inside the header", "pixel data overlaps the headers", [](Bytes& b) { put32(b, pixelOffsetAt, 53); }},
    {"pixel offset zero", "pixel data overlaps the headers", [](Bytes& b) { put32(b, pixelOffsetAt, 0); }},
    {"pixel offset past the end", "pixel data runs past the end of the file", [](Bytes& b) { put32(b, pixelOffsetAt, static_cast<uint32_t>(b.size() + 8)); }},
    {"pixel offset leaves array short", "pixel data runs past the end of the file", [](Bytes& b) { put32(b, pixelOffsetAt, 58); }},
    {"pixel offset near 4 GiB", "pixel data runs past the end of the file", [](Bytes& b) { put32(b, pixelOffsetAt, 0xFFFFFFF0u); }},
    {"core header (12 bytes)", "unsupported BMP header version", [](Bytes& b) { put32(b, headerSizeAt, 12); }},
    {"OS/2 2.x header (64 bytes)", "unsupported BMP header version", [](Bytes& b) { put32(b, headerSizeAt, 64); }},
    {"header size zero", "unsupported BMP header version", [](Bytes& b) { put32(b, headerSizeAt, 0); }},
    {"header size huge", "unsupported BMP header version", [](Bytes& b) { put32(b, headerSizeAt, 0xFFFFFFFFu); }},
    {"V5 header size without room for it", "pixel data overlaps the headers", [](Bytes& b) { put32(b, headerSizeAt, 124); }},
    {"planes 0", "not a 24-bit bitmap", [](Bytes& b) { put16(b, planesAt, 0); }},
    {"planes 2", "not a 24-bit bitmap", [](Bytes& b) { put16(b, planesAt, 2); }},
    {"1 bit", "not a 24-bit bitmap", [](Bytes& b) { put16(b, bitsAt, 1); }},
    {"4 bits", "not a 24-bit bitmap", [](Bytes& b) { put16(b, bitsAt, 4); }},
    {"8 bits", "not a 24-bit bitmap", [](Bytes& b) { put16(b, bitsAt, 8); }},
    {"16 bits", "not a 24-bit bitmap", [](Bytes& b) { put16(b, bitsAt, 16); }},
    {"32 bits", "not a 24-bit bitmap", [](Bytes& b) { put16(b, bitsAt, 32); }},
    {"0 bits", "not a 24-bit bitmap", [](Bytes& b) { put16(b, bitsAt, 0); }},
    {"RLE8", "compressed bitmap", [](Bytes& b) { put32(b, compressionAt, 1); }},
    {"RLE4", "compressed bitmap", [](Bytes& b) { put32(b, compressionAt, 2); }},
    {"bit fields", "compressed bitmap", [](Bytes& b) { put32(b, compressionAt, 3); }},
    {"JPEG", "compressed bitmap", [](Bytes& b) { put32(b, compressionAt, 4); }},
    {"PNG", "compressed bitmap", [](Bytes& b) { put32(b, compressionAt, 5); }},
    {"top-down rows", "rows stored top-down", [](Bytes& b) { put32(b, heightAt, static_cast<uint32_t>(-2)); }},
    {"width 0", "width and height must be powers of two up to 2048", [](Bytes& b) { put32(b, widthAt, 0); }},
    {"height 0", "width and height must be powers of two up to 2048", [](Bytes& b) { put32(b, heightAt, 0); }},
    {"width negative", "width and height must be powers of two up to 2048", [](Bytes& b) { put32(b, widthAt, static_cast<uint32_t>(-4)); }},
    {"width most negative", "width and height must be powers of two up to 2048", [](Bytes& b) { put32(b, widthAt, 0x80000000u); }},
    {"width 3, not a power of two", "width and height must be powers of two up to 2048", [](Bytes& b) { put32(b, widthAt, 3); }},
    {"height 3, not a power of two", "width and height must be powers of two up to 2048", [](Bytes& b) { put32(b, heightAt, 3); }},
    {"width 4096, over the limit", "width and height must be powers of two up to 2048", [](Bytes& b) { put32(b, widthAt, 4096); }},
    {"height 2^30", "width and height must be powers of two up to 2048", [](Bytes& b) { put32(b, heightAt, 0x40000000u); }},
    {"image size lies (small)", "image size field disagrees with the image", [](Bytes& b) { put32(b, imageSizeAt, 4); }},
    {"image size lies (large)", "image size field disagrees with the image", [](Bytes& b) { put32(b, imageSizeAt, 0xFFFFFFFFu); }},
};

// Test listings name the case instead of dumping the record's bytes.
void PrintTo(const BadFile& file, std::ostream* out) { *out << file.name; }

class BadBitmap : public testing::TestWithParam<BadFile> {};

TEST_P(BadBitmap, IsRejected)
{
    Bytes file = validFile();
    GetParam().damage(file);
    // An exact-size heap copy, so that the sanitizer build catches any read past the end.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size() + (file.empty() ? 1 : 0)]);
    if (!file.empty()) std::memcpy(exact.get(), file.data(), file.size());
    BitmapView view{-1, -1, nullptr};
    EXPECT_FALSE(parseBitmap(exact.get(), file.size(), view));
    EXPECT_STREQ(bitmapRefusal(), GetParam().why);
    EXPECT_EQ(view.pixels, nullptr) << "a rejected file must leave the view alone";
}

std::string caseName(const testing::TestParamInfo<BadFile>& info)
{
    std::string name;
    for (const char* c = info.param.name; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(MalformedInput, BadBitmap, testing::ValuesIn(badFiles), caseName);

TEST(BitmapReader, NullBytesAreRejected)
{
    BitmapView view{};
    EXPECT_FALSE(parseBitmap(nullptr, 0, view));
    EXPECT_FALSE(parseBitmap(nullptr, 100, view));
}

// Sizes in pixels, with the padded row length the texture upload expects.
struct GoodShape {
    int width, height;
    std::size_t rowBytes;
};

TEST(BitmapReader, AcceptsEveryPowerOfTwoShapeWithItsOwnPixelArray)
{
    const GoodShape shapes[] = {{1, 1, 4}, {2, 1, 8}, {1, 2, 4}, {4, 4, 12}, {8, 2, 24}, {16, 1, 48}, {2048, 1, 6144}};
    for (const GoodShape& shape : shapes) {
        SCOPED_TRACE(std::to_string(shape.width) + "x" + std::to_string(shape.height));
        EXPECT_EQ(bitmapRowBytes(shape.width), shape.rowBytes);
        const Bytes file = validFile(shape.width, shape.height);
        BitmapView view{};
        ASSERT_TRUE(parse(file, view));
        EXPECT_EQ(view.width, shape.width);
        EXPECT_EQ(view.height, shape.height);
        EXPECT_EQ(view.pixels, file.data() + 54);
    }
}

TEST(BitmapReader, PixelArrayIsBottomRowFirstBlueGreenRed)
{
    const Bytes file = validFile(2, 2);
    BitmapView view{};
    ASSERT_TRUE(parse(file, view));
    const RgbImage image = patterned(2, 2);
    // Row 0 of the array is the image's bottom row (y = 1), each pixel as B, G, R.
    const uint8_t* bottomLeft = view.pixels;
    const uint8_t* topRight = view.pixels + bitmapRowBytes(2) + 3;
    const uint8_t* imageBottomLeft = &image.rgb[(1 * 2 + 0) * 3];
    const uint8_t* imageTopRight = &image.rgb[(0 * 2 + 1) * 3];
    EXPECT_EQ(bottomLeft[0], imageBottomLeft[2]);
    EXPECT_EQ(bottomLeft[1], imageBottomLeft[1]);
    EXPECT_EQ(bottomLeft[2], imageBottomLeft[0]);
    EXPECT_EQ(topRight[0], imageTopRight[2]);
    EXPECT_EQ(topRight[2], imageTopRight[0]);
}

TEST(BitmapReader, AcceptsTheLaterHeaderVersions)
{
    for (uint32_t headerBytes : {108u, 124u}) {
        SCOPED_TRACE(headerBytes);
        const Bytes file = withHeaderSize(validFile(), headerBytes);
        BitmapView view{};
        ASSERT_TRUE(parse(file, view));
        EXPECT_EQ(view.pixels, file.data() + 14 + headerBytes);
        EXPECT_EQ(view.pixels[0], file[14 + headerBytes]);
    }
}

TEST(BitmapReader, FollowsThePixelOffsetPastAGap)
{
    // A colour table or any other gap between header and pixels is allowed; the offset decides.
    Bytes file = validFile();
    file.insert(file.begin() + 54, 16, 0xEE);
    put32(file, pixelOffsetAt, 70);
    put32(file, fileSizeAt, static_cast<uint32_t>(file.size()));
    BitmapView view{};
    ASSERT_TRUE(parse(file, view));
    EXPECT_EQ(view.pixels, file.data() + 70);
}

TEST(BitmapReader, AcceptsAnImageSizeOfZeroOrTheTrueSize)
{
    for (uint32_t declared : {0u, static_cast<uint32_t>(bitmapRowBytes(4) * 2)}) {
        Bytes file = validFile();
        put32(file, imageSizeAt, declared);
        BitmapView view{};
        EXPECT_TRUE(parse(file, view)) << declared;
    }
}

// Files on disk, in a folder of this test's own.
class BitmapFile : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/strobarium-bitmap-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string path(const char* name) const { return dir + "/" + name; }
    void write(const char* name, const Bytes& bytes) const
    {
        std::FILE* file = std::fopen(path(name).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        if (!bytes.empty()) {
            ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        }
        std::fclose(file);
    }
    std::string dir;
};

TEST_F(BitmapFile, ReadsAFileWrittenByOurWriter)
{
    ASSERT_TRUE(writeBmp24(path("ok.bmp"), patterned(64, 32)));
    BitmapView view{};
    ASSERT_TRUE(readBitmapFile(path("ok.bmp").c_str(), view));
    EXPECT_EQ(view.width, 64);
    EXPECT_EQ(view.height, 32);
    const Bytes expected = encodeBmp24(patterned(64, 32));
    EXPECT_EQ(0, std::memcmp(view.pixels, expected.data() + 54, expected.size() - 54));
}

TEST_F(BitmapFile, RejectsMissingDirectoryEmptyAndOversizedFiles)
{
    BitmapView view{};
    EXPECT_FALSE(readBitmapFile(path("missing.bmp").c_str(), view));
    EXPECT_STREQ(bitmapRefusal(), "cannot open the file");
    EXPECT_FALSE(readBitmapFile(dir.c_str(), view));
    EXPECT_STREQ(bitmapRefusal(), "cannot read the file");
    write("empty.bmp", {});
    EXPECT_FALSE(readBitmapFile(path("empty.bmp").c_str(), view));

    // A valid-looking header in front of more bytes than the reader will hold.
    Bytes big = validFile();
    big.resize(maxBitmapFileBytes + 2);
    put32(big, fileSizeAt, static_cast<uint32_t>(big.size()));
    write("big.bmp", big);
    EXPECT_FALSE(readBitmapFile(path("big.bmp").c_str(), view));
    EXPECT_EQ(view.pixels, nullptr);
}

TEST_F(BitmapFile, ALargestFileIsStillRead)
{
    const Bytes file = validFile(2048, 2048);
    ASSERT_LE(file.size(), maxBitmapFileBytes);
    write("largest.bmp", file);
    BitmapView view{};
    ASSERT_TRUE(readBitmapFile(path("largest.bmp").c_str(), view));
    EXPECT_EQ(view.width, 2048);
    EXPECT_EQ(view.pixels[bitmapRowBytes(2048) * 2048 - 1], file.back());
}

}  // namespace
