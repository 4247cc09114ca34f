#include "sync/syncState.h"

#include "sync/callbacks.h"

SyncState syncState;

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

int32_t low16(DWORD data) { return static_cast<int32_t>(data & 0xFFFFu); }
int32_t high16(DWORD data) { return static_cast<int32_t>(data >> 16); }

// Release: publishes the note stored just before (instruments 18 and 19) with the hit.
void raiseHit(int instrument) { syncState.instrumentHit[instrument].store(1, std::memory_order_release); }

}  // namespace

void resetSyncState()
{
    syncState.order.store(-1, relaxed);
    syncState.row.store(-1, relaxed);
    clearHits();
    syncState.lastNote18.store(0, relaxed);
    syncState.lastNote19.store(0, relaxed);
    syncState.finished.store(0, relaxed);
}

void clearHits()
{
    for (auto& hit : syncState.instrumentHit) hit.store(0, relaxed);
}

void CALLBACK orderSync(HSYNC, DWORD data, DWORD)
{
    // Storing an unchanged order is harmless, but skipping it keeps the cache line quiet
    // for the renderer, which reads `order` once per particle.
    const int32_t order = low16(data);
    if (syncState.order.load(relaxed) != order) syncState.order.store(order, relaxed);
}

void CALLBACK orderRowSync(HSYNC, DWORD data, DWORD)
{
    syncState.order.store(low16(data), relaxed);
    syncState.row.store(high16(data), relaxed);
}

void CALLBACK instrument1Sync(HSYNC, DWORD, DWORD) { raiseHit(kickInstrument); }
void CALLBACK instrument2Sync(HSYNC, DWORD, DWORD) { raiseHit(snareInstrument); }
void CALLBACK instrument3Sync(HSYNC, DWORD, DWORD) { raiseHit(hatInstrument); }

void CALLBACK instrument18Sync(HSYNC, DWORD data, DWORD)
{
    syncState.lastNote18.store(low16(data), relaxed);
    raiseHit(bassInstrument);
}

void CALLBACK instrument19Sync(HSYNC, DWORD data, DWORD)
{
    syncState.lastNote19.store(low16(data), relaxed);
    raiseHit(arpInstrument);
}

void CALLBACK endSync(HSYNC, DWORD, DWORD) { syncState.finished.store(1, relaxed); }
