// startMusic with the real player: it starts a good module and follows it to its end, and every
// way the music cannot start makes it return false with one stderr line naming the cause.
#include "sync/music.h"
#include "sync/syncState.h"
#include "tests/player/synthModules.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// Our lines only: SDL's disk driver announces itself on stderr with lines of its own.
std::vector<std::string> ourLines(const std::string& captured)
{
    std::vector<std::string> lines;
    std::istringstream in(captured);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("CRITICAL:", 0) != 0) lines.push_back(line);
    return lines;
}

// A working directory of its own with Data/ in it, for one case.
class MusicStart : public ::testing::Test {
protected:
    std::filesystem::path home;
    std::filesystem::path previous;
    void SetUp() override
    {
        previous = std::filesystem::current_path();
        home = scratchPath("music-start-" + std::to_string(getpid()));
        std::filesystem::remove_all(home);
        std::filesystem::create_directories(home / "Data");
        std::filesystem::current_path(home);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
        resetSyncState();
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(home);
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_AUDIODRIVER");
    }
    static void writeFile(const std::vector<uint8_t>& bytes)
    {
        std::ofstream("Data/sonavel3.xm", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                  static_cast<std::streamsize>(bytes.size()));
    }
};

TEST_F(MusicStart, AGoodModulePlaysToItsEndAndFinishesTheDemo)
{
    writeFile(encodeXm(restartModule()));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(startMusic());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!syncState.finished.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stopMusic();
    EXPECT_TRUE(ourLines(testing::internal::GetCapturedStderr()).empty());
    EXPECT_EQ(syncState.finished.load(), 1);
    EXPECT_EQ(syncState.order.load(), 4) << "the last order started";
    EXPECT_EQ(syncState.row.load(), 1) << "the last row of order 3, whose every row is reported";
}

TEST_F(MusicStart, EveryFailureIsFalseWithOneLineNamingItsCause)
{
    struct Case {
        const char* what;
        void (*prepare)();
        const char* cause;
    };
    const Case cases[] = {
        {"no audio device", [] { writeFile(encodeXm(restartModule())); setenv("SDL_AUDIODRIVER", "no-such-driver", 1); },
         "no audio device"},
        {"missing file", [] {}, "cannot open module \"Data/sonavel3.xm\": No such file or directory"},
        {"truncated module",
         [] {
             std::vector<uint8_t> bytes = encodeXm(featureModule());
             bytes.resize(bytes.size() * 2 / 3);
             writeFile(bytes);
         },
         "module \"Data/sonavel3.xm\" is truncated"},
        {"module cut inside its header",
         [] {
             std::vector<uint8_t> bytes = encodeXm(featureModule());
             bytes.resize(100);
             writeFile(bytes);
         },
         "module \"Data/sonavel3.xm\" is truncated"},
        {"text file named .xm",
         [] {
             const std::string text = "These are the liner notes, not a module.\n";
             writeFile(std::vector<uint8_t>(text.begin(), text.end()));
         },
         "module \"Data/sonavel3.xm\": not a module format libxmp knows"},
        {"empty file", [] { writeFile({}); }, "module \"Data/sonavel3.xm\" is empty"},
        {"directory in its place", [] { mkdir("Data/sonavel3.xm", 0700); }, "cannot read module \"Data/sonavel3.xm\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all("Data/sonavel3.xm");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        c.prepare();
        resetSyncState();
        testing::internal::CaptureStderr();
        const bool started = startMusic();
        stopMusic();
        const std::vector<std::string> lines = ourLines(testing::internal::GetCapturedStderr());
        EXPECT_FALSE(started);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(c.cause), std::string::npos) << lines[0];
        EXPECT_EQ(lines[0].rfind("strobarium: music: ", 0), 0u) << lines[0];
        EXPECT_EQ(syncState.order.load(), -1) << "nothing played";
    }
}

}  // namespace
