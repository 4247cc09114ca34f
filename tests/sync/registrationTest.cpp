// startMusic and stopMusic against a stand-in player linked instead of ours: the default device at
// 44,100 Hz, the module, all 27 points whatever init and load said, then play; true only if all three succeeded.
#include "player/offline.h"
#include "player/player.h"
#include "sync/music.h"

#include <gtest/gtest.h>

std::vector<std::string> calls;
bool results[3];  // open, load, play

bool called(const std::string& call, int result) { return calls.push_back(call), result >= 0 && results[result]; }

bool playerOpenDevice(int device, int rate, std::string&) { return called("open " + std::to_string(device) + " " + std::to_string(rate), 0); }
bool playerOpenSilent(int rate, std::string&) { return called("silent " + std::to_string(rate), 0); }
bool playerOpenOffline(int rate, std::string&) { return called("offline " + std::to_string(rate), 0); }
bool playerLoadFile(const char* path, uint32_t offset, uint32_t length, std::string&) { return called("load " + std::string(path) + " " + std::to_string(offset | length), 1); }
bool playerLoadMemory(const void*, std::size_t, std::string&) { return called("memory", -1); }
uint32_t playerSetSync(SyncType, uint32_t, SyncCallback callback, uint32_t user) { return called(callback && user == 0 ? "sync" : "odd sync", -1); }
bool playerPlay() { return called("play", 2); }
void playerFree() { called("free", -1); }

TEST(Schedule, All27AreRegisteredBeforePlayWhateverInitAndLoadSay)
{
    for (int mask = 0; mask < 8; ++mask) {
        for (int step = 0; step < 3; ++step) results[step] = mask >> step & 1;
        std::vector<std::string> expected = {"open 0 44100", "load Data/sonavel3.xm 0"};
        expected.insert(expected.end(), syncPointCount, "sync");
        expected.push_back("play");
        for (const bool offline : {false, true}) {
            calls.clear();
            std::string why;
            EXPECT_EQ(offline ? startMusicOffline(48000, nullptr, why) : startMusic(why, [](const std::string&) { return false; }), mask == 7) << mask;
            expected[0] = offline ? "offline 48000" : "open 0 44100";
            EXPECT_EQ(calls, expected) << mask;
        }
    }
    calls.clear();
    stopMusic();
    EXPECT_EQ(calls, std::vector<std::string>{"free"});
}
