// Where the player's sound goes, shared by the device output (player.cpp) and the offline one
// (offline.cpp).
//
// Globals owned by player.cpp, main thread only: playerOutput (set by the open calls, none again
// after playerFree), playerRate (the rate last opened; modules are decoded at it) and
// playerPlaying (set by playerPlay, cleared when playback stops).
#pragma once

#include <string>

enum class PlayerOutput { none, device, offline };

extern PlayerOutput playerOutput;
extern int playerRate;
extern bool playerPlaying;

// One stderr line naming a failure's cause, or the flaw of a module that plays all the same.
void reportPlayerFailure(const std::string& cause);

// Frees whatever the player had, then takes `rate`; false (reported) outside 8,000..192,000 Hz.
bool resetPlayer(int rate);
