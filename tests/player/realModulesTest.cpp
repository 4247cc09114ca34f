// Modules nobody here wrote (Debian's game-data packages) and the generated song against libopenmpt:
// every row starts on its sample there too, and the song ends where libopenmpt repeats it.
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

// Named one by one, so a missing package fails its load; the first of bomberclone's restarts at order 1.
const std::string modules[] = {STROBARIUM_BINARY_DIR "/Data/sonavel3.xm", "/usr/share/games/bomberclone/music/cerror-bomberclone_numero_2.xm",
    "/usr/share/games/bomberclone/music/cerror-bobmberclone.xm", "/usr/share/games/bomberclone/music/mario_is_a_weenie.xm",
    "/usr/share/games/bomberclone/music/slice_me_nice.xm", "/usr/share/games/bomberclone/music/zb-tnt.xm", "/usr/share/games/criticalmass/lg-criti.xm",
    "/usr/share/games/powermanga/sounds/music_congratulations.zik", "/usr/share/games/powermanga/sounds/music_game.zik",
    "/usr/share/games/powermanga/sounds/music_menu.zik", "/usr/share/games/solarwolf/data/music/arg.xm",
    "/usr/share/games/solarwolf/data/music/aster2_sw.xm"};

// The (order, row) libopenmpt played last once it has rendered `frame` frames at 44,100 Hz;
// (-1, -1) when its song ended before.
std::pair<int, int> openmptAt(openmpt::module& module, uint64_t& rendered, uint64_t frame)
{
    static int16_t scratch[2 * 65536];
    for (std::size_t got = 1; rendered < frame && got; rendered += got)
        got = module.read_interleaved_stereo(44100, std::min<uint64_t>(frame - rendered, 65536), scratch);
    if (rendered < frame) return {-1, -1};
    return {module.get_current_order(), module.get_current_row()};
}

class RealModule : public ::testing::TestWithParam<std::string> {};

TEST_P(RealModule, RowStartsAndEndAgreeWithLibopenmptToTheSample)
{
    const std::vector<uint8_t> bytes = readFileBytes(GetParam());
    ASSERT_EQ(loadOffline(bytes), std::pair(true, std::string()));
    openmpt::module oracle(bytes);  // throws, failing the test, when libopenmpt refuses the module
    uint64_t rendered = 0;
    std::pair<int, int> previous{-1, -1};
    for (int i = 0; i + 1 < timelineEventCount() && !HasFailure(); ++i) {
        const TimelineEvent& e = timelineEvents()[i];
        if (e.kind != TimelineKind::position) continue;
        // Up to the row's first sample libopenmpt is still on the previous row; with it, on this one.
        const std::pair<int, int> here{e.order, e.row}, before = openmptAt(oracle, rendered, e.sample);
        const std::pair<int, int> after = openmptAt(oracle, rendered, e.sample + 1);
        EXPECT_TRUE((e.sample == 0 || here == previous || before == previous) && after == here)
            << "row " << here.first << ":" << here.second << " at " << e.sample << ": libopenmpt went from " << before.first << ":"
            << before.second << " to " << after.first << ":" << after.second;
        previous = here;
    }
    // At the end event libopenmpt enters the row the song repeats from, then plays a tenth of a second.
    const TimelineEvent& end = timelineEvents()[timelineEventCount() - 1];
    EXPECT_EQ(openmptAt(oracle, rendered, end.sample), previous) << "(-1, -1): libopenmpt ended before our end event";
    EXPECT_EQ(openmptAt(oracle, rendered, end.sample + 1), std::make_pair(int{end.order}, int{end.row}));
    EXPECT_EQ(openmptAt(oracle, rendered, end.sample + 4410 + 1), std::make_pair(-1, -1)) << "libopenmpt plays on well past our end event";
    playerFree();
}

INSTANTIATE_TEST_SUITE_P(Modules, RealModule, ::testing::ValuesIn(modules));
