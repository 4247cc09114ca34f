// Our XM writer, read back by libxmp, which plays what it writes.
#include "tools/xm/xmWriter.h"

#include <gtest/gtest.h>
#include <xmp.h>

TEST(XmWriter, LibxmpReadsBackWhatWasWritten)
{
    XmModule m;
    m.title = "writer check";
    m.speed = 5;
    m.bpm = 140;
    m.restart = 1;
    m.orders = {1, 0, 1};
    m.patterns = {blankXmPattern(16, 4), blankXmPattern(32, 4)};
    m.patterns[0].cells[5][2] = {xmNote(7, 11), 1, xmVolume(40), 0xF, 0x20};
    m.instruments.resize(1);
    m.instruments[0].samples = {{"wide", true, {0, 32767, -32768, 1000, -1000, 0}, XmLoop::pingPong, 1, 4, 48, -16, 64, 12}};
    const std::vector<uint8_t> bytes = encodeXm(m);
    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, bytes.data(), long(bytes.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module& read = *info.mod;
    const xmp_event& event = read.xxt[read.xxp[0]->index[2]]->event[5];
    const xmp_subinstrument& sub = read.xxi[0].sub[0];
    const xmp_sample& sample = read.xxs[sub.sid];
    // libxmp counts notes from C-0 = 13 and stores the volume column + 1.
    EXPECT_EQ(std::vector<int>({read.chn, read.len, read.rst, read.spd, read.bpm, read.xxo[0], read.xxp[1]->rows, event.note, event.ins,
                                event.vol, event.fxt, event.fxp, sub.vol, sub.fin, sub.xpo, sample.len, sample.lps, sample.lpe}),
              std::vector<int>({4, 3, 1, 5, 140, 1, 32, 13 + 95, 1, 41, 0xF, 0x20, 48, -16, 12, 6, 1, 5}));
    EXPECT_EQ(sample.flg & (XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP_BIDIR), XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP_BIDIR);
    EXPECT_EQ(std::vector<int16_t>(reinterpret_cast<const int16_t*>(sample.data), reinterpret_cast<const int16_t*>(sample.data) + 5),
              std::vector<int16_t>({0, 32767, -32768, 1000, -1000}));
    xmp_release_module(context);
    xmp_free_context(context);
}
