#include "tools/xm/xmWriter.h"

#include <cstdio>

#include "common/littleEndian.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put8(Bytes& out, unsigned value) { out.push_back(static_cast<uint8_t>(value)); }
// FT2 pads every text field with spaces; a NUL in the song title marks another tracker.
void putText(Bytes& out, const std::string& text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) put8(out, i < text.size() ? static_cast<uint8_t>(text[i]) : ' ');
}

// The sample's steps as ADPCM: the 16-entry delta table, then the table index of each step.
// Empty when the steps take more than 16 sizes.
Bytes adpcmCodes(const XmSample& sample)
{
    Bytes table, codes;
    int previous = 0;
    for (int16_t value : sample.data) {
        const auto step = static_cast<uint8_t>(value - previous);
        previous = value;
        std::size_t code = 0;
        while (code < table.size() && table[code] != step) ++code;
        if (code == 16) return {};
        if (code == table.size()) table.push_back(step);
        codes.push_back(static_cast<uint8_t>(code));
    }
    table.resize(16, 0);
    table.insert(table.end(), codes.begin(), codes.end());
    return table;
}

bool validSample(const XmSample& sample)
{
    if (sample.adpcm && (sample.sixteenBit || adpcmCodes(sample).empty())) return false;
    const int low = sample.sixteenBit ? -32768 : -128;
    const int high = sample.sixteenBit ? 32767 : 127;
    for (int16_t value : sample.data)
        if (value < low || value > high) return false;
    if (sample.volume > 64) return false;
    if (sample.loop != XmLoop::none) {
        const uint64_t end = static_cast<uint64_t>(sample.loopStart) + sample.loopLength;
        if (sample.loopLength == 0 || end > sample.data.size()) return false;
    }
    return true;
}

bool validInstrument(const XmInstrument& instrument)
{
    if (instrument.samples.size() > 32 || instrument.volumeEnvelope.size() > 12) return false;
    for (uint8_t index : instrument.noteSample)
        if (!instrument.samples.empty() && index >= instrument.samples.size()) return false;
    const std::size_t points = instrument.volumeEnvelope.size();
    if (instrument.volumeSustainOn && instrument.volumeSustain >= points) return false;
    if (instrument.volumeLoopOn &&
        (instrument.volumeLoopStart > instrument.volumeLoopEnd || instrument.volumeLoopEnd >= points))
        return false;
    for (const XmSample& sample : instrument.samples)
        if (!validSample(sample)) return false;
    return true;
}

bool validModule(const XmModule& module)
{
    if (module.channels < 2 || module.channels > 32 || module.channels % 2 != 0) return false;
    if (module.speed < 1 || module.speed > 31 || module.bpm < 32 || module.bpm > 255) return false;
    if (module.orders.empty() || module.orders.size() > 256) return false;
    if (module.restart < 0 || module.restart >= static_cast<int>(module.orders.size())) return false;
    if (module.patterns.size() > 256 || module.instruments.size() > 128) return false;
    for (uint8_t pattern : module.orders)
        if (pattern >= module.patterns.size()) return false;
    for (const XmPattern& pattern : module.patterns) {
        if (pattern.cells.empty() || pattern.cells.size() > 256) return false;
        for (const auto& row : pattern.cells)
            if (static_cast<int>(row.size()) != module.channels) return false;
    }
    for (const XmInstrument& instrument : module.instruments)
        if (!validInstrument(instrument)) return false;
    return true;
}

bool blank(const XmCell& cell)
{
    return cell.note == 0 && cell.instrument == 0 && cell.volume == 0 && cell.effect == 0 && cell.param == 0;
}

// FT2's packing: a cell with all five bytes set goes out as-is, any other as a flag byte
// (bit 7 plus one bit per present field) followed by the present fields.
void putCell(Bytes& out, const XmCell& cell)
{
    const uint8_t fields[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.param};
    unsigned mask = 0;
    for (int i = 0; i < 5; ++i)
        if (fields[i] != 0) mask |= 1u << i;
    if (mask != 0x1F) put8(out, 0x80 | mask);
    for (int i = 0; i < 5; ++i)
        if (mask == 0x1F || (mask & (1u << i))) put8(out, fields[i]);
}

void putPattern(Bytes& out, const XmPattern& pattern)
{
    append32le(out, 9);
    put8(out, 0);
    append16le(out, static_cast<unsigned>(pattern.cells.size()));
    const std::size_t sizeAt = out.size();
    append16le(out, 0);
    bool empty = true;
    for (const auto& row : pattern.cells)
        for (const XmCell& cell : row) empty = empty && blank(cell);
    // FT2 stores an all-blank pattern as a header with no data.
    if (empty) return;
    const std::size_t dataStart = out.size();
    for (const auto& row : pattern.cells)
        for (const XmCell& cell : row) putCell(out, cell);
    write16le(out.data() + sizeAt, static_cast<unsigned>(out.size() - dataStart));
}

void putSampleHeader(Bytes& out, const XmSample& sample)
{
    const uint32_t width = sample.sixteenBit ? 2 : 1;
    const bool looped = sample.loop != XmLoop::none;
    append32le(out, static_cast<uint32_t>(sample.data.size()) * width);
    append32le(out, looped ? sample.loopStart * width : 0);
    append32le(out, looped ? sample.loopLength * width : 0);
    put8(out, sample.volume);
    put8(out, static_cast<uint8_t>(sample.finetune));
    put8(out, static_cast<unsigned>(sample.loop) | (sample.sixteenBit ? 0x10 : 0));
    put8(out, sample.panning);
    put8(out, static_cast<uint8_t>(sample.relativeNote));
    put8(out, sample.adpcm ? 0xAD : 0);
    putText(out, sample.name, 22);
}

void putSampleData(Bytes& out, const XmSample& sample)
{
    if (sample.adpcm) {
        // Two values a byte, the first in the low nibble.
        const Bytes codes = adpcmCodes(sample);
        out.insert(out.end(), codes.begin(), codes.begin() + 16);
        for (std::size_t i = 16; i < codes.size(); i += 2)
            put8(out, codes[i] | (i + 1 < codes.size() ? codes[i + 1] << 4 : 0));
        return;
    }
    int previous = 0;
    for (int16_t value : sample.data) {
        const unsigned delta = static_cast<unsigned>(value - previous);
        if (sample.sixteenBit)
            append16le(out, delta & 0xFFFF);
        else
            put8(out, delta & 0xFF);
        previous = value;
    }
}

void putInstrument(Bytes& out, const XmInstrument& instrument)
{
    const bool hasSamples = !instrument.samples.empty();
    append32le(out, hasSamples ? 263 : 29);
    putText(out, instrument.name, 22);
    put8(out, 0);
    append16le(out, static_cast<unsigned>(instrument.samples.size()));
    if (!hasSamples) return;
    append32le(out, 40);
    for (uint8_t index : instrument.noteSample) put8(out, index);
    for (std::size_t i = 0; i < 12; ++i) {
        const bool used = i < instrument.volumeEnvelope.size();
        append16le(out, used ? instrument.volumeEnvelope[i].tick : 0);
        append16le(out, used ? instrument.volumeEnvelope[i].value : 0);
    }
    for (int i = 0; i < 48; ++i) put8(out, 0);  // panning envelope: unused
    put8(out, static_cast<unsigned>(instrument.volumeEnvelope.size()));
    put8(out, 0);
    put8(out, instrument.volumeSustain);
    put8(out, instrument.volumeLoopStart);
    put8(out, instrument.volumeLoopEnd);
    for (int i = 0; i < 3; ++i) put8(out, 0);
    put8(out, (instrument.volumeEnvelopeOn ? 1 : 0) | (instrument.volumeSustainOn ? 2 : 0) |
                  (instrument.volumeLoopOn ? 4 : 0));
    put8(out, 0);
    for (int i = 0; i < 4; ++i) put8(out, 0);  // auto-vibrato: none
    append16le(out, instrument.fadeout);
    for (int i = 0; i < 22; ++i) put8(out, 0);
    for (const XmSample& sample : instrument.samples) putSampleHeader(out, sample);
    for (const XmSample& sample : instrument.samples) putSampleData(out, sample);
}

}  // namespace

XmPattern blankXmPattern(int rows, int channels)
{
    XmPattern pattern;
    pattern.cells.assign(static_cast<std::size_t>(rows), std::vector<XmCell>(static_cast<std::size_t>(channels)));
    return pattern;
}

std::vector<uint8_t> encodeXm(const XmModule& module)
{
    Bytes out;
    if (!validModule(module)) return out;
    const std::string id = "Extended Module: ";
    out.insert(out.end(), id.begin(), id.end());
    putText(out, module.title, 20);
    put8(out, 0x1A);
    putText(out, "FastTracker v2.00   ", 20);
    append16le(out, 0x0104);
    append32le(out, 276);
    append16le(out, static_cast<unsigned>(module.orders.size()));
    append16le(out, static_cast<unsigned>(module.restart));
    append16le(out, static_cast<unsigned>(module.channels));
    append16le(out, static_cast<unsigned>(module.patterns.size()));
    append16le(out, static_cast<unsigned>(module.instruments.size()));
    append16le(out, module.linearFrequencies ? 1 : 0);
    append16le(out, static_cast<unsigned>(module.speed));
    append16le(out, static_cast<unsigned>(module.bpm));
    for (std::size_t i = 0; i < 256; ++i) put8(out, i < module.orders.size() ? module.orders[i] : 0);
    for (const XmPattern& pattern : module.patterns) putPattern(out, pattern);
    for (const XmInstrument& instrument : module.instruments) putInstrument(out, instrument);
    return out;
}

bool writeXm(const std::string& path, const XmModule& module)
{
    const Bytes bytes = encodeXm(module);
    if (bytes.empty()) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
