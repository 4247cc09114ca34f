#include "tests/player/synthModules.h"

#include <unistd.h>

#include <cstdio>

XmInstrument squareInstrument(const std::string& name)
{
    XmInstrument instrument;
    instrument.name = name;
    XmSample square;
    for (int i = 0; i < 32; ++i) square.data.push_back(i < 16 ? 60 : -60);
    square.loop = XmLoop::forward;
    square.loopStart = 0;
    square.loopLength = 32;
    instrument.samples = {square};
    return instrument;
}

std::vector<XmInstrument> squareInstruments(int count)
{
    std::vector<XmInstrument> instruments;
    for (int i = 1; i <= count; ++i) instruments.push_back(squareInstrument("square " + std::to_string(i)));
    return instruments;
}

uint64_t tickFrames(int bpm, int rate) { return static_cast<uint64_t>(rate) * 5 / (2 * static_cast<uint64_t>(bpm)); }

std::string scratchPath(const std::string& name) { return std::string(STROBARIUM_BINARY_DIR) + "/tests/" + name; }

std::string writeScratchModule(const std::string& name, const XmModule& module)
{
    // Test cases run in parallel processes that may write the same module: each writes a file
    // of its own and renames it into place, so a reader never sees half a file.
    const std::string path = scratchPath(name);
    const std::string own = path + "." + std::to_string(getpid());
    if (!writeXm(own, module)) return std::string();
    return std::rename(own.c_str(), path.c_str()) == 0 ? path : std::string();
}

XmModule featureModule()
{
    XmModule m;
    m.title = "feature song";
    m.channels = 4;
    m.speed = 6;
    m.bpm = 125;
    m.orders = {0, 1, 2};
    m.patterns = {blankXmPattern(16, 4), blankXmPattern(8, 4), blankXmPattern(4, 4)};
    m.instruments = squareInstruments(19);

    auto& a = m.patterns[0].cells;
    a[0][0] = {xmNote(0, 0), 18, 0, 0, 0};                 // C-0
    a[0][1] = {xmNote(1, 0), 19, 0, 0, 0};                 // C-1
    a[1][0] = {xmNote(1, 2), 18, xmVolume(40), 0, 0};      // D-1 at volume 40
    a[2][1] = {xmNote(7, 11), 19, 0, 0, 0};                // B-7
    a[2][2] = {xmNote(4, 0), 0, 0, 0, 0};                  // bare note, channel never had an instrument
    a[3][0] = {xmNote(4, 4), 0, 0, 0, 0};                  // bare note: instrument 18 again
    a[4][0] = {xmKeyOff, 0, 0, 0, 0};
    a[5][0] = {xmNote(4, 7), 0, 0, 0x3, 0x10};             // tone portamento
    a[5][1] = {xmNote(4, 9), 19, 0xF5, 0, 0};              // volume-column tone portamento
    a[6][0] = {xmNote(4, 9), 18, 0, 0xE, 0xD3};            // note delay: starts on tick 3
    a[7][1] = {xmNote(3, 5), 19, 0, 0xE, 0x92};            // retrigger: one note-on
    a[8][3] = {0, 0, 0, 0xF, 0x03};                        // speed 3 from row 8
    a[9][3] = {0, 0, 0, 0xF, 150};                         // 150 BPM from row 9
    a[10][0] = {xmNote(5, 0), 18, 0, 0xD, 0x04};           // pattern break into row 4 of the next order

    auto& b = m.patterns[1].cells;
    b[0][0] = {xmNote(2, 0), 18, 0, 0, 0};                 // skipped by the break
    b[4][3] = {0, 0, 0, 0xE, 0x60};                        // loop start
    b[5][0] = {xmNote(2, 2), 19, 0, 0, 0};
    b[6][3] = {0, 0, 0, 0xE, 0x61};                        // loop back once
    b[7][0] = {xmNote(2, 4), 18, 0, 0, 0};

    auto& c = m.patterns[2].cells;
    c[0][1] = {xmNote(3, 0), 19, 0, 0, 0};
    c[1][3] = {0, 0, 0, 0xB, 0x00};                        // back to order 0: the song repeats
    return m;
}

XmModule restartModule()
{
    XmModule m;
    m.title = "restart song";
    m.channels = 4;
    m.speed = 4;
    m.bpm = 100;
    m.restart = 2;
    m.orders = {0, 1, 0, 1, 2};
    m.patterns = {blankXmPattern(4, 4), blankXmPattern(2, 4), blankXmPattern(3, 4)};
    m.instruments = squareInstruments(1);
    for (auto& pattern : m.patterns)
        for (std::size_t r = 0; r < pattern.cells.size(); ++r)
            pattern.cells[r][0] = {xmNote(4, static_cast<int>(r)), 1, 0, 0, 0};
    return m;
}

XmModule blankSong(int orders)
{
    XmModule m;
    m.title = "blank song";
    m.channels = 2;
    m.speed = 1;
    m.bpm = 255;
    m.orders.assign(static_cast<std::size_t>(orders), 0);
    m.orders[2] = 1;
    m.patterns = {blankXmPattern(64, 2), blankXmPattern(64, 2)};
    m.instruments = squareInstruments(19);
    m.patterns[1].cells[0][0] = {xmNote(1, 2), 18, 0, 0, 0};  // note 14
    m.patterns[1].cells[1][1] = {xmNote(1, 5), 18, 0, 0, 0};  // note 17
    return m;
}
