// The callbacks run on the player's thread while the renderer reads and clears on the main
// thread. Under ThreadSanitizer this test proves the shared state is race-free; in any build
// it checks that concurrent writes are never torn or lost in ways the renderer would notice.
#include "sync/syncState.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr int rounds = 20000;

TEST(SyncThreadsTest, CallbacksFromAnotherThreadWhileTheRendererReadsAndClears)
{
    resetSyncState();
    std::atomic<bool> done{false};

    std::thread player([&] {
        for (int i = 0; i < rounds; ++i) {
            const DWORD order = static_cast<DWORD>(i % 18);
            const DWORD row = static_cast<DWORD>(i % 64);
            orderSync(0, order, 0);
            orderRowSync(0, (row << 16) | order, 0);
            instrument1Sync(0, 0, 0);
            instrument2Sync(0, 0, 0);
            instrument3Sync(0, 0, 0);
            instrument18Sync(0, 0x00400000u | static_cast<DWORD>(i % 96), 0);
            instrument19Sync(0, 0x00400000u | static_cast<DWORD>((i + 7) % 96), 0);
        }
        endSync(0, 0, 0);
        done.store(true);
    });

    // What a frame does: read everything the scene reads, then clear the hits.
    long frames = 0;
    while (!done.load()) {
        const int32_t order = syncState.order.load(std::memory_order_relaxed);
        const int32_t row = syncState.row.load(std::memory_order_relaxed);
        const int32_t note18 = syncState.lastNote18.load(std::memory_order_relaxed);
        const int32_t note19 = syncState.lastNote19.load(std::memory_order_relaxed);
        ASSERT_GE(order, -1);
        ASSERT_LT(order, 18);
        ASSERT_GE(row, -1);
        ASSERT_LT(row, 64);
        ASSERT_GE(note18, 0);
        ASSERT_LT(note18, 96) << "a note must never carry the volume half";
        ASSERT_LT(note19, 96);
        for (auto& hit : syncState.instrumentHit) ASSERT_LE(hit.load(std::memory_order_relaxed), 1);
        clearHits();
        ++frames;
    }
    player.join();

    EXPECT_GT(frames, 0);
    EXPECT_EQ(syncState.finished.load(), 1);
    EXPECT_EQ(syncState.order.load(), (rounds - 1) % 18);
    EXPECT_EQ(syncState.row.load(), (rounds - 1) % 64);
    EXPECT_EQ(syncState.lastNote18.load(), (rounds - 1) % 96);
}

}  // namespace
