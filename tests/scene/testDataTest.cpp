// The stand-in data other areas build their tests on: make-test-data's folder, read back
// through the demo's own bitmap reader.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "scene/bitmap.h"
#include "tests/support/testData.h"

namespace {

namespace fs = std::filesystem;

class MakeTestData : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/strobarium-testdata-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    int run(const std::string& args) const
    {
        const std::string command = std::string(STROBARIUM_BINARY_DIR) + "/tests/make-test-data " + args + " 2>/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string dir;
};

TEST_F(MakeTestData, WritesFourteenDistinctSolidBitmapsAndTheModule)
{
    const std::string module = dir + "/song.xm";
    std::ofstream(module) << "not really a module";
    ASSERT_EQ(run(dir + "/out --module " + module), 0);

    const auto expected = defaultTestBitmaps();
    std::set<std::tuple<int, int, int>> colours;
    for (int i = 0; i < testBitmapCount; ++i) {
        SCOPED_TRACE(testBitmapNames[i]);
        BitmapView view{};
        ASSERT_TRUE(readBitmapFile(testBitmapPath(dir + "/out", i).c_str(), view));
        EXPECT_EQ(view.width, expected[i].width);
        EXPECT_EQ(view.height, expected[i].height);
        // Solid: first and last pixel of the array carry the chosen colour as B, G, R.
        const uint8_t* last = view.pixels + bitmapRowBytes(view.width) * (view.height - 1) + 3 * (view.width - 1);
        for (const uint8_t* p : {view.pixels, last}) {
            EXPECT_EQ(p[0], expected[i].blue);
            EXPECT_EQ(p[1], expected[i].green);
            EXPECT_EQ(p[2], expected[i].red);
        }
        colours.emplace(expected[i].red, expected[i].green, expected[i].blue);
    }
    EXPECT_EQ(colours.size(), static_cast<std::size_t>(testBitmapCount));
    EXPECT_EQ(colours.count({0, 0, 0}), 0u);

    std::ifstream copied(dir + "/out/Data/sonavel3.xm");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copied), {}), "not really a module");
}

TEST_F(MakeTestData, WithoutAModuleWritesOnlyTheBitmaps)
{
    ASSERT_EQ(run(dir), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir + "/Data"), fs::directory_iterator()), testBitmapCount);
}

TEST_F(MakeTestData, RejectsBadArgumentsAndMissingModules)
{
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run(dir + " --module"), 2);
    EXPECT_EQ(run(dir + " extra"), 2);
    EXPECT_EQ(run(dir + " --module " + dir + "/missing.xm"), 1);
}

}  // namespace
