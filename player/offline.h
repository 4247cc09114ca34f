// The player with no audio device: the caller pulls the mix and has syncs delivered on its own
// thread. Used by the offline capture and by tests.
//
// The module, its syncs and playback are set up with the ordinary calls of player/player.h; only
// the output and the delivery of syncs differ. No globals of its own (player/output.h).
#pragma once

#include <cstdint>
#include <string>

// Instead of playerOpenDevice; playerFree ends it. False with the reason for a rate outside 8,000..192,000 Hz.
bool playerOpenOffline(int rate, std::string& reason);

// The next `frames` stereo frames of the exact mix, as the device would get them (silence before
// playerPlay and after the end); returns the frames written, 0 without an offline output.
uint32_t offlineRender(int16_t* stereo, uint32_t frames);

// On the calling thread, in timeline order: every registered sync whose event sample is below
// `beforeSample` and that has not fired yet. Nothing before playerPlay.
void offlineDeliverSyncs(uint64_t beforeSample);

// The sample stamp of the loaded module's end event; 0 when none is loaded.
uint64_t offlineEndSample();
