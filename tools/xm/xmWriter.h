// Writes XM modules byte for byte the way FastTracker 2 saves them (version 0x0104, header size
// 276, space-padded title, tracker "FastTracker v2.00   ", packed patterns, delta-coded samples),
// so that libxmp and libopenmpt both read them as plain FT2 files with FT2's playback quirks.
// On request it also writes what ModPlug added and players read: 4-bit ADPCM samples and up to
// 32 samples per instrument.
//
// The model is plain data: fill it in, then encode. Nothing here owns globals.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// XM note values of a cell: 1 = C-0 ... 96 = B-7, 97 = key off, 0 = none.
constexpr uint8_t xmNoNote = 0;
constexpr uint8_t xmKeyOff = 97;
// Octave 0..7, semitone 0 (C) ..11 (B) → the cell's note value.
constexpr uint8_t xmNote(int octave, int semitone) { return static_cast<uint8_t>(1 + octave * 12 + semitone); }
// Volume column "set volume" 0..64.
constexpr uint8_t xmVolume(int volume) { return static_cast<uint8_t>(0x10 + volume); }

struct XmCell {
    uint8_t note = 0;        // see xmNote / xmKeyOff
    uint8_t instrument = 0;  // 1-based, 0 = none
    uint8_t volume = 0;      // volume column byte (0 = empty, 0x10..0x50 set volume, 0x60.. effects)
    uint8_t effect = 0;      // effect type 0x0..0x23
    uint8_t param = 0;
};

struct XmPattern {
    // cells[row][channel]; every row has as many cells as the module has channels.
    std::vector<std::vector<XmCell>> cells;
};

// A blank pattern of `rows` rows (1..256) and `channels` channels.
XmPattern blankXmPattern(int rows, int channels);

enum class XmLoop : uint8_t { none = 0, forward = 1, pingPong = 2 };

struct XmSample {
    std::string name;
    bool sixteenBit = false;
    // Plain signed sample values (not deltas): -128..127 for 8-bit, -32768..32767 for 16-bit.
    std::vector<int16_t> data;
    XmLoop loop = XmLoop::none;
    uint32_t loopStart = 0;   // in sample frames
    uint32_t loopLength = 0;  // in sample frames
    uint8_t volume = 64;      // 0..64
    int8_t finetune = 0;      // 1/128 semitone
    uint8_t panning = 128;    // 0..255
    int8_t relativeNote = 0;  // semitones; 0 plays C-4 at 8363 Hz
    // ModPlug's ADPCM: a table of 16 deltas and a nibble per value. Exact, so only for an 8-bit
    // sample whose steps between values take at most 16 different sizes.
    bool adpcm = false;
};

struct XmEnvelopePoint {
    uint16_t tick = 0;
    uint16_t value = 0;  // 0..64
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;            // 0..16 (FT2), up to 32 (ModPlug)
    std::array<uint8_t, 96> noteSample = {};  // sample index played for each note C-0..B-7
    std::vector<XmEnvelopePoint> volumeEnvelope;  // 0..12 points
    bool volumeEnvelopeOn = false;
    bool volumeSustainOn = false;
    bool volumeLoopOn = false;
    uint8_t volumeSustain = 0;  // point indices
    uint8_t volumeLoopStart = 0;
    uint8_t volumeLoopEnd = 0;
    uint16_t fadeout = 0;
};

struct XmModule {
    std::string title;  // at most 20 characters kept
    int channels = 4;   // 2..32, even
    int speed = 6;      // ticks per row, 1..31
    int bpm = 125;      // 32..255
    int restart = 0;    // order index the song repeats from
    bool linearFrequencies = true;
    std::vector<uint8_t> orders;  // pattern number per order, 1..256 entries
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;  // instrument n of the cells is instruments[n - 1]
};

// The file's bytes; empty when the module cannot be written as an XM file (a value out of the
// ranges above, an order naming a missing pattern, a pattern row with the wrong channel count).
std::vector<uint8_t> encodeXm(const XmModule& module);

// False when the module cannot be encoded or the file cannot be written whole.
bool writeXm(const std::string& path, const XmModule& module);
