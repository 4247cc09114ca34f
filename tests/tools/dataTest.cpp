// The Data/ folder make-data writes, as the demo reads it: the same bytes on every run, the 14
// bitmaps taken by our reader, and a song whose accents end on the demo's last position.
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"
#include "scene/bitmap.h"
#include "scene/dataFiles.h"
#include "sync/syncState.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

const std::string built = STROBARIUM_BINARY_DIR "/";

TEST(Data, MakeDataWritesTheSameBytesAsTheBuildsDataFolder)
{
    const TempDir dir("make-data");
    ASSERT_EQ(std::system((built + "make-data " + dir / "Data").c_str()), 0);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "Data")) {
        const std::vector<uint8_t> bytes = readFileBytes(entry.path());
        EXPECT_TRUE(!bytes.empty() && bytes == readFileBytes(built + "Data/" + entry.path().filename().string())) << entry.path();
        ++files;
    }
    EXPECT_EQ(files, bitmapCount + 1);
}

TEST(Data, OurReaderTakesEveryBitmap)
{
    BitmapView view{};
    for (const char* file : bitmapFiles) EXPECT_TRUE(readBitmapFile((built + file).c_str(), view)) << file;
}

TEST(Data, TheReactingInstrumentsPlayAndTheLastNotesFallOnTheDemosEnd)
{
    ASSERT_TRUE(playerOpenOffline(44100));
    ASSERT_TRUE(playerLoadFile((built + moduleFile).c_str(), 0, 0));
    std::set<int> instruments;
    std::pair<int, int> last{-1, -1};
    for (const TimelineEvent* e = timelineEvents(); e < timelineEvents() + timelineEventCount(); ++e)
        if (e->kind == TimelineKind::noteOn) instruments.insert(e->instrument), last = std::max(last, std::make_pair(int(e->order), int(e->row)));
    for (int instrument : {1, 2, 3, 18, 19}) EXPECT_EQ(instruments.count(instrument), 1u) << instrument;
    EXPECT_EQ(last, std::make_pair(demoEndOrder, demoEndRow));
    playerFree();
}
