// The XM writer checked by the readers that matter: libxmp (which plays it) and libopenmpt
// (which must take it for a FastTracker 2 file), plus the exact header bytes FT2 writes.
#include "tools/xm/xmWriter.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <cstring>
#include <string>

namespace {

XmModule sampleModule()
{
    XmModule module;
    module.title = "writer check";
    module.channels = 4;
    module.speed = 5;
    module.bpm = 140;
    module.restart = 1;
    module.orders = {1, 0, 1};
    module.patterns = {blankXmPattern(16, 4), blankXmPattern(32, 4)};
    auto& p0 = module.patterns[0].cells;
    p0[0][0] = {xmNote(4, 0), 1, xmVolume(40), 0, 0};
    p0[3][1] = {xmNote(0, 0), 2, 0, 0, 0};
    p0[5][2] = {xmNote(7, 11), 1, 0xF5, 0x3, 0x20};  // all five fields: FT2 writes them unpacked
    p0[8][3] = {xmKeyOff, 0, 0, 0, 0};
    // pattern 1 stays blank: written with no data

    XmInstrument lead;
    lead.name = "lead";
    XmSample square;
    square.name = "square";
    for (int i = 0; i < 64; ++i) square.data.push_back(i < 32 ? 100 : -100);
    square.loop = XmLoop::forward;
    square.loopStart = 8;
    square.loopLength = 48;
    square.volume = 48;
    square.finetune = -16;
    square.panning = 64;
    square.relativeNote = 12;
    lead.samples = {square};
    lead.volumeEnvelope = {{0, 64}, {10, 32}, {40, 0}};
    lead.volumeEnvelopeOn = true;
    lead.volumeSustainOn = true;
    lead.volumeSustain = 1;
    lead.fadeout = 512;

    XmInstrument bass;
    bass.name = "bass";
    XmSample wide;
    wide.sixteenBit = true;
    wide.data = {0, 32767, -32768, 1000, -1000, 0};
    wide.loop = XmLoop::pingPong;
    wide.loopStart = 1;
    wide.loopLength = 4;
    bass.samples = {wide};
    module.instruments = {lead, bass};
    return module;
}

uint16_t read16(const std::vector<uint8_t>& bytes, std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); }
uint32_t read32(const std::vector<uint8_t>& bytes, std::size_t at) { return read16(bytes, at) | (read16(bytes, at + 2) << 16); }

TEST(XmWriter, HeaderIsFastTracker2s)
{
    const auto bytes = encodeXm(sampleModule());
    ASSERT_GT(bytes.size(), 336u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
    EXPECT_EQ(std::string(bytes.begin() + 17, bytes.begin() + 37), "writer check        ");
    EXPECT_EQ(bytes[37], 0x1A);
    EXPECT_EQ(std::string(bytes.begin() + 38, bytes.begin() + 58), "FastTracker v2.00   ");
    EXPECT_EQ(read16(bytes, 58), 0x0104);
    EXPECT_EQ(read32(bytes, 60), 276u);
    EXPECT_EQ(read16(bytes, 64), 3);   // orders
    EXPECT_EQ(read16(bytes, 66), 1);   // restart
    EXPECT_EQ(read16(bytes, 68), 4);   // channels
    EXPECT_EQ(read16(bytes, 70), 2);   // patterns
    EXPECT_EQ(read16(bytes, 72), 2);   // instruments
    EXPECT_EQ(read16(bytes, 74), 1);   // linear
    EXPECT_EQ(read16(bytes, 76), 5);
    EXPECT_EQ(read16(bytes, 78), 140);
    EXPECT_EQ(bytes[80], 1);
    EXPECT_EQ(bytes[81], 0);
    EXPECT_EQ(bytes[82], 1);
    EXPECT_EQ(bytes[83], 0);
}

TEST(XmWriter, PatternsArePackedAsFastTracker2PacksThem)
{
    const auto bytes = encodeXm(sampleModule());
    const std::size_t p0 = 336;
    EXPECT_EQ(read32(bytes, p0), 9u);
    EXPECT_EQ(bytes[p0 + 4], 0);
    EXPECT_EQ(read16(bytes, p0 + 5), 16);
    const uint16_t size = read16(bytes, p0 + 7);
    // 64 cells: 60 blank (1 byte each), note+ins+vol (4), note+ins (3), all five raw (5), key off (2).
    EXPECT_EQ(size, 60 + 4 + 3 + 5 + 2);
    const std::vector<uint8_t> first(bytes.begin() + p0 + 9, bytes.begin() + p0 + 13);
    EXPECT_EQ(first, (std::vector<uint8_t>{0x87, xmNote(4, 0), 1, xmVolume(40)}));
    const std::size_t p1 = p0 + 9 + size;
    EXPECT_EQ(read16(bytes, p1 + 5), 32);
    EXPECT_EQ(read16(bytes, p1 + 7), 0);  // blank pattern: no data
    EXPECT_EQ(read32(bytes, p1 + 9), 263u);  // first instrument header follows directly
}

TEST(XmWriter, LibxmpReadsBackEverything)
{
    const auto bytes = encodeXm(sampleModule());
    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, bytes.data(), static_cast<long>(bytes.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module& m = *info.mod;
    EXPECT_STREQ(m.name, "writer check");
    EXPECT_NE(std::string(m.type).find("FastTracker v2.00"), std::string::npos) << m.type;
    EXPECT_EQ(m.chn, 4);
    EXPECT_EQ(m.len, 3);
    EXPECT_EQ(m.rst, 1);
    EXPECT_GE(m.pat, 2);  // libxmp adds a blank pattern of its own
    EXPECT_EQ(m.ins, 2);
    EXPECT_EQ(m.spd, 5);
    EXPECT_EQ(m.bpm, 140);
    EXPECT_EQ(m.xxo[0], 1);

    struct Expected { int row, channel, note, instrument; };
    // libxmp counts notes from C-0 = 13 and marks key off as XMP_KEY_OFF.
    const Expected events[] = {{0, 0, 13 + 48, 1}, {3, 1, 13, 2}, {5, 2, 13 + 95, 1}, {8, 3, XMP_KEY_OFF, 0}};
    const xmp_pattern& pattern = *m.xxp[0];
    EXPECT_EQ(pattern.rows, 16);
    for (const Expected& e : events) {
        const xmp_event& event = m.xxt[pattern.index[e.channel]]->event[e.row];
        EXPECT_EQ(event.note, e.note) << "row " << e.row;
        EXPECT_EQ(event.ins, e.instrument) << "row " << e.row;
    }
    EXPECT_EQ(m.xxt[pattern.index[0]]->event[0].vol, 41);  // volume column 40, stored + 1
    EXPECT_EQ(m.xxt[pattern.index[0]]->event[1].note, 0);
    EXPECT_EQ(m.xxp[1]->rows, 32);

    ASSERT_EQ(m.xxi[0].nsm, 1);
    EXPECT_STREQ(m.xxi[0].name, "lead");
    EXPECT_EQ(m.xxi[0].aei.npt, 3);
    EXPECT_EQ(m.xxi[0].aei.data[2], 10);
    EXPECT_EQ(m.xxi[0].aei.data[3], 32);
    EXPECT_EQ(m.xxi[0].sub[0].vol, 48);
    EXPECT_EQ(m.xxi[0].sub[0].fin, -16);
    EXPECT_EQ(m.xxi[0].sub[0].pan, 64);
    EXPECT_EQ(m.xxi[0].sub[0].xpo, 12);

    const xmp_sample& square = m.xxs[m.xxi[0].sub[0].sid];
    EXPECT_EQ(square.len, 64);
    EXPECT_EQ(square.lps, 8);
    EXPECT_EQ(square.lpe, 56);
    EXPECT_TRUE(square.flg & XMP_SAMPLE_LOOP);
    EXPECT_FALSE(square.flg & XMP_SAMPLE_16BIT);
    const auto* squareData = reinterpret_cast<const int8_t*>(square.data);
    EXPECT_EQ(squareData[0], 100);
    EXPECT_EQ(squareData[31], 100);
    EXPECT_EQ(squareData[32], -100);
    EXPECT_EQ(squareData[63], -100);

    const xmp_sample& wide = m.xxs[m.xxi[1].sub[0].sid];
    EXPECT_EQ(wide.len, 6);
    EXPECT_TRUE(wide.flg & XMP_SAMPLE_16BIT);
    EXPECT_TRUE(wide.flg & XMP_SAMPLE_LOOP_BIDIR);
    const auto* wideData = reinterpret_cast<const int16_t*>(wide.data);
    // Past the ping-pong loop libxmp writes mirrored guard values of its own, so only the loop is compared.
    const int16_t expected[] = {0, 32767, -32768, 1000, -1000};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(wideData[i], expected[i]) << i;

    xmp_release_module(context);
    xmp_free_context(context);
}

std::string openmptTracker(const std::vector<uint8_t>& bytes, int* orders = nullptr)
{
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!module) return "(not loaded)";
    const char* tracker = openmpt_module_get_metadata(module, "tracker");
    const std::string name = tracker;
    openmpt_free_string(tracker);
    if (orders) *orders = openmpt_module_get_num_orders(module);
    openmpt_module_destroy(module);
    return name;
}

TEST(XmWriter, LibopenmptTakesItForFastTracker2)
{
    auto bytes = encodeXm(sampleModule());
    int orders = 0;
    EXPECT_EQ(openmptTracker(bytes, &orders), "FastTracker 2 or compatible");
    EXPECT_EQ(orders, 3);
    // The same file with a NUL-padded title is somebody else's: the padding is what tells them apart.
    for (std::size_t i = 17; i < 37; ++i)
        if (bytes[i] == ' ') bytes[i] = 0;
    EXPECT_NE(openmptTracker(bytes), "FastTracker 2 or compatible");
}

TEST(XmWriter, RefusesWhatAnXmFileCannotHold)
{
    struct Case {
        const char* what;
        void (*spoil)(XmModule&);
    };
    const Case cases[] = {
        {"odd channel count", [](XmModule& m) { m.channels = 3; }},
        {"too many channels", [](XmModule& m) { m.channels = 34; }},
        {"no orders", [](XmModule& m) { m.orders.clear(); }},
        {"order names a missing pattern", [](XmModule& m) { m.orders.push_back(2); }},
        {"restart past the end", [](XmModule& m) { m.restart = 3; }},
        {"speed 0", [](XmModule& m) { m.speed = 0; }},
        {"bpm 31", [](XmModule& m) { m.bpm = 31; }},
        {"row with a missing cell", [](XmModule& m) { m.patterns[0].cells[2].pop_back(); }},
        {"pattern of 257 rows", [](XmModule& m) { m.patterns[1] = blankXmPattern(257, 4); }},
        {"8-bit value out of range", [](XmModule& m) { m.instruments[0].samples[0].data[0] = 128; }},
        {"loop past the sample end", [](XmModule& m) { m.instruments[0].samples[0].loopLength = 57; }},
        {"sample volume 65", [](XmModule& m) { m.instruments[0].samples[0].volume = 65; }},
        {"note mapped to a missing sample", [](XmModule& m) { m.instruments[0].noteSample[40] = 1; }},
        {"sustain past the envelope", [](XmModule& m) { m.instruments[0].volumeSustain = 3; }},
    };
    ASSERT_FALSE(encodeXm(sampleModule()).empty());
    for (const Case& c : cases) {
        XmModule module = sampleModule();
        c.spoil(module);
        EXPECT_TRUE(encodeXm(module).empty()) << c.what;
    }
}

TEST(XmWriter, WritesTheEncodedBytesToAFile)
{
    const std::string path = std::string(STROBARIUM_BINARY_DIR) + "/tests/xm-writer-check.xm";
    ASSERT_TRUE(writeXm(path, sampleModule()));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> read(1 << 16);
    read.resize(std::fread(read.data(), 1, read.size(), file));
    std::fclose(file);
    std::remove(path.c_str());
    EXPECT_EQ(read, encodeXm(sampleModule()));
    EXPECT_FALSE(writeXm("/nonexistent-dir/x.xm", sampleModule()));
}

}  // namespace
