// Our XM writer, read back by libxmp, which plays what it writes: a pattern packed to an odd size,
// and an ADPCM sample of an odd count, whose last byte holds one value: libxmp reads every value
// and what follows in place, and our reader counts that byte (a file one byte short ends in the
// plain sample after it).
#include "player/moduleFile.h"
#include "tools/xm/xmWriter.h"

#include <gtest/gtest.h>
#include <xmp.h>

TEST(XmWriter, LibxmpReadsBackWhatWasWritten)
{
    XmModule m;
    m.title = "writer check";
    m.speed = 5, m.bpm = 140, m.restart = 1, m.orders = {1, 0, 1};
    m.patterns = {blankXmPattern(16, 4), blankXmPattern(32, 4)};
    m.patterns[0].cells[5][2] = {xmNote(7, 11), 1, xmVolume(40), 0xF, 0x20};
    m.patterns[0].cells[6][1] = {xmNote(0, 1), 1, xmVolume(0), 0, 0};  // a flag and three: 71 bytes packed
    m.instruments.resize(1);
    m.instruments[0].samples = {{"wide", true, {0, 32767, -32768, 1000, -1000, 0}, XmLoop::pingPong, 1, 4, 48, -16, 64, 12},
                                {"packed", false, {0, 3, 6, 3, -5}}, {"after", false, {1, -2, 3}}};
    m.instruments[0].samples[1].adpcm = true;
    const std::vector<uint8_t> bytes = encodeXm(m);
    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, bytes.data(), long(bytes.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module& read = *info.mod;
    const xmp_event& event = read.xxt[read.xxp[0]->index[2]]->event[5], &odd = read.xxt[read.xxp[0]->index[1]]->event[6];
    const xmp_subinstrument& sub = read.xxi[0].sub[0];
    const xmp_sample& sample = read.xxs[sub.sid];
    // libxmp counts notes from C-0 = 13 and stores the volume column + 1.
    EXPECT_EQ(std::vector<int>({read.chn, read.len, read.rst, read.spd, read.bpm, read.xxo[0], read.xxp[1]->rows, event.note, event.ins,
                                event.vol, event.fxt, event.fxp, sub.vol, sub.fin, sub.xpo, sample.len, sample.lps, sample.lpe}),
              std::vector<int>({4, 3, 1, 5, 140, 1, 32, 13 + 95, 1, 41, 0xF, 0x20, 48, -16, 12, 6, 1, 5}));
    EXPECT_EQ(std::vector<int>({odd.note, odd.ins, odd.vol, odd.fxt}), std::vector<int>({13 + 1, 1, 1, 0}));
    EXPECT_EQ(sample.flg & (XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP_BIDIR), XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP_BIDIR);
    const auto values = [&](int s, int n) {
        const xmp_sample& x = read.xxs[read.xxi[0].sub[s].sid];
        std::vector<int> v;
        for (int i = 0; i < n; ++i) v.push_back(s ? reinterpret_cast<const int8_t*>(x.data)[i] : reinterpret_cast<const int16_t*>(x.data)[i]);
        return v;
    };
    EXPECT_EQ(values(0, 5), std::vector<int>({0, 32767, -32768, 1000, -1000}));
    EXPECT_EQ(values(1, 5), std::vector<int>({0, 3, 6, 3, -5}));
    EXPECT_EQ(values(2, 3), std::vector<int>({1, -2, 3}));
    xmp_release_module(context);
    xmp_free_context(context);
    std::string error, notice;
    EXPECT_TRUE(wholeModule(bytes.data(), bytes.size(), nullptr, error, notice) && notice.empty()) << error << notice;
    EXPECT_TRUE(wholeModule(bytes.data(), bytes.size() - 1, nullptr, error, notice)) << error;
    EXPECT_EQ(notice, "module in memory is 1 byte short inside instrument 1's sample data: what is missing plays as silence");
}
