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

// Frees whatever the player had, then takes `rate`; false with the reason outside 8,000..192,000 Hz.
bool resetPlayer(int rate, std::string& reason);
