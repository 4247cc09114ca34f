// A synthetic module's timeline, event by event against FT2's tick arithmetic, and the syncs it
// fires with their data words, each once its sample is passed (the mix is checked in playbackTest).
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>

#include <array>

struct PlannedRow {
    int order, row, ticks, bpm;
    std::vector<std::array<int, 4>> notes;  // {tick of the row, instrument, note, volume}
};

// One event per line: sample, p(osition) n(ote) e(nd), order:row, instrument note volume.
std::string line(uint64_t sample, TimelineKind kind, int order, int row, int instrument = 0, int note = 0, int volume = 0)
{
    char text[80];
    std::snprintf(text, sizeof text, "%llu %c %d:%d %d %d %d\n", (unsigned long long)sample, "pne"[int(kind)], order, row, instrument, note, volume);
    return text;
}

// What a correct player's timeline says for rows played in this order.
std::string planned(const std::vector<PlannedRow>& rows, int endOrder, int endRow)
{
    std::string text;
    uint64_t sample = 0;
    for (const PlannedRow& r : rows) {
        text += line(sample, TimelineKind::position, r.order, r.row);
        for (const auto& [tick, instrument, note, volume] : r.notes)
            text += line(sample + uint64_t(tick) * tickFrames(r.bpm), TimelineKind::noteOn, r.order, r.row, instrument, note, volume);
        sample += uint64_t(r.ticks) * tickFrames(r.bpm);
    }
    return text + line(sample, TimelineKind::end, endOrder, endRow);
}

std::string loaded()
{
    std::string text;
    for (const TimelineEvent* e = timelineEvents(); e && e < timelineEvents() + timelineEventCount(); ++e)
        text += line(e->sample, e->kind, e->order, e->row, e->instrument, e->note, e->volume);
    return text;
}

const std::vector<PlannedRow> featureRows = {
    {0, 0, 6, 125, {{0, 18, 0, 64}, {0, 19, 12, 64}}},  // C-0 and C-1
    {0, 1, 6, 125, {{0, 18, 14, 40}}},                  // D-1 at volume 40
    {0, 2, 6, 125, {{0, 19, 95, 64}}},                  // B-7; the bare note on channel 2 starts nothing
    {0, 3, 6, 125, {{0, 18, 52, 40}}},                  // bare note: instrument 18, volume kept
    {0, 4, 6, 125, {}}, {0, 5, 6, 125, {}},             // key off; both portamentos
    {0, 6, 6, 125, {{3, 18, 57, 64}}},                  // ED3
    {0, 7, 6, 125, {{0, 19, 41, 64}}},                  // retriggered, one note-on
    {0, 8, 3, 125, {}},
    {0, 9, 6, 150, {{2, 18, 62, 64}}},  // ED2 with EE1: one row of 2 x 3 ticks, the note once (libxmp's way, see realModulesTest)
    {0, 10, 3, 150, {{0, 18, 60, 64}}},
    {1, 4, 3, 150, {}}, {1, 5, 3, 150, {{0, 19, 26, 64}}}, {1, 6, 3, 150, {}},  // the loop, twice
    {1, 4, 3, 150, {}}, {1, 5, 3, 150, {{0, 19, 26, 64}}}, {1, 6, 3, 150, {}},
    {1, 7, 3, 150, {{0, 18, 28, 64}}}, {2, 0, 3, 150, {{0, 19, 36, 64}}}, {2, 1, 3, 150, {}},
};

// Per user value: the data of each firing and the bound of the delivery that fired it.
std::vector<std::pair<uint32_t, uint64_t>> fired[6];
uint64_t deliveringBefore = 0;
void record(uint32_t, uint32_t data, uint32_t user) { fired[user].push_back({data, deliveringBefore}); }

TEST(Timeline, EventsFallOnTheirTicksAndSyncsFireOnceTheirSampleIsPassedWithTheirDataWords)
{
    const std::tuple<SyncType, uint32_t, std::size_t, uint32_t, uint32_t> syncs[] = {  // type, param; how often it fires, its first and second data
        {SyncType::position, 0xFFFFFFFF, 20, 0x00000000, 0x00010000},  // every row
        {SyncType::position, 0x00050001, 2, 0x00050001, 0x00050001},   // 1:5, looped
        {SyncType::position, 0x0000FFFF, 2, 0x00000000, 0x00000002},   // row 0 of any order
        {SyncType::instrument, 0xFFFF0012, 7, 0x00400000, 0x0028000E},  // any note of 18: volume high, note low
        {SyncType::instrument, 0x005F0013, 1, 0x0040005F, 0},           // B-7 of 19 only
        {SyncType::end, 0, 1, 0, 0},
    };
    std::string why;
    ASSERT_TRUE(playerOpenOffline(44100, why));
    EXPECT_EQ(playerSetSync(SyncType::end, 0, record, 0), 0u) << "no module yet";
    ASSERT_TRUE(playerLoadFile(writeModule("feature.xm", featureModule()).c_str(), 0, 0, why)) << why;
    EXPECT_EQ(loaded(), planned(featureRows, 0, 0)) << "the backward jump repeats the song from order 0";
    EXPECT_EQ(playerSetSync(SyncType::end, 0, nullptr, 0) + playerSetSync(SyncType(3), 0, record, 0), 0u) << "no callback, unknown type";
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(playerSetSync(std::get<0>(syncs[i]), std::get<1>(syncs[i]), record, i), i + 1);
    offlineDeliverSyncs(UINT64_MAX);
    std::vector<int16_t> mix(2 * 64, 1);
    EXPECT_TRUE(fired[0].empty() && offlineRender(mix.data(), 64) == 64 && mix == std::vector<int16_t>(2 * 64, 0)) << "nothing fires or sounds before playback";
    ASSERT_TRUE(playerPlay());
    EXPECT_EQ(playerSetSync(SyncType::end, 0, record, 0), 0u) << "already playing";
    for (int i = 0; i < timelineEventCount(); ++i)
        for (uint64_t before : {timelineEvents()[i].sample, timelineEvents()[i].sample + 1})
            offlineDeliverSyncs(deliveringBefore = before);
    for (uint32_t i = 0; i < 6; ++i) {
        const auto [type, param, count, first, second] = syncs[i];
        ASSERT_EQ(fired[i].size(), count) << "sync " << i;
        EXPECT_EQ(fired[i][0].first, first) << "sync " << i;
        EXPECT_EQ(fired[i][count > 1].first, count > 1 ? second : first) << "sync " << i;
    }
    EXPECT_EQ(fired[3][3].second, (6 * 6 + 3) * tickFrames(125) + 1) << "the delayed note fires once its tick is passed";
    EXPECT_EQ(fired[5][0].second, offlineEndSample() + 1);
    playerFree();
}
