#include "tests/support/testData.h"

#include <filesystem>
#include <system_error>

const char* const testBitmapNames[testBitmapCount] = {
    "Particle.bmp", "strobarium.bmp", "bykelsot.bmp", "ademofor.bmp", "zentrovia.bmp",
    "black.bmp",    "greetz1.bmp",    "greetz2.bmp",  "greetz3.bmp",  "greetz4.bmp",
    "greetz5.bmp",  "greetz6.bmp",    "greetz7.bmp",  "warning.bmp",
};

std::array<TestBitmap, testBitmapCount> defaultTestBitmaps()
{
    // Hand-picked so that no two entries share a colour and each channel is told apart
    // at a glance in a failure message.
    return {{
        {32, 32, 255, 255, 255},   // Particle: white, so lit particles show their own colour
        {128, 64, 255, 0, 0},      // strobarium
        {128, 64, 0, 255, 0},      // bykelsot
        {128, 64, 0, 0, 255},      // ademofor
        {128, 64, 255, 255, 0},    // zentrovia
        {128, 64, 0, 255, 255},    // black (not black, so that it can be told from nothing)
        {128, 64, 255, 0, 255},    // greetz1
        {128, 64, 128, 0, 0},      // greetz2
        {128, 64, 0, 128, 0},      // greetz3
        {128, 64, 0, 0, 128},      // greetz4
        {128, 64, 128, 128, 0},    // greetz5
        {128, 64, 0, 128, 128},    // greetz6
        {128, 64, 128, 0, 128},    // greetz7
        {128, 64, 64, 192, 32},    // warning
    }};
}

std::string testBitmapPath(const std::string& dir, int index)
{
    return (std::filesystem::path(dir) / "Data" / testBitmapNames[index]).string();
}

RgbImage solidImage(const TestBitmap& bitmap)
{
    RgbImage image(bitmap.width, bitmap.height);
    for (std::size_t i = 0; i < image.rgb.size(); i += 3) {
        image.rgb[i] = bitmap.red;
        image.rgb[i + 1] = bitmap.green;
        image.rgb[i + 2] = bitmap.blue;
    }
    return image;
}

bool writeTestBitmap(const std::string& dir, int index, const RgbImage& image)
{
    if (index < 0 || index >= testBitmapCount) return false;
    return writeBmp24(testBitmapPath(dir, index), image);
}

bool writeTestData(const std::string& dir, const std::array<TestBitmap, testBitmapCount>& bitmaps,
                   const std::string& modulePath)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path data = fs::path(dir) / "Data";
    fs::create_directories(data, error);
    if (error) return false;
    for (int i = 0; i < testBitmapCount; ++i) {
        if (!writeTestBitmap(dir, i, solidImage(bitmaps[i]))) return false;
    }
    if (!modulePath.empty()) {
        fs::copy_file(modulePath, data / "sonavel3.xm", fs::copy_options::overwrite_existing, error);
        if (error) return false;
    }
    return true;
}
