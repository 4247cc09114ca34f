// A capture split into parts: every frame is a pure function of the song's position, so the
// stretch can be cut into runs of frames captured apart (--part K/N, here or on other
// machines) and joined into what one run would have written (--join). --jobs does both on
// this machine: its parts run as child processes of the program, each with its share of the
// cores, and are joined when all have succeeded.
//
// Globals owned here: a buffer that sound is copied through while joining (main thread only).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/captureOptions.h"

// Joins the part folders, in order, into `outputDir` (as openOutputFolder allows): the frame
// logs' rows and the WAVs' sound one after the other, the videos' streams joined without
// re-encoding (into video.mkv with FLAC sound, and video.mp4 when `mp4`) or the PNG frames
// copied. The exit status; on failure one line says why and nothing joined is left.
int joinParts(const std::vector<std::string>& parts, const std::string& outputDir, bool mp4, bool overwrite);

// Runs a few parts per job of the capture, options.jobs at once, as processes of `program` in
// folders of their own (part-K-of-N) in the output folder, and joins them there. The first part
// that fails, or a stop request, stops them all; the failed part is named with the end of its
// log and its folder kept, and nothing else is. The exit status.
int runJobs(const CaptureOptions& options, const std::string& program);
