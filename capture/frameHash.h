// The hash of a frame's pixels in the frame log: 64-bit FNV-1a over the RGB bytes, top row
// first, 3 bytes a pixel, no padding, so that anyone can recompute it from a PNG frame.
// No globals.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint64_t frameHashStart = 0xcbf29ce484222325ull;

uint64_t frameHash(const uint8_t* bytes, std::size_t count, uint64_t hash = frameHashStart);
