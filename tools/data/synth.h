// The song's 19 instruments, every sample synthesised here (no sample files).
//
// Samples are 16-bit at 33,452 Hz (four times 8,363 Hz) with relative note +24, so a C-4 in
// a pattern plays them back at their own rate: a pitched sample whose period is 128 frames
// sounds as C4 (261.3 Hz). All arithmetic is plain IEEE double with our own sine and noise
// source, so the bytes do not depend on the C library.
#pragma once

#include "common/demoScript.h"
#include "tools/xm/xmWriter.h"

// Instrument numbers (1-based, as the patterns and the demo's sync schedule count them).
// The picture follows 1, 2, 3, 18 and 19, so they play accents only: each has a twin among
// 4-17 with the same sound for the steady and running parts (the groove kick and snare, the
// running hats, bass and arpeggio).
enum Instrument : uint8_t {
    insKick = kickInstrument,
    insSnare = snareInstrument,
    insHat = hatInstrument,
    insHats = 4,     // kit: closed hat, open hat
    insCymbals = 5,  // kit: crash, reversed cymbal
    insPerc = 6,     // kit: tom (pitched, below C-5), shaker, rim
    insPad = 7,
    insStrings = 8,
    insLead = 9,
    insPluck = 10,
    insFx = 11,  // kit: riser, impact
    insGrooveKick = 12,
    insGrooveSnare = 13,
    insRunningBass = 14,
    insBell = 15,
    insSub = 16,
    insRunningArp = 17,
    insBass = bassInstrument,
    insArp = arpInstrument,
};

// Keys of the kits' sounds, each played at its own rate on its key.
constexpr uint8_t keyClosedHat = xmNote(4, 0), keyOpenHat = xmNote(4, 2);
constexpr uint8_t keyCrash = xmNote(4, 0), keyReverse = xmNote(4, 2);
constexpr uint8_t keyShaker = xmNote(5, 0), keyRim = xmNote(5, 2);
constexpr uint8_t keyRiser = xmNote(4, 0), keyImpact = xmNote(4, 2);

// instruments[n - 1] is instrument n.
std::vector<XmInstrument> makeInstruments();
