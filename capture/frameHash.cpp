#include "capture/frameHash.h"

uint64_t frameHash(const uint8_t* bytes, std::size_t count, uint64_t hash)
{
    constexpr uint64_t prime = 0x100000001b3ull;
    for (std::size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * prime;
    return hash;
}
