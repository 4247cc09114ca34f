// Reading modules: every cut of an XM file is refused (libxmp alone would play most of them), a
// module is found inside a larger file, each refusal is one stderr line naming its cause, and the
// committed fuzz corpus replays through the fuzz entry ("valid-*" load, all others are refused).
#include "player/moduleFile.h"
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

TEST(ModuleFile, EveryCutOfAnXmFileAndEveryBadSeedIsRefused)
{
    const std::vector<uint8_t> bytes = encodeXm(featureModule());
    testing::internal::CaptureStderr();
    int accepted = 0, seeds = 0;
    for (std::size_t size = 1; size < bytes.size(); size += size < 400 ? 1 : 37) accepted += playerLoadMemory(bytes.data(), size);
    EXPECT_EQ(accepted, 0);
    for (const auto& entry : std::filesystem::directory_iterator(STROBARIUM_SOURCE_DIR "/tests/player/corpus")) {
        std::vector<uint8_t> seed = readFileBytes(entry.path());
        seed.shrink_to_fit();  // exact size, so the sanitizer build sees reads past the end
        ASSERT_TRUE(playerOpenOffline(44100));
        EXPECT_EQ(playerLoadMemory(seed.data(), seed.size()), entry.path().filename().string().rfind("valid-", 0) == 0) << entry.path();
        EXPECT_EQ(LLVMFuzzerTestOneInput(seed.data(), seed.size()), 0) << entry.path();
        ++seeds;
    }
    EXPECT_NE(testing::internal::GetCapturedStderr().find("module in memory is truncated"), std::string::npos);
    EXPECT_GE(seeds, 8);
    playerFree();
}

TEST(ModuleFile, TheModuleIsFoundInALargerFileAndEachRefusalNamesItsCause)
{
    const std::vector<uint8_t> module = encodeXm(featureModule());
    std::vector<uint8_t> wrapped(100 + module.size() + 50, 'x');
    std::copy(module.begin(), module.end(), wrapped.begin() + 100);
    const TempDir dir("module-file");
    const std::string path = dir / "wrapped.bin", missing = dir / "missing.xm", huge = dir / "huge.xm";
    ASSERT_TRUE(writeFileBytes(path, wrapped) && writeFileBytes(huge, module));
    std::filesystem::resize_file(huge, maxModuleBytes + 1);
    ASSERT_TRUE(playerOpenOffline(44100));
    EXPECT_TRUE(playerLoadFile(path.c_str(), 100, uint32_t(module.size())));
    const std::tuple<const char*, uint32_t, uint32_t, const char*> cases[] = {  // path, offset, length, cause
        {path.c_str(), 100, uint32_t(wrapped.size()), "is shorter than the"},
        {huge.c_str(), 0, 0, "is larger than 64 MiB"},
        {huge.c_str(), 0, uint32_t(maxModuleBytes + 1), "is larger than 64 MiB"},
        {path.c_str(), 0, 0, "not a module format libxmp knows"},
        {missing.c_str(), 0, 0, "cannot open module"},
        {dir.path().c_str(), 0, 0, "cannot read module"},
        {nullptr, 0, 0, "no module file name"},
    };
    for (const auto& [file, offset, length, cause] : cases) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(playerLoadFile(file, offset, length));
        const std::string line = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(line.rfind("strobarium: music: ", 0) == 0 && line.find(cause) != std::string::npos && std::count(line.begin(), line.end(), '\n') == 1) << line;
        EXPECT_EQ(timelineEventCount(), 0) << "a failed load leaves no module behind";
    }
    EXPECT_FALSE(playerPlay());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(playerLoadMemory(nullptr, 100) || playerLoadMemory(module.data(), 0));
    const std::string line = "strobarium: music: no module in memory (null pointer or length 0)\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), line + line);
    playerFree();
}
