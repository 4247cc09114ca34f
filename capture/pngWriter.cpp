#include "capture/pngWriter.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

// libpng's own handler prints its failures; the caller says what failed, once.
void quiet(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignore(png_structp, png_const_charp) {}

// libpng reports errors by longjmp; this keeps the jump out of any function with live C++ objects.
// A failed write leaves its cause in errno, kept in `error` before libpng's clean-up can change it.
bool writeRows(FILE* file, const uint8_t* rgb, int width, int height, int& error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quiet, ignore);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        error = errno;
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // Frames of the field are mostly black: the "up" filter with the fastest deflate level
    // keeps a 1280x720 frame to a few milliseconds at a size close to the default's.
    png_set_compression_level(png, Z_BEST_SPEED);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, rgb + std::size_t(y) * width * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePng(const std::string& path, const uint8_t* rgb, int width, int height, std::string& reason)
{
    if (width <= 0 || height <= 0) {
        reason = "no pixels to write";
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    errno = 0;
    int error = 0;
    const bool written = writeRows(file, rgb, width, height, error);
    const bool closed = std::fclose(file) == 0;
    if (!closed) reason = std::strerror(errno);
    if (!written) reason = error ? std::strerror(error) : "libpng could not write the image";
    return written && closed;
}
