// The one place where the music reaches the picture.
//
// Globals owned here:
//   syncState  written by the sync callbacks (sync/callbacks.h; the player thread, or whichever
//              thread the player delivers syncs on) and by the scene:
//              renderFrame sets `finished` at the demo's last position and
//              clearHits() runs at the end of every frame and of initScene.
//              Read by the scene (order, row, hits, notes) and the frame loop
//              (finished).
//
// Every field is a std::atomic. Order, row and the finished flag each stand on
// their own and use relaxed order. A hit is the one value published with
// others: the note callbacks (18 and 19) store their note and then raise the hit
// with release order, and hitRaised tests it with acquire order, so a frame that
// sees the hit sees that note (or a later one), on weakly ordered CPUs too. On
// x86 both are still plain stores and loads.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/demoScript.h"

constexpr int instrumentHitCount = 20;

struct SyncState {
    std::atomic<int32_t> order{-1};
    std::atomic<int32_t> row{-1};
    std::atomic<uint8_t> instrumentHit[instrumentHitCount] = {};
    std::atomic<int32_t> lastNote18{0};
    std::atomic<int32_t> lastNote19{0};
    std::atomic<uint8_t> finished{0};
};

extern SyncState syncState;

// Back to the values of program start; for tests that run several "programs" in one process.
void resetSyncState();

// All 20 hit flags to 0.
void clearHits();

// Whether `instrument`'s hit is raised; what its callback stored before raising it is then
// visible to the caller (acquire).
inline bool hitRaised(int instrument) { return syncState.instrumentHit[instrument].load(std::memory_order_acquire) != 0; }

