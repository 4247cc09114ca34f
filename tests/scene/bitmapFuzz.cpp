// libFuzzer entry for the bitmap reader. Beyond "no crash": what it accepts is an image of at
// least one pixel whose whole pixel array lies inside the input, and every byte of it is read,
// so the sanitizers see any claim that is not true.
#include <cstdlib>

#include "scene/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    BitmapView view{};
    std::string reason;
    if (!parseBitmap(data, size, view, reason)) return 0;
    const std::size_t arrayBytes = bitmapRowBytes(view.width) * static_cast<std::size_t>(view.height);
    if (view.width < 1 || view.height < 1 || view.pixels < data || view.pixels + arrayBytes > data + size) std::abort();
    static volatile uint32_t sum;
    for (std::size_t i = 0; i < arrayBytes; ++i) sum = sum + view.pixels[i];
    return 0;
}
