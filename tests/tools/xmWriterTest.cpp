// Our XM writer checked by the readers that matter: libxmp (which plays it) and libopenmpt (which
// must take it for a FastTracker 2 file); and what an XM file cannot hold is refused.
#include "tests/support/openmptOracle.h"
#include "tools/xm/xmWriter.h"

#include <gtest/gtest.h>
#include <xmp.h>

XmModule sampleModule()
{
    XmModule m;
    m.title = "writer check";
    m.speed = 5;
    m.bpm = 140;
    m.restart = 1;
    m.orders = {1, 0, 1};
    m.patterns = {blankXmPattern(16, 4), blankXmPattern(32, 4)};
    m.patterns[0].cells[0][0] = {xmNote(4, 0), 1, xmVolume(40), 0, 0};
    m.patterns[0].cells[5][2] = {xmNote(7, 11), 2, 0xF5, 0x3, 0x20};  // all five fields
    m.patterns[0].cells[8][3] = {xmKeyOff, 0, 0, 0, 0};
    m.instruments.resize(2);
    std::vector<int16_t> wave(64, 100);
    std::fill(wave.begin() + 32, wave.end(), -100);
    m.instruments[0].samples = {{"square", false, wave, XmLoop::forward, 8, 48, 48, -16, 64, 12}};
    m.instruments[0].volumeEnvelope = {{0, 64}, {10, 32}, {40, 0}};
    m.instruments[0].volumeSustainOn = m.instruments[0].volumeEnvelopeOn = true;
    m.instruments[0].volumeSustain = 1;
    m.instruments[1].samples = {{"wide", true, {0, 32767, -32768, 1000, -1000, 0}, XmLoop::pingPong, 1, 4}};
    return m;
}

TEST(XmWriter, LibxmpReadsBackWhatWasWritten)
{
    const std::vector<uint8_t> bytes = encodeXm(sampleModule());
    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, bytes.data(), long(bytes.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module& m = *info.mod;
    EXPECT_EQ(std::string(m.name) + "|" + m.type, "writer check|FastTracker v2.00 XM 1.04");
    EXPECT_EQ(std::vector<int>({m.chn, m.len, m.rst, m.ins, m.spd, m.bpm, m.xxo[0], m.xxp[0]->rows, m.xxp[1]->rows}),
              std::vector<int>({4, 3, 1, 2, 5, 140, 1, 16, 32}));
    const auto event = [&](int row, int channel) { return m.xxt[m.xxp[0]->index[channel]]->event[row]; };
    // libxmp counts notes from C-0 = 13 and stores the volume column + 1.
    EXPECT_EQ(std::vector<int>({event(0, 0).note, event(0, 0).ins, event(0, 0).vol, event(5, 2).note, event(5, 2).ins, event(8, 3).note}),
              std::vector<int>({13 + 48, 1, 41, 13 + 95, 2, XMP_KEY_OFF}));
    const xmp_subinstrument& sub = m.xxi[0].sub[0];
    EXPECT_EQ(std::vector<int>({m.xxi[0].aei.npt, m.xxi[0].aei.data[2], m.xxi[0].aei.data[3], sub.vol, sub.fin, sub.pan, sub.xpo}),
              std::vector<int>({3, 10, 32, 48, -16, 64, 12}));
    const xmp_sample& square = m.xxs[sub.sid];
    EXPECT_EQ(std::vector<int>({square.len, square.lps, square.lpe, square.flg & (XMP_SAMPLE_LOOP | XMP_SAMPLE_16BIT)}),
              std::vector<int>({64, 8, 56, XMP_SAMPLE_LOOP}));
    EXPECT_EQ(std::vector<int8_t>(square.data + 30, square.data + 34), std::vector<int8_t>({100, 100, -100, -100}));
    const xmp_sample& wide = m.xxs[m.xxi[1].sub[0].sid];
    EXPECT_EQ(wide.flg & (XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP_BIDIR), XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP_BIDIR);
    const auto* values = reinterpret_cast<const int16_t*>(wide.data);
    EXPECT_EQ(std::vector<int16_t>(values, values + 5), std::vector<int16_t>({0, 32767, -32768, 1000, -1000}));
    xmp_release_module(context);
    xmp_free_context(context);
}

TEST(XmWriter, LibopenmptTakesItForFastTracker2ByItsSpacePaddedTitle)
{
    const auto tracker = [](const std::vector<uint8_t>& bytes) {
        const OpenmptOracle oracle(bytes);
        const char* name = oracle.module ? openmpt_module_get_metadata(oracle.module.get(), "tracker") : nullptr;
        const std::string text = name ? name : "(not loaded)";
        return openmpt_free_string(name), text;
    };
    std::vector<uint8_t> bytes = encodeXm(sampleModule());
    EXPECT_EQ(tracker(bytes), "FastTracker 2 or compatible");
    std::replace(bytes.begin() + 17, bytes.begin() + 37, uint8_t(' '), uint8_t(0));
    EXPECT_NE(tracker(bytes), "FastTracker 2 or compatible");
}

TEST(XmWriter, RefusesWhatAnXmFileCannotHold)
{
    void (*const spoil[])(XmModule&) = {
        [](XmModule& m) { m.channels = 3; }, [](XmModule& m) { m.channels = 34; }, [](XmModule& m) { m.orders.clear(); },
        [](XmModule& m) { m.orders.push_back(2); }, [](XmModule& m) { m.restart = 3; }, [](XmModule& m) { m.speed = 0; },
        [](XmModule& m) { m.bpm = 31; }, [](XmModule& m) { m.patterns[0].cells[2].pop_back(); },
        [](XmModule& m) { m.patterns[1] = blankXmPattern(257, 4); },
        [](XmModule& m) { m.instruments[0].samples[0].data[0] = 128; },
        [](XmModule& m) { m.instruments[0].samples[0].loopLength = 57; },
        [](XmModule& m) { m.instruments[0].samples[0].volume = 65; }, [](XmModule& m) { m.instruments[0].noteSample[40] = 1; },
        [](XmModule& m) { m.instruments[0].volumeSustain = 3; },
    };
    ASSERT_FALSE(encodeXm(sampleModule()).empty());
    EXPECT_FALSE(writeXm("/nonexistent-dir/x.xm", sampleModule()));
    for (std::size_t i = 0; i < std::size(spoil); ++i) {
        XmModule module = sampleModule();
        spoil[i](module);
        EXPECT_TRUE(encodeXm(module).empty()) << "case " << i;
    }
}
