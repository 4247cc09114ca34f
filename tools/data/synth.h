// The song's 19 instruments, every sample synthesised here (no sample files).
//
// Samples are 16-bit at 33,452 Hz (four times 8,363 Hz) with relative note +24, so a C-4 in
// a pattern plays them back at their own rate: a pitched sample whose period is 128 frames
// sounds as C4 (261.3 Hz). All arithmetic is plain IEEE double with our own sine and noise
// source, so the bytes do not depend on the C library.
#pragma once

#include "tools/xm/xmWriter.h"

constexpr int instrumentTotal = 19;

// Instrument numbers (1-based, as the patterns and the demo's sync schedule count them).
enum Instrument : uint8_t {
    insKick = 1,
    insSnare = 2,
    insHat = 3,
    insOpenHat = 4,
    insCrash = 5,
    insTom = 6,
    insPad = 7,
    insStrings = 8,
    insLead = 9,
    insPluck = 10,
    insRiser = 11,
    insImpact = 12,
    insShaker = 13,
    insRim = 14,
    insBell = 15,
    insSub = 16,
    insReverse = 17,
    insBass = 18,
    insArp = 19,
};

// instruments[n - 1] is instrument n.
std::vector<XmInstrument> makeInstruments();
