// Starting and stopping the music: the player started with the sync points that are the demo's
// script registered. Main thread only; the syncs then write syncState from the thread
// that delivers them.
//
// Globals owned by music.cpp: the schedule (constant) and the observer of startMusicOffline
// (written by it before playback starts, read by the syncs).
#pragma once

#include <cstdint>
#include <string>

// The points of the demo's script, counted in sync/music.cpp's schedule.
constexpr int syncPointCount = 27;

// Initialises the player, loads the module, registers every sync point (whatever happened
// before) and starts playback. Where no sound device opens, `playWithoutSound` is asked once,
// with the cause; a yes plays on a silent output that keeps the music's clock. True only if all
// of init, load and play succeeded; `reason` then holds what to tell the user: the causes of
// what failed, or a flaw of a module that plays.
bool startMusic(std::string& reason, bool (*playWithoutSound)(const std::string& cause));

// Frees the player; also after a failed start.
void stopMusic();

// Told of every sync point that fires, before its callback: its number in the schedule
// (1..syncPointCount) and the data it carries.
using SyncObserver = void (*)(int point, uint32_t data);

// startMusic on the player's offline output at `rate` (player/offline.h: the caller renders the
// mix and delivers the syncs); `observer` may be null.
bool startMusicOffline(int rate, SyncObserver observer, std::string& reason);
