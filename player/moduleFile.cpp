#include "player/moduleFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/littleEndian.h"

namespace {

// FastTracker 2 wrote at most 16 samples per instrument, ModPlug up to 32; libxmp takes 32 and
// refuses the file beyond that.
constexpr uint32_t maxSamplesPerInstrument = 32;

// ModPlug's 4-bit ADPCM samples carry this in the sample header's reserved byte. Their data is a
// 16-byte table of deltas and a nibble per sample value; libxmp reads any sample marked so that
// way, 16-bit ones included (counting their length in bytes as values).
constexpr uint8_t adpcmMark = 0xAD;
uint64_t storedBytes(uint32_t length, bool adpcm) { return adpcm ? 16 + (uint64_t{length} + 1) / 2 : length; }

// What the headers of an FT2-layout XM file (version 0x0104) add up to, walked as far as the file
// reaches: `needed` bytes so far, and the part the file ends in when it is shorter; or, with
// `impossible`, a count or field no tracker writes, named in `part`. Other formats and older XM
// layouts give 0 and are left to libxmp.
struct Layout {
    uint64_t needed = 0;
    std::string part;
    bool impossible = false;
};

Layout xmLayout(const uint8_t* bytes, std::size_t size)
{
    static const char id[] = "Extended Module: ";
    if (size < 64 || std::memcmp(bytes, id, 17) != 0 || read16le(bytes + 58) != 0x0104) return {};
    const auto endsIn = [](uint64_t needed, const std::string& part) { return Layout{needed, part, false}; };
    // libxmp refuses these too, but only after allocating for each (half a second for a few
    // hundred bytes claiming 65,000 instruments), and walking them could take billions of steps.
    const auto impossible = [](const std::string& why) { return Layout{0, why, true}; };
    uint64_t at = 60 + static_cast<uint64_t>(read32le(bytes + 60));
    if (at > size || size < 74) return endsIn(at > 74 ? at : 74, "the song header");
    const uint32_t patterns = read16le(bytes + 70);
    const uint32_t instruments = read16le(bytes + 72);
    if (read16le(bytes + 64) > 256 || read16le(bytes + 68) > 64 || patterns > 256 || instruments > 255)
        return impossible("its XM headers count more orders, channels, patterns, instruments or samples than a module has");
    for (uint32_t p = 0; p < patterns; ++p) {
        const std::string pattern = "pattern " + std::to_string(p);
        if (at + 9 > size) return endsIn(at + 9, pattern + "'s header");
        const uint32_t headerLength = read32le(bytes + at);
        if (headerLength > size - at)
            return impossible(pattern + "'s header length field says " + std::to_string(headerLength) + " bytes, more than the file holds");
        at += headerLength + static_cast<uint64_t>(read16le(bytes + at + 7));
        if (at > size) return endsIn(at, pattern + "'s data");
    }
    for (uint32_t i = 0; i < instruments; ++i) {
        const std::string instrument = "instrument " + std::to_string(i + 1);
        if (at + 29 > size) return endsIn(at + 29, instrument + "'s header");
        const uint64_t headerSize = read32le(bytes + at);
        const uint32_t samples = read16le(bytes + at + 27);
        if (samples > maxSamplesPerInstrument) return impossible("instrument " + std::to_string(i + 1) + " has more than 32 samples");
        if (samples == 0) {
            at += headerSize;
            if (at > size) return endsIn(at, instrument + "'s header, whose size field runs past the end");
            continue;
        }
        if (at + 33 > size) return endsIn(at + 33, instrument + "'s header");
        const uint64_t sampleHeaderSize = read32le(bytes + at + 29);
        at += headerSize;
        uint64_t stored = 0;
        for (uint32_t s = 0; s < samples; ++s) {
            if (at + 18 > size) return endsIn(at + 18, instrument + "'s sample headers");
            stored += storedBytes(read32le(bytes + at), bytes[at + 17] == adpcmMark);
            at += sampleHeaderSize;
        }
        at += stored;
        if (at > size) return endsIn(at, instrument + "'s sample data");
    }
    return {at, ""};
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
    const Layout layout = xmLayout(bytes, size);
    if (layout.impossible) {
        error = "module " + moduleName(path) + " is corrupt (" + layout.part + ")";
        return false;
    }
    if (layout.needed <= size) return true;
    // Other players read what is there and take the rest as empty; libxmp, whose mix we play,
    // does so where it can and refuses the rest.
    error = "module " + moduleName(path) + " is truncated (" + std::to_string(size) + " bytes, its headers need at least " +
            std::to_string(layout.needed) + ", ending inside " + layout.part + ")";
    const uint64_t missing = layout.needed - size;
    notice = "module " + moduleName(path) + " is " + std::to_string(missing) + (missing == 1 ? " byte" : " bytes") + " short inside " +
             layout.part + ": what is missing plays as silence";
    return true;
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
