#include "capture/wavWriter.h"

#include <cstdio>
#include <cstring>

#include "capture/frameClock.h"

namespace {

FILE* wavFile = nullptr;
uint64_t framesWritten = 0;
bool writeFailed = false;

constexpr uint32_t channels = 2;
constexpr uint32_t bytesPerFrame = channels * 2;

void put16(uint8_t* at, uint32_t value)
{
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

void put32(uint8_t* at, uint32_t value)
{
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

// The 44-byte header of a WAV holding `frames` stereo frames.
void wavHeader(uint32_t frames, uint8_t header[44])
{
    const uint32_t dataBytes = frames * bytesPerFrame;
    std::memset(header, 0, 44);
    std::memcpy(header, "RIFF", 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    std::memcpy(header + 36, "data", 4);
    put32(header + 4, 36 + dataBytes);
    put32(header + 16, 16);  // size of the fmt chunk
    put16(header + 20, 1);   // PCM
    put16(header + 22, channels);
    put32(header + 24, captureRate);
    put32(header + 28, captureRate * bytesPerFrame);
    put16(header + 32, bytesPerFrame);
    put16(header + 34, 16);
    put32(header + 40, dataBytes);
}

}  // namespace

bool openWav(const std::string& path)
{
    closeWav();
    wavFile = std::fopen(path.c_str(), "wb");
    if (!wavFile) return false;
    framesWritten = 0;
    writeFailed = false;
    uint8_t header[44];
    wavHeader(0, header);
    if (std::fwrite(header, 1, sizeof header, wavFile) != sizeof header) writeFailed = true;
    return !writeFailed;
}

bool appendWav(const int16_t* stereo, uint32_t frames)
{
    if (!wavFile || writeFailed) return false;
    // The file is little-endian, as is every machine this runs on.
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "WAV samples are written in host order");
    if (std::fwrite(stereo, bytesPerFrame, frames, wavFile) != frames) writeFailed = true;
    framesWritten += frames;
    return !writeFailed;
}

bool closeWav()
{
    if (!wavFile) return true;
    uint8_t header[44];
    wavHeader(uint32_t(framesWritten), header);
    bool ok = !writeFailed && std::fseek(wavFile, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof header, wavFile) == sizeof header;
    ok = std::fclose(wavFile) == 0 && ok;
    wavFile = nullptr;
    return ok;
}
