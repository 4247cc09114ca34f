// "sonavel3", the demo's song: A minor, 125 BPM at speed 6, 18 orders of 64 rows (the last 48).
//
// The sections follow the demo's script: intro with pads, arpeggio (19) and a soft kick (1)
// in orders 0-2; drums (kick 1, snare 2, hat 3) entering at order 3; build-up to order 7;
// the full track with bass (18) and arpeggio (19) from order 8; greetings in orders 9-10;
// a development through order 16; the last accent at order 17 row 16, then a ring-out.
// The five instruments the picture follows play only the accents it should answer; their
// twins among 4-17 play the steady and running parts with the same sounds. Drums and bass
// sit in the centre, pads, strings, hats and the arpeggio spread to both sides.
#pragma once

#include "tools/xm/xmWriter.h"

constexpr int songChannels = 16;

XmModule makeSong();
