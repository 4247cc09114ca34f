// The timelines of synthetic modules, event by event: every row start, note-on and the end,
// with the sample stamps FT2's tick arithmetic gives, and the data words the syncs receive.
#include "player/offline.h"
#include "player/timeline.h"
#include "tests/player/synthModules.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include <sstream>
#include <vector>

namespace {

struct PlannedNote {
    int channelTick;  // tick of the row on which the note starts
    int instrument;
    int note;
    int volume;
};

struct PlannedRow {
    int order, row, ticks, bpm;
    std::vector<PlannedNote> notes;
};

// The timeline a correct player must produce for rows played in this order.
std::vector<TimelineEvent> expectedTimeline(const std::vector<PlannedRow>& rows, int endOrder, int endRow)
{
    std::vector<TimelineEvent> events;
    uint64_t sample = 0;
    for (const PlannedRow& row : rows) {
        const auto order = static_cast<uint16_t>(row.order);
        const auto r = static_cast<uint16_t>(row.row);
        events.push_back({sample, TimelineKind::position, 0, 0, 0, order, r});
        for (int tick = 0; tick < row.ticks; ++tick)
            for (const PlannedNote& note : row.notes)
                if (note.channelTick == tick)
                    events.push_back({sample + tick * tickFrames(row.bpm), TimelineKind::noteOn,
                                      static_cast<uint8_t>(note.instrument), static_cast<uint8_t>(note.note),
                                      static_cast<uint8_t>(note.volume), order, r});
        sample += row.ticks * tickFrames(row.bpm);
    }
    events.push_back({sample, TimelineKind::end, 0, 0, 0, static_cast<uint16_t>(endOrder), static_cast<uint16_t>(endRow)});
    return events;
}

std::string describe(const TimelineEvent& e)
{
    std::ostringstream out;
    const char* kind = e.kind == TimelineKind::position ? "pos" : e.kind == TimelineKind::noteOn ? "note" : "end";
    out << e.sample << " " << kind << " " << e.order << ":" << e.row;
    if (e.kind == TimelineKind::noteOn)
        out << " ins " << int(e.instrument) << " note " << int(e.note) << " vol " << int(e.volume);
    return out.str();
}

std::string describe(const std::vector<TimelineEvent>& events)
{
    std::string text;
    for (const TimelineEvent& e : events) text += describe(e) + "\n";
    return text;
}

std::vector<TimelineEvent> loadedTimeline()
{
    const TimelineEvent* events = timelineEvents();
    return events ? std::vector<TimelineEvent>(events, events + timelineEventCount()) : std::vector<TimelineEvent>();
}

std::vector<PlannedRow> featureRows()
{
    std::vector<PlannedRow> rows = {
        {0, 0, 6, 125, {{0, 18, 0, 64}, {0, 19, 12, 64}}},  // C-0 and C-1
        {0, 1, 6, 125, {{0, 18, 14, 40}}},                  // D-1 at volume 40
        {0, 2, 6, 125, {{0, 19, 95, 64}}},                  // B-7; the bare note on channel 2 starts nothing
        {0, 3, 6, 125, {{0, 18, 52, 40}}},                  // bare note: instrument 18, volume kept
        {0, 4, 6, 125, {}},                                 // key off
        {0, 5, 6, 125, {}},                                 // both portamentos
        {0, 6, 6, 125, {{3, 18, 57, 64}}},                  // ED3
        {0, 7, 6, 125, {{0, 19, 41, 64}}},                  // retriggered once, one note-on
        {0, 8, 3, 125, {}},
        {0, 9, 3, 150, {}},
        {0, 10, 3, 150, {{0, 18, 60, 64}}},
    };
    for (int pass = 0; pass < 2; ++pass) {
        rows.push_back({1, 4, 3, 150, {}});
        rows.push_back({1, 5, 3, 150, {{0, 19, 26, 64}}});
        rows.push_back({1, 6, 3, 150, {}});
    }
    rows.push_back({1, 7, 3, 150, {{0, 18, 28, 64}}});
    rows.push_back({2, 0, 3, 150, {{0, 19, 36, 64}}});
    rows.push_back({2, 1, 3, 150, {}});
    return rows;
}

std::vector<PlannedRow> restartRows()
{
    std::vector<PlannedRow> rows;
    const int patternRows[] = {4, 2, 4, 2, 3};
    for (int order = 0; order < 5; ++order)
        for (int r = 0; r < patternRows[order]; ++r) rows.push_back({order, r, 4, 100, {{0, 1, 48 + r, 64}}});
    return rows;
}

class Timeline : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(offlineInit(44100)); }
    void TearDown() override { BASSMOD_Free(); }
    void load(const char* name, const XmModule& module)
    {
        const std::string path = writeScratchModule(name, module);
        ASSERT_FALSE(path.empty());
        ASSERT_TRUE(BASSMOD_MusicLoad(0, path.c_str(), 0, 0, 0x202));
    }
};

TEST_F(Timeline, FeatureSongEventByEvent)
{
    load("feature.xm", featureModule());
    // The backward jump to order 0 repeats the song: it ends where order 0 row 0 would play again.
    EXPECT_EQ(describe(loadedTimeline()), describe(expectedTimeline(featureRows(), 0, 0)));
    EXPECT_EQ(offlineEndSample(), loadedTimeline().back().sample);
}

TEST_F(Timeline, RestartSongEndsWhereItWouldRepeatFromTheRestartOrder)
{
    load("restart.xm", restartModule());
    EXPECT_EQ(describe(loadedTimeline()), describe(expectedTimeline(restartRows(), 2, 0)));
    EXPECT_EQ(offlineEndSample(), 15u * 4 * tickFrames(100));
}

TEST_F(Timeline, EmptiedByFreeAndReplacedByTheNextLoad)
{
    load("feature.xm", featureModule());
    load("restart.xm", restartModule());
    EXPECT_EQ(loadedTimeline().size(), expectedTimeline(restartRows(), 2, 0).size());
    BASSMOD_Free();
    EXPECT_EQ(timelineEvents(), nullptr);
    EXPECT_EQ(timelineEventCount(), 0);
    EXPECT_EQ(offlineEndSample(), 0u);
}

struct Fired {
    HSYNC handle;
    DWORD data;
    uint64_t deliveredBefore;  // the bound of the offlineDeliverSyncs call that fired it
};
std::vector<Fired> fired;
uint64_t deliveringBefore = 0;
void CALLBACK record(HSYNC handle, DWORD data, DWORD user)
{
    EXPECT_EQ(user, 7u);
    fired.push_back({handle, data, deliveringBefore});
}

TEST_F(Timeline, SyncsGetTheirDataWordsExactlyAtTheirSamples)
{
    load("feature.xm", featureModule());
    const HSYNC everyRow = BASSMOD_MusicSetSync(BASS_SYNC_POS, 0xFFFFFFFF, record, 7);
    const HSYNC order1Row5 = BASSMOD_MusicSetSync(BASS_SYNC_POS, 0x00050001, record, 7);
    const HSYNC rowZero = BASSMOD_MusicSetSync(BASS_SYNC_POS, 0x0000FFFF, record, 7);
    const HSYNC any18 = BASSMOD_MusicSetSync(BASS_SYNC_INS, 0xFFFF0012, record, 7);
    const HSYNC b7of19 = BASSMOD_MusicSetSync(BASS_SYNC_INS, (95u << 16) | 19, record, 7);
    const HSYNC end = BASSMOD_MusicSetSync(BASS_SYNC_END, 0, record, 7);
    ASSERT_EQ(std::vector<HSYNC>({everyRow, order1Row5, rowZero, any18, b7of19, end}),
              std::vector<HSYNC>({1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(BASSMOD_MusicPlay());

    std::vector<Fired> expected;
    for (const TimelineEvent& e : expectedTimeline(featureRows(), 0, 0)) {
        const DWORD position = (DWORD{e.row} << 16) | e.order;
        const uint64_t before = e.sample + 1;
        if (e.kind == TimelineKind::position) {
            expected.push_back({everyRow, position, before});
            if (e.order == 1 && e.row == 5) expected.push_back({order1Row5, position, before});
            if (e.row == 0) expected.push_back({rowZero, position, before});
        } else if (e.kind == TimelineKind::noteOn) {
            const DWORD data = (DWORD{e.volume} << 16) | e.note;
            if (e.instrument == 18) expected.push_back({any18, data, before});
            if (e.instrument == 19 && e.note == 95) expected.push_back({b7of19, data, before});
        } else {
            expected.push_back({end, 0, before});
        }
    }
    // Deliver up to each stamp, then one sample past it: an event fires on the second call only.
    fired.clear();
    for (const TimelineEvent& e : expectedTimeline(featureRows(), 0, 0)) {
        for (uint64_t before : {e.sample, e.sample + 1}) {
            deliveringBefore = before;
            offlineDeliverSyncs(before);
        }
    }
    deliveringBefore = UINT64_MAX;
    offlineDeliverSyncs(UINT64_MAX);  // nothing is left to fire
    ASSERT_EQ(fired.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fired[i].handle, expected[i].handle) << i;
        EXPECT_EQ(fired[i].data, expected[i].data) << i;
        EXPECT_EQ(fired[i].deliveredBefore, expected[i].deliveredBefore) << i;
    }
}

TEST_F(Timeline, SyncRegistrationIsRefusedWhenItCannotWork)
{
    EXPECT_EQ(BASSMOD_MusicSetSync(BASS_SYNC_END, 0, record, 0), 0u) << "no module yet";
    load("restart.xm", restartModule());
    EXPECT_EQ(BASSMOD_MusicSetSync(BASS_SYNC_END, 0, nullptr, 0), 0u) << "no callback";
    EXPECT_EQ(BASSMOD_MusicSetSync(3, 0, record, 0), 0u) << "unknown type";
    EXPECT_EQ(BASSMOD_MusicSetSync(BASS_SYNC_END, 0, record, 0), 1u);
    ASSERT_TRUE(BASSMOD_MusicPlay());
    EXPECT_EQ(BASSMOD_MusicSetSync(BASS_SYNC_END, 0, record, 0), 0u) << "already playing";
}

TEST_F(Timeline, NothingIsDeliveredOrRenderedBeforePlay)
{
    load("restart.xm", restartModule());
    BASSMOD_MusicSetSync(BASS_SYNC_POS, 0xFFFFFFFF, record, 7);
    fired.clear();
    offlineDeliverSyncs(UINT64_MAX);
    EXPECT_TRUE(fired.empty());
    std::vector<int16_t> mix(2048, 1);
    EXPECT_EQ(offlineRender(mix.data(), 1024), 1024u);
    EXPECT_EQ(mix, std::vector<int16_t>(2048, 0));
}

// The mix is libxmp's own rendering of the module, tick after tick, cut at the end event.
TEST_F(Timeline, OfflineMixIsLibxmpsRenderingCutAtTheEnd)
{
    const XmModule module = featureModule();
    const std::vector<uint8_t> bytes = encodeXm(module);
    load("feature.xm", module);
    ASSERT_TRUE(BASSMOD_MusicPlay());
    const uint64_t end = offlineEndSample();

    std::vector<int16_t> reference;
    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, bytes.data(), static_cast<long>(bytes.size())), 0);
    xmp_start_player(context, 44100, 0);
    while (reference.size() < 2 * end) {
        xmp_play_frame(context);
        xmp_frame_info frame;
        xmp_get_frame_info(context, &frame);
        const auto* data = static_cast<const int16_t*>(frame.buffer);
        reference.insert(reference.end(), data, data + frame.buffer_size / 2);
    }
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
    reference.resize(2 * end);
    reference.resize(2 * end + 2 * 5000, 0);  // silence after the end

    // Pulled in odd-sized pieces, as a capture at some frame rate would.
    std::vector<int16_t> mix;
    std::vector<int16_t> piece(2 * 1471);
    while (mix.size() < reference.size()) {
        ASSERT_EQ(offlineRender(piece.data(), 1471), 1471u);
        mix.insert(mix.end(), piece.begin(), piece.end());
    }
    mix.resize(reference.size());
    ASSERT_EQ(mix.size(), reference.size());
    std::size_t firstDifference = 0;
    while (firstDifference < mix.size() && mix[firstDifference] == reference[firstDifference]) ++firstDifference;
    EXPECT_EQ(firstDifference, mix.size()) << "first differing value at frame " << firstDifference / 2;
    EXPECT_NE(std::count(mix.begin(), mix.end(), 0), static_cast<long>(mix.size())) << "the song is audible";
}

}  // namespace
