// make-data OUT_DIR [FONT_DIR]: writes the demo's Data/ folder (14 bitmaps and the song).
// Everything is computed from code and the font files, so every run gives the same bytes.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "tools/data/bitmaps.h"
#include "tools/data/lettering.h"
#include "tools/data/song.h"

#ifndef STROBARIUM_FONT_DIR
#define STROBARIUM_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make-data OUT_DIR [FONT_DIR]\n");
        return 2;
    }
    const std::string outDir = argv[1];
    const std::string fontDir = argc == 3 ? argv[2] : STROBARIUM_FONT_DIR;

    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error) {
        std::fprintf(stderr, "make-data: cannot create %s: %s\n", outDir.c_str(), error.message().c_str());
        return 1;
    }
    if (!openLettering(fontDir)) {
        std::fprintf(stderr, "make-data: cannot open the DejaVu fonts in %s\n", fontDir.c_str());
        return 1;
    }
    int status = 0;
    for (int i = 0; i < bitmapCount && status == 0; ++i) {
        const std::string path = outDir + "/" + nameInDataFolder(bitmapFiles[i]);
        const RgbImage image = makeBitmap(i);
        if (image.width == 0) {
            std::fprintf(stderr, "make-data: cannot letter %s\n", nameInDataFolder(bitmapFiles[i]));
            status = 1;
        } else if (!writeBmp24(path, image)) {
            std::fprintf(stderr, "make-data: cannot write %s\n", path.c_str());
            status = 1;
        }
    }
    closeLettering();
    const std::string songPath = outDir + "/" + nameInDataFolder(moduleFile);
    if (status == 0 && !writeXm(songPath, makeSong())) {
        std::fprintf(stderr, "make-data: cannot write %s\n", songPath.c_str());
        status = 1;
    }
    return status;
}
