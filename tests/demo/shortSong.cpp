// short-song FILE ORDERS: a quick XM module for the demo's end-to-end runs. Each order is 16
// rows of 2 ticks at 255 BPM (19.6 ms a row, 0.31 s an order) with a note of instrument 1 on
// every fourth row. With 18 orders or more, order 17 slows to 2.4 s a row after its row 16, so
// the song itself would go on for two more minutes after the demo's last position.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/xm/xmWriter.h"

int main(int argc, char** argv)
{
    const int orders = argc == 3 ? std::atoi(argv[2]) : 0;
    if (orders < 1 || orders > 256) {
        std::fprintf(stderr, "usage: short-song FILE ORDERS (1..256)\n");
        return 2;
    }
    XmModule module;
    module.title = "short song";
    module.channels = 2;
    module.speed = 2;
    module.bpm = 255;
    XmSample tone;
    tone.name = "tone";
    for (int i = 0; i < 2000; ++i) tone.data.push_back(static_cast<int16_t>(std::lround(60 * std::sin(i * 0.2))));
    module.instruments.push_back(XmInstrument{});
    module.instruments[0].samples.push_back(tone);
    module.patterns = {blankXmPattern(16, 2), blankXmPattern(64, 2)};
    for (int row = 0; row < 16; row += 4) module.patterns[0].cells[row][0] = XmCell{xmNote(4, 0), 1, 0, 0, 0};
    // Fxx below 0x20 sets the speed, from 0x20 the tempo.
    module.patterns[1].cells[17] = {XmCell{0, 0, 0, 0x0F, 31}, XmCell{0, 0, 0, 0x0F, 32}};
    module.orders.assign(static_cast<size_t>(orders), 0);
    if (orders > 17) module.orders[17] = 1;
    return writeXm(argv[1], module) ? 0 : 1;
}
