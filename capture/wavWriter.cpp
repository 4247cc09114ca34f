#include "capture/wavWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "capture/frameClock.h"
#include "common/littleEndian.h"

namespace {

FILE* wavFile = nullptr;
uint64_t framesWritten = 0;
bool writeFailed = false;

constexpr uint32_t channels = 2;
constexpr uint32_t bytesPerFrame = channels * 2;

// The 44-byte header of a WAV holding `frames` stereo frames.
void wavHeader(uint32_t frames, uint8_t header[44])
{
    const uint32_t dataBytes = frames * bytesPerFrame;
    std::memset(header, 0, 44);
    std::memcpy(header, "RIFF", 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    std::memcpy(header + 36, "data", 4);
    write32le(header + 4, 36 + dataBytes);
    write32le(header + 16, 16);  // size of the fmt chunk
    write16le(header + 20, 1);   // PCM
    write16le(header + 22, channels);
    write32le(header + 24, mixRate);
    write32le(header + 28, mixRate * bytesPerFrame);
    write16le(header + 32, bytesPerFrame);
    write16le(header + 34, 16);
    write32le(header + 40, dataBytes);
}

}  // namespace

bool openWav(const std::string& path, std::string& reason)
{
    closeWav(reason);
    wavFile = std::fopen(path.c_str(), "wb");
    if (!wavFile) {
        reason = std::strerror(errno);
        return false;
    }
    framesWritten = 0;
    writeFailed = false;
    uint8_t header[44];
    wavHeader(0, header);
    if (std::fwrite(header, 1, sizeof header, wavFile) != sizeof header) {
        writeFailed = true;
        reason = std::strerror(errno);
    }
    return !writeFailed;
}

bool appendWav(const int16_t* stereo, uint32_t frames, std::string& reason)
{
    if (!wavFile || writeFailed) {
        reason = wavFile ? "an earlier write failed" : "no file open";
        return false;
    }
    // The file is little-endian, as is every machine this runs on.
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "WAV samples are written in host order");
    if (std::fwrite(stereo, bytesPerFrame, frames, wavFile) != frames) {
        writeFailed = true;
        reason = std::strerror(errno);
    }
    framesWritten += frames;
    return !writeFailed;
}

bool closeWav(std::string& reason)
{
    if (!wavFile) return true;
    uint8_t header[44];
    wavHeader(uint32_t(framesWritten), header);
    bool ok = !writeFailed && std::fseek(wavFile, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof header, wavFile) == sizeof header;
    ok = std::fclose(wavFile) == 0 && ok;
    if (!ok) reason = writeFailed ? "an earlier write failed" : std::strerror(errno);
    wavFile = nullptr;
    return ok;
}
