#include "tests/support/modules.h"

#include <xmp.h>

#include <algorithm>

#include "tests/support/files.h"

namespace {

XmModule song(int speed, int bpm, std::vector<uint8_t> orders, std::vector<int> rows, int channels, int instruments)
{
    XmModule m;
    m.channels = channels;
    m.speed = speed;
    m.bpm = bpm;
    m.orders = std::move(orders);
    for (int r : rows) m.patterns.push_back(blankXmPattern(r, channels));
    // A short looped square wave: audible, cheap to mix.
    XmInstrument square;
    square.samples.resize(1);
    for (int i = 0; i < 32; ++i) square.samples[0].data.push_back(i < 16 ? 60 : -60);
    square.samples[0].loop = XmLoop::forward;
    square.samples[0].loopLength = 32;
    m.instruments.assign(std::size_t(instruments), square);
    return m;
}

}  // namespace

std::string writeModule(const std::string& name, const XmModule& module)
{
    static const TempDir scratch("modules");
    return writeXm(scratch / name, module) ? scratch / name : std::string();
}

XmModule featureModule()
{
    XmModule m = song(6, 125, {0, 1, 2}, {16, 8, 4}, 4, 19);
    auto& a = m.patterns[0].cells;
    a[0][0] = {xmNote(0, 0), 18, 0, 0, 0};
    a[0][1] = {xmNote(1, 0), 19, 0, 0, 0};
    a[1][0] = {xmNote(1, 2), 18, xmVolume(40), 0, 0};
    a[2][1] = {xmNote(7, 11), 19, 0, 0, 0};
    a[2][2] = {xmNote(4, 0), 0, 0, 0, 0};      // bare note, channel never had an instrument
    a[3][0] = {xmNote(4, 4), 0, 0, 0, 0};      // bare note: instrument 18 again
    a[4][0] = {xmKeyOff, 0, 0, 0, 0};
    a[5][0] = {xmNote(4, 7), 0, 0, 0x3, 0x10};  // tone portamento
    a[5][1] = {xmNote(4, 9), 19, 0xF5, 0, 0};   // volume-column tone portamento
    a[6][0] = {xmNote(4, 9), 18, 0, 0xE, 0xD3};  // note delay: starts on tick 3
    a[7][1] = {xmNote(3, 5), 19, 0, 0xE, 0x92};  // retrigger: one note-on
    a[8][3] = {0, 0, 0, 0xF, 0x03};              // speed 3
    a[9][3] = {0, 0, 0, 0xF, 150};               // 150 BPM
    a[10][0] = {xmNote(5, 0), 18, 0, 0xD, 0x04};  // break into row 4 of the next order
    auto& b = m.patterns[1].cells;
    b[0][0] = {xmNote(2, 0), 18, 0, 0, 0};  // skipped by the break
    b[4][3] = {0, 0, 0, 0xE, 0x60};         // loop start
    b[5][0] = {xmNote(2, 2), 19, 0, 0, 0};
    b[6][3] = {0, 0, 0, 0xE, 0x61};  // loop back once
    b[7][0] = {xmNote(2, 4), 18, 0, 0, 0};
    m.patterns[2].cells[0][1] = {xmNote(3, 0), 19, 0, 0, 0};
    m.patterns[2].cells[1][3] = {0, 0, 0, 0xB, 0x00};  // back to order 0: the song repeats
    return m;
}

XmModule restartModule()
{
    XmModule m = song(4, 100, {0, 1, 0, 1, 2}, {4, 2, 3}, 4, 1);
    m.restart = 2;
    for (auto& pattern : m.patterns)
        for (std::size_t r = 0; r < pattern.cells.size(); ++r) pattern.cells[r][0] = {xmNote(4, int(r)), 1, 0, 0, 0};
    return m;
}

XmModule blankSong(int orders)
{
    std::vector<uint8_t> list(std::size_t(orders), 0);
    list[2] = 1;
    XmModule m = song(1, 255, list, {64, 64}, 2, 19);
    auto& cells = m.patterns[1].cells;
    cells[0] = {{xmNote(1, 2), 18, 0, 0, 0}, {xmNote(1, 5), 18, 0, 0, 0}};
    const uint8_t instruments[] = {1, 2, 3, 19};
    for (int row = 1; row <= 4; ++row) cells[std::size_t(row)][0] = {xmNote(1, 9), instruments[row - 1], 0, 0, 0};
    return m;
}

std::vector<int16_t> libxmpRender(const std::vector<uint8_t>& bytes, uint64_t frames)
{
    std::vector<int16_t> out;
    xmp_context context = xmp_create_context();
    if (xmp_load_module_from_memory(context, bytes.data(), long(bytes.size())) == 0) {
        xmp_start_player(context, 44100, 0);
        xmp_frame_info frame;
        while (out.size() < 2 * frames && xmp_play_frame(context) == 0) {
            xmp_get_frame_info(context, &frame);
            const auto* data = static_cast<const int16_t*>(frame.buffer);
            out.insert(out.end(), data, data + frame.buffer_size / 2);
        }
        xmp_end_player(context);
        xmp_release_module(context);
    }
    xmp_free_context(context);
    out.resize(std::min<std::size_t>(out.size(), 2 * frames));
    return out;
}
