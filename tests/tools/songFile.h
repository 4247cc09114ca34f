// The generated song, played offline by libxmp: every row start to the sample, every note
// of the pattern data by order, and the mix itself, for the song and demo-run tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

const std::string generatedData = STROBARIUM_BINARY_DIR "/Data";
const std::string generatedSong = generatedData + "/sonavel3.xm";

struct RowStart {
    int order, row;
    uint64_t sample;  // first stereo frame of the row, at 44,100 Hz
};

struct NoteOn {
    int order, row, channel;
    int instrument;  // 1-based
    int note;        // XM numbering: 1 = C-0
    int volume;      // volume column as libxmp reports it, 0 = none
};

struct SongPlay {
    bool loaded = false;
    int instruments = 0;
    int orders = 0;
    int speed = 0, bpm = 0;
    std::vector<RowStart> rows;  // in playing order, up to the first repeated row
    uint64_t endSample = 0;      // where the song would start to repeat
    std::vector<NoteOn> notes;   // pattern data of every order, in order and row order
    double peakDb = 0, rmsDb = 0;  // of the whole mix, dBFS
};

// Loads and plays `path` once through libxmp at 44,100 Hz, as the demo's player does.
SongPlay playSong(const std::string& path);
