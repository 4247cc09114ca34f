// Reading modules: every cut of an XM file is refused (libxmp alone would play most of them),
// a module is found inside a larger file, and each refusal is one stderr line naming its cause.
#include "player/moduleFile.h"
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(ModuleFile, EveryCutOfAnXmFileIsRefused)
{
    const std::vector<uint8_t> bytes = encodeXm(featureModule());
    testing::internal::CaptureStderr();
    int accepted = 0;
    for (std::size_t size = 1; size < bytes.size(); size += size < 400 ? 1 : 37) accepted += playerLoadMemory(bytes.data(), size);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(timelineEventCount(), 0);
    EXPECT_NE(errors.find("module in memory is truncated"), std::string::npos);
    EXPECT_TRUE(playerLoadMemory(bytes.data(), bytes.size()));
    playerFree();
}

TEST(ModuleFile, TheModuleIsFoundInALargerFileAndEachRefusalNamesItsCause)
{
    const std::vector<uint8_t> module = encodeXm(restartModule());
    std::vector<uint8_t> wrapped(100 + module.size() + 50, 'x');
    std::copy(module.begin(), module.end(), wrapped.begin() + 100);
    const TempDir dir("module-file");
    const std::string path = dir / "wrapped.bin", missing = dir / "missing.xm", huge = dir / "huge.xm";
    ASSERT_TRUE(writeFileBytes(path, wrapped) && writeFileBytes(huge, module));
    std::filesystem::resize_file(huge, maxModuleBytes + 1);
    ASSERT_TRUE(playerOpenOffline(44100));
    const auto length = uint32_t(module.size());
    EXPECT_TRUE(playerLoadFile(path.c_str(), 100, length));
    EXPECT_EQ(offlineEndSample(), 15 * 4 * tickFrames(100));

    const struct {
        const char* path;
        uint32_t offset, length;
        const char* cause;
    } cases[] = {
        {path.c_str(), 100, uint32_t(wrapped.size()), "is shorter than the"},
        {huge.c_str(), 0, 0, "is larger than 64 MiB"},
        {huge.c_str(), 0, uint32_t(maxModuleBytes + 1), "is larger than 64 MiB"},
        {path.c_str(), 0, 0, "not a module format libxmp knows"},
        {missing.c_str(), 0, 0, "cannot open module"},
        {dir.path().c_str(), 0, 0, "cannot read module"},
        {nullptr, 0, 0, "no module file name"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(playerLoadFile(c.path, c.offset, c.length));
        const std::string line = testing::internal::GetCapturedStderr();
        EXPECT_EQ(line.rfind("strobarium: music: ", 0), 0u) << line;
        EXPECT_NE(line.find(c.cause), std::string::npos) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
        EXPECT_EQ(timelineEventCount(), 0) << "a failed load leaves no module behind";
    }
    EXPECT_FALSE(playerPlay());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(playerLoadMemory(nullptr, 100));
    EXPECT_FALSE(playerLoadMemory(module.data(), 0));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "strobarium: music: no module in memory (null pointer or length 0)\n"
              "strobarium: music: no module in memory (null pointer or length 0)\n");
    playerFree();
}

}  // namespace
