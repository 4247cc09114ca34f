// The callbacks store what their data words say, zero-extended (which instrument raises which hit
// shows in the schedule's frame loop, musicTest); and they run on the player's thread while the
// renderer reads and clears on the main thread (race-free under ThreadSanitizer, and never torn or
// lost in ways the renderer would notice in any build); a hit carries what its callback stored
// before it, its note included.
#include "sync/callbacks.h"
#include "sync/syncState.h"

#include <gtest/gtest.h>

#include <thread>

TEST(SyncState, EachCallbackStoresItsHalvesZeroExtendedAndRaisesOnlyItsOwnHit)
{
    const std::tuple<SYNCPROC*, DWORD, const char*> cases[] = {  // callback, data, state: order row note18 note19 finished | hits
        {orderSync, 0xFFFF0003u, "3 -1 0 0 0 |"},  // never writes the row
        {orderRowSync, 0x8001FFFFu, "65535 32769 0 0 0 |"},
        {instrument18Sync, 0xFFFF805Fu, "-1 -1 32863 0 0 | 18"},  // the volume half is not the note
        {instrument19Sync, 0xFFFF800Eu, "-1 -1 0 32782 0 | 19"},
        {endSync, 0xFFFFFFFFu, "-1 -1 0 0 1 |"},
    };
    for (const auto& [callback, data, expected] : cases) {
        resetSyncState();
        callback(7, data, 9);
        std::string state;
        for (int value : {syncState.order.load(), syncState.row.load(), syncState.lastNote18.load(), syncState.lastNote19.load(), int(syncState.finished)})
            state += std::to_string(value) + " ";
        state += "|";
        for (int i = 0; i < instrumentHitCount; ++i) state += syncState.instrumentHit[i] ? " " + std::to_string(i) : "";
        EXPECT_EQ(state, expected) << std::hex << data;
    }
}

TEST(SyncState, CallbacksFromAnotherThreadWhileTheRendererReadsAndClears)
{
    resetSyncState();
    std::atomic<int> frames{0};
    DWORD last = 0;
    std::thread player([&] {
        for (DWORD i = 0; i < 20000 || frames.load() < 100; last = i++) {
            orderSync(0, i % 18, 0);
            orderRowSync(0, (i % 64) << 16 | i % 18, 0);
            for (SYNCPROC* hit : {instrument1Sync, instrument2Sync, instrument3Sync, instrument18Sync, instrument19Sync}) hit(0, 0x00400000u | i % 96, 0);
        }
        endSync(0, 0, 0);
    });
    for (; !syncState.finished.load(); ++frames) {  // what a frame does: read what the scene reads, then clear the hits
        ASSERT_LT(uint32_t(syncState.order.load(std::memory_order_relaxed) + 1), 19u);
        ASSERT_LT(uint32_t(syncState.row.load(std::memory_order_relaxed) + 1), 65u);
        ASSERT_LT(syncState.lastNote18.load(std::memory_order_relaxed) | syncState.lastNote19.load(std::memory_order_relaxed), 128);
        for (auto& hit : syncState.instrumentHit) ASSERT_LE(hit.load(std::memory_order_relaxed), 1);
        clearHits();
    }
    player.join();
    EXPECT_EQ(std::vector<int>({syncState.order, syncState.row, syncState.lastNote18}), std::vector<int>({int(last % 18), int(last % 64), int(last % 96)}));
}

// Whatever the player's thread wrote before a note callback, the note among it, is visible once
// the hit is: ThreadSanitizer reports the plain write and read as a race unless raising the hit
// publishes them and testing it acquires them.
TEST(SyncState, AHitCarriesItsNoteToTheFrameThatSeesIt)
{
    for (const auto& [callback, instrument, note] : {std::tuple{&instrument18Sync, 18, &syncState.lastNote18}, {&instrument19Sync, 19, &syncState.lastNote19}}) {
        resetSyncState();
        int written = 0;  // plain memory, as the mix's own state is
        std::thread player([&, callback = callback] { written = 42, callback(0, 0x00400000u | 57, 0); });
        while (!hitRaised(instrument)) std::this_thread::yield();
        EXPECT_EQ(std::pair(written, note->load(std::memory_order_relaxed)), std::pair(42, 57));
        player.join();
    }
}
