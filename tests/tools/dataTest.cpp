// The Data/ folder make-data writes: the same bytes on every run, and the song's accents and mix.
#include "player/offline.h"
#include "player/player.h"
#include "player/timeline.h"
#include "common/dataFiles.h"
#include "sync/syncState.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

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

// Every note of these five relights a zone: at most three in any second, each note its own even a
// few frames from another (the three-flash rule, with margin), none under the warning card's first
// pulse (order 3, rows 0 to 3), the last on the demo's last position. Then the song's mix, whole.
TEST(Data, TheSongKeepsToThreeAccentsASecondEndsOnTheDemosEndAndIsMasteredWithHeadroomAndWidth)
{
    ASSERT_EQ(loadOffline(readFileBytes(built + moduleFile)), std::pair(true, std::string()));
    std::vector<const TimelineEvent*> accents;
    for (const TimelineEvent* e = timelineEvents(); e < timelineEvents() + timelineEventCount(); ++e)
        for (int reacting : {kickInstrument, snareInstrument, hatInstrument, bassInstrument, arpInstrument})
            if (e->kind == TimelineKind::noteOn && e->instrument == reacting &&
                (accents.empty() || accents.back()->sample != e->sample))
                accents.push_back(e);
    ASSERT_FALSE(accents.empty());
    for (std::size_t first = 0, next = 0; first < accents.size(); ++first) {
        while (next < accents.size() && accents[next]->sample < accents[first]->sample + 44100) ++next;
        EXPECT_LE(next - first, 3u) << "from order " << accents[first]->order << " row " << accents[first]->row;
        EXPECT_FALSE(accents[first]->order == 3 && accents[first]->row < 4) << "row " << accents[first]->row;
    }
    EXPECT_EQ(std::make_pair(int(accents.back()->order), int(accents.back()->row)), std::make_pair(demoEndOrder, demoEndRow));
    ASSERT_TRUE(playerPlay());
    std::vector<int16_t> block(2 * 4096);
    double mid = 0, side = 0;
    int peak = 0;
    const uint64_t frames = offlineEndSample();
    for (uint64_t at = 0; at < frames; at += 4096)
        for (uint32_t i = 0, got = offlineRender(block.data(), uint32_t(std::min<uint64_t>(4096, frames - at))); i < 2 * got; i += 2) {
            const double left = block[i], right = block[i + 1];
            mid += (left + right) * (left + right);
            side += (left - right) * (left - right);
            peak = std::max({peak, std::abs(int(block[i])), std::abs(int(block[i + 1]))});
        }
    playerFree();
    const double peakDb = 20 * std::log10(peak / 32768.0), rmsDb = 10 * std::log10((mid + side) / (4.0 * frames) / (32768.0 * 32768.0));
    const double widthDb = 10 * std::log10(side / mid);
    EXPECT_LE(peakDb, -1.0);
    EXPECT_TRUE(rmsDb >= -18 && rmsDb <= -10) << rmsDb;
    EXPECT_TRUE(widthDb >= -12 && widthDb <= -4) << widthDb;
}
