// Reading modules: every cut of an XM file is refused (libxmp alone would play most of them),
// whole files of every kind are taken, and memory loads follow the same rules.
#include "player/bassmod.h"
#include "player/moduleFile.h"
#include "player/offline.h"
#include "player/timeline.h"
#include "tests/player/synthModules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

TEST(ModuleFile, OurXmFilesDeclareExactlyTheirSize)
{
    for (const XmModule& module : {featureModule(), restartModule(), blankSong(20)}) {
        const std::vector<uint8_t> bytes = encodeXm(module);
        EXPECT_EQ(xmDeclaredSize(bytes.data(), bytes.size()), bytes.size()) << module.title;
    }
}

TEST(ModuleFile, RealXmFilesAreWhole)
{
    std::error_code error;
    int checked = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("/usr/share/games", error)) {
        if (entry.path().extension() != ".xm") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        EXPECT_LE(xmDeclaredSize(bytes.data(), bytes.size()), bytes.size()) << entry.path();
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(ModuleFile, EveryCutOfAnXmFileIsRefused)
{
    const std::vector<uint8_t> bytes = encodeXm(featureModule());
    ASSERT_TRUE(offlineInit(44100));
    testing::internal::CaptureStderr();
    int accepted = 0;
    for (std::size_t size = 1; size < bytes.size(); size += size < 400 ? 1 : 37)
        if (BASSMOD_MusicLoad(1, bytes.data(), 0, static_cast<DWORD>(size), 0)) ++accepted;
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(timelineEventCount(), 0);
    EXPECT_NE(errors.find("truncated"), std::string::npos);
    EXPECT_TRUE(BASSMOD_MusicLoad(1, bytes.data(), 0, static_cast<DWORD>(bytes.size()), 0));
    BASSMOD_Free();
}

TEST(ModuleFile, OffsetAndLengthPickTheModuleOutOfALargerFile)
{
    const std::vector<uint8_t> module = encodeXm(restartModule());
    std::vector<uint8_t> wrapped(100 + module.size() + 50, 'y');
    std::fill(wrapped.begin(), wrapped.begin() + 100, 'x');
    std::copy(module.begin(), module.end(), wrapped.begin() + 100);
    const std::string path = scratchPath("wrapped.bin");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wrapped.data()), static_cast<std::streamsize>(wrapped.size()));

    ASSERT_TRUE(offlineInit(44100));
    EXPECT_TRUE(BASSMOD_MusicLoad(0, path.c_str(), 100, static_cast<DWORD>(module.size()), 0));
    const uint64_t end = offlineEndSample();
    EXPECT_EQ(end, 15u * 4 * tickFrames(100));
    EXPECT_TRUE(BASSMOD_MusicLoad(1, wrapped.data(), 100, static_cast<DWORD>(module.size()), 0));
    EXPECT_EQ(offlineEndSample(), end);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(BASSMOD_MusicLoad(0, path.c_str(), 100, static_cast<DWORD>(wrapped.size()), 0));
    EXPECT_FALSE(BASSMOD_MusicLoad(0, path.c_str(), 0, 0, 0)) << "starts with junk";
    EXPECT_FALSE(BASSMOD_MusicLoad(1, nullptr, 0, 100, 0));
    EXPECT_FALSE(BASSMOD_MusicLoad(1, wrapped.data(), 0, 0, 0));
    EXPECT_FALSE(BASSMOD_MusicLoad(0, nullptr, 0, 0, 0));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 5) << errors;
    EXPECT_NE(errors.find("shorter than the"), std::string::npos) << errors;
    EXPECT_NE(errors.find("no module in memory"), std::string::npos) << errors;
    EXPECT_NE(errors.find("no module file name"), std::string::npos) << errors;
    EXPECT_EQ(timelineEventCount(), 0) << "a failed load leaves no module behind";
    EXPECT_FALSE(BASSMOD_MusicPlay());
    BASSMOD_Free();
    std::remove(path.c_str());
}

}  // namespace
