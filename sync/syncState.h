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
// Every field is a std::atomic used with relaxed order: each value stands on
// its own (no field is published "with" another), so nothing stronger is needed
// and the main thread's per-particle reads stay plain loads.
#pragma once

#include <atomic>
#include <cstdint>

constexpr int instrumentHitCount = 20;

// The demo's last position: the frame that sees it finishes the demo, and the schedule
// registers a sync there so that the frame does see it.
constexpr int32_t demoEndOrder = 17;
constexpr int32_t demoEndRow = 16;

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

