// Getting a module's bytes into memory, with the checks libxmp does not make: a file that
// cannot be opened or read, an empty one, and an XM file cut inside its headers or patterns
// (libxmp would play what is there). A file cut inside its last instrument's sample data plays,
// as in FastTracker 2, with the missing tail silent.
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

// False, with the cause in `error`, for a module larger than maxModuleBytes, an XM file that
// ends before the sample data of its last instrument or inside ADPCM data, or one whose headers
// count more than any tracker writes. True otherwise; `notice` then is empty, or one line saying
// by how much the file is short of its sample data. `path` names the module in the messages
// (null: a module in memory).
bool wholeModule(const uint8_t* bytes, std::size_t size, const char* path, std::string& error, std::string& notice);

// How messages name a module: its path in quotes, or "in memory" for null.
std::string moduleName(const char* path);
