// make-data itself: two runs give the same bytes as each other and as the build's Data/,
// and bad invocations end with a message and a failure status, writing nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string tool = STROBARIUM_BINARY_DIR "/make-data";
const fs::path buildData = STROBARIUM_BINARY_DIR "/Data";

const char* const dataFiles[] = {
    "Particle.bmp", "strobarium.bmp", "bykelsot.bmp", "ademofor.bmp", "zentrovia.bmp", "black.bmp",
    "greetz1.bmp",  "greetz2.bmp",    "greetz3.bmp",  "greetz4.bmp",  "greetz5.bmp",   "greetz6.bmp",
    "greetz7.bmp",  "warning.bmp",    "sonavel3.xm",
};

uint64_t fnv1a(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : bytes) hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    return bytes.empty() ? 0 : hash;
}

int run(const std::string& arguments)
{
    const int status = std::system((tool + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TempDir {
    fs::path path;
    TempDir()
    {
        char pattern[] = "/tmp/strobarium-data-XXXXXX";
        path = mkdtemp(pattern) ? pattern : "";
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path.empty()) fs::remove_all(path, ignored);
    }
};

TEST(MakeData, TwoRunsWriteTheSameBytesAsEachOtherAndAsTheBuild)
{
    TempDir first, second;
    ASSERT_FALSE(first.path.empty());
    ASSERT_EQ(run((first.path / "Data").string()), 0);
    ASSERT_EQ(run((second.path / "a" / "b").string()), 0) << "creates missing folders";
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(first.path / "Data")) entries += entry.is_regular_file();
    EXPECT_EQ(entries, std::size(dataFiles));
    for (const char* name : dataFiles) {
        const uint64_t a = fnv1a(first.path / "Data" / name);
        EXPECT_NE(a, 0u) << name << " missing or empty";
        EXPECT_EQ(a, fnv1a(second.path / "a" / "b" / name)) << name;
        EXPECT_EQ(a, fnv1a(buildData / name)) << name;
    }
}

TEST(MakeData, BadInvocationsFailWithoutWritingData)
{
    TempDir dir;
    const struct {
        std::string arguments;
        int status;
    } cases[] = {
        {"", 2},
        {"a b c", 2},
        {(dir.path / "out").string() + " /nonexistent/fonts", 1},
        {"/proc/strobarium/Data", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(run(c.arguments), c.status) << "make-data " << c.arguments;
    EXPECT_FALSE(fs::exists(dir.path / "out" / "Particle.bmp"));
    EXPECT_FALSE(fs::exists(dir.path / "out" / "sonavel3.xm"));
}

}  // namespace
