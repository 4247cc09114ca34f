// Our module player: the small set of calls the demo makes to play one XM module and
// be called back at song positions, note-ons and the song's end. Decoding is libxmp's,
// output is SDL audio (44,100 Hz, stereo, signed 16-bit).
//
// All calls are made from the main thread. Sync callbacks run on the audio thread
// while playing (offline capture delivers them on its own thread instead), so they may
// only touch std::atomic state.
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
constexpr DWORD BASS_SYNC_POS = 0;      // param: order (low 16) / row (high 16), 0xFFFF = any
constexpr DWORD BASS_SYNC_INS = 1;      // param: instrument (low 16, 1 = first) / note (high 16, 0xFFFF = any)
constexpr DWORD BASS_SYNC_END = 2;      // param: 0

// Load flags the demo passes; see BASSMOD_MusicLoad.
constexpr DWORD BASS_MUSIC_RAMPS = 0x0002;     // sensitive volume ramping
constexpr DWORD BASS_MUSIC_SURROUND = 0x0200;  // surround mixing

// device -1 is the default output device. Fails (0) when no audio device can be opened.
BOOL BASSMOD_Init(int device, DWORD freq, DWORD flags);

// mem false: `file` is a path, offset and length 0 mean the whole file. Fails (0) for a missing,
// unreadable or corrupt module.
BOOL BASSMOD_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);

// Registers a sync before playback starts; returns its handle, 0 when refused.
HSYNC BASSMOD_MusicSetSync(DWORD type, DWORD param, SYNCPROC* proc, DWORD user);

// Starts playback of the loaded module from its beginning.
BOOL BASSMOD_MusicPlay();

// Stops playback, closes the device and forgets the module and its syncs. Safe to call at any point.
void BASSMOD_Free();
