// When the listener hears which sample: the estimate syncs are delivered by.
//
// Each audio callback hands the device one buffer of deviceBufferFrames. A hand-over of buffer
// k (1-based) at time t implies a playback origin: the time at which sample 0 would have been
// handed had every buffer gone out at the device's pace, t − (k − 1) · buffer duration. The
// callback publishes the latest of the origins of its last few hand-overs (a callback that comes
// early, catching up after a late one, then cannot make syncs run ahead of the sound; dropping
// old origins follows a device clock that runs fast) together with the number of buffers
// handed, in one 64-bit atomic word so both halves belong together. A sample is heard heardLatencyFrames after its time from that origin (the device
// still holds about one buffer ahead of the one just handed), and never before it was handed.
//
// No globals; pure functions.
#pragma once

#include <cstdint>

constexpr uint32_t deviceBufferFrames = 1024;
constexpr uint32_t heardLatencyFrames = deviceBufferFrames;
// How many recent hand-overs the origin is taken from.
constexpr int originWindow = 8;

// The origin (in microseconds of the playback clock, may wrap) implied by handing buffer
// `buffers` at `handedMicros`.
constexpr uint32_t impliedOrigin(uint32_t buffers, uint32_t handedMicros, uint32_t rate)
{
    return handedMicros - static_cast<uint32_t>(uint64_t{buffers - 1} * deviceBufferFrames * 1000000 / rate);
}

// The word the callback publishes: buffers handed so far (high half) and the origin (low half).
constexpr uint64_t handedWord(uint32_t buffers, uint32_t originMicros) { return (uint64_t{buffers} << 32) | originMicros; }

// Frames heard by `nowMicros` (an exclusive bound: samples below it are heard); may be negative
// before anything is heard.
constexpr int64_t heardFrames(uint64_t handed, uint32_t nowMicros, uint32_t rate)
{
    const auto buffers = static_cast<int64_t>(handed >> 32);
    if (buffers == 0) return 0;
    // Unsigned difference: the origin never lies after now, and the clock may wrap.
    const uint32_t since = nowMicros - static_cast<uint32_t>(handed);
    const int64_t heard = static_cast<int64_t>(uint64_t{since} * rate / 1000000) - heardLatencyFrames;
    const int64_t handedEnd = buffers * deviceBufferFrames;
    return heard < handedEnd ? heard : handedEnd;
}
