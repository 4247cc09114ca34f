#include "tools/bmp/bmpWriter.h"

#include <cstdio>

#include "common/littleEndian.h"

std::vector<uint8_t> encodeBmp24(const RgbImage& image)
{
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = stride * static_cast<uint32_t>(image.height);
    constexpr uint32_t headerBytes = 14 + 40;

    std::vector<uint8_t> out;
    out.reserve(headerBytes + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    append32le(out, headerBytes + pixelBytes);
    append32le(out, 0);
    append32le(out, headerBytes);
    append32le(out, 40);
    append32le(out, static_cast<uint32_t>(image.width));
    append32le(out, static_cast<uint32_t>(image.height));  // positive: bottom row first
    append16le(out, 1);
    append16le(out, 24);
    append32le(out, 0);  // BI_RGB
    append32le(out, pixelBytes);
    append32le(out, 2835);  // 72 dpi
    append32le(out, 2835);
    append32le(out, 0);
    append32le(out, 0);

    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t* row = &image.rgb[static_cast<std::size_t>(y) * image.width * 3];
        for (int x = 0; x < image.width; ++x) {
            out.push_back(row[x * 3 + 2]);
            out.push_back(row[x * 3 + 1]);
            out.push_back(row[x * 3 + 0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

bool writeBmp24(const std::string& path, const RgbImage& image)
{
    const std::vector<uint8_t> bytes = encodeBmp24(image);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
