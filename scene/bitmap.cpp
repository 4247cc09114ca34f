#include "scene/bitmap.h"

#include <cstdio>

namespace {

// One byte more than the largest accepted file, so that a longer file shows as too long.
uint8_t fileBuffer[maxBitmapFileBytes + 1];

constexpr std::size_t fileHeaderBytes = 14;
constexpr uint32_t infoHeaderBytes = 40;     // BITMAPINFOHEADER
constexpr uint32_t v4HeaderBytes = 108;      // BITMAPV4HEADER
constexpr uint32_t v5HeaderBytes = 124;      // BITMAPV5HEADER
constexpr uint32_t compressionNone = 0;      // BI_RGB

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t read32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool isPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

const char* refusal = "";

bool refuse(const char* why)
{
    refusal = why;
    return false;
}

}  // namespace

const char* bitmapRefusal() { return refusal; }

bool parseBitmap(const uint8_t* bytes, std::size_t size, BitmapView& view)
{
    if (bytes == nullptr || size < fileHeaderBytes + infoHeaderBytes) return refuse("too short for a BMP header");
    if (size > maxBitmapFileBytes) return refuse("file too large");
    if (bytes[0] != 'B' || bytes[1] != 'M') return refuse("not a BMP file");
    const uint32_t declaredFileBytes = read32(bytes + 2);
    const uint32_t pixelOffset = read32(bytes + 10);

    const uint8_t* info = bytes + fileHeaderBytes;
    const uint32_t headerBytes = read32(info);
    const auto width = static_cast<int32_t>(read32(info + 4));
    const auto height = static_cast<int32_t>(read32(info + 8));  // negative would mean top-down rows
    const uint16_t planes = read16(info + 12);
    const uint16_t bitsPerPixel = read16(info + 14);
    const uint32_t compression = read32(info + 16);
    const uint32_t declaredImageBytes = read32(info + 20);

    // The later header versions only append fields (masks, colour space) that BI_RGB ignores.
    if (headerBytes != infoHeaderBytes && headerBytes != v4HeaderBytes && headerBytes != v5HeaderBytes)
        return refuse("unsupported BMP header version");
    if (planes != 1 || bitsPerPixel != 24) return refuse("not a 24-bit bitmap");
    if (compression != compressionNone) return refuse("compressed bitmap");
    if (height < 0) return refuse("rows stored top-down");
    if (!isPowerOfTwo(width) || !isPowerOfTwo(height) || width > maxBitmapSide || height > maxBitmapSide)
        return refuse("width and height must be powers of two up to 2048");

    // Sizes in 64 bits: nothing below can wrap, whatever the header says.
    const uint64_t imageBytes = static_cast<uint64_t>(bitmapRowBytes(width)) * static_cast<uint64_t>(height);
    if (declaredFileBytes != size) return refuse("file size field disagrees with the file");
    if (declaredImageBytes != 0 && declaredImageBytes != imageBytes) return refuse("image size field disagrees with the image");
    if (pixelOffset < fileHeaderBytes + headerBytes) return refuse("pixel data overlaps the headers");
    if (static_cast<uint64_t>(pixelOffset) + imageBytes > size) return refuse("pixel data runs past the end of the file");

    view.width = width;
    view.height = height;
    view.pixels = bytes + pixelOffset;
    return true;
}

bool readBitmapFile(const char* fileName, BitmapView& view)
{
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) return refuse("cannot open the file");
    std::size_t size = 0;
    while (size < sizeof fileBuffer) {
        const std::size_t got = std::fread(fileBuffer + size, 1, sizeof fileBuffer - size, file);
        if (got == 0) break;
        size += got;
    }
    const bool readWhole = std::ferror(file) == 0;
    std::fclose(file);
    if (!readWhole) return refuse("cannot read the file");
    return parseBitmap(fileBuffer, size, view);
}
