// Our module player: plays one XM module (any format libxmp reads) and calls back at song
// positions, note-ons and the song's end. Decoding is libxmp's, output is SDL audio (stereo,
// signed 16-bit; SDL_AUDIODRIVER chooses the driver) or, with player/offline.h, the caller.
//
// How it works: loading plays the whole module once in a second libxmp context (a dry run) and
// keeps the sample-stamped event timeline (player/timeline.h), ending at the first tick on which
// the song would repeat. Playback renders the same module tick by tick in the audio callback and
// plays silence after the end. A sync thread of the player walks the timeline and calls each sync
// once its sample is heard (player/heardClock.h: a playback origin taken from the recent
// hand-overs to SDL, never past what has been handed, plus one device buffer of latency), waking
// when the next event is due.
//
// All calls are made from the main thread. Sync callbacks run on the player's sync thread
// (offline, on the caller's thread), so they may only touch std::atomic state.
//
// Every call that can fail returns false with a one-line cause for its caller to tell the user;
// the player itself prints nothing.
// Globals owned by player.cpp: the output (playerOutput, playerRate, playerPlaying in
// player/output.h, the SDL device) and whether a module is loaded, written by the calls here
// on the main thread; the playback clock's zero and the count of buffers handed to SDL, written
// by playerPlay and by the audio callback; the sync thread and its stop flag, started and
// stopped by playerPlay and playerFree. The mix (player/mix.h), the timeline and the syncs
// (player/timeline.h, player/syncs.h) keep their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/demoScript.h"

// What a sync waits for, and what its `param` and the callback's `data` hold.
enum class SyncType : uint32_t {
    position = 0,    // param: order (low 16) / row (high 16), 0xFFFF = any; data: order (low) / row (high)
    instrument = 1,  // param: instrument (low 16, 1 = first) / note (high 16, 0xFFFF = any); data: note (low, 0 = C-0) / volume (high)
    end = 2,         // param: 0; data: 0
};

// Called with the sync's handle, the event's data and the user value given at registration.
using SyncCallback = void (*)(uint32_t sync, uint32_t data, uint32_t user);

// device 0 is the default output device, 1 and up SDL's output devices in its order. False when
// no audio device can be opened or the rate is outside 8,000..192,000 Hz.
bool playerOpenDevice(int device, int rate, std::string& reason);

// The default device's stand-in where none opens: SDL's dummy output, which takes the mix at the
// pace a device would and plays it nowhere, so that the syncs keep to the music's clock. False
// with the reason as for playerOpenDevice.
bool playerOpenSilent(int rate, std::string& reason);

// The module starts `offset` bytes into the file; length 0 means to the end of the file. False
// for a missing, unreadable, empty, truncated or corrupt module. Needs no open output (the module
// is decoded at the rate last opened, 44,100 Hz by default). On success `reason` holds the flaw
// of a module that plays all the same (a file cut inside its last sample), else is empty.
bool playerLoadFile(const char* path, uint32_t offset, uint32_t length, std::string& reason);
bool playerLoadMemory(const void* bytes, std::size_t length, std::string& reason);

// Registers a sync before playback starts; returns its handle, 0 when refused (no module,
// already playing, unknown type, no callback, table full).
uint32_t playerSetSync(SyncType type, uint32_t param, SyncCallback callback, uint32_t user);

// Starts playback of the loaded module from its beginning. False without an open output or a
// loaded module, whose calls have already said why.
bool playerPlay();

// Stops playback, closes the output and forgets the module and its syncs. Safe at any point.
void playerFree();

// Where there are no threads (a web page): delivers the syncs heard by now, as the sync thread
// does, on the caller's thread; called before every frame. Nothing while not playing a device.
void playerDeliverHeardSyncs();
