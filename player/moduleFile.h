// Getting a module's bytes into memory, with the checks libxmp does not make: a file that
// cannot be opened or read, an empty one, an XM file whose headers count or measure what no
// tracker writes; and, for an XM file that is cut short, where it ends. Such a file plays as
// libxmp plays it, which reads what is there and takes the rest as empty where it can (a cut
// inside sample data, the start of an instrument's header, a header of an instrument without
// samples), and refuses it elsewhere.
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

// False, with the cause in `error`, for a module larger than maxModuleBytes or an XM file whose
// headers count more than any tracker writes or whose pattern header runs past the file. True
// otherwise; `notice` then is empty, or, for an XM file cut short, one line saying how many bytes
// are missing and inside which part, with `error` saying why should libxmp refuse it all the
// same. `path` names the module in the messages (null: a module in memory).
bool wholeModule(const uint8_t* bytes, std::size_t size, const char* path, std::string& error, std::string& notice);

// How messages name a module: its path in quotes, or "in memory" for null.
std::string moduleName(const char* path);
