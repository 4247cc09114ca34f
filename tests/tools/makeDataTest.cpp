// make-data itself: two runs write the same bytes as each other and as the build's Data/, and bad
// invocations end with a failure status, writing nothing.
#include "tests/support/files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

int makeData(const std::string& arguments)
{
    const int status = std::system((STROBARIUM_BINARY_DIR "/make-data " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MakeData, TwoRunsWriteTheSameBytesAsEachOtherAndAsTheBuild)
{
    const TempDir first("make-data"), second("make-data");
    ASSERT_EQ(makeData(first / "Data"), 0);
    ASSERT_EQ(makeData(second / "a/b"), 0) << "creates missing folders";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(first / "Data")) {
        const std::vector<uint8_t> bytes = readFileBytes(entry.path());
        const std::string name = entry.path().filename();
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_TRUE(bytes == readFileBytes(second / "a/b/" + name) && bytes == readFileBytes(STROBARIUM_BINARY_DIR "/Data/" + name)) << name;
        ++files;
    }
    EXPECT_EQ(files, 15) << "14 bitmaps and the song";
}

TEST(MakeData, BadInvocationsFailWithoutWritingData)
{
    const TempDir dir("make-data");
    const std::pair<std::string, int> cases[] = {{"", 2}, {"a b c", 2}, {dir / "out /nonexistent/fonts", 1}, {"/proc/strobarium/Data", 1}};
    for (const auto& [arguments, status] : cases) EXPECT_EQ(makeData(arguments), status) << "make-data " << arguments;
    EXPECT_TRUE(std::filesystem::is_empty(dir / "out")) << "nothing written";
}
