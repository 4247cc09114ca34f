// Getting a module's bytes into memory, with the checks libxmp does not make: a file that
// cannot be opened or read, an empty one, and an XM file cut short (libxmp would play what is
// there and pad the rest with silence).
//
// No globals. Main thread (BASSMOD_MusicLoad).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// mem false: `file` is a path; offset is where the module starts, length 0 means to the end of
// the file. mem true: `file` points at `length` bytes (offset added). On failure `bytes` is
// untouched and `error` names the cause in one line.
bool readModuleBytes(bool mem, const void* file, uint32_t offset, uint32_t length, std::vector<uint8_t>& bytes,
                     std::string& error);

// For an FT2-layout XM file (version 0x0104): the size its headers add up to, which a whole
// file reaches; 0 for anything else (other formats and older XM layouts are left to libxmp).
uint64_t xmDeclaredSize(const uint8_t* bytes, std::size_t size);
