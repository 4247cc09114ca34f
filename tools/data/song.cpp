#include "tools/data/song.h"

#include <cstring>

#include "common/demoScript.h"
#include "tools/data/synth.h"

namespace {

// Channel roles.
enum Channel : int {
    chKick,
    chSnare,
    chHat,
    chPerc,
    chCrash,
    chBass,
    chArp,
    chPad,  // three voices: chPad, chPad + 1, chPad + 2
    chLead = chPad + 3,
    chPluck,
    chStrings,  // two voices
    chSub = chStrings + 2,
    chFx,
};
static_assert(chFx + 1 == songChannels, "one channel per role");

constexpr uint8_t note(int octave, int semitone) { return xmNote(octave, semitone); }
constexpr uint8_t hit = note(4, 0);  // drums sound at their own rate on C-4

enum Semitone { C, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };

struct Chord {
    uint8_t bass;       // octave 2-3
    uint8_t pad[3];     // close voicing around middle C
    uint8_t arp[5];     // chord tones rising, octave 4-6
    uint8_t strings[2]; // upper pair
};

const Chord chordAm{note(2, A), {note(3, A), note(4, C), note(4, E)}, {note(4, A), note(5, C), note(5, E), note(5, A), note(6, C)}, {note(5, C), note(5, E)}};
const Chord chordF{note(2, F), {note(3, A), note(4, C), note(4, F)}, {note(4, F), note(4, A), note(5, C), note(5, F), note(5, A)}, {note(5, C), note(5, F)}};
const Chord chordC{note(3, C), {note(3, G), note(4, C), note(4, E)}, {note(4, G), note(5, C), note(5, E), note(5, G), note(6, C)}, {note(5, E), note(5, G)}};
const Chord chordG{note(2, G), {note(3, G), note(3, B), note(4, D)}, {note(4, G), note(4, B), note(5, D), note(5, G), note(5, B)}, {note(5, D), note(5, G)}};
const Chord chordDm{note(3, D), {note(3, A), note(4, D), note(4, F)}, {note(4, A), note(5, D), note(5, F), note(5, A), note(6, D)}, {note(5, F), note(5, A)}};
const Chord chordE{note(2, E), {note(3, Gs), note(3, B), note(4, E)}, {note(4, Gs), note(4, B), note(5, E), note(5, Gs), note(5, B)}, {note(5, E), note(5, Gs)}};

// One chord per 16-row bar.
using Progression = const Chord* [4];
const Progression mainChords = {&chordAm, &chordF, &chordC, &chordG};
const Progression devChords = {&chordDm, &chordAm, &chordF, &chordE};

// Lead lines, one bar a string, one token a row: a note ("E5", "G#5"), "." to hold, "-" key-off.
using Melody = const char* [4];
const Melody melodyA = {
    "E5 . . . D5 . C5 . D5 . E5 . . . A4 .",
    "C5 . . . . . . . A4 . C5 . F5 . E5 .",
    "E5 . . . D5 . C5 . G4 . . . C5 . D5 .",
    "D5 . . . . . B4 . G4 . . . - . . .",
};
const Melody melodyB = {
    "A5 . . . G5 . E5 . . . D5 . E5 . . .",
    "F5 . E5 . C5 . . . A4 . C5 . F5 . A5 .",
    "G5 . . . E5 . C5 . E5 . G5 . C6 . . .",
    "B5 . . . A5 . G5 . D5 . . . B4 . D5 .",
};
const Melody melodyDev = {
    "F5 . . . E5 . D5 . A4 . . . D5 . F5 .",
    "E5 . . . . . C5 . A4 . . . C5 . E5 .",
    "A5 . . . G5 . F5 . C5 . . . F5 . A5 .",
    "G#5 . . . . . B5 . E5 . . . - . . .",
};

void put(XmPattern& p, int row, int channel, uint8_t n, uint8_t instrument, int volume = -1, uint8_t effect = 0,
         uint8_t param = 0)
{
    if (row < 0 || row >= static_cast<int>(p.cells.size())) return;
    XmCell& cell = p.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(channel)];
    cell.note = n;
    cell.instrument = instrument;
    if (volume >= 0) cell.volume = xmVolume(volume > 64 ? 64 : volume);
    cell.effect = effect;
    cell.param = param;
}

// Volume column only: changes the level of the note already sounding.
void level(XmPattern& p, int row, int channel, int volume)
{
    p.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(channel)].volume = xmVolume(volume);
}

// A bar as a tracker shows it, "x" on the rows that count: "x.......x......." is rows 0 and 8.
constexpr uint16_t barRows(const char (&rows)[17])
{
    uint16_t mask = 0;
    for (int row = 0; row < 16; ++row)
        if (rows[row] == 'x') mask = static_cast<uint16_t>(mask | 1u << row);
    return mask;
}

// The rows of every bar on which the instruments the picture follows take over a note from
// their twins, which play everything else with the same sound: the field flashes on these.
struct Accents {
    uint16_t kick, snare, hat, bass, arp;
};

struct Twin {
    int channel;
    uint8_t steady, accent;
};
const Twin twins[5] = {{chKick, insGrooveKick, insKick},
                       {chSnare, insGrooveSnare, insSnare},
                       {chHat, insHats, insHat},
                       {chBass, insRunningBass, insBass},
                       {chArp, insRunningArp, insArp}};

// The twin's note at (row, channel), if there is one, handed to the instrument the picture follows.
void accentAt(XmPattern& p, int row, int channel)
{
    XmCell& cell = p.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(channel)];
    for (const Twin& twin : twins)
        if (twin.channel == channel && cell.instrument == twin.steady && (channel != chHat || cell.note == keyClosedHat))
            cell.instrument = twin.accent;
}

void accents(XmPattern& p, const Accents& plan)
{
    const uint16_t masks[5] = {plan.kick, plan.snare, plan.hat, plan.bass, plan.arp};
    for (int row = 0; row < static_cast<int>(p.cells.size()); ++row)
        for (int t = 0; t < 5; ++t)
            if (masks[t] >> (row % 16) & 1) accentAt(p, row, twins[t].channel);
}

int parseNote(const char* token, int length)
{
    static const int semitones[7] = {A, B, C, D, E, F, G};  // 'A'..'G'
    int semitone = semitones[token[0] - 'A'];
    int at = 1;
    if (token[at] == '#') {
        ++semitone;
        ++at;
    }
    return at < length ? note(token[at] - '0', semitone) : 0;
}

void melody(XmPattern& p, int channel, uint8_t instrument, const Melody& bars, int volume, int transpose = 0)
{
    for (int bar = 0; bar < 4; ++bar) {
        const char* text = bars[bar];
        int row = bar * 16;
        while (*text) {
            while (*text == ' ') ++text;
            if (!*text) break;
            int length = 0;
            while (text[length] && text[length] != ' ') ++length;
            if (*text == '-')
                put(p, row, channel, xmKeyOff, 0);
            else if (*text != '.')
                put(p, row, channel, static_cast<uint8_t>(parseNote(text, length) + transpose), instrument,
                    volume + (row % 16 == 0 ? 4 : 0));
            text += length;
            ++row;
        }
    }
}

// Effect 8xx sets the channel's panning for the note it starts: the pad's voices left, centre
// and right, the strings' pair wide apart.
constexpr uint8_t setPanning = 0x08;
const uint8_t padPanning[3] = {48, 128, 208};
const uint8_t stringsPanning[2] = {32, 224};

void padChord(XmPattern& p, int row, const Chord& chord, int volume)
{
    for (int v = 0; v < 3; ++v) put(p, row, chPad + v, chord.pad[v], insPad, volume, setPanning, padPanning[v]);
}

void stringsChord(XmPattern& p, int row, const Chord& chord, int volume)
{
    for (int v = 0; v < 2; ++v) put(p, row, chStrings + v, chord.strings[v], insStrings, volume, setPanning, stringsPanning[v]);
}

void pads(XmPattern& p, const Progression& chords, int volume)
{
    for (int bar = 0; bar < 4; ++bar) padChord(p, bar * 16, *chords[bar], volume);
}

void strings(XmPattern& p, const Progression& chords, int volume)
{
    for (int bar = 0; bar < 4; ++bar) stringsChord(p, bar * 16, *chords[bar], volume);
}

enum class BassStyle { whole, eighths, offbeat };

void bassLine(XmPattern& p, const Progression& chords, BassStyle style, int volume)
{
    for (int bar = 0; bar < 4; ++bar) {
        const uint8_t root = chords[bar]->bass;
        const int base = bar * 16;
        switch (style) {
        case BassStyle::whole:
            put(p, base, chBass, root, insRunningBass, volume);
            put(p, base + 10, chBass, root, insRunningBass, volume - 12);
            break;
        case BassStyle::eighths:
            for (int step = 0; step < 8; ++step) {
                const bool octave = step == 3 || step == 7;
                const bool fifth = step == 5 && bar == 3;
                const uint8_t n = octave ? root + 12 : fifth ? root + 7 : root;
                put(p, base + step * 2, chBass, n, insRunningBass, volume - (step % 2 ? 10 : 0));
            }
            break;
        case BassStyle::offbeat:
            put(p, base, chBass, root, insRunningBass, volume);
            for (int beat = 0; beat < 4; ++beat) put(p, base + beat * 4 + 2, chBass, root + 12 * (beat == 3), insRunningBass, volume - 6);
            break;
        }
    }
}

enum class ArpStyle { quarters, eighths, sixteenths };

void arpeggio(XmPattern& p, const Progression& chords, ArpStyle style, int volume, int fromRow = 0, int toRow = 64)
{
    static const int eighth[8] = {0, 2, 3, 2, 1, 2, 3, 4};
    static const int sixteenth[16] = {0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 1, 3, 2, 4, 3, 2};
    const int step = style == ArpStyle::quarters ? 4 : style == ArpStyle::eighths ? 2 : 1;
    for (int row = fromRow; row < toRow; row += step) {
        const Chord& chord = *chords[row / 16];
        const int inBar = row % 16;
        const int tone = style == ArpStyle::sixteenths ? sixteenth[inBar] : eighth[(inBar / step) % 8];
        const int accent = inBar == 0 ? 8 : inBar % 4 == 0 ? 3 : 0;
        // Each note to the other side, a ping-pong across the field.
        put(p, row, chArp, chord.arp[tone], insRunningArp, volume + accent, setPanning, (row / step) % 2 ? 192 : 64);
    }
}

void pluckLine(XmPattern& p, const Progression& chords, int volume)
{
    static const int rows[6] = {0, 3, 6, 8, 11, 14};
    static const int tones[6] = {2, 1, 3, 2, 4, 1};
    for (int bar = 0; bar < 4; ++bar)
        for (int i = 0; i < 6; ++i) put(p, bar * 16 + rows[i], chPluck, chords[bar]->arp[tones[i]] + 12, insPluck, volume - 4 * (i % 2));
}

void kicks(XmPattern& p, int volume, int every = 4, int fromRow = 0, int toRow = 64)
{
    for (int row = fromRow; row < toRow; row += every) put(p, row, chKick, hit, insGrooveKick, volume);
}

void backbeat(XmPattern& p, int volume, int fromRow = 0, int toRow = 64)
{
    for (int row = fromRow + 4; row < toRow; row += 8) put(p, row, chSnare, hit, insGrooveSnare, volume);
}

void hats(XmPattern& p, bool sixteenths, int volume, bool openHats = false)
{
    static const int accent[4] = {-14, -20, 0, -20};
    for (int row = 0; row < 64; ++row) {
        if (!sixteenths && row % 4 != 2) continue;
        if (openHats && row % 32 == 30)
            put(p, row, chHat, keyOpenHat, insHats, volume);
        else
            put(p, row, chHat, keyClosedHat, insHats, volume + accent[row % 4]);
    }
}

// Snare roll over the last rows of a pattern, getting denser and louder.
void snareRoll(XmPattern& p, int fromRow, int toRow, int fromVolume, int toVolume)
{
    const int half = fromRow + (toRow - fromRow) / 2;
    for (int row = fromRow; row < toRow; ++row) {
        if (row < half && row % 2) continue;
        const int volume = fromVolume + (toVolume - fromVolume) * (row - fromRow) / (toRow - fromRow);
        put(p, row, chSnare, hit, insGrooveSnare, volume);
    }
}

void tomFill(XmPattern& p, int fromRow)
{
    static const int offsets[6] = {0, 2, 4, 5, 6, 7};
    static const int pitches[6] = {note(4, G), note(4, E), note(4, D), note(4, C), note(3, A), note(3, G)};
    for (int i = 0; i < 6; ++i) put(p, fromRow + offsets[i], chPerc, static_cast<uint8_t>(pitches[i]), insPerc, 50 + 2 * i);
}

// Swell over the second half and a reversed cymbal into the next downbeat.
void buildUp(XmPattern& p)
{
    put(p, 32, chFx, keyRiser, insFx, 44);
    put(p, 48, chCrash, keyReverse, insCymbals, 40);
}

void downbeat(XmPattern& p, bool impact)
{
    put(p, 0, chCrash, keyCrash, insCymbals, 48);
    if (impact) put(p, 0, chFx, keyImpact, insFx, 56);
}

void subRoots(XmPattern& p, const Progression& chords, int volume)
{
    for (int bar = 0; bar < 4; ++bar) put(p, bar * 16, chSub, chords[bar]->bass - 12, insSub, volume);
}

// The full groove of the main sections: kick, backbeat, hats, bass, arpeggio, pads.
XmPattern fullTrack(const Progression& chords, bool openHats)
{
    XmPattern p = blankXmPattern(64, songChannels);
    kicks(p, 60);
    put(p, 62, chKick, hit, insGrooveKick, 44);
    backbeat(p, 50);
    hats(p, true, 40, openHats);
    bassLine(p, chords, BassStyle::eighths, 50);
    arpeggio(p, chords, ArpStyle::eighths, 30);
    pads(p, chords, 34);
    strings(p, chords, 26);
    return p;
}

XmPattern introA()
{
    XmPattern p = blankXmPattern(64, songChannels);
    pads(p, mainChords, 14);
    for (int row = 4; row < 64; row += 4) level(p, row, chPad, 14 + row / 2), level(p, row, chPad + 1, 14 + row / 2),
                                          level(p, row, chPad + 2, 14 + row / 2);
    for (int bar = 0; bar < 4; ++bar) put(p, bar * 16, chKick, hit, insGrooveKick, 30 + 2 * bar);
    arpeggio(p, mainChords, ArpStyle::quarters, 20);
    put(p, 0, chLead, note(5, E), insBell, 30);
    put(p, 32, chLead, note(5, G), insBell, 30);
    subRoots(p, mainChords, 30);
    return p;
}

XmPattern introB()
{
    XmPattern p = blankXmPattern(64, songChannels);
    pads(p, mainChords, 44);
    strings(p, mainChords, 22);
    kicks(p, 38, 8);
    arpeggio(p, mainChords, ArpStyle::eighths, 24);
    melody(p, chLead, insBell, melodyA, 26);
    subRoots(p, mainChords, 34);
    return p;
}

XmPattern introC()
{
    XmPattern p = blankXmPattern(64, songChannels);
    pads(p, mainChords, 44);
    strings(p, mainChords, 26);
    kicks(p, 40, 8, 0, 48);
    kicks(p, 46, 4, 48, 64);
    arpeggio(p, mainChords, ArpStyle::eighths, 26, 0, 32);
    arpeggio(p, mainChords, ArpStyle::sixteenths, 24, 32, 64);
    subRoots(p, mainChords, 34);
    buildUp(p);
    tomFill(p, 56);
    return p;
}

// Drums enter: the warning card pulses on every row of this order.
XmPattern drumsEnter()
{
    XmPattern p = blankXmPattern(64, songChannels);
    downbeat(p, true);
    kicks(p, 60);
    backbeat(p, 50);
    hats(p, false, 42);
    pads(p, mainChords, 36);
    subRoots(p, mainChords, 44);
    return p;
}

XmPattern buildBass()
{
    XmPattern p = drumsEnter();
    p.cells[0][chFx] = XmCell{};
    bassLine(p, mainChords, BassStyle::whole, 48);
    put(p, 60, chPerc, keyRim, insPerc, 40);
    put(p, 62, chPerc, keyRim, insPerc, 34);
    return p;
}

XmPattern buildPluck()
{
    XmPattern p = buildBass();
    p.cells[0][chCrash] = XmCell{};
    bassLine(p, mainChords, BassStyle::offbeat, 46);
    pluckLine(p, mainChords, 34);
    return p;
}

XmPattern buildHats()
{
    XmPattern p = blankXmPattern(64, songChannels);
    kicks(p, 60);
    backbeat(p, 50);
    put(p, 46, chSnare, hit, insGrooveSnare, 26);
    put(p, 63, chSnare, hit, insGrooveSnare, 30);
    hats(p, true, 40);
    bassLine(p, mainChords, BassStyle::eighths, 46);
    pads(p, mainChords, 36);
    strings(p, mainChords, 24);
    pluckLine(p, mainChords, 30);
    return p;
}

XmPattern buildRoll()
{
    XmPattern p = blankXmPattern(64, songChannels);
    kicks(p, 60, 4, 0, 48);
    put(p, 48, chKick, hit, insGrooveKick, 60);
    put(p, 56, chKick, hit, insGrooveKick, 60);
    backbeat(p, 48, 0, 32);
    snareRoll(p, 32, 64, 24, 60);
    hats(p, true, 38);
    bassLine(p, mainChords, BassStyle::eighths, 46);
    pads(p, mainChords, 38);
    strings(p, mainChords, 28);
    buildUp(p);
    return p;
}

XmPattern fullDrop()
{
    XmPattern p = fullTrack(mainChords, false);
    downbeat(p, true);
    return p;
}

XmPattern greetingsA()
{
    XmPattern p = fullTrack(mainChords, true);
    melody(p, chLead, insLead, melodyA, 36);
    put(p, 0, chCrash, keyCrash, insCymbals, 40);
    return p;
}

XmPattern greetingsB()
{
    XmPattern p = fullTrack(mainChords, true);
    melody(p, chLead, insLead, melodyB, 36);
    for (int row = 56; row < 64; ++row) p.cells[static_cast<std::size_t>(row)][chKick] = XmCell{};
    put(p, 56, chKick, hit, insGrooveKick, 60);
    tomFill(p, 56);
    return p;
}

// Breakdown: no four-to-the-floor, the development chords, a bell line over a soft arpeggio.
XmPattern breakdown()
{
    XmPattern p = blankXmPattern(64, songChannels);
    downbeat(p, true);
    kicks(p, 46, 16);
    for (int row = 4; row < 64; row += 8) put(p, row, chPerc, keyRim, insPerc, 34);
    hats(p, false, 28);
    snareRoll(p, 56, 64, 20, 44);
    bassLine(p, devChords, BassStyle::whole, 44);
    arpeggio(p, devChords, ArpStyle::sixteenths, 22);
    pads(p, devChords, 36);
    strings(p, devChords, 30);
    melody(p, chPluck, insBell, melodyDev, 34);
    subRoots(p, devChords, 40);
    return p;
}

XmPattern rebuild()
{
    XmPattern p = blankXmPattern(64, songChannels);
    kicks(p, 58);
    backbeat(p, 48);
    hats(p, true, 36);
    for (int row = 2; row < 64; row += 4) put(p, row, chPerc, keyShaker, insPerc, 36);
    bassLine(p, devChords, BassStyle::eighths, 46);
    arpeggio(p, devChords, ArpStyle::eighths, 28);
    pads(p, devChords, 34);
    melody(p, chLead, insLead, melodyDev, 34);
    buildUp(p);
    return p;
}

XmPattern fullPluck()
{
    XmPattern p = greetingsA();
    pluckLine(p, mainChords, 28);
    downbeat(p, true);
    return p;
}

XmPattern devFull()
{
    XmPattern p = blankXmPattern(64, songChannels);
    downbeat(p, false);
    kicks(p, 60);
    put(p, 62, chKick, hit, insGrooveKick, 44);
    backbeat(p, 50);
    hats(p, true, 40, true);
    for (int row = 2; row < 64; row += 4) put(p, row, chPerc, keyShaker, insPerc, 34);
    bassLine(p, devChords, BassStyle::offbeat, 50);
    arpeggio(p, devChords, ArpStyle::eighths, 30);
    pads(p, devChords, 34);
    strings(p, devChords, 28);
    melody(p, chLead, insLead, melodyDev, 36, 12);
    return p;
}

XmPattern finalBuild()
{
    XmPattern p = fullTrack(mainChords, true);
    melody(p, chLead, insLead, melodyA, 36);
    for (int row = 48; row < 64; ++row) p.cells[static_cast<std::size_t>(row)][chSnare] = XmCell{};
    snareRoll(p, 48, 64, 30, 62);
    buildUp(p);
    return p;
}

// The ending: F and G with a roll, the last accent on A minor at row 16, then everything rings out.
XmPattern ending()
{
    XmPattern p = blankXmPattern(48, songChannels);
    static const Chord* const tail[2] = {&chordF, &chordG};
    for (int half = 0; half < 2; ++half) {
        const Chord& chord = *tail[half];
        const int base = half * 8;
        padChord(p, base, chord, 40);
        stringsChord(p, base, chord, 30);
        for (int step = 0; step < 4; ++step) {
            put(p, base + step * 2, chBass, chord.bass + 12 * (step == 3), insRunningBass, 50);
            put(p, base + step * 2, chArp, chord.arp[step + 1], insRunningArp, 30 + 2 * step);
        }
    }
    put(p, 0, chLead, note(5, A), insLead, 36);
    put(p, 8, chLead, note(5, B), insLead, 38);
    for (int row = 0; row < 16; ++row) put(p, row, chHat, keyClosedHat, insHats, 28 + (row % 2 ? 0 : 10));
    kicks(p, 58, 4, 0, 16);
    backbeat(p, 48, 0, 8);
    snareRoll(p, 8, 16, 34, 60);

    constexpr int accent = demoEndRow;
    put(p, accent, chKick, hit, insKick, 64);
    put(p, accent, chSnare, hit, insSnare, 56);
    put(p, accent, chHat, keyOpenHat, insHats, 44);
    put(p, accent, chCrash, keyCrash, insCymbals, 56);
    put(p, accent, chFx, keyImpact, insFx, 60);
    put(p, accent, chPerc, note(4, A), insBell, 44);
    put(p, accent, chBass, chordAm.bass, insBass, 56);
    put(p, accent, chArp, chordAm.arp[3], insArp, 40);
    put(p, accent, chLead, note(5, A), insLead, 40);
    put(p, accent, chPluck, note(5, E), insPluck, 40);
    put(p, accent, chSub, chordAm.bass - 12, insSub, 50);
    padChord(p, accent, chordAm, 44);
    stringsChord(p, accent, chordAm, 34);
    // Ring-out: no note starts after the accent; the held voices fade over the last rows, which
    // run at a third of the tempo, so the song ends some ten seconds after the demo has stopped.
    constexpr uint8_t fineFadeDown = 0x82;  // volume column: down 2 once a row
    static const int held[8] = {chBass, chLead, chSub, chPad, chPad + 1, chPad + 2, chStrings, chStrings + 1};
    for (int row = accent + 2; row < 48; ++row)
        for (int channel : held) p.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(channel)].volume = fineFadeDown;
    p.cells[20][chFx].effect = 0x0F;  // speed 18
    p.cells[20][chFx].param = 18;
    return p;
}

}  // namespace

XmModule makeSong()
{
    XmModule song;
    song.title = "sonavel3";
    song.channels = songChannels;
    song.speed = 6;
    song.bpm = 125;
    song.instruments = makeInstruments();
    song.patterns = {introA(),  introB(),     introC(),  drumsEnter(), buildBass(),  buildPluck(),
                     buildHats(), buildRoll(), fullDrop(), greetingsA(), greetingsB(), breakdown(),
                     rebuild(),  fullPluck(), devFull(),  finalBuild(), ending()};
    // What the picture answers, pattern by pattern: in the intro a kick and an arpeggio note a
    // bar; once the drums are in, the kick on the downbeat, a hat and the last backbeat; from the
    // drop the bass on the chord change and an arpeggio note with the hat as well. The rolls and
    // the fills are heard but not followed. Every note here lights most of the picture, so they
    // fall on three rows a bar at most, six or four rows apart: however two lights close together
    // are counted, no second holds more than two of them, under the three flashes a second that
    // photosensitive viewers can bear.
    const Accents intro{barRows("x..............."), 0, 0, 0, barRows("........x.......")};
    const Accents drums{barRows("x..............."), barRows("............x..."), barRows("......x........."), barRows("x..............."), 0};
    // Under the bass and the pluck's entries the hat leaves the ring to its twin: there the ring
    // six rows before the backbeat's burst, with the lit particles still scattering, read as a
    // fourth change a second where the picture is looked at closely.
    const Accents groove{drums.kick, drums.snare, 0, drums.bass, 0};
    const Accents full{barRows("x..............."), barRows("............x..."), barRows("......x........."), barRows("x..............."),
                       barRows("......x.........")};
    const Accents tail{barRows("x.......x......."), barRows("........x......."), 0, barRows("x.......x......."), 0};
    const Accents* const plans[17] = {&intro, &intro, &intro, &drums, &groove, &groove, &drums, &drums, &full,
                                      &full,  &full,  &full,  &full,  &full,  &full,  &full,  &tail};
    for (std::size_t i = 0; i < song.patterns.size(); ++i) accents(song.patterns[i], *plans[i]);
    // The warning card pulses alone through its first four rows before the drums strike the field.
    song.patterns[3].cells[0][chKick].instrument = insGrooveKick;
    // Order → pattern: 13 and 14 repeat the greetings' groove (with the pluck and then variation B).
    song.orders = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 10, 14, 15, 16};
    // The overall level: the mix of sixteen channels needs headroom.
    song.patterns[0].cells[0][chFx].effect = 0x10;  // G: global volume
    song.patterns[0].cells[0][chFx].param = 0x3C;
    return song;
}
