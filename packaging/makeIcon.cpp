// make-icon PARTICLE_BMP OUT_DIR: the desktop icon, made from the demo's own artwork: its
// particle glow, twelve times in the twelve colours of its hue table around a white one,
// added up as the demo blends its particles. Written as OUT_DIR/<N>x<N>/apps/strobarium.png
// for each size a desktop asks for, with the light itself as the alpha, so that the glow
// sits on any panel or menu background.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scene/bitmap.h"
#include "scene/reactions.h"

namespace {

// The glow's brightness at (u, v) in 0..1 across it, bilinear, 0 outside.
float glowAt(const BitmapView& glow, float u, float v)
{
    const float x = u * glow.width - 0.5f, y = v * glow.height - 0.5f;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float sum = 0;
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            const int px = x0 + dx, py = y0 + dy;
            if (px < 0 || py < 0 || px >= glow.width || py >= glow.height) continue;
            const float weight = (dx ? x - x0 : 1 - (x - x0)) * (dy ? y - y0 : 1 - (y - y0));
            // Rows are stored bottom up; the glow is grey, so green stands for all three.
            sum += weight * glow.pixels[bitmapRowBytes(glow.width) * (glow.height - 1 - py) + 3 * px + 1] / 255.0f;
        }
    return sum;
}

bool writeIcon(const BitmapView& glow, int size, const std::string& path)
{
    std::vector<png_byte> rgba(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float light[3] = {};
            for (int i = 0; i <= 12; ++i) {
                const float angle = 6.2831853f * i / 12 - 1.5707963f;
                const float ring = i < 12 ? 0.34f : 0.0f, width = i < 12 ? 0.27f : 0.42f;
                const Hue hue = i < 12 ? hueTable[i] : Hue{1, 1, 1};
                const float u = ((x + 0.5f) / size - 0.5f - ring * std::cos(angle)) / width + 0.5f;
                const float v = ((y + 0.5f) / size - 0.5f - ring * std::sin(angle)) / width + 0.5f;
                const float g = glowAt(glow, u, v);
                light[0] += g * hue.red, light[1] += g * hue.green, light[2] += g * hue.blue;
            }
            const float alpha = std::min(1.0f, std::max({light[0], light[1], light[2]}));
            png_byte* out = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<png_byte>(std::lround(255 * std::min(1.0f, alpha > 0 ? light[c] / alpha : 0)));
            out[3] = static_cast<png_byte>(std::lround(255 * alpha));
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv)
{
    BitmapView glow{};
    std::string reason = "arguments";
    if (argc != 3 || !readBitmapFile(argv[1], glow, reason)) {
        std::fprintf(stderr, "usage: make-icon PARTICLE_BMP OUT_DIR (%s)\n", reason.c_str());
        return 2;
    }
    for (int size : {48, 64, 128, 256}) {
        const std::string folder = std::string(argv[2]) + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error || !writeIcon(glow, size, folder + "/strobarium.png")) {
            std::fprintf(stderr, "make-icon: cannot write %s/strobarium.png\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
