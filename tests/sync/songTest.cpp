// The schedule played end to end by the real player (offline, so the test sets the pace): a
// frame loop that reads (order, row) after every frame sees exactly the pairs the overlay
// script is written for, and the instrument syncs leave their hits and notes.
#include "player/offline.h"
#include "player/timeline.h"
#include "sync/music.h"
#include "sync/syncState.h"
#include "tests/player/synthModules.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Pair = std::pair<int, int>;

// Loads the module and registers the demo's schedule the way startMusic does, offline.
void playOffline(const XmModule& module, const char* name)
{
    resetSyncState();
    ASSERT_TRUE(offlineInit(44100));
    const std::string path = writeScratchModule(name, module);
    ASSERT_TRUE(BASSMOD_MusicLoad(0, path.c_str(), 0, 0, 0x202));
    for (const SyncPoint& point : syncSchedule) BASSMOD_MusicSetSync(point.type, point.param, point.callback, 0);
    ASSERT_TRUE(BASSMOD_MusicPlay());
}

// Frames of 256 samples (shorter than a row), like a fast frame loop; consecutive repeats dropped.
std::vector<Pair> pairsSeen()
{
    std::vector<Pair> seen = {{syncState.order.load(), syncState.row.load()}};
    for (uint64_t frameEnd = 256; frameEnd < offlineEndSample() + 512; frameEnd += 256) {
        offlineDeliverSyncs(frameEnd);
        const Pair now{syncState.order.load(), syncState.row.load()};
        if (now != seen.back()) seen.push_back(now);
    }
    return seen;
}

TEST(ScheduleSong, TwentyOrdersShowTheScriptedPairs)
{
    playOffline(blankSong(20), "schedule-20.xm");
    std::vector<Pair> expected = {{-1, -1}, {0, -1}, {1, 0}, {2, 0}, {2, 32}, {2, 48}};
    for (int r = 0; r < 64; ++r) expected.push_back({3, r});
    for (int o = 4; o <= 8; ++o) expected.push_back({o, 63});  // row keeps order 3's last row
    for (int r = 0; r <= 56; r += 8) expected.push_back({9, r});
    for (int r : {0, 8, 16, 24, 32, 48}) expected.push_back({10, r});
    for (int o = 11; o <= 17; ++o) expected.push_back({o, 48});
    expected.push_back({17, 16});
    expected.push_back({18, 16});
    expected.push_back({19, 16});
    EXPECT_EQ(pairsSeen(), expected);
    EXPECT_EQ(syncState.finished.load(), 1) << "the end of the song ends the demo";
    BASSMOD_Free();
}

TEST(ScheduleSong, FewerThan18OrdersNeverReachTheFinishPositionButStillEnd)
{
    playOffline(blankSong(12), "schedule-12.xm");
    const std::vector<Pair> seen = pairsSeen();
    EXPECT_EQ(seen.back(), Pair(11, 48));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), Pair(17, 16)), 0);
    EXPECT_EQ(syncState.finished.load(), 1);
    BASSMOD_Free();
}

TEST(ScheduleSong, TwoNoteOnsBeforeAFrameLeaveTheLatestNote)
{
    playOffline(blankSong(20), "schedule-20.xm");
    const TimelineEvent* events = timelineEvents();
    std::vector<uint64_t> notes18;
    uint64_t order2Row2 = 0;
    for (int i = 0; i < timelineEventCount(); ++i) {
        if (events[i].kind == TimelineKind::noteOn && events[i].instrument == 18) notes18.push_back(events[i].sample);
        if (events[i].kind == TimelineKind::position && events[i].order == 2 && events[i].row == 2) order2Row2 = events[i].sample;
    }
    ASSERT_EQ(notes18.size(), 2u);
    offlineDeliverSyncs(notes18[0]);  // everything before the first note, then a frame's clear
    clearHits();
    EXPECT_EQ(syncState.instrumentHit[18].load(), 0);
    offlineDeliverSyncs(order2Row2);
    EXPECT_EQ(syncState.lastNote18.load(), 17);
    for (int i = 0; i < instrumentHitCount; ++i) {
        const int expected = i == 18 ? 1 : 0;
        EXPECT_EQ(syncState.instrumentHit[i].load(), expected) << i;
    }
    EXPECT_EQ(syncState.lastNote19.load(), 0);
    BASSMOD_Free();
}

}  // namespace
