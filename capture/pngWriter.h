// Frames as PNG files (libpng), tuned for speed over size: the capture writes one per frame.
// No globals.
#pragma once

#include <cstdint>
#include <string>

// `rgb`: top row first, 3 bytes a pixel, no padding. False with the reason when the file cannot
// be written whole.
bool writePng(const std::string& path, const uint8_t* rgb, int width, int height, std::string& reason);
