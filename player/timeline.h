// The loaded module's event timeline, read-only: every row start, note-on and the song's end,
// stamped with the output sample (frame) at which it is heard, in time order.
//
// Loading a module builds it with a dry run; playerFree empties it. Readable from
// any thread while a module is loaded (it does not change during playback).
//
// Globals owned here: the event table and its count, written only by buildTimeline and
// clearTimeline below (main thread, before playback starts and after it has stopped).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// Room for every event of a long song (a row start per row, a note-on per started note).
constexpr int maxTimelineEvents = 1 << 18;
// A song that never repeats is cut here: its end event falls at this length. This bounds the
// dry run of a hostile or endless module (a second or two for 32 channels playing throughout:
// bench/player/loadTime.cpp) and lies far beyond any song a demo plays.
constexpr uint64_t maxSongSeconds = 20 * 60;

// The player's own writers (main thread, never while playing). buildTimeline plays the module in
// a libxmp context of its own, tick by tick, to the first tick on which libxmp's loop counter
// becomes 1; false with `error` set when libxmp cannot load it or it has too many events.
bool buildTimeline(const uint8_t* bytes, std::size_t size, int rate, std::string& error);
void clearTimeline();
