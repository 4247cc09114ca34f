// The generated song against the demo's script and against a second, independent player.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "tests/tools/songFile.h"
#include "tests/support/openmptOracle.h"

namespace {

const SongPlay& song()
{
    static const SongPlay play = playSong(generatedSong);
    return play;
}

bool plays(int instrument, int order)
{
    for (const NoteOn& n : song().notes)
        if (n.instrument == instrument && n.order == order) return true;
    return false;
}

const RowStart* findRow(int order, int row)
{
    for (const RowStart& r : song().rows)
        if (r.order == order && r.row == row) return &r;
    return nullptr;
}

TEST(GeneratedSong, LoadsWithTheInstrumentsAndOrdersTheScriptNeeds)
{
    ASSERT_TRUE(song().loaded) << generatedSong;
    EXPECT_GE(song().instruments, 19);
    EXPECT_GE(song().orders, 18);
    EXPECT_EQ(song().speed, 6);
    EXPECT_GE(song().bpm, 120);
    EXPECT_LE(song().bpm, 140);
}

TEST(GeneratedSong, EachReactingInstrumentPlaysInTheOrdersItsRoleNeeds)
{
    ASSERT_TRUE(song().loaded);
    struct Role {
        int instrument, firstOrder, lastOrder;
    };
    // Kick and arpeggio make the bands converge in the intro; kick, snare and hat drive the
    // core, bursts and ring from the drums' entry; bass and arpeggio colour the field from order 8.
    const Role roles[] = {{1, 0, 2}, {19, 0, 2}, {1, 3, 17}, {2, 3, 17}, {3, 3, 17}, {18, 8, 17}, {19, 8, 17}};
    for (const Role& role : roles)
        for (int order = role.firstOrder; order <= role.lastOrder; ++order)
            EXPECT_TRUE(plays(role.instrument, order)) << "instrument " << role.instrument << " in order " << order;
    // The drums enter at order 3: no snare or hat before it.
    for (int order = 0; order < 3; ++order) {
        EXPECT_FALSE(plays(2, order)) << "snare in order " << order;
        EXPECT_FALSE(plays(3, order)) << "hat in order " << order;
    }
}

TEST(GeneratedSong, EveryScheduledPositionIsPlayedInSongOrder)
{
    ASSERT_TRUE(song().loaded);
    std::vector<std::pair<int, int>> wanted = {{1, 0}, {2, 0}, {2, 32}, {2, 48}};
    for (int row = 0; row < 64; ++row) wanted.push_back({3, row});
    for (int row = 0; row <= 56; row += 8) wanted.push_back({9, row});
    for (int row : {0, 8, 16, 24, 32, 48}) wanted.push_back({10, row});
    wanted.push_back({17, 16});
    std::size_t next = 0;
    for (const RowStart& r : song().rows)
        if (next < wanted.size() && std::make_pair(r.order, r.row) == wanted[next]) ++next;
    ASSERT_EQ(next, wanted.size()) << "never reached " << wanted[std::min(next, wanted.size() - 1)].first << ":"
                                   << wanted[std::min(next, wanted.size() - 1)].second;
}

TEST(GeneratedSong, TheLastAccentIsAtOrderSeventeenRowSixteenAndTheSongEndsAfterIt)
{
    ASSERT_TRUE(song().loaded);
    const RowStart* accent = findRow(17, 16);
    ASSERT_NE(accent, nullptr);
    std::set<int> atAccent;
    for (const NoteOn& n : song().notes) {
        EXPECT_FALSE(n.order > 17 || (n.order == 17 && n.row > 16))
            << "note of instrument " << n.instrument << " after the accent, at " << n.order << ":" << n.row;
        if (n.order == 17 && n.row == 16) atAccent.insert(n.instrument);
    }
    for (int instrument : {1, 5, 18, 19}) EXPECT_EQ(atAccent.count(instrument), 1u) << "instrument " << instrument;
    // The demo stops at the accent; the song rings on for seconds more before it would repeat.
    EXPECT_GT(song().endSample, accent->sample + 9 * 44100);
    // About two to three minutes in all.
    EXPECT_GT(song().endSample, 120u * 44100);
    EXPECT_LT(song().endSample, 180u * 44100);
}

TEST(GeneratedSong, IsInAMinorWithDynamics)
{
    ASSERT_TRUE(song().loaded);
    // A natural minor plus G# (the E major chord): A B C D E F G G#.
    const std::set<int> scale = {9, 11, 0, 2, 4, 5, 7, 8};
    const std::set<int> pitched = {7, 8, 9, 10, 15, 16, 18, 19};
    std::set<int> bassClasses, volumes;
    for (const NoteOn& n : song().notes) {
        const int pitchClass = (n.note - 1) % 12;
        if (pitched.count(n.instrument)) {
            EXPECT_EQ(scale.count(pitchClass), 1u) << "instrument " << n.instrument << " at " << n.order << ":" << n.row;
        }
        if (n.instrument == 18) bassClasses.insert(pitchClass);
        if (n.volume) volumes.insert(n.volume);
    }
    // The bass follows a chord progression rather than one note.
    EXPECT_GE(bassClasses.size(), 5u);
    EXPECT_GE(volumes.size(), 10u);
}

TEST(GeneratedSong, IsMasteredWithoutClippingAtANormalLoudness)
{
    ASSERT_TRUE(song().loaded);
    std::printf("sonavel3.xm through libxmp at 44,100 Hz: %.1f s, peak %.2f dBFS, RMS %.2f dBFS\n",
                song().endSample / 44100.0, song().peakDb, song().rmsDb);
    RecordProperty("peak_dBFS", std::to_string(song().peakDb));
    RecordProperty("rms_dBFS", std::to_string(song().rmsDb));
    EXPECT_LE(song().peakDb, -1.0);
    EXPECT_GE(song().rmsDb, -18.0);
    EXPECT_LE(song().rmsDb, -10.0);
}


TEST(GeneratedSong, LibopenmptStartsEveryRowOnTheSameSampleAsLibxmp)
{
    ASSERT_TRUE(song().loaded);
    OpenmptOracle oracle(fileBytes(generatedSong));
    ASSERT_NE(oracle.module, nullptr);
    EXPECT_EQ(openmpt_module_get_num_instruments(oracle.module), song().instruments);
    EXPECT_EQ(openmpt_module_get_num_orders(oracle.module), song().orders);

    std::pair<int, int> previous{-1, -1};
    int mismatches = 0;
    for (const RowStart& r : song().rows) {
        const std::pair<int, int> here{r.order, r.row};
        ASSERT_TRUE(oracle.renderTo(r.sample));
        if (r.sample > 0 && oracle.position() != previous) ++mismatches;
        ASSERT_TRUE(oracle.renderTo(r.sample + 1));
        if (oracle.position() != here) {
            if (mismatches < 5)
                ADD_FAILURE() << "row " << r.order << ":" << r.row << " at sample " << r.sample << ": libopenmpt is at "
                              << oracle.position().first << ":" << oracle.position().second;
            ++mismatches;
        }
        previous = here;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(song().rows.size(), 1000u);
    // libopenmpt stops where libxmp would repeat, give or take its own tenth of a second.
    ASSERT_TRUE(oracle.renderTo(song().endSample));
    EXPECT_FALSE(oracle.renderTo(song().endSample + 44100 / 5));
}

}  // namespace
