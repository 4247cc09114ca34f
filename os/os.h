// The few operating-system calls the programs make outside the window and the sound (those
// go through SDL): where the running program lies, naming a thread, starting a helper program
// with a pipe to its input, and hearing a request to stop. osPosix.cpp gives them on Linux,
// osWindows.cpp on Windows.
//
// Globals owned here: the stop request (in the .cpp), written only by the system's signal or
// console handler and read by anyone through stopRequested().
#pragma once

#include <csignal>
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
// With `errorLog` non-null its standard error is appended to that file.
// noProgram with the reason in `error` when it cannot be started.
ProgramId startProgram(const char* const* args, FILE** input, const char* errorLog, std::string& error);
// Waits for the helper to end: true with its exit status (128 + signal when killed), or
// false with the reason. A stop request heard while waiting asks the helper to stop
// (stopProgram), so that no wait outlasts the request by more than the helper's own ending.
bool waitProgram(ProgramId program, int& exitStatus, std::string& error);

// Starts the program at `path` with `args` (null-terminated, args[0] its name) as a worker: its
// standard input empty, its standard error into the file `errorLog`. noProgram with the reason
// when it cannot be started.
ProgramId startWorker(const char* path, const char* const* args, const char* errorLog, std::string& error);
// Waits for whichever of `running` (started programs, any number) ends first: true with it and
// its exit status as waitProgram gives it, or at once with `ended` noProgram when a stop request
// is heard; false with the reason when they cannot be waited for.
bool waitAnyProgram(const std::vector<ProgramId>& running, ProgramId& ended, int& exitStatus, std::string& error);
// Asks a started program to end; waiting for it is still needed.
void stopProgram(ProgramId program);
// Sets `name` in this process's environment, and so in the programs it starts, unless it is set.
void setEnvironmentDefault(const char* name, const char* value);

// Signal numbers for the stop requests, the same on every system: a console's Ctrl-C is SIGINT,
// Ctrl-Break and a shutdown SIGTERM, closing the console or logging off SIGHUP.
constexpr int stopByInterrupt = 2, stopByTerminate = 15, stopByHangUp = 1;
// From here on SIGINT, SIGTERM and SIGHUP (on Windows the console's events) are heard instead
// of ending the program: each raises the stop request, which the program's loops then honour.
void watchStopRequests();
// The signal number of the first stop request heard, 0 while there is none.
int stopRequested();
// The exit status that tells the caller which request stopped the program: 128 + signal.
constexpr int stopExitStatus(int signal) { return 128 + signal; }
