// Modules nobody here wrote, from the Debian game-data packages, against libopenmpt as an
// independent player: every row of our timeline starts on the very sample where libopenmpt
// starts it, and every song reaches its end event where libopenmpt starts to repeat it.
#include "player/offline.h"
#include "player/timeline.h"
#include "tests/support/openmptOracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> realModules()
{
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("/usr/share/games", error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (entry.is_regular_file() && extension == ".xm") paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}


bool endFired = false;
void CALLBACK onEnd(HSYNC, DWORD, DWORD) { endFired = true; }

TEST(RealModules, TheGameDataPackagesAreThere)
{
    EXPECT_GE(realModules().size(), 6u) << "bomberclone-data and criticalmass-data are missing: run scripts/install-deps";
}

class RealModule : public ::testing::TestWithParam<std::string> {};

TEST_P(RealModule, RowStartsAndEndAgreeWithLibopenmptToTheSample)
{
    const std::string& path = GetParam();
    ASSERT_TRUE(offlineInit(44100));
    ASSERT_TRUE(BASSMOD_MusicLoad(0, path.c_str(), 0, 0, 0x202));
    const TimelineEvent* events = timelineEvents();
    const int count = timelineEventCount();
    ASSERT_GT(count, 1);

    OpenmptOracle oracle(fileBytes(path));
    ASSERT_NE(oracle.module, nullptr);
    std::pair<int, int> previous{-1, -1};
    int rows = 0;
    int mismatches = 0;
    for (int i = 0; i < count && mismatches < 5; ++i) {
        const TimelineEvent& e = events[i];
        if (e.kind != TimelineKind::position) continue;
        const std::pair<int, int> here{e.order, e.row};
        // Up to the last sample before the row libopenmpt is still on the previous one ...
        ASSERT_TRUE(oracle.renderTo(e.sample));
        if (e.sample > 0 && here != previous && oracle.position() != previous) {
            ADD_FAILURE() << "row " << here.first << ":" << here.second << " at " << e.sample
                          << ": libopenmpt has already left " << previous.first << ":" << previous.second;
            ++mismatches;
        }
        // ... and its first sample is the row's.
        ASSERT_TRUE(oracle.renderTo(e.sample + 1));
        if (oracle.position() != here) {
            ADD_FAILURE() << "row " << here.first << ":" << here.second << " at " << e.sample
                          << ": libopenmpt is at " << oracle.position().first << ":" << oracle.position().second;
            ++mismatches;
        }
        previous = here;
        ++rows;
    }
    EXPECT_GT(rows, 100);

    const TimelineEvent& last = events[count - 1];
    ASSERT_EQ(last.kind, TimelineKind::end);
    // libopenmpt, too, leaves the last row there and enters the row the song repeats from;
    // it then adds a tenth of a second of its own before it stops.
    ASSERT_TRUE(oracle.renderTo(last.sample)) << "libopenmpt ended before our end event";
    EXPECT_EQ(oracle.position(), previous);
    ASSERT_TRUE(oracle.renderTo(last.sample + 1));
    EXPECT_EQ(oracle.position(), std::make_pair(int{last.order}, int{last.row}));
    EXPECT_FALSE(oracle.renderTo(last.sample + 4410 + 1)) << "libopenmpt plays on well past our end event";

    // The end sync fires there.
    endFired = false;
    BASSMOD_MusicSetSync(BASS_SYNC_END, 0, onEnd, 0);
    ASSERT_TRUE(BASSMOD_MusicPlay());
    offlineDeliverSyncs(last.sample);
    EXPECT_FALSE(endFired);
    offlineDeliverSyncs(last.sample + 1);
    EXPECT_TRUE(endFired);
    BASSMOD_Free();
}

std::string testName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = std::filesystem::path(info.param).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Debian, RealModule, ::testing::ValuesIn(realModules()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RealModule);

}  // namespace
