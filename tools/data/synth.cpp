#include "tools/data/synth.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double sampleRate = 33452.0;  // C-4 with relative note +24
constexpr double rootHz = sampleRate / 128.0;
constexpr double twoPi = 6.283185307179586;

// sin(2π · cycles) from a polynomial, not the C library: the same bits on every machine.
double sineCycles(double cycles)
{
    double x = cycles - std::floor(cycles);  // 0 .. 1
    if (x >= 0.5) x -= 1.0;                  // -0.5 .. 0.5
    if (x > 0.25) x = 0.5 - x;
    if (x < -0.25) x = -0.5 - x;  // -0.25 .. 0.25: sin is odd and mirrors about ±π/2
    const double t = twoPi * x, t2 = t * t;
    // Taylor series to t^17: error below 1e-13 on -π/2..π/2.
    double sum = 0.0, term = t;
    for (int n = 1; n <= 17; n += 2) {
        sum += term;
        term *= -t2 / ((n + 1) * (n + 2));
    }
    return sum;
}

// The tool's own noise source: a 32-bit LCG, white in -1..1.
struct Noise {
    uint32_t state;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

// One-pole low-pass; `cut` 0..1 is the share of the step taken each frame.
struct LowPass {
    double cut, y = 0.0;
    double step(double x) { return y += cut * (x - y); }
};

// Per-frame factor for a decay to 1/e in `seconds`, with no exp(): (1 - 1/n) ≈ e^(-1/n).
double decayFactor(double seconds) { return 1.0 - 1.0 / (seconds * sampleRate); }

int frames(double seconds) { return static_cast<int>(seconds * sampleRate); }

// Band-limited saw of `harmonics` partials at `cycles` periods so far.
double saw(double cycles, int harmonics)
{
    double sum = 0.0;
    for (int h = 1; h <= harmonics; ++h) sum += sineCycles(cycles * h) / h;
    return sum * 0.55;
}

// Band-limited pulse of duty `duty` (0..1).
double pulse(double cycles, double duty, int harmonics)
{
    return saw(cycles, harmonics) - saw(cycles + duty, harmonics);
}

// Scales to a peak of `peak` (0..1 of full scale) and rounds to 16 bits.
std::vector<int16_t> quantise(const std::vector<double>& wave, double peak)
{
    double top = 1e-9;
    for (double v : wave) top = std::max(top, std::fabs(v));
    std::vector<int16_t> out(wave.size());
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double v = wave[i] / top * peak * 32767.0;
        out[i] = static_cast<int16_t>(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5));
    }
    return out;
}

XmSample sample(const char* name, const std::vector<double>& wave, uint8_t volume, double peak = 0.95)
{
    XmSample s;
    s.name = name;
    s.sixteenBit = true;
    s.data = quantise(wave, peak);
    s.volume = volume;
    s.relativeNote = 24;
    return s;
}

XmSample looped(XmSample s, uint32_t loopStart)
{
    s.loop = XmLoop::forward;
    s.loopStart = loopStart;
    s.loopLength = static_cast<uint32_t>(s.data.size()) - loopStart;
    return s;
}

XmInstrument instrument(const char* name, XmSample s)
{
    XmInstrument ins;
    ins.name = name;
    ins.samples.push_back(std::move(s));
    return ins;
}

// Attack-decay-sustain envelope held at its sustain point until key-off, then faded out.
void envelope(XmInstrument& ins, std::vector<XmEnvelopePoint> points, uint8_t sustainPoint, uint16_t fadeout)
{
    ins.volumeEnvelope = std::move(points);
    ins.volumeEnvelopeOn = true;
    ins.volumeSustainOn = true;
    ins.volumeSustain = sustainPoint;
    ins.fadeout = fadeout;
}

XmInstrument kick()
{
    std::vector<double> w(static_cast<std::size_t>(frames(0.5)));
    double phase = 0.0, amp = 1.0;
    const double fall = decayFactor(0.028), ampFall = decayFactor(0.16);
    double sweep = 1.0;
    Noise noise{11};
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double hz = 46.0 + 140.0 * sweep;
        phase += hz / sampleRate;
        const double click = i < 120 ? noise.next() * (1.0 - i / 120.0) * 0.35 : 0.0;
        w[i] = (sineCycles(phase) * amp + click) * std::min(1.0, i / 24.0);
        sweep *= fall;
        amp *= ampFall;
    }
    return instrument("kick", sample("kick", w, 64));
}

XmInstrument snare()
{
    std::vector<double> w(static_cast<std::size_t>(frames(0.32)));
    Noise noise{23};
    LowPass body{0.35}, low{0.04};
    double tone = 1.0, hiss = 1.0, phase = 0.0;
    const double toneFall = decayFactor(0.05), hissFall = decayFactor(0.09);
    for (std::size_t i = 0; i < w.size(); ++i) {
        phase += (185.0 + 60.0 * tone) / sampleRate;
        const double n = body.step(noise.next());
        const double bright = n - low.step(n);
        w[i] = sineCycles(phase) * tone * 0.7 + bright * hiss * 1.6;
        tone *= toneFall;
        hiss *= hissFall;
    }
    return instrument("snare", sample("snare", w, 60));
}

// Six detuned squares through a high-pass: the metallic core of hats and cymbals.
double metal(double t)
{
    static const double ratios[6] = {1.0, 1.4471, 1.6170, 1.9265, 2.5028, 2.6637};
    double sum = 0.0;
    for (double r : ratios) sum += sineCycles(t * 540.0 * r) > 0 ? 1.0 : -1.0;
    return sum / 6.0;
}

std::vector<double> cymbal(double seconds, double decay, uint32_t seed, double metalShare)
{
    std::vector<double> w(static_cast<std::size_t>(frames(seconds)));
    Noise noise{seed};
    LowPass low{0.25}, low2{0.25};
    double amp = 1.0;
    const double fall = decayFactor(decay);
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double raw = noise.next() * (1.0 - metalShare) + metal(i / sampleRate) * metalShare;
        const double high = raw - low.step(raw);
        const double higher = high - low2.step(high);
        w[i] = higher * amp * std::min(1.0, i / 16.0);
        amp *= fall;
    }
    return w;
}

XmInstrument hat() { return instrument("closed hat", sample("hat", cymbal(0.09, 0.022, 31, 0.5), 40)); }
XmInstrument openHat() { return instrument("open hat", sample("open hat", cymbal(0.5, 0.16, 37, 0.5), 36)); }
XmInstrument crash() { return instrument("crash", sample("crash", cymbal(2.2, 0.6, 41, 0.35), 44)); }

XmInstrument tom()
{
    std::vector<double> w(static_cast<std::size_t>(frames(0.4)));
    double phase = 0.0, amp = 1.0, sweep = 1.0;
    const double fall = decayFactor(0.06), ampFall = decayFactor(0.12);
    for (std::size_t i = 0; i < w.size(); ++i) {
        phase += rootHz * (0.5 + 0.25 * sweep) / sampleRate;
        w[i] = sineCycles(phase) * amp * std::min(1.0, i / 16.0);
        sweep *= fall;
        amp *= ampFall;
    }
    return instrument("tom", sample("tom", w, 56));
}

// A loop of 256 periods of C4 in which detuned voices beat exactly once per loop or more.
std::vector<double> chorusLoop(int harmonics, double duty, const int* detunes, int voices)
{
    constexpr int periods = 256;
    std::vector<double> w(static_cast<std::size_t>(128 * periods));
    for (std::size_t i = 0; i < w.size(); ++i) {
        double sum = 0.0;
        for (int v = 0; v < voices; ++v) {
            const double cycles = static_cast<double>(i) * (periods + detunes[v]) / w.size() + 0.17 * v;
            sum += duty > 0 ? pulse(cycles, duty, harmonics) : saw(cycles, harmonics);
        }
        w[i] = sum;
    }
    return w;
}

XmInstrument pad()
{
    static const int detunes[3] = {-1, 0, 1};
    XmInstrument ins = instrument("pad", looped(sample("warm saws", chorusLoop(9, 0, detunes, 3), 40), 0));
    envelope(ins, {{0, 0}, {24, 64}, {60, 48}, {120, 48}}, 2, 0x0300);
    return ins;
}

XmInstrument strings()
{
    static const int detunes[2] = {-2, 1};
    XmInstrument ins = instrument("strings", looped(sample("pulse ensemble", chorusLoop(14, 0.3, detunes, 2), 36), 0));
    envelope(ins, {{0, 0}, {40, 64}, {80, 56}}, 2, 0x0200);
    return ins;
}

XmInstrument lead()
{
    static const int detunes[2] = {0, 1};
    XmInstrument ins = instrument("lead", looped(sample("pulse lead", chorusLoop(18, 0.25, detunes, 2), 44), 0));
    envelope(ins, {{0, 0}, {2, 64}, {14, 50}, {30, 46}}, 3, 0x0900);
    return ins;
}

// Karplus-Strong string: a noise burst circulating through a 128-frame averaging delay.
XmInstrument pluck()
{
    std::vector<double> w(static_cast<std::size_t>(frames(0.9)));
    std::vector<double> line(128);
    Noise noise{53};
    for (double& v : line) v = noise.next();
    for (std::size_t i = 0; i < w.size(); ++i) {
        const std::size_t at = i % 128, next = (i + 1) % 128;
        w[i] = line[at];
        line[at] = 0.497 * (line[at] + line[next]);
    }
    return instrument("pluck", sample("pluck", w, 48));
}

// Noise through a low-pass whose cut-off climbs, louder towards the end: the build-up swell.
XmInstrument riser()
{
    std::vector<double> w(static_cast<std::size_t>(frames(3.8)));
    Noise noise{61};
    LowPass low{0.01};
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double t = static_cast<double>(i) / w.size();
        low.cut = 0.01 + 0.5 * t * t;
        const double fadeIn = t * t, fadeOut = std::min(1.0, (1.0 - t) * 40.0);
        w[i] = low.step(noise.next()) * fadeIn * fadeOut;
    }
    return instrument("riser", sample("riser", w, 40));
}

XmInstrument impact()
{
    std::vector<double> w(static_cast<std::size_t>(frames(1.6)));
    Noise noise{67};
    LowPass low{0.05};
    double phase = 0.0, amp = 1.0, sweep = 1.0, hiss = 1.0;
    const double fall = decayFactor(0.2), ampFall = decayFactor(0.5), hissFall = decayFactor(0.08);
    for (std::size_t i = 0; i < w.size(); ++i) {
        phase += (38.0 + 50.0 * sweep) / sampleRate;
        w[i] = (sineCycles(phase) * amp + low.step(noise.next()) * hiss * 2.0) * std::min(1.0, i / 32.0);
        sweep *= fall;
        amp *= ampFall;
        hiss *= hissFall;
    }
    return instrument("impact", sample("impact", w, 60));
}

XmInstrument shaker()
{
    std::vector<double> w(static_cast<std::size_t>(frames(0.1)));
    Noise noise{71};
    LowPass low{0.5}, floor{0.2};
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double t = static_cast<double>(i) / w.size();
        const double shape = t < 0.2 ? t / 0.2 : (1.0 - t) / 0.8;
        const double n = low.step(noise.next());
        w[i] = (n - floor.step(n)) * shape * shape;
    }
    return instrument("shaker", sample("shaker", w, 30));
}

XmInstrument rim()
{
    std::vector<double> w(static_cast<std::size_t>(frames(0.05)));
    Noise noise{73};
    double amp = 1.0;
    const double fall = decayFactor(0.008);
    for (std::size_t i = 0; i < w.size(); ++i) {
        w[i] = (sineCycles(i * 1750.0 / sampleRate) + sineCycles(i * 520.0 / sampleRate) * 0.6 + noise.next() * 0.3) * amp;
        amp *= fall;
    }
    return instrument("rim", sample("rim", w, 40));
}

// Inharmonic partials that die at different rates: a glassy bell at C4.
XmInstrument bell()
{
    static const double ratios[4] = {1.0, 2.0, 2.76, 5.4};
    static const double levels[4] = {1.0, 0.5, 0.35, 0.2};
    static const double decays[4] = {1.2, 0.6, 0.35, 0.15};
    std::vector<double> w(static_cast<std::size_t>(frames(1.6)));
    double amps[4] = {1, 1, 1, 1}, falls[4];
    for (int p = 0; p < 4; ++p) falls[p] = decayFactor(decays[p]);
    for (std::size_t i = 0; i < w.size(); ++i) {
        double sum = 0.0;
        for (int p = 0; p < 4; ++p) {
            sum += sineCycles(i * rootHz * ratios[p] / sampleRate) * levels[p] * amps[p];
            amps[p] *= falls[p];
        }
        w[i] = sum * std::min(1.0, i / 20.0);
    }
    return instrument("bell", sample("bell", w, 40));
}

XmInstrument sub()
{
    std::vector<double> w(128 * 8);
    for (std::size_t i = 0; i < w.size(); ++i) w[i] = sineCycles(i / 128.0) + 0.08 * sineCycles(i / 64.0);
    XmInstrument ins = instrument("sub", looped(sample("sub sine", w, 48), 0));
    envelope(ins, {{0, 0}, {8, 64}, {40, 56}}, 2, 0x0400);
    return ins;
}

XmInstrument reverseCymbal()
{
    std::vector<double> w = cymbal(1.9, 0.6, 79, 0.35);
    std::reverse(w.begin(), w.end());
    return instrument("reverse cymbal", sample("reverse cymbal", w, 40));
}

XmInstrument bass()
{
    std::vector<double> w(128 * 8);
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double cycles = i / 128.0;
        w[i] = saw(cycles, 10) * 0.7 + pulse(cycles, 0.5, 7) * 0.35 + sineCycles(cycles) * 0.5;
    }
    XmInstrument ins = instrument("bass", looped(sample("bass", w, 52), 0));
    envelope(ins, {{0, 64}, {6, 44}, {20, 36}}, 2, 0x0C00);
    return ins;
}

XmInstrument arp()
{
    std::vector<double> w(128 * 8);
    for (std::size_t i = 0; i < w.size(); ++i) w[i] = pulse(i / 128.0, 0.5, 11) + 0.4 * sineCycles(i / 64.0);
    XmInstrument ins = instrument("arp", looped(sample("square arp", w, 36), 0));
    envelope(ins, {{0, 64}, {3, 40}, {12, 12}, {24, 0}}, 3, 0x1000);
    ins.volumeSustainOn = false;
    return ins;
}

struct KitSound {
    XmInstrument sound;
    uint8_t key;  // the first key it plays, and the key on which it plays at its own rate
    uint8_t panning;
};

// One instrument of several one-shot sounds (no envelopes), each on a key of its own; the
// first sound also takes every key below the second's.
XmInstrument kit(const char* name, std::vector<KitSound> sounds)
{
    XmInstrument ins;
    ins.name = name;
    for (std::size_t i = 0; i < sounds.size(); ++i) {
        XmSample s = std::move(sounds[i].sound.samples[0]);
        s.relativeNote = static_cast<int8_t>(s.relativeNote + xmNote(4, 0) - sounds[i].key);
        s.panning = sounds[i].panning;
        ins.samples.push_back(std::move(s));
        for (int n = i ? sounds[i].key : 1; n <= 96; ++n) ins.noteSample[static_cast<std::size_t>(n - 1)] = static_cast<uint8_t>(i);
    }
    return ins;
}

XmInstrument panned(XmInstrument ins, uint8_t panning)
{
    ins.samples[0].panning = panning;
    return ins;
}

}  // namespace

std::vector<XmInstrument> makeInstruments()
{
    // Drums and bass in the centre; hats, percussion, arpeggio and the melodic colours spread
    // to both sides (the pads and strings are spread voice by voice in the song).
    constexpr uint8_t centre = 128;
    const XmInstrument kickSound = kick(), snareSound = snare(), hatSound = panned(hat(), 176);
    const XmInstrument bassSound = bass(), arpSound = panned(arp(), 72);
    return {kickSound,
            snareSound,
            hatSound,
            kit("hats", {{hatSound, keyClosedHat, 176}, {openHat(), keyOpenHat, 196}}),
            kit("cymbals", {{crash(), keyCrash, 150}, {reverseCymbal(), keyReverse, 96}}),
            kit("percussion", {{tom(), xmNote(4, 0), 112}, {shaker(), keyShaker, 64}, {rim(), keyRim, 184}}),
            pad(),
            strings(),
            panned(lead(), 144),
            panned(pluck(), 200),
            kit("effects", {{riser(), keyRiser, 104}, {impact(), keyImpact, centre}}),
            kickSound,
            snareSound,
            bassSound,
            panned(bell(), 64),
            sub(),
            arpSound,
            bassSound,
            arpSound};
}
