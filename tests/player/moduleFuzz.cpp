// libFuzzer entry for the whole module load path: the bytes read as a module in memory, the dry
// run that builds the timeline, then the first tenth of a second of the mix with every sync
// delivered. Beyond "no crash": a module that loads has a timeline in time order ending in its
// end event, and the mix fills exactly what was asked. A low rate keeps each run short.
#include <cstdlib>
#include <initializer_list>

#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"

static void listen(uint32_t, uint32_t, uint32_t) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    constexpr int rate = 8000;
    std::string why;
    if (!playerOpenOffline(rate, why)) std::abort();
    if (playerLoadMemory(data, size, why)) {
        const TimelineEvent* events = timelineEvents();
        const int count = timelineEventCount();
        if (count < 1 || events[count - 1].kind != TimelineKind::end) std::abort();
        for (int i = 1; i < count; ++i)
            if (events[i].sample < events[i - 1].sample) std::abort();
        for (SyncType type : {SyncType::position, SyncType::instrument, SyncType::end})
            if (!playerSetSync(type, type == SyncType::instrument ? 0xFFFF0001 : 0xFFFFFFFF, listen, 0)) std::abort();
        if (!playerPlay()) std::abort();
        static int16_t mix[2 * rate / 10];
        if (offlineRender(mix, rate / 10) != rate / 10) std::abort();
        offlineDeliverSyncs(rate / 10);
    }
    playerFree();
    return 0;
}
