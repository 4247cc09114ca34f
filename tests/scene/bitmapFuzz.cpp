// libFuzzer entry for the bitmap reader. Beyond "no crash": whatever it accepts must be a
// power-of-two image whose whole pixel array lies inside the input, and every byte of that
// array is read, so the sanitizers see any claim that is not true.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "scene/bitmap.h"

namespace {
volatile uint32_t pixelSum;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    BitmapView view{};
    if (!parseBitmap(data, size, view)) return 0;
    const bool shapeOk = view.width > 0 && view.height > 0 && view.width <= maxBitmapSide &&
                         view.height <= maxBitmapSide && (view.width & (view.width - 1)) == 0 &&
                         (view.height & (view.height - 1)) == 0;
    const std::size_t arrayBytes = bitmapRowBytes(view.width) * static_cast<std::size_t>(view.height);
    const bool inside = view.pixels >= data && view.pixels + arrayBytes <= data + size;
    if (!shapeOk || !inside) std::abort();
    uint32_t sum = 0;
    for (std::size_t i = 0; i < arrayBytes; ++i) sum += view.pixels[i];
    pixelSum = sum;
    return 0;
}
