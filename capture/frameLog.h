// The frame log, frames.log: one line per written frame, "frame sample order row hash syncs",
// so that a run can be compared with another without looking at a single picture.
// No globals.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int syncTextCapacity = 8192;

struct FrameRecord {
    uint64_t frame;
    uint64_t sample;
    int32_t order;
    int32_t row;
    char syncs[syncTextCapacity];  // "point:data" items, space-separated; "-" for none
};

// The first line of every log.
constexpr const char* frameLogHeading = "# frame sample order row hash syncs (schedule point:data)";

// One line (without the newline) into `out`; the length kept, truncated to fit `capacity`.
int formatFrameLine(const FrameRecord& record, uint64_t hash, char* out, std::size_t capacity);
