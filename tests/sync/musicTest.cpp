// The schedule played by the real player: offline (the test sets the pace) a frame loop that
// reads after every frame sees exactly the positions and hits the script is written for; live,
// each way the music cannot start gives false and one stderr line naming the cause.
#include "player/offline.h"
#include "sync/music.h"
#include "sync/syncState.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>
#include <unistd.h>

// A working directory of its own with Data/ in it.
class Music : public ::testing::Test {
protected:
    const TempDir home{"music"};
    void SetUp() override
    {
        ASSERT_EQ(chdir(home.path().c_str()), 0);
        mkdir("Data", 0700);
        resetSyncState();
    }
    void TearDown() override { stopMusic(); }
};

std::string position() { return std::to_string(syncState.order) + ":" + std::to_string(syncState.row); }

// What the capture's observer was told: the points by number, and how often 17:16 came.
std::set<int> observedPoints;
int observedEnds = 0;

TEST_F(Music, TheFrameLoopSeesTheScriptedPositionsAndHits)
{
    ASSERT_TRUE(writeXm("Data/sonavel3.xm", blankSong(20)));
    std::string why;
    ASSERT_TRUE(startMusicOffline(44100, [](int point, uint32_t data) { observedPoints.insert(point), observedEnds += point == 26 && data == 0x00100011; }, why)) << why;
    // Frames of 256 samples (shorter than a row): each new position, each hit with its note, the end.
    std::vector<std::string> seen = {"-1:-1"};
    std::string last = seen.back();
    for (uint64_t frameEnd = 256; !syncState.finished && frameEnd < 60 * 44100; frameEnd += 256) {
        offlineDeliverSyncs(frameEnd);
        if (position() != last) seen.push_back(last = position());
        for (int i : {1, 2, 3, 18, 19})
            if (syncState.instrumentHit[i]) seen.push_back("hit " + std::to_string(i) + (i < 18 ? "" : " note " + std::to_string(i == 18 ? syncState.lastNote18 : syncState.lastNote19)));
        clearHits();
    }
    std::vector<std::string> expected = {"-1:-1", "0:-1", "1:0", "2:0", "hit 18 note 17", "hit 1", "hit 2", "hit 3", "hit 19 note 21", "2:32", "2:48"};
    const auto add = [&](int order, int row) { expected.push_back(std::to_string(order) + ":" + std::to_string(row)); };
    for (int r = 0; r < 64; ++r) add(3, r);
    for (int o = 4; o <= 8; ++o) add(o, 63);  // the row stays what order 3 last reported
    for (int r = 0; r <= 56; r += 8) add(9, r);
    for (int r : {0, 8, 16, 24, 32, 48}) add(10, r);
    for (int o = 11; o <= 17; ++o) add(o, 48);
    for (int o = 17; o <= 19; ++o) add(o, 16);
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(syncState.finished);
    EXPECT_EQ(observedPoints.size(), 27u);
    EXPECT_EQ(observedEnds, 1);
}

// Without a sound device the question comes once, with the cause; a yes plays on the music's clock.
TEST_F(Music, EachWayTheMusicCannotStartIsOneLineNamingItsCause)
{
    const std::vector<uint8_t> module = encodeXm(blankSong(20));
    static bool answer;
    static std::string asked;
    // driver, module bytes, the answer to playing without sound; the cause ("" when it plays), what was asked
    const std::tuple<const char*, std::size_t, bool, const char*, const char*> cases[] = {
        {"disk", 0, true, "cannot open module \"Data/sonavel3.xm\": No such file or directory", ""},
        {"no-such-driver", module.size(), false, "no audio device", "no audio device"},
        {"no-such-driver", module.size(), true, "", "no audio device"},
    };
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    for (const auto& [driver, bytes, yes, cause, question] : cases) {
        ASSERT_TRUE(!bytes || writeFileBytes("Data/sonavel3.xm", std::vector<uint8_t>(module.begin(), module.begin() + long(bytes))));
        setenv("SDL_AUDIODRIVER", driver, 1);
        std::string why;
        resetSyncState();
        answer = yes, asked.clear();
        EXPECT_EQ(startMusic(why, [](const std::string& cause) { return asked += cause + "\n", answer; }), !*cause);
        EXPECT_TRUE(why.rfind(cause, 0) == 0 && why.find('\n') == std::string::npos) << driver << " " << bytes << ": " << why;
        EXPECT_EQ(asked.rfind(question, 0), 0u) << asked;
        EXPECT_EQ(std::count(asked.begin(), asked.end(), '\n'), *question ? 1 : 0) << asked;
        if (!*cause) {  // order 1 starts 64 rows (0.63 s) in, on the music's clock: not at once, but soon
            usleep(300000);
            EXPECT_EQ(syncState.order.load(), 0);
            for (int i = 0; i < 300 && syncState.order.load() < 1; ++i) usleep(10000);
            EXPECT_EQ(syncState.order.load(), 1);
        }
        stopMusic();
    }
}
