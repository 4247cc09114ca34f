// The committed module corpus replayed through the fuzz entry in every ordinary build: files
// named "valid-*" must load, all others must be refused.
#include "player/offline.h"
#include "player/player.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

TEST(ModuleCorpus, EverySeedHasItsExpectedOutcome)
{
    int seeds = 0, valid = 0;
    testing::internal::CaptureStderr();  // the refusals' own lines
    for (const auto& entry : std::filesystem::directory_iterator(STROBARIUM_SOURCE_DIR "/tests/player/corpus")) {
        std::vector<uint8_t> bytes = readFileBytes(entry.path());
        bytes.shrink_to_fit();  // exact size, so the sanitizer build sees reads past the end
        const bool expectValid = entry.path().filename().string().rfind("valid-", 0) == 0;
        ASSERT_TRUE(playerOpenOffline(44100));
        EXPECT_EQ(playerLoadMemory(bytes.data(), bytes.size()), expectValid) << entry.path();
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << entry.path();
        ++seeds;
        valid += expectValid;
    }
    testing::internal::GetCapturedStderr();
    EXPECT_GE(seeds, 6);
    EXPECT_GE(valid, 3);
}

}  // namespace
