#include "player/syncs.h"

#include "player/timeline.h"

namespace {

struct Sync {
    DWORD type;
    DWORD param;
    SYNCPROC* proc;
    DWORD user;
};

Sync syncs[maxSyncs];
int syncCount = 0;
int nextEvent = 0;

constexpr DWORD any = 0xFFFF;

DWORD low16(DWORD value) { return value & 0xFFFF; }
DWORD high16(DWORD value) { return value >> 16; }

bool matches(const Sync& sync, const TimelineEvent& event)
{
    const DWORD low = low16(sync.param);
    const DWORD high = high16(sync.param);
    switch (sync.type) {
    case BASS_SYNC_POS:
        return event.kind == TimelineKind::position && (low == any || low == event.order) &&
               (high == any || high == event.row);
    case BASS_SYNC_INS:
        return event.kind == TimelineKind::noteOn && low == event.instrument && (high == any || high == event.note);
    case BASS_SYNC_END:
        return event.kind == TimelineKind::end;
    default:
        return false;
    }
}

DWORD dataOf(const TimelineEvent& event)
{
    switch (event.kind) {
    case TimelineKind::position:
        return (DWORD{event.row} << 16) | event.order;
    case TimelineKind::noteOn:
        return (DWORD{event.volume} << 16) | event.note;
    case TimelineKind::end:
        break;
    }
    return 0;
}

}  // namespace

HSYNC addSync(DWORD type, DWORD param, SYNCPROC* proc, DWORD user)
{
    if (syncCount == maxSyncs || !proc || type > BASS_SYNC_END) return 0;
    syncs[syncCount++] = {type, param, proc, user};
    return static_cast<HSYNC>(syncCount);
}

void deliverSyncsBefore(uint64_t beforeSample)
{
    const TimelineEvent* events = timelineEvents();
    const int count = timelineEventCount();
    while (nextEvent < count && events[nextEvent].sample < beforeSample) {
        const TimelineEvent& event = events[nextEvent++];
        for (int i = 0; i < syncCount; ++i)
            if (matches(syncs[i], event)) syncs[i].proc(static_cast<HSYNC>(i + 1), dataOf(event), syncs[i].user);
    }
}

bool allSyncsDelivered() { return nextEvent >= timelineEventCount(); }

uint64_t nextSyncSample() { return allSyncsDelivered() ? UINT64_MAX : timelineEvents()[nextEvent].sample; }

void clearSyncs()
{
    syncCount = 0;
    nextEvent = 0;
}

void rewindSyncs() { nextEvent = 0; }
