// The player with no audio device: the caller pulls the mix and has syncs delivered on its own thread.
//
// Used by the offline capture and by tests. The module, its syncs and playback are set up with the
// ordinary calls of player/bassmod.h; only the device and the delivery of syncs differ.
#pragma once

#include <cstdint>

#include "player/bassmod.h"

BOOL offlineInit(DWORD freq);                       // instead of BASSMOD_Init; then BASSMOD_MusicLoad/SetSync/MusicPlay as usual; BASSMOD_Free ends it
DWORD offlineRender(int16_t* stereo, DWORD frames);  // the next `frames` stereo frames of the exact mix, as the device would get them (silence after the end); returns frames written
void offlineDeliverSyncs(uint64_t beforeSample);     // on the calling thread, in timeline order: every registered sync whose event sample < beforeSample and that hasn't fired yet
uint64_t offlineEndSample();                        // sample stamp of the end event
