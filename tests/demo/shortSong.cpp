// short-song FILE ORDERS: a quick XM module for the demo's end-to-end runs. Each order is 16
// rows of 2 ticks at 255 BPM (19.6 ms a row, 0.31 s an order) with a note of instrument 1 on
// every fourth row. With 18 orders or more, order 17 slows to 2.4 s a row after its row 16, so
// the song itself would go on for two more minutes after the demo's last position.
#include <cstdio>
#include <cstdlib>

#include "tests/support/modules.h"

int main(int argc, char** argv)
{
    const int orders = argc == 3 ? std::atoi(argv[2]) : 0;
    if (orders < 1 || orders > 256) {
        std::fprintf(stderr, "usage: short-song FILE ORDERS (1..256)\n");
        return 2;
    }
    XmModule module = squareSong(2, 255, std::vector<uint8_t>(std::size_t(orders), 0), {16, 64}, 2, 1);
    for (int row = 0; row < 16; row += 4) module.patterns[0].cells[std::size_t(row)][0] = XmCell{xmNote(4, 0), 1, 0, 0, 0};
    // Fxx below 0x20 sets the speed, from 0x20 the tempo.
    module.patterns[1].cells[17] = {XmCell{0, 0, 0, 0x0F, 31}, XmCell{0, 0, 0, 0x0F, 32}};
    if (orders > 17) module.orders[17] = 1;
    return writeXm(argv[1], module) ? 0 : 1;
}
