// The output folder: nothing in it looks complete unless it is. A capture (or a join) writes
// every file into capture.partial/ inside it and moves them into place only once all of them
// are whole; a capture that fails or is stopped leaves none of them. An earlier capture's
// files there are refused unless the user asked to overwrite them, and are then replaced all
// together, so that old and new are never mixed.
//
// Globals owned here (main thread only): the open output folder, set by openOutputFolder and
// cleared by commitOutputFolder or abandonOutputFolder.
#pragma once

#include <string>
#include <vector>

// The folder inside the output folder where the files are written until they are whole.
constexpr const char* partialFolderName = "capture.partial";

// Makes `dir` (and its partial folder) ready. With files of an earlier capture in it and no
// `overwrite`, refuses: exitEarlierCapture and one line naming them; 1 when it cannot be made.
int openOutputFolder(const std::string& dir, bool overwrite);

// Where the file called `name` is written until the capture is whole, and where it then lies
// (the name messages give).
std::string pendingFile(const std::string& name);
std::string finalFile(const std::string& name);

// Replaces the earlier capture's files (all but the folders in `keep`) with the files written
// into the partial folder, and removes that folder. `written` gets what was put in place, for
// the summary ("21 frame PNGs, audio.wav and frames.log"). False with one line on stderr.
bool commitOutputFolder(std::string& written, const std::vector<std::string>& keep = {});

// Removes the partial folder, moving only the entries named in `kept` (a log that explains a
// failure, a failed part's folder) into the output folder.
void abandonOutputFolder(const std::vector<std::string>& kept = {});

// After a stop request: the partial folder removed and one line, "stopped by SIGINT `progress`:
// nothing of it is kept"; the exit status that tells which request it was.
int abandonStopped(const std::string& progress);

// "1 frame", "2 frames".
std::string counted(unsigned long long count, const char* thing);
