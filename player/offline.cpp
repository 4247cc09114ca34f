#include "player/offline.h"

#include <cstring>

#include "player/mix.h"
#include "player/output.h"
#include "player/syncs.h"
#include "player/timeline.h"

bool playerOpenOffline(int rate, std::string& reason)
{
    if (!resetPlayer(rate, reason)) return false;
    playerOutput = PlayerOutput::offline;
    return true;
}

uint32_t offlineRender(int16_t* stereo, uint32_t frames)
{
    if (playerOutput != PlayerOutput::offline || !stereo) return 0;
    if (playerPlaying)
        renderMix(stereo, frames);
    else
        std::memset(stereo, 0, frames * 4u);
    return frames;
}

void offlineDeliverSyncs(uint64_t beforeSample)
{
    if (playerOutput == PlayerOutput::offline && playerPlaying) deliverSyncsBefore(beforeSample);
}

uint64_t offlineEndSample()
{
    const int count = timelineEventCount();
    return count > 0 ? timelineEvents()[count - 1].sample : 0;
}
