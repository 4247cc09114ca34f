// Starting and stopping the music, and the 27 sync points that are the demo's script.
// Main thread only; the syncs then write syncState from the player's context.
#pragma once

#include "player/bassmod.h"

struct SyncPoint {
    DWORD type;
    DWORD param;
    SYNCPROC* callback;
};

constexpr int syncPointCount = 27;
extern const SyncPoint syncSchedule[syncPointCount];

constexpr const char* musicFileName = "Data/sonavel3.xm";

// Initialises the player, loads the module, registers all 27 syncs (whatever happened
// before) and starts playback. True only if all of init, load and play succeeded.
bool startMusic();

// Frees the player; also after a failed start.
void stopMusic();
