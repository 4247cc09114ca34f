// Getting a module's bytes into memory, with the checks libxmp does not make: a file that
// cannot be opened or read, an empty one, and an XM file cut short (libxmp would play what is
// there and pad the rest with silence).
//
// No globals. Main thread (loading a module).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Larger than any module a demo plays, small enough that a stray huge file is refused before it is read whole.
constexpr std::size_t maxModuleBytes = std::size_t{64} << 20;

// `offset` is where the module starts, length 0 means to the end of the file. On failure `bytes`
// is untouched and `error` names the cause in one line.
bool readModuleFile(const char* path, uint32_t offset, uint32_t length, std::vector<uint8_t>& bytes, std::string& error);

// False, with the cause in `error`, for a module larger than maxModuleBytes, an XM file shorter
// than its headers say, or one whose headers count more than any tracker writes. `path` names
// the module in the message (null: a module in memory).
bool wholeModule(const uint8_t* bytes, std::size_t size, const char* path, std::string& error);

// How messages name a module: its path in quotes, or "in memory" for null.
std::string moduleName(const char* path);
