// The capture's sound: one 16-bit stereo 44,100 Hz PCM WAV file, written as the frames go.
//
// Globals owned here (capture thread only): the open file and the count of frames written.
// The header's sizes are filled in by closeWav; a file that was never closed says 0 frames.
#pragma once

#include <cstdint>
#include <string>

// False with errno set when the file cannot be created.
bool openWav(const std::string& path);

// Appends `frames` stereo frames (2 samples each). False when the write fails.
bool appendWav(const int16_t* stereo, uint32_t frames);

// Writes the final sizes and closes. False when that fails; safe when nothing is open.
bool closeWav();
