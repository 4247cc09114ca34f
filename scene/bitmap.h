// Our BMP reader. It accepts one kind of image: uncompressed (BI_RGB), 24-bit, bottom-up, of
// any width and height (whether OpenGL takes that size is the texture loader's question), under
// any header the platform's own loader read (OS/2 core, the info header and its V2 to V5
// versions), whatever the file header's and the image's size fields say and with any bytes
// after the pixels.
// The pixel array of such a file already is the layout the textures are uploaded in
// (blue-green-red, rows padded to 4 bytes, bottom row first), so nothing is converted: the
// reader only proves that the array is really there. Anything else is rejected with false and
// a reason in a few words ("not a 24-bit bitmap"), for the one stderr line that names the cause;
// no input makes it read outside the bytes it was given.
//
// Globals owned here: the file buffer behind readBitmapFile (main thread only; each call
// overwrites what the previous one left).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Larger than any texture the demo uploads and small enough for a static buffer.
constexpr std::size_t maxBitmapFileBytes = 16u << 20;

struct BitmapView {
    int32_t width;
    int32_t height;
    const uint8_t* pixels;  // width * height pixels, rows of bitmapRowBytes(width)
};

constexpr std::size_t bitmapRowBytes(int32_t width)
{
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

// Validates `size` bytes of a whole file; on success `view` points into `bytes`.
bool parseBitmap(const uint8_t* bytes, std::size_t size, BitmapView& view, std::string& reason);

// Reads the file into the static buffer and parses it there; false when it cannot be
// opened or read, is larger than maxBitmapFileBytes, or is not accepted by parseBitmap.
bool readBitmapFile(const char* fileName, BitmapView& view, std::string& reason);
