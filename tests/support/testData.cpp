#include "tests/support/testData.h"

#include <filesystem>

#include "common/dataFiles.h"
#include "tools/bmp/bmpWriter.h"

bool writeTestData(const std::string& dir, const std::string& modulePath)
{
    std::error_code error;
    std::filesystem::create_directories(dir + "/Data", error);
    for (int i = 0; i < bitmapCount && !error; ++i) {
        // Red takes 13 different values and blue is never 0.
        const uint8_t colour[3] = {uint8_t(i ? 70 * i : 255), uint8_t(i ? 150 * i : 255), uint8_t(i ? 40 * i + 64 : 255)};
        RgbImage image(i ? 128 : 32, i ? 64 : 32);
        for (std::size_t p = 0; p < image.rgb.size(); ++p) image.rgb[p] = colour[p % 3];
        if (!writeBmp24(dir + "/" + bitmapFiles[i], image)) return false;
    }
    if (!error && !modulePath.empty())
        std::filesystem::copy_file(modulePath, dir + "/" + moduleFile, std::filesystem::copy_options::overwrite_existing, error);
    return !error;
}
