#include "capture/songPoints.h"

#include "capture/frameClock.h"
#include "sync/syncState.h"

#include <algorithm>
#include <cmath>

#include "player/offline.h"
#include "player/timeline.h"

namespace {

// The first time the song starts (order, row); false when it never does.
bool positionSample(int order, int row, uint64_t& sample)
{
    const TimelineEvent* events = timelineEvents();
    const int count = timelineEventCount();
    for (int i = 0; i < count; ++i) {
        const TimelineEvent& event = events[i];
        if (event.kind == TimelineKind::position && event.order == order && event.row == row) {
            sample = event.sample;
            return true;
        }
    }
    return false;
}

}  // namespace

bool songPointSample(const SongPoint& point, uint64_t& sample, std::string& error)
{
    if (point.kind == SongPoint::seconds) {
        sample = uint64_t(std::floor(point.secondsValue * mixRate + 0.5));
        return true;
    }
    if (point.kind == SongPoint::position && positionSample(point.order, point.row, sample)) return true;
    error = "the song never plays order " + std::to_string(point.order) + " row " + std::to_string(point.row);
    return false;
}

uint64_t demoEndSample()
{
    uint64_t finish = 0;
    if (positionSample(demoEndOrder, demoEndRow, finish)) return std::min(finish, offlineEndSample());
    return offlineEndSample();
}
