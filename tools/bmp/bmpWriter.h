// Writes uncompressed 24-bit BMP files exactly as the demo's loader expects them:
// BITMAPINFOHEADER, bottom row first, blue-green-red, rows padded to 4 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first, 3 bytes a pixel, no padding

    RgbImage() = default;
    RgbImage(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, 0) {}
    uint8_t* at(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

std::vector<uint8_t> encodeBmp24(const RgbImage& image);

// False (with errno set by the failing call) when the file cannot be written whole.
bool writeBmp24(const std::string& path, const RgbImage& image);
