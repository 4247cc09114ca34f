#include "player/moduleFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/littleEndian.h"

namespace {


// What xmDeclaredSize answers for counts no tracker writes. libxmp refuses those too, but only
// after allocating for each (half a second for a few hundred bytes claiming 65,000 instruments),
// and walking them could take billions of steps.
constexpr uint64_t impossibleLayout = UINT64_MAX;

// FastTracker 2 wrote at most 16 samples per instrument, ModPlug up to 32; libxmp takes 32 and
// refuses the file beyond that.
constexpr uint32_t maxSamplesPerInstrument = 32;

// ModPlug's 4-bit ADPCM samples carry this in the sample header's reserved byte. Their data is a
// 16-byte table of deltas and a nibble per sample value; libxmp reads any sample marked so that
// way, 16-bit ones included (counting their length in bytes as values).
constexpr uint8_t adpcmMark = 0xAD;
uint64_t storedBytes(uint32_t length, bool adpcm) { return adpcm ? 16 + (uint64_t{length} + 1) / 2 : length; }

// For an FT2-layout XM file (version 0x0104): the size its headers add up to, which a whole file
// reaches; 0 for anything else (other formats and older XM layouts are left to libxmp).
// `silentFrom` becomes where the last instrument's sample data starts when the walk gets there:
// a file that ends after that point still plays (FastTracker 2 and libxmp play the samples
// short), unless it ends inside ADPCM data, which libxmp refuses.
uint64_t xmDeclaredSize(const uint8_t* bytes, std::size_t size, uint64_t& silentFrom)
{
    static const char id[] = "Extended Module: ";
    if (size < 64 || std::memcmp(bytes, id, 17) != 0 || read16le(bytes + 58) != 0x0104) return 0;
    // Each step needs the bytes of the header it reads; past the end, what the file would need so far is the answer.
    uint64_t at = 60 + static_cast<uint64_t>(read32le(bytes + 60));
    if (at > size) return at;
    if (size < 74) return 74;
    const uint32_t patterns = read16le(bytes + 70);
    const uint32_t instruments = read16le(bytes + 72);
    if (read16le(bytes + 64) > 256 || read16le(bytes + 68) > 64 || patterns > 256 || instruments > 255) return impossibleLayout;
    for (uint32_t p = 0; p < patterns; ++p) {
        if (at + 9 > size) return at + 9;
        at += read32le(bytes + at) + static_cast<uint64_t>(read16le(bytes + at + 7));
    }
    for (uint32_t i = 0; i < instruments; ++i) {
        if (at + 29 > size) return at + 29;
        const uint64_t headerSize = read32le(bytes + at);
        const uint32_t samples = read16le(bytes + at + 27);
        if (samples > maxSamplesPerInstrument) return impossibleLayout;
        if (samples == 0) {
            at += headerSize;
            continue;
        }
        if (at + 33 > size) return at + 33;
        const uint64_t sampleHeaderSize = read32le(bytes + at + 29);
        at += headerSize;
        uint64_t stored[maxSamplesPerInstrument];
        bool adpcm[maxSamplesPerInstrument];
        for (uint32_t s = 0; s < samples; ++s) {
            if (at + 18 > size) return at + 18;
            adpcm[s] = bytes[at + 17] == adpcmMark;
            stored[s] = storedBytes(read32le(bytes + at), adpcm[s]);
            at += sampleHeaderSize;
        }
        if (i + 1 == instruments) silentFrom = at;
        for (uint32_t s = 0; s < samples; ++s) {
            if (adpcm[s] && at < size && at + stored[s] > size) {
                silentFrom = UINT64_MAX;
                return at + stored[s];
            }
            at += stored[s];
        }
        if (at > size) return at;
    }
    return at;
}

}  // namespace

std::string moduleName(const char* path) { return path ? std::string("\"") + path + "\"" : "in memory"; }

bool wholeModule(const uint8_t* bytes, std::size_t size, const char* path, std::string& error, std::string& notice)
{
    notice.clear();
    if (size > maxModuleBytes) {
        error = "module " + moduleName(path) + " is larger than " + std::to_string(maxModuleBytes >> 20) + " MiB";
        return false;
    }
    uint64_t silentFrom = UINT64_MAX;
    const uint64_t declared = xmDeclaredSize(bytes, size, silentFrom);
    if (declared <= size) return true;
    if (declared != impossibleLayout && size >= silentFrom) {
        notice = "module " + moduleName(path) + " is " + std::to_string(declared - size) +
                 " bytes short of its sample data: the missing tail plays as silence";
        return true;
    }
    if (declared == impossibleLayout)
        error = "module " + moduleName(path) + " is corrupt (its XM headers count more orders, channels, patterns, instruments or samples than a module has)";
    else
        error = "module " + moduleName(path) + " is truncated (" + std::to_string(size) + " bytes, its headers need at least " +
                std::to_string(declared) + ")";
    return false;
}

bool readModuleFile(const char* path, uint32_t offset, uint32_t length, std::vector<uint8_t>& bytes, std::string& error)
{
    if (!path) {
        error = "no module file name";
        return false;
    }
    if (length > maxModuleBytes) {
        error = "module " + moduleName(path) + " is larger than " + std::to_string(maxModuleBytes >> 20) + " MiB";
        return false;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        error = "cannot open module " + moduleName(path) + ": " + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> read;
    bool ok = std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
    if (ok) {
        uint8_t chunk[65536];
        std::size_t got = 0;
        while ((length == 0 || read.size() < length) && read.size() <= maxModuleBytes &&
               (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            read.insert(read.end(), chunk, chunk + got);
        ok = !std::ferror(file);
    }
    const int readErrno = errno;
    std::fclose(file);
    if (!ok) {
        error = "cannot read module " + moduleName(path) + ": " + std::strerror(readErrno);
        return false;
    }
    if (length != 0) {
        if (read.size() < length) {
            error = "module " + moduleName(path) + " is shorter than the " + std::to_string(length) + " bytes asked for";
            return false;
        }
        read.resize(length);
    }
    if (read.empty()) {
        error = "module " + moduleName(path) + " is empty";
        return false;
    }
    bytes.swap(read);
    return true;
}
