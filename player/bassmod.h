// Our module player: the small set of calls the demo makes to play one XM module and
// be called back at song positions, note-ons and the song's end. Decoding is libxmp's,
// output is SDL audio (stereo, signed 16-bit; SDL_AUDIODRIVER chooses the driver).
//
// How it works: BASSMOD_MusicLoad plays the whole module once in a second libxmp context
// (a dry run) and keeps the sample-stamped event timeline (player/timeline.h), ending at the
// first tick on which the song would repeat. Playback renders the same module tick by tick in
// the audio callback and plays silence after the end. A sync thread of the player walks the
// timeline and calls each sync once its sample is heard (player/heardClock.h: a playback
// origin taken from the recent hand-overs to SDL, never past what has been handed, plus one
// device buffer of latency), waking when the next event is due.
//
// All calls are made from the main thread. Sync callbacks run on the player's sync thread
// (offline capture delivers them on its own thread instead, player/offline.h), so they may
// only touch std::atomic state.
//
// Every failure writes one line to stderr naming its cause; nothing else is reported.
#pragma once

#include <cstdint>

using BOOL = int;
using DWORD = uint32_t;
using HSYNC = uint32_t;

#ifndef CALLBACK
#define CALLBACK
#endif

using SYNCPROC = void CALLBACK(HSYNC handle, DWORD data, DWORD user);

// Sync types for BASSMOD_MusicSetSync.
constexpr DWORD BASS_SYNC_POS = 0;      // param: order (low 16) / row (high 16), 0xFFFF = any; data: order (low) / row (high)
constexpr DWORD BASS_SYNC_INS = 1;      // param: instrument (low 16, 1 = first) / note (high 16, 0xFFFF = any); data: note (low, 0 = C-0) / volume (high)
constexpr DWORD BASS_SYNC_END = 2;      // param: 0; data: 0

// Load flags the demo passes; see BASSMOD_MusicLoad.
constexpr DWORD BASS_MUSIC_RAMPS = 0x0002;     // sensitive volume ramping
constexpr DWORD BASS_MUSIC_SURROUND = 0x0200;  // surround mixing

// device -1 is the default output device (1 and up: SDL's output devices in its order).
// Fails (0) when no audio device can be opened or the rate is outside 8,000..192,000 Hz.
BOOL BASSMOD_Init(int device, DWORD freq, DWORD flags);

// mem false: `file` is a path, offset and length 0 mean the whole file; mem true: `file` points
// at `length` bytes. Fails (0) for a missing, unreadable, empty, truncated or corrupt module.
// Does not need BASSMOD_Init (the module is decoded at the rate last initialised, 44,100 Hz by
// default). The flags change nothing: libxmp always ramps volume changes (what
// BASS_MUSIC_RAMPS asks for) and has no surround mode, and the song is always played once.
BOOL BASSMOD_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);

// Registers a sync before playback starts; returns its handle, 0 when refused (no module,
// already playing, unknown type, null callback, table full).
HSYNC BASSMOD_MusicSetSync(DWORD type, DWORD param, SYNCPROC* proc, DWORD user);

// Starts playback of the loaded module from its beginning. Fails (0) without an initialised
// output or a loaded module (whose failure has already been reported).
BOOL BASSMOD_MusicPlay();

// Stops playback, closes the device and forgets the module and its syncs. Safe to call at any point.
void BASSMOD_Free();
