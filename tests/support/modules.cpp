#include "tests/support/modules.h"

#include <xmp.h>

#include "player/offline.h"
#include "player/player.h"

XmModule squareSong(int speed, int bpm, std::vector<uint8_t> orders, std::vector<int> rows, int channels, int instruments)
{
    XmModule m;
    m.channels = channels;
    m.speed = speed;
    m.bpm = bpm;
    m.orders = std::move(orders);
    for (int r : rows) m.patterns.push_back(blankXmPattern(r, channels));
    XmInstrument square;
    square.samples = {{"", false, std::vector<int16_t>(16, 60), XmLoop::forward, 0, 32}};
    square.samples[0].data.resize(32, -60);
    m.instruments.assign(std::size_t(instruments), square);
    return m;
}

XmModule featureModule()
{
    XmModule m = squareSong(6, 125, {0, 1, 2}, {16, 8, 4}, 4, 19);
    auto& a = m.patterns[0].cells;
    a[0][0] = {xmNote(0, 0), 18, 0, 0, 0};
    a[0][1] = {xmNote(1, 0), 19, 0, 0, 0};
    a[1][0] = {xmNote(1, 2), 18, xmVolume(40), 0, 0};
    a[2][1] = {xmNote(7, 11), 19, 0, 0, 0};
    a[2][2] = {xmNote(4, 0), 0, 0, 0, 0};      // bare note, channel never had an instrument
    a[3][0] = {xmNote(4, 4), 0, 0, 0, 0};      // bare note: instrument 18 again
    a[3][2] = {xmNote(4, 0), 18, 0, 0x14, 0};  // K00: let go on its first tick, never heard
    a[4][0] = {xmKeyOff, 0, 0, 0, 0};
    a[5][0] = {xmNote(4, 7), 0, 0, 0x3, 0x10};  // tone portamento
    a[5][1] = {xmNote(4, 9), 19, 0xF5, 0, 0};   // volume-column tone portamento
    a[5][2] = {xmNote(4, 2), 18, 0, 0x5, 0x01};  // tone portamento with volume slide
    a[6][0] = {xmNote(4, 9), 18, 0, 0xE, 0xD3};  // note delay: starts on tick 3
    a[7][1] = {xmNote(3, 5), 19, 0, 0xE, 0x92};  // retrigger: one note-on
    a[8][3] = {0, 0, 0, 0xF, 0x03};              // speed 3
    a[9][3] = {0, 0, 0, 0xF, 150};               // 150 BPM
    a[9][0] = {xmNote(5, 2), 18, 0, 0xE, 0xD2};  // note delay in a row the pattern delay plays twice
    a[9][1] = {0, 0, 0, 0xE, 0xE1};
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

std::pair<bool, std::string> loadOffline(const std::vector<uint8_t>& bytes)
{
    std::string said;
    const bool loaded = playerOpenOffline(44100, said) && playerLoadMemory(bytes.data(), bytes.size(), said);
    return {loaded, said};
}

std::vector<int16_t> libxmpRender(const std::vector<uint8_t>& bytes, uint64_t frames)
{
    std::vector<int16_t> out;
    xmp_context context = xmp_create_context();
    if (xmp_load_module_from_memory(context, bytes.data(), long(bytes.size())) == 0) {
        out.resize(2 * frames);
        xmp_start_player(context, 44100, 0);
        xmp_play_buffer(context, out.data(), int(out.size() * sizeof out[0]), 0);
        xmp_end_player(context);
        xmp_release_module(context);
    }
    xmp_free_context(context);
    return out;
}
