#include "player/syncs.h"

#include "player/timeline.h"

namespace {

struct Sync {
    SyncType type;
    uint32_t param;
    SyncCallback callback;
    uint32_t user;
};

Sync syncs[maxSyncs];
int syncCount = 0;
int nextEvent = 0;

constexpr uint32_t any = 0xFFFF;

uint32_t low16(uint32_t value) { return value & 0xFFFF; }
uint32_t high16(uint32_t value) { return value >> 16; }

bool matches(const Sync& sync, const TimelineEvent& event)
{
    const uint32_t low = low16(sync.param);
    const uint32_t high = high16(sync.param);
    switch (sync.type) {
    case SyncType::position:
        return event.kind == TimelineKind::position && (low == any || low == event.order) &&
               (high == any || high == event.row);
    case SyncType::instrument:
        return event.kind == TimelineKind::noteOn && low == event.instrument && (high == any || high == event.note);
    case SyncType::end:
        return event.kind == TimelineKind::end;
    }
    return false;
}

uint32_t dataOf(const TimelineEvent& event)
{
    switch (event.kind) {
    case TimelineKind::position:
        return (uint32_t{event.row} << 16) | event.order;
    case TimelineKind::noteOn:
        return (uint32_t{event.volume} << 16) | event.note;
    case TimelineKind::end:
        break;
    }
    return 0;
}

}  // namespace

uint32_t addSync(SyncType type, uint32_t param, SyncCallback callback, uint32_t user)
{
    if (syncCount == maxSyncs || !callback || type > SyncType::end) return 0;
    syncs[syncCount++] = {type, param, callback, user};
    return static_cast<uint32_t>(syncCount);
}

void deliverSyncsBefore(uint64_t beforeSample)
{
    const TimelineEvent* events = timelineEvents();
    const int count = timelineEventCount();
    while (nextEvent < count && events[nextEvent].sample < beforeSample) {
        const TimelineEvent& event = events[nextEvent++];
        for (int i = 0; i < syncCount; ++i)
            if (matches(syncs[i], event)) syncs[i].callback(static_cast<uint32_t>(i + 1), dataOf(event), syncs[i].user);
    }
}

bool allSyncsDelivered() { return nextEvent >= timelineEventCount(); }

uint64_t nextSyncSample() { return allSyncsDelivered() ? UINT64_MAX : timelineEvents()[nextEvent].sample; }

void clearSyncs()
{
    syncCount = 0;
    nextEvent = 0;
}
