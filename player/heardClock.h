// When the listener hears which sample: the estimate syncs are delivered by.
//
// The audio callback hands the device one buffer of deviceBufferFrames at a time and then
// publishes how many buffers it has handed and when (one 64-bit atomic word, so the two halves
// always belong together). Behind the buffer being handed the device still holds about one
// buffer more (SDL's own double buffering; the disk driver writes a buffer and then waits one
// buffer's time), so a sample is taken to be heard heardLatencyFrames after the moment it would
// play if the device started on the handed buffer at once. Between callbacks the position runs
// on with the clock but never past the end of what has been handed.
//
// No globals; pure functions.
#pragma once

#include <cstdint>

constexpr uint32_t deviceBufferFrames = 1024;
constexpr uint32_t heardLatencyFrames = deviceBufferFrames;

// The word the callback publishes: buffers handed so far (high half) and the time of the last
// hand-over in microseconds of the playback clock (low half, wrapping).
constexpr uint64_t handedWord(uint32_t buffers, uint32_t micros) { return (uint64_t{buffers} << 32) | micros; }

// Frames heard by `nowMicros` (an exclusive bound: samples below it are heard); may be negative
// before anything is heard.
constexpr int64_t heardFrames(uint64_t handed, uint32_t nowMicros, uint32_t rate)
{
    const auto buffers = static_cast<int64_t>(handed >> 32);
    if (buffers == 0) return 0;
    const auto handedAt = static_cast<uint32_t>(handed);
    // Unsigned difference, so the clock's wrap-around every 71 minutes does no harm.
    const auto sinceRaw = static_cast<int32_t>(nowMicros - handedAt);
    const int64_t since = sinceRaw < 0 ? 0 : sinceRaw;
    const int64_t handedEnd = buffers * deviceBufferFrames;
    const int64_t heard = handedEnd - deviceBufferFrames - heardLatencyFrames + since * rate / 1000000;
    return heard < handedEnd ? heard : handedEnd;
}
