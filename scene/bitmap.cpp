#include "scene/bitmap.h"

#include <cstdio>

#include "common/littleEndian.h"

namespace {

// One byte more than the largest accepted file, so that a longer file shows as too long.
uint8_t fileBuffer[maxBitmapFileBytes + 1];

constexpr std::size_t fileHeaderBytes = 14;
constexpr uint32_t coreHeaderBytes = 12;  // BITMAPCOREHEADER (OS/2 1.x): 16-bit sides, no compression field
constexpr uint32_t infoHeaderBytes = 40;  // BITMAPINFOHEADER
constexpr uint32_t compressionNone = 0;   // BI_RGB

// The later versions only append fields (colour masks: V2 52 and V3 56 bytes; colour space: V4
// 108 and V5 124) that an uncompressed bitmap does not use.
bool isInfoHeader(uint32_t bytes)
{
    return bytes == infoHeaderBytes || bytes == 52 || bytes == 56 || bytes == 108 || bytes == 124;
}

bool refuse(std::string& reason, const char* why)
{
    reason = why;
    return false;
}

}  // namespace

bool parseBitmap(const uint8_t* bytes, std::size_t size, BitmapView& view, std::string& reason)
{
    if (bytes == nullptr || size < fileHeaderBytes + 4) return refuse(reason, "too short for a BMP header");
    if (size > maxBitmapFileBytes) return refuse(reason, "file too large");
    if (bytes[0] != 'B' || bytes[1] != 'M') return refuse(reason, "not a BMP file");
    // The file header's size field is not read, as the platform's loader did not read it: a file
    // padded at its end, or one whose writer got the field wrong, still loads.
    const uint32_t pixelOffset = read32le(bytes + 10);

    const uint8_t* info = bytes + fileHeaderBytes;
    const uint32_t headerBytes = read32le(info);
    const bool core = headerBytes == coreHeaderBytes;
    if (!core && !isInfoHeader(headerBytes)) return refuse(reason, "unsupported BMP header version");
    if (size < fileHeaderBytes + (core ? coreHeaderBytes : infoHeaderBytes)) return refuse(reason, "too short for a BMP header");
    // A core header's sides are unsigned, so its rows always run bottom-up.
    const int32_t width = core ? read16le(info + 4) : static_cast<int32_t>(read32le(info + 4));
    const int32_t height = core ? read16le(info + 6) : static_cast<int32_t>(read32le(info + 8));  // < 0: top-down
    const uint16_t planes = read16le(info + (core ? 8 : 12));
    const uint16_t bitsPerPixel = read16le(info + (core ? 10 : 14));
    const uint32_t compression = core ? compressionNone : read32le(info + 16);

    if (planes != 1 || bitsPerPixel != 24) return refuse(reason, "not a 24-bit bitmap");
    if (compression != compressionNone) return refuse(reason, "compressed bitmap");
    if (height < 0) return refuse(reason, "rows stored top-down");
    if (width <= 0 || height == 0) return refuse(reason, "no pixels (width or height 0 or less)");

    // The pixels follow from width, height and depth alone, as other readers take them: the
    // image size field is not read, since some writers count padding in it that no row has.
    // Sizes in 64 bits: nothing below can wrap, whatever the header says. Bytes after the
    // pixel array are left alone.
    const uint64_t imageBytes = static_cast<uint64_t>(bitmapRowBytes(width)) * static_cast<uint64_t>(height);
    if (pixelOffset < fileHeaderBytes + headerBytes) return refuse(reason, "pixel data overlaps the headers");
    if (static_cast<uint64_t>(pixelOffset) + imageBytes > size) return refuse(reason, "pixel data runs past the end of the file");

    view.width = width;
    view.height = height;
    view.pixels = bytes + pixelOffset;
    return true;
}

bool readBitmapFile(const char* fileName, BitmapView& view, std::string& reason)
{
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) return refuse(reason, "cannot open the file");
    std::size_t size = 0;
    while (size < sizeof fileBuffer) {
        const std::size_t got = std::fread(fileBuffer + size, 1, sizeof fileBuffer - size, file);
        if (got == 0) break;
        size += got;
    }
    const bool readWhole = std::ferror(file) == 0;
    std::fclose(file);
    if (!readWhole) return refuse(reason, "cannot read the file");
    return parseBitmap(fileBuffer, size, view, reason);
}
