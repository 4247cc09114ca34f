// Getting a module's bytes into memory, with the checks libxmp does not make: a file that
// cannot be opened or read, an empty one, and an XM file cut short (libxmp would play what is
// there and pad the rest with silence).
//
// No globals. Main thread (loading a module).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `offset` is where the module starts, length 0 means to the end of the file. On failure `bytes`
// is untouched and `error` names the cause in one line.
bool readModuleFile(const char* path, uint32_t offset, uint32_t length, std::vector<uint8_t>& bytes, std::string& error);

// False, with the cause in `error`, for an XM file shorter than its headers say. `path` names
// the module in the message (null: a module in memory).
bool wholeModule(const uint8_t* bytes, std::size_t size, const char* path, std::string& error);

// How messages name a module: its path in quotes, or "in memory" for null.
std::string moduleName(const char* path);

// For an FT2-layout XM file (version 0x0104): the size its headers add up to, which a whole
// file reaches; 0 for anything else (other formats and older XM layouts are left to libxmp).
uint64_t xmDeclaredSize(const uint8_t* bytes, std::size_t size);
