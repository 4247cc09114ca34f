// The music library's calls as the demo's schedule makes them, with that library's names, types,
// callback shape and flags: a thin layer over our player (player/player.h). Used inside sync/
// only; the rest of the program never sees these names. Where that library kept an error code
// for later asking, the calls that can fail hand their reason back as the player's do.
//
// No globals of its own. Main thread only; syncs are called as player/player.h says.
#pragma once

#include <cstdint>
#include <string>

using BOOL = int;
using DWORD = uint32_t;
using HSYNC = uint32_t;

#ifndef CALLBACK
#define CALLBACK
#endif

using SYNCPROC = void CALLBACK(HSYNC handle, DWORD data, DWORD user);

// Sync types for BASSMOD_MusicSetSync (param and data as for the player's SyncType).
constexpr DWORD BASS_SYNC_POS = 0;
constexpr DWORD BASS_SYNC_INS = 1;
constexpr DWORD BASS_SYNC_END = 2;

// Load flags the demo passes. They change nothing: libxmp always ramps volume changes (what
// BASS_MUSIC_RAMPS asks for) and has no surround mode, and the song is always played once.
constexpr DWORD BASS_MUSIC_RAMPS = 0x0002;
constexpr DWORD BASS_MUSIC_SURROUND = 0x0200;

// device -1 (or 0) is the default output device, 1 and up SDL's output devices.
BOOL BASSMOD_Init(int device, DWORD freq, DWORD flags, std::string& reason);
// mem false: `file` is a path, offset and length 0 mean the whole file; mem true: `file` points
// at the module, `length` bytes from `offset`. `reason` as for the player's loads.
BOOL BASSMOD_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags, std::string& reason);
HSYNC BASSMOD_MusicSetSync(DWORD type, DWORD param, SYNCPROC* proc, DWORD user);
BOOL BASSMOD_MusicPlay();
void BASSMOD_Free();
