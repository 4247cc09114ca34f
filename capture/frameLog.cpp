#include "capture/frameLog.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

int formatFrameLine(const FrameRecord& record, uint64_t hash, char* out, std::size_t capacity)
{
    const int length = std::snprintf(out, capacity, "%" PRIu64 " %" PRIu64 " %" PRId32 " %" PRId32 " %016" PRIx64 " %s",
                                     record.frame, record.sample, record.order, record.row, hash,
                                     record.syncs[0] ? record.syncs : "-");
    return length < 0 ? 0 : std::min(length, int(capacity) - 1);
}
