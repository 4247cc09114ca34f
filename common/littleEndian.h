// Little-endian fields, as BMP, XM and WAV files store them: the one way every reader and writer
// of ours takes a 16- or 32-bit value apart or puts it together. No globals.
#pragma once

#include <cstdint>
#include <vector>

inline uint16_t read16le(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

inline uint32_t read32le(const uint8_t* at) { return read16le(at) | static_cast<uint32_t>(read16le(at + 2)) << 16; }

inline void write16le(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void write32le(uint8_t* at, uint32_t value)
{
    write16le(at, value & 0xFFFF);
    write16le(at + 2, value >> 16);
}

inline void append16le(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void append32le(std::vector<uint8_t>& out, uint32_t value)
{
    append16le(out, value & 0xFFFF);
    append16le(out, value >> 16);
}
