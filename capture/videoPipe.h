// Video through Debian's ffmpeg: raw RGB24 frames are piped to an encoder while the capture
// runs (H.264 into a video-only file), and once the WAV is complete a second, copying pass
// muxes the two into the final file with the exact sound as FLAC (and, for uploading, into an
// MP4 with AAC sound). ffmpeg's own messages go to a log file, read only when it fails: the
// reasons below are one line, "No space left on device" when that is what stopped it.
//
// Globals owned here (capture thread only): the encoder's process id, the pipe to it and its log.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "capture/captureOptions.h"

// True when an executable "ffmpeg" ("ffmpeg.exe" on Windows) is on PATH.
bool ffmpegAvailable();

// Starts the encoder writing `videoOnlyPath` at the options' size, rate, CRF and preset, its
// messages appended to `logPath`; the pipe to write frames into, or null with the reason.
FILE* openVideoPipe(const std::string& videoOnlyPath, const std::string& logPath, const CaptureOptions& options,
                    std::string& error);

// Closes the pipe and waits for the encoder; false with the reason when it did not succeed.
// With `stop` the encoder is stopped instead, its file unfinished, and nothing is reported.
bool closeVideoPipe(bool stop, std::string& error);

// Whether ffmpeg's log says more about the failure `why` (a reason given above) than `why`
// itself: not when the disk was full.
bool ffmpegLogExplains(const std::string& why);

// Second pass: the video stream of `video` copied (of each file in turn when `videoIsList`: an
// ffmpeg concat list), with the WAV as FLAC into `outputPath`, or as AAC when it ends in ".mp4".
bool muxVideo(const std::string& video, bool videoIsList, const std::string& wavPath, const std::string& outputPath,
              const std::string& logPath, std::string& error);
