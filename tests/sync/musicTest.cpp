// The sync callbacks against the frames that read them (race-free under ThreadSanitizer), and the
// schedule played by the real player: offline as the frame loop sees it, live where it cannot start.
#include "player/offline.h"
#include "player/output.h"
#include "sync/callbacks.h"
#include "sync/music.h"
#include "sync/syncState.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

// What each frame ends with, clearing the hits, while the callbacks store from the player's thread.
// The player never sends halves above 255; their contract is zero extension all the same.
TEST(SyncState, TheDataHalvesAreZeroExtendedAndTheHitsClearWhileTheCallbacksStore)
{
    resetSyncState();
    std::atomic<int> frames{0};
    std::thread player([&] {
        for (DWORD i = 0; i < 20000 || frames.load() < 100; ++i)
            for (SYNCPROC* sync :
                 {orderSync, orderRowSync, instrument1Sync, instrument2Sync, instrument3Sync, instrument18Sync, instrument19Sync})
                sync(0, (i % 64) << 16 | i % 18, 0);
        orderRowSync(7, 0x8001FFFFu, 9);
        instrument19Sync(7, 0xFFFF800Eu, 9);
        endSync(0, 0, 0);
    });
    for (; !syncState.finished.load(); ++frames) clearHits();
    player.join();
    EXPECT_EQ(std::vector<int>({syncState.order, syncState.row, syncState.lastNote19}), std::vector<int>({65535, 32769, 32782}));
}

// ThreadSanitizer reports the plain write and read as a race unless raising the hit publishes
// them and testing it acquires them.
TEST(SyncState, AHitCarriesItsNoteToTheFrameThatSeesIt)
{
    for (const auto& [callback, instrument, note] : {std::tuple{&instrument18Sync, 18, &syncState.lastNote18}, {&instrument19Sync, 19, &syncState.lastNote19}}) {
        resetSyncState();
        int written = 0;  // plain memory, as the mix's own state is
        std::thread player([&, callback = callback] { written = 42, callback(0, 0x00400000u | 57, 0); });
        while (!hitRaised(instrument)) std::this_thread::yield();
        EXPECT_EQ(std::pair(written, note->load(std::memory_order_relaxed)), std::pair(42, 57));
        player.join();
    }
}

// `orders` orders of a blank 64-row pattern at speed 1, 255 BPM; order 2 plays another, with
// notes 14 and 17 of instrument 18 on row 0, then note 21 of instruments 1, 2, 3 and 19 on rows 1 to 4.
XmModule blankSong(int orders)
{
    XmModule m = squareSong(1, 255, std::vector<uint8_t>(std::size_t(orders), 0), {64, 64}, 2, 19);
    m.orders[2] = 1;
    auto& cells = m.patterns[1].cells;
    cells[0] = {{xmNote(1, 2), 18, 0, 0, 0}, {xmNote(1, 5), 18, 0, 0, 0}};
    const uint8_t instruments[] = {1, 2, 3, 19};
    for (int row = 1; row <= 4; ++row) cells[std::size_t(row)][0] = {xmNote(1, 9), instruments[row - 1], 0, 0, 0};
    return m;
}

class Music : public ::testing::Test {
protected:
    const TempDir home{"music"};
    void SetUp() override
    {
        resetSyncState();
        ASSERT_TRUE(chdir(home.path().c_str()) == 0 && mkdir("Data", 0700) == 0);
    }
    void TearDown() override { stopMusic(); }
};

// What the capture's observer was told: the points by number, and how often 17:16 came.
std::set<int> observedPoints;
int observedEnds = 0;
void observe(int point, uint32_t data) { observedPoints.insert(point), observedEnds += point == 26 && data == 0x00100011; }

TEST_F(Music, TheFrameLoopSeesTheScriptedPositionsAndHits)
{
    ASSERT_TRUE(writeXm("Data/sonavel3.xm", blankSong(20)));
    std::string why;
    ASSERT_TRUE(startMusicOffline(48000, observe, why)) << why;
    // Frames of 256 samples (shorter than a row): each new position, each hit with its note, the end.
    const auto position = [] { return std::to_string(syncState.order) + ":" + std::to_string(syncState.row); };
    std::vector<std::string> seen = {position()};
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
    EXPECT_EQ(playerRate, 48000) << "the rate the offline start was given";
    EXPECT_EQ(observedPoints.size(), 27u);
    EXPECT_EQ(observedEnds, 1);
}

// Once a device failed the module is still loaded, its cause joined to the device's; the question
// comes once, with the cause, and a No is kept to. Both on the default device at 44,100 Hz.
TEST_F(Music, EachWayTheMusicCannotStartIsOneLineNamingItsCause)
{
    static std::string asked;
    const std::string noModule = "cannot open module \"Data/sonavel3.xm\": No such file or directory";
    for (const auto& [driver, question] : {std::pair{"dummy", ""}, {"no-such-driver", "no audio device: "}}) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        std::string why;
        asked.clear();
        EXPECT_FALSE(startMusic(why, [](const std::string& cause) { return asked += cause + "\n", false; }));
        EXPECT_TRUE(asked.rfind(question, 0) == 0 && std::count(asked.begin(), asked.end(), '\n') == (*question ? 1 : 0)) << asked;
        EXPECT_EQ(why, *question ? asked.substr(0, asked.size() - 1) + "; " + noModule : noModule);
        EXPECT_EQ(playerRate, 44100);
        stopMusic();
    }
}
