// The registered syncs and their delivery along the timeline.
//
// Globals owned here: the sync table (written by addSync and clearSyncs on the main thread,
// only while not playing) and the delivery cursor (moved by deliverSyncsBefore on the one thread
// that delivers: the player's sync thread, or the offline caller; reset by clearSyncs).
#pragma once

#include <cstdint>

#include "player/player.h"

constexpr int maxSyncs = 128;

// The handle, counting from 1; 0 when the table is full, the type is unknown or there is no callback.
uint32_t addSync(SyncType type, uint32_t param, SyncCallback callback, uint32_t user);

// Calls every sync whose timeline event has sample < `beforeSample` and has not been delivered
// yet, in timeline order and, for one event, in registration order.
void deliverSyncsBefore(uint64_t beforeSample);

// True once every timeline event has been delivered.
bool allSyncsDelivered();

// The sample of the next event to deliver; UINT64_MAX when all are delivered.
uint64_t nextSyncSample();

// Forgets all syncs and rewinds the cursor.
void clearSyncs();

