// The few operating-system calls the programs make outside the window and the sound (those
// go through SDL): where the running program lies, naming a thread, and starting a helper
// program with a pipe to its input. osPosix.cpp gives them on Linux, osWindows.cpp on Windows.
//
// Globals owned here: none.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

// The running program's own file.
std::filesystem::path ownProgramFile(std::error_code& error);

// Names the calling thread for debuggers and process lists, where the system can.
void nameThisThread(const char* name);

// A started helper program; `noProgram` when none.
using ProgramId = intptr_t;
constexpr ProgramId noProgram = -1;

// True when an executable `name` (".exe" added on Windows) is in a folder on PATH.
bool programOnPath(const char* name);
// Starts args[0] (null-terminated list), found on PATH. With `input` non-null its standard
// input is a pipe whose write end comes back in *input, held by us alone, so that closing
// it ends the helper's input; writing after the helper died fails rather than killing us.
// noProgram with the reason in `error` when it cannot be started.
ProgramId startProgram(const char* const* args, FILE** input, std::string& error);
// Waits for the helper to end: true with its exit status (128 + signal when killed), or
// false with the reason.
bool waitProgram(ProgramId program, int& exitStatus, std::string& error);

// Starts the program at `path` with `args` (null-terminated, args[0] its name) as a worker: its
// standard input empty, its standard error into the file `errorLog`. noProgram with the reason
// when it cannot be started.
ProgramId startWorker(const char* path, const char* const* args, const char* errorLog, std::string& error);
// Waits for whichever of `running` (started programs) ends first: true with it and its exit
// status as waitProgram gives it; false when that cannot be waited for.
bool waitAnyProgram(const std::vector<ProgramId>& running, ProgramId& ended, int& exitStatus);
// Asks a started program to end; waiting for it is still needed.
void stopProgram(ProgramId program);
// Sets `name` in this process's environment, and so in the programs it starts, unless it is set.
void setEnvironmentDefault(const char* name, const char* value);
