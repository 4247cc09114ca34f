// The committed fuzz corpus replayed through the fuzz entry in every ordinary build: files
// named "valid-*" must be accepted, all others rejected.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scene/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

TEST(BitmapCorpus, EverySeedHasItsExpectedOutcome)
{
    const std::filesystem::path corpus = std::filesystem::path(STROBARIUM_SOURCE_DIR) / "tests/scene/corpus";
    int seeds = 0, valid = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        const std::string name = entry.path().filename().string();
        const bool expectValid = name.rfind("valid-", 0) == 0;
        // An exact-size copy, so the sanitizer build sees reads past the end.
        std::vector<uint8_t> exact(bytes);
        exact.shrink_to_fit();
        BitmapView view{};
        EXPECT_EQ(parseBitmap(exact.data(), exact.size(), view), expectValid) << name;
        EXPECT_EQ(LLVMFuzzerTestOneInput(exact.data(), exact.size()), 0) << name;
        ++seeds;
        valid += expectValid;
    }
    EXPECT_GE(seeds, 10);
    EXPECT_GE(valid, 3);
}

}  // namespace
