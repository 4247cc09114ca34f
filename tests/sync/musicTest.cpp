// The schedule played by the real player: offline (the test sets the pace) a frame loop that
// reads after every frame sees exactly the positions and hits the script is written for; live,
// a good module plays to its end and every way the music cannot start gives false and one
// stderr line naming the cause.
#include "player/offline.h"
#include "sync/music.h"
#include "sync/syncState.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

// A working directory of its own with Data/ in it.
class Music : public ::testing::Test {
protected:
    const TempDir home{"music"};
    const std::string previous = std::filesystem::current_path();
    void SetUp() override
    {
        ASSERT_EQ(chdir(home.path().c_str()), 0);
        mkdir("Data", 0700);
        resetSyncState();
    }
    void TearDown() override
    {
        stopMusic();
        EXPECT_EQ(chdir(previous.c_str()), 0);
    }
};

std::vector<std::pair<int, uint32_t>> observed;

// Frames of 256 samples (shorter than a row): each new position, each hit with its note, the end.
std::vector<std::string> frameLoop()
{
    std::vector<std::string> seen = {"-1:-1"};
    std::string last = seen.back();
    for (uint64_t frameEnd = 256; !syncState.finished && frameEnd < 60 * 44100; frameEnd += 256) {
        offlineDeliverSyncs(frameEnd);
        const std::string position = std::to_string(syncState.order) + ":" + std::to_string(syncState.row);
        if (position != last) seen.push_back(last = position);
        for (int i : {1, 2, 3, 18, 19})
            if (syncState.instrumentHit[i]) seen.push_back("hit " + std::to_string(i) + (i < 18 ? "" : " note " + std::to_string(i == 18 ? syncState.lastNote18 : syncState.lastNote19)));
        clearHits();
    }
    seen.push_back(syncState.finished ? "finished" : "never finished");
    return seen;
}

TEST_F(Music, TheFrameLoopSeesTheScriptedPositionsAndHits)
{
    ASSERT_TRUE(writeXm("Data/sonavel3.xm", blankSong(20)));
    ASSERT_TRUE(startMusicOffline(44100, [](int point, uint32_t data) { observed.push_back({point, data}); }));
    std::vector<std::string> expected = {"-1:-1", "0:-1", "1:0", "2:0", "hit 18 note 17", "hit 1", "hit 2", "hit 3", "hit 19 note 21", "2:32", "2:48"};
    const auto add = [&](int order, int row) { expected.push_back(std::to_string(order) + ":" + std::to_string(row)); };
    for (int r = 0; r < 64; ++r) add(3, r);
    for (int o = 4; o <= 8; ++o) add(o, 63);  // the row stays what order 3 last reported
    for (int r = 0; r <= 56; r += 8) add(9, r);
    for (int r : {0, 8, 16, 24, 32, 48}) add(10, r);
    for (int o = 11; o <= 17; ++o) add(o, 48);
    for (int o = 17; o <= 19; ++o) add(o, 16);
    expected.push_back("finished");
    EXPECT_EQ(frameLoop(), expected);
    // The capture's observer: every point by its number, 17:16 once, the end last.
    std::set<int> points;
    for (const auto& [point, data] : observed) points.insert(point);
    EXPECT_EQ(points.size(), 27u);
    EXPECT_EQ(std::count(observed.begin(), observed.end(), std::make_pair(26, uint32_t(0x00100011))), 1);
    EXPECT_EQ(observed.back(), std::make_pair(27, uint32_t(0)));
}

TEST_F(Music, FewerThan18OrdersNeverReachTheFinishPositionButStillEnd)
{
    ASSERT_TRUE(writeXm("Data/sonavel3.xm", blankSong(12)));
    ASSERT_TRUE(startMusicOffline(44100, nullptr));
    const std::vector<std::string> seen = frameLoop();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "17:16"), 0);
    EXPECT_EQ(std::vector<std::string>(seen.end() - 2, seen.end()), (std::vector<std::string>{"11:48", "finished"}));
}

TEST_F(Music, LiveAGoodModulePlaysToItsEndAndEachFailureIsOneLineNamingItsCause)
{
    const std::vector<uint8_t> module = encodeXm(restartModule());
    const struct {
        const char* driver;
        std::size_t bytes;
        const char* cause;  // null: starts
    } cases[] = {
        {"disk", module.size(), nullptr},
        {"no-such-driver", module.size(), "strobarium: music: no audio device"},
        {"disk", 0, "strobarium: music: cannot open module \"Data/sonavel3.xm\": No such file or directory"},
        {"disk", module.size() - 1, "strobarium: music: module \"Data/sonavel3.xm\" is truncated"},
    };
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    for (const auto& c : cases) {
        unlink("Data/sonavel3.xm");
        ASSERT_TRUE(!c.bytes || writeFileBytes("Data/sonavel3.xm", std::vector<uint8_t>(module.begin(), module.begin() + long(c.bytes))));
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        resetSyncState();
        testing::internal::CaptureStderr();
        EXPECT_EQ(startMusic(), !c.cause);
        for (int wait = 0; !c.cause && !syncState.finished && wait < 2000; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stopMusic();
        std::istringstream captured(testing::internal::GetCapturedStderr());
        std::string ours;  // SDL's disk driver announces itself on stderr with lines of its own
        for (std::string line; std::getline(captured, line);) ours += line.rfind("CRITICAL:", 0) ? line + "\n" : "";
        EXPECT_EQ(ours.rfind(c.cause ? c.cause : "", 0), 0u) << ours;
        EXPECT_EQ(std::count(ours.begin(), ours.end(), '\n'), c.cause ? 1 : 0) << c.driver << " " << c.bytes << ": " << ours;
        // A good module ends with the last order started and the last row reported in order 3.
        EXPECT_EQ(std::to_string(syncState.order) + ":" + std::to_string(syncState.row) + " " + std::to_string(syncState.finished),
                  c.cause ? "-1:-1 0" : "4:1 1");
    }
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
}
