// Modules nobody here wrote (the Debian game-data packages) and the generated song, against
// libopenmpt as an independent player: every row of our timeline starts on the very sample where
// libopenmpt starts it, and the song ends where libopenmpt starts to repeat it.
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/files.h"
#include "tests/support/openmptOracle.h"

#include <gtest/gtest.h>

#include <filesystem>

std::vector<std::string> modules()
{
    std::vector<std::string> paths = {STROBARIUM_BINARY_DIR "/Data/sonavel3.xm"};
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("/usr/share/games", error))
        if (entry.path().extension() == ".xm") paths.push_back(entry.path().string());
    return paths;
}

TEST(RealModules, TheGameDataPackagesAreThere)
{
    EXPECT_GE(modules().size(), 7u) << "bomberclone-data and criticalmass-data are missing: run scripts/install-deps";
}

class RealModule : public ::testing::TestWithParam<std::string> {};

TEST_P(RealModule, RowStartsAndEndAgreeWithLibopenmptToTheSample)
{
    ASSERT_TRUE(playerOpenOffline(44100));
    ASSERT_TRUE(playerLoadFile(GetParam().c_str(), 0, 0));
    OpenmptOracle oracle(readFileBytes(GetParam()));
    ASSERT_NE(oracle.module, nullptr);
    std::pair<int, int> previous{-1, -1};
    int rows = 0, mismatches = 0;
    for (int i = 0; i + 1 < timelineEventCount() && mismatches < 5; ++i) {
        const TimelineEvent& e = timelineEvents()[i];
        if (e.kind != TimelineKind::position) continue;
        // Up to the row's first sample libopenmpt is still on the previous row; with it, on this one.
        ASSERT_TRUE(oracle.renderTo(e.sample));
        const std::pair<int, int> before = oracle.position(), here{e.order, e.row};
        ASSERT_TRUE(oracle.renderTo(e.sample + 1));
        if ((e.sample > 0 && here != previous && before != previous) || oracle.position() != here) {
            ADD_FAILURE() << "row " << here.first << ":" << here.second << " at " << e.sample << ": libopenmpt went from "
                          << before.first << ":" << before.second << " to " << oracle.position().first << ":"
                          << oracle.position().second;
            ++mismatches;
        }
        previous = here;
        ++rows;
    }
    EXPECT_GT(rows, 100);
    // At the end event libopenmpt, too, leaves the last row and enters the row the song repeats
    // from; it then adds a tenth of a second of its own before it stops.
    const TimelineEvent& end = timelineEvents()[timelineEventCount() - 1];
    ASSERT_EQ(end.kind, TimelineKind::end);
    ASSERT_TRUE(oracle.renderTo(end.sample)) << "libopenmpt ended before our end event";
    EXPECT_EQ(oracle.position(), previous);
    ASSERT_TRUE(oracle.renderTo(end.sample + 1));
    EXPECT_EQ(oracle.position(), std::make_pair(int{end.order}, int{end.row}));
    EXPECT_FALSE(oracle.renderTo(end.sample + 4410 + 1)) << "libopenmpt plays on well past our end event";
    playerFree();
}

INSTANTIATE_TEST_SUITE_P(Modules, RealModule, ::testing::ValuesIn(modules()));
