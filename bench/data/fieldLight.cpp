// How much of the picture the song lights, and whether the light follows its accents, from a
// whole-demo capture taken with PNG frames:
//
//   build/strobarium-capture -o DIR --size 320x180 --png
//   build/bench/data/field_light DIR
//
// (A capture of part of the demo, with --start and --end, gives the figures of that part.)
// Prints, over all frames: the mean share of near-white pixels (all three channels >= 240), the
// same per 10 s, the share of frames that are more than half near-white, the mean share of
// near-black pixels (all three <= 16); the side/mid energy ratio, peak and RMS of audio.wav; and for each
// section of the song the hits of the reacting instruments that their reaction acts on, with
// the mean brightness of the three frames after each hit against the three frames up to it.
// A hit listed on frame f is applied while f is drawn and shows from f + 1.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pngFrame.h"

namespace {

struct FrameLight {
    double white = 0, black = 0, brightness = 0;  // shares of pixels; mean channel value 0..1
};

bool readFrame(const std::string& path, FrameLight& light)
{
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    if (!readPngFrame(path, rgb, width, height)) return false;
    const std::size_t pixels = rgb.size() / 3;
    std::size_t white = 0, black = 0;
    double sum = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        const uint8_t r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        white += r >= 240 && g >= 240 && b >= 240;
        black += r <= 16 && g <= 16 && b <= 16;
        sum += r + g + b;
    }
    light = {double(white) / pixels, double(black) / pixels, sum / (3.0 * 255.0 * pixels)};
    return true;
}

struct Mix {
    double peakDb, rmsDb, sideToMidDb;  // dBFS, dBFS, dB
};

// The level and width of a 16-bit stereo WAV.
bool measureMix(const std::string& path, Mix& mix)
{
    std::ifstream file(path, std::ios::binary);
    char head[12];
    if (!file.read(head, 12) || std::memcmp(head, "RIFF", 4) != 0) return false;
    char id[4];
    uint32_t size = 0;
    while (file.read(id, 4) && file.read(reinterpret_cast<char*>(&size), 4)) {
        if (std::memcmp(id, "data", 4) != 0) {
            file.seekg(size + (size & 1), std::ios::cur);
            continue;
        }
        std::vector<int16_t> pcm(size / 2);
        if (!file.read(reinterpret_cast<char*>(pcm.data()), std::streamsize(pcm.size() * 2))) return false;
        double mid = 0, side = 0, energy = 0;
        int peak = 1;
        for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
            const double m = (pcm[i] + pcm[i + 1]) / 2.0, s = (pcm[i] - pcm[i + 1]) / 2.0;
            mid += m * m;
            side += s * s;
            energy += double(pcm[i]) * pcm[i] + double(pcm[i + 1]) * pcm[i + 1];
            peak = std::max({peak, std::abs(int(pcm[i])), std::abs(int(pcm[i + 1]))});
        }
        const double fullScale = 32768.0;
        mix = {20.0 * std::log10(peak / fullScale), 10.0 * std::log10(energy / double(pcm.size()) / (fullScale * fullScale)),
               10.0 * std::log10(side / mid)};
        return mid > 0;
    }
    return false;
}

struct Section {
    const char* name;
    int firstOrder, lastOrder;
};
const Section sections[] = {{"intro 0-2", -1, 2},         {"drums 3-5", 3, 5},          {"build 6-7", 6, 7},
                            {"full 8", 8, 8},             {"greetings 9-10", 9, 10},    {"development 11-16", 11, 16},
                            {"ending 17", 17, 17}};

// The reacting instruments by schedule point (2..6), and the orders in which their reaction acts.
const int hitInstrument[7] = {0, 0, 1, 2, 3, 18, 19};
bool reactionActs(int instrument, int order)
{
    switch (instrument) {
    case 1: return true;
    case 2: return order >= 3;
    case 3: return order > 2;
    case 18: return order > 7;
    default: return order < 3 || order > 7;  // 19
    }
}

struct LogLine {
    uint64_t frame;
    int order;
    bool hit[20];
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: field_light CAPTURE_DIR (a capture taken with --png)\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::ifstream logFile(dir + "/frames.log");
    std::vector<LogLine> log;
    std::string text;
    while (std::getline(logFile, text)) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream in(text);
        uint64_t sample;
        int row;
        std::string hash, item;
        LogLine line{};
        in >> line.frame >> sample >> line.order >> row >> hash;
        while (in >> item) {
            const int point = std::atoi(item.c_str());
            if (point >= 2 && point <= 6) line.hit[hitInstrument[point]] = true;
        }
        log.push_back(line);
    }
    std::vector<FrameLight> light(log.size());
    for (std::size_t f = 0; f < log.size(); ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(log[f].frame));
        if (!readFrame(dir + name, light[f])) {
            std::fprintf(stderr, "field_light: cannot read %s%s\n", dir.c_str(), name);
            return 1;
        }
    }
    if (log.empty()) {
        std::fprintf(stderr, "field_light: no frames in %s/frames.log\n", dir.c_str());
        return 1;
    }

    double white = 0, black = 0;
    std::size_t halfWhite = 0;
    std::vector<double> perTen;
    for (std::size_t f = 0; f < light.size(); ++f) {
        white += light[f].white;
        black += light[f].black;
        halfWhite += light[f].white > 0.5;
        if (f % 600 == 0) perTen.push_back(0);
        perTen.back() += light[f].white;
    }
    const double frames = double(light.size());
    std::printf("%zu frames (%.1f s)\n", light.size(), frames / 60.0);
    std::printf("near-white pixels: %.1f %% on average; frames more than half near-white: %.2f %%\n", 100 * white / frames,
                100 * halfWhite / frames);
    std::printf("near-white per 10 s:");
    for (std::size_t i = 0; i < perTen.size(); ++i) {
        const double count = std::min<double>(600, frames - 600.0 * double(i));
        std::printf(" %.0f", 100 * perTen[i] / count);
    }
    std::printf(" %%\nnear-black pixels: %.1f %% on average\n", 100 * black / frames);
    Mix mix{};
    if (measureMix(dir + "/audio.wav", mix))
        std::printf("audio.wav: side/mid %.1f dB, peak %.2f dBFS, RMS %.2f dBFS\n", mix.sideToMidDb, mix.peakDb, mix.rmsDb);
    else
        std::printf("audio.wav: not readable\n");

    std::printf("%-18s %6s %6s %6s %6s %6s  %8s %8s %8s\n", "section", "hits/s", "1", "2", "3", "18/19", "before", "after",
                "answers");
    for (const Section& s : sections) {
        std::size_t count = 0, span = 0, byInstrument[20] = {};
        double before = 0, after = 0;
        for (std::size_t f = 2; f + 3 < log.size(); ++f) {
            if (log[f].order < s.firstOrder || log[f].order > s.lastOrder) continue;
            ++span;
            bool acts = false;
            for (int instrument : {1, 2, 3, 18, 19})
                if (log[f].hit[instrument] && reactionActs(instrument, log[f].order)) acts = true, ++byInstrument[instrument];
            if (!acts) continue;
            ++count;
            for (int k = 0; k < 3; ++k) before += light[f - std::size_t(k)].brightness, after += light[f + 1 + std::size_t(k)].brightness;
        }
        const double seconds = span / 60.0;
        if (!count) {
            std::printf("%-18s no hits that act\n", s.name);
            continue;
        }
        std::printf("%-18s %6.2f %6.2f %6.2f %6.2f %6.2f  %8.4f %8.4f %8s\n", s.name, count / seconds, byInstrument[1] / seconds,
                    byInstrument[2] / seconds, byInstrument[3] / seconds, (byInstrument[18] + byInstrument[19]) / seconds,
                    before / (3 * count), after / (3 * count), after > before ? "yes" : "NO");
    }
    return 0;
}
