// The generated song as our player follows it: the five instruments the script reacts to play
// in the orders their roles need, every scheduled position is played, and the last accent falls
// on order 17 row 16, well before the song would repeat.
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"

#include <gtest/gtest.h>

#include <set>

class GeneratedSong : public ::testing::Test {
protected:
    std::set<std::pair<int, int>> played;  // (instrument, order) of every note-on
    void SetUp() override
    {
        ASSERT_TRUE(playerOpenOffline(44100));
        ASSERT_TRUE(playerLoadFile(STROBARIUM_BINARY_DIR "/Data/sonavel3.xm", 0, 0));
        for (int i = 0; i < timelineEventCount(); ++i)
            if (timelineEvents()[i].kind == TimelineKind::noteOn) played.insert({timelineEvents()[i].instrument, timelineEvents()[i].order});
    }
    void TearDown() override { playerFree(); }
};

TEST_F(GeneratedSong, EachReactingInstrumentPlaysInTheOrdersItsRoleNeeds)
{
    // Kick and arpeggio make the bands converge in the intro; kick, snare and hat drive the core,
    // bursts and ring from the drums' entry at order 3; bass and arpeggio colour the field from order 8.
    const int roles[][3] = {{1, 0, 17}, {19, 0, 2}, {2, 3, 17}, {3, 3, 17}, {18, 8, 17}, {19, 8, 17}};
    for (const auto& [instrument, first, last] : roles)
        for (int order = first; order <= last; ++order) EXPECT_EQ(played.count({instrument, order}), 1u) << instrument << " in " << order;
    for (int order = 0; order < 3; ++order) EXPECT_EQ(played.count({2, order}) + played.count({3, order}), 0u) << "drums in " << order;
}

TEST_F(GeneratedSong, EveryScheduledPositionIsPlayedAndTheLastAccentIsAtSeventeenSixteen)
{
    std::vector<std::pair<int, int>> wanted = {{1, 0}, {2, 0}, {2, 32}, {2, 48}};
    for (int row = 0; row < 64; ++row) wanted.push_back({3, row});
    for (int row = 0; row <= 56; row += 8) wanted.push_back({9, row});
    for (int row : {0, 8, 16, 24, 32, 48}) wanted.push_back({10, row});
    wanted.push_back({17, 16});
    std::size_t next = 0;
    uint64_t accent = 0;
    std::set<int> atAccent;
    for (int i = 0; i < timelineEventCount(); ++i) {
        const TimelineEvent& e = timelineEvents()[i];
        const std::pair<int, int> at{e.order, e.row};
        if (e.kind == TimelineKind::position && next < wanted.size() && at == wanted[next]) ++next;
        if (at == std::make_pair(17, 16)) accent = e.sample;
        if (e.kind == TimelineKind::noteOn && at == std::make_pair(17, 16)) atAccent.insert(e.instrument);
        EXPECT_FALSE(e.kind == TimelineKind::noteOn && at > std::make_pair(17, 16)) << "a note after the accent, at " << e.order << ":" << e.row;
    }
    EXPECT_EQ(next, wanted.size()) << "never reached the position after " << wanted[next - 1].first << ":" << wanted[next - 1].second;
    for (int instrument : {1, 5, 18, 19}) EXPECT_EQ(atAccent.count(instrument), 1u) << "instrument " << instrument << " at the accent";
    // The demo stops at the accent; the song rings on for seconds more, two to three minutes in all.
    EXPECT_GT(offlineEndSample(), accent + 9 * 44100);
    EXPECT_GT(offlineEndSample(), 120u * 44100);
    EXPECT_LT(offlineEndSample(), 180u * 44100);
}
