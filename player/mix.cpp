#include "player/mix.h"

#include <xmp.h>

#include <algorithm>
#include <cstring>

namespace {

xmp_context mixContext = nullptr;
uint64_t mixEnd = 0;
uint64_t mixed = 0;
// What is left of the tick libxmp rendered last (its buffer stays valid until the next tick).
const int16_t* tickData = nullptr;
uint32_t tickLeft = 0;

}  // namespace

bool startMix(const uint8_t* bytes, std::size_t size, int rate, uint64_t endSample)
{
    endMix();
    mixContext = xmp_create_context();
    if (xmp_load_module_from_memory(mixContext, bytes, static_cast<long>(size)) != 0 ||
        xmp_start_player(mixContext, rate, 0) != 0) {
        endMix();
        return false;
    }
    mixEnd = endSample;
    return true;
}

void renderMix(int16_t* stereo, uint32_t frames)
{
    uint32_t done = 0;
    while (done < frames && mixContext && mixed < mixEnd) {
        if (tickLeft == 0) {
            xmp_play_frame(mixContext);
            xmp_frame_info frame;
            xmp_get_frame_info(mixContext, &frame);
            tickData = static_cast<const int16_t*>(frame.buffer);
            tickLeft = static_cast<uint32_t>(frame.buffer_size) / 4;
            if (tickLeft == 0) break;
        }
        const auto n = static_cast<uint32_t>(
            std::min<uint64_t>({frames - done, tickLeft, mixEnd - mixed}));
        std::memcpy(stereo + 2 * done, tickData, n * 4u);
        tickData += 2 * n;
        tickLeft -= n;
        done += n;
        mixed += n;
    }
    std::memset(stereo + 2 * done, 0, (frames - done) * 4u);
}

void endMix()
{
    if (mixContext) {
        xmp_end_player(mixContext);
        xmp_release_module(mixContext);
        xmp_free_context(mixContext);
    }
    mixContext = nullptr;
    mixEnd = 0;
    mixed = 0;
    tickData = nullptr;
    tickLeft = 0;
}
