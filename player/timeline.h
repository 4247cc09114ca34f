// The loaded module's event timeline, read-only: every row start, note-on and the song's end,
// stamped with the output sample (frame) at which it is heard, in time order.
//
// BASSMOD_MusicLoad builds it with a dry run of the module; BASSMOD_Free empties it. Readable from
// any thread while a module is loaded (it does not change during playback).
#pragma once

#include <cstdint>

enum class TimelineKind : uint8_t {
    position,  // a row starts: order, row
    noteOn,    // an instrument starts a note: order, row, instrument, note, volume
    end,       // the song would repeat here; silence from this sample on
};

struct TimelineEvent {
    uint64_t sample;     // stereo frames from the start of the song
    TimelineKind kind;
    uint8_t instrument;  // 1-based (note-on only)
    uint8_t note;        // 0 = C-0 (note-on only)
    uint8_t volume;      // 0..64, the channel volume the note starts with (note-on only)
    uint16_t order;      // index into the order list, not the pattern number
    uint16_t row;
};

// The events of the loaded module; nullptr and 0 when none is loaded.
const TimelineEvent* timelineEvents();
int timelineEventCount();
