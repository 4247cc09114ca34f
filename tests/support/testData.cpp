#include "tests/support/testData.h"

#include <filesystem>

#include "tools/bmp/bmpWriter.h"

std::array<TestBitmap, bitmapCount> defaultTestBitmaps()
{
    std::array<TestBitmap, bitmapCount> bitmaps{{{32, 32, 255, 255, 255}}};
    // Red takes 13 different values and blue is never 0.
    for (int i = 1; i < bitmapCount; ++i)
        bitmaps[i] = {128, 64, static_cast<uint8_t>(70 * i), static_cast<uint8_t>(150 * i), static_cast<uint8_t>(40 * i + 64)};
    return bitmaps;
}

bool writeTestData(const std::string& dir, const std::array<TestBitmap, bitmapCount>& bitmaps,
                   const std::string& modulePath)
{
    std::error_code error;
    std::filesystem::create_directories(dir + "/Data", error);
    for (int i = 0; i < bitmapCount && !error; ++i) {
        RgbImage image(bitmaps[i].width, bitmaps[i].height);
        for (std::size_t p = 0; p < image.rgb.size(); p += 3)
            image.rgb[p] = bitmaps[i].red, image.rgb[p + 1] = bitmaps[i].green, image.rgb[p + 2] = bitmaps[i].blue;
        if (!writeBmp24(dir + "/" + bitmapFiles[i], image)) return false;
    }
    if (!error && !modulePath.empty())
        std::filesystem::copy_file(modulePath, dir + "/" + moduleFile, std::filesystem::copy_options::overwrite_existing, error);
    return !error;
}
