// The capture's sound: one 16-bit stereo PCM WAV file at the mix rate, written as the frames go.
//
// Globals owned here (capture thread only): the open file and the count of frames written.
// The header's sizes are filled in by closeWav; a file that was never closed says 0 frames.
#pragma once

#include <cstdint>
#include <string>

// False with the reason when the file cannot be created.
bool openWav(const std::string& path, std::string& reason);

// Appends `frames` stereo frames (2 samples each). False with the reason when the write fails.
bool appendWav(const int16_t* stereo, uint32_t frames, std::string& reason);

// Writes the final sizes and closes. False with the reason when that fails; safe when nothing
// is open.
bool closeWav(std::string& reason);
