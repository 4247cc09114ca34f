// The real demo's frames at a few points of the real song, rendered by the real capture program
// from the build's Data/, against the frames kept beside this file (reference-frames/): a change
// of what the demo shows fails here. Every channel of every pixel must be within two steps of
// 255 of the kept frame: room for a rounding change in Mesa, none for a changed picture.
//
// With STROBARIUM_REMAKE_REFERENCE_FRAMES=1 (scripts/remake-reference-frames) the kept frames
// are written anew instead.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace {

const std::string kept = std::string(STROBARIUM_SOURCE_DIR) + "/tests/capture/reference-frames/";

struct ReferencePoint {
    std::string name, start, end;
};

std::vector<ReferencePoint> referencePoints()
{
    std::vector<ReferencePoint> points;
    std::ifstream manifest(kept + "frames.txt");
    for (std::string line; std::getline(manifest, line);) {
        ReferencePoint p;
        if (line[0] != '#' && std::istringstream(line) >> p.name >> p.start >> p.end) points.push_back(p);
    }
    return points;
}

// RGB, top row first; empty when the file is not a readable PNG.
std::vector<uint8_t> rgbPixels(const std::string& path, png_uint_32& width)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
    width = png.width;
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) return {};
    return rgb;
}

TEST(ReferenceFrames, TheDemoShowsWhatItShowedWhenTheyWereKept)
{
    const std::vector<ReferencePoint> points = referencePoints();
    ASSERT_GE(points.size(), 5u) << kept << "frames.txt";
    const bool remake = std::getenv("STROBARIUM_REMAKE_REFERENCE_FRAMES") != nullptr;
    const TempDir out("reference-frames");
    for (const ReferencePoint& p : points) {
        const std::string dir = out / p.name;
        const std::string command = "cd '" STROBARIUM_BINARY_DIR "' && ./strobarium-capture --size 320x180 --png --start " +
                                    p.start + " --end " + p.end + " -o '" + dir + "' 2>'" + dir + ".stderr'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << readFileText(dir + ".stderr");
        std::vector<std::string> frames;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".png") frames.push_back(entry.path().string());
        ASSERT_FALSE(frames.empty()) << p.name;
        const std::string first = *std::min_element(frames.begin(), frames.end());
        if (remake) {
            EXPECT_TRUE(writeFileBytes(kept + p.name + ".png", readFileBytes(first))) << p.name;
            continue;
        }
        png_uint_32 width = 0, keptWidth = 0;
        const std::vector<uint8_t> got = rgbPixels(first, width), want = rgbPixels(kept + p.name + ".png", keptWidth);
        ASSERT_TRUE(width == 320 && keptWidth == 320 && got.size() == want.size() && !got.empty()) << p.name;
        size_t worst = 0, off = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            const size_t d = size_t(std::abs(int(got[i]) - int(want[i])));
            off += d > 2;
            worst = std::max(worst, d);
        }
        EXPECT_EQ(off, 0u) << p.name << ": channels more than 2 steps off (the largest by " << worst << ") in "
                           << first << "; if the data changed on purpose, run scripts/remake-reference-frames";
    }
}

}  // namespace
