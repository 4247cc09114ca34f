// Whether the picture keeps to the three-flash rule for photosensitive viewers (WCAG 2.x 2.3.1,
// the rule of ITU-R BT.1702), from a capture and its frames.log:
//
//   build/strobarium-capture -o DIR --size 320x180 --png      (or a video.mkv capture)
//   build/bench/data/flash_check DIR
//
// Every pixel's relative luminance Y (sRGB linearised, 0.2126 R + 0.7152 G + 0.0722 B) is followed
// frame by frame. A pixel makes a transition when it has risen (or fallen) by 0.1 or more from
// the lowest (highest) level since its last transition the other way, with the darker of the two
// levels under 0.8; for red, the same with (R - G - B) x 320 (at least 0) changing by more than
// 20 where the redder state is saturated red, R / (R + G + B) >= 0.8. Two opposing transitions
// make a flash. A one-second window holds k flashes when a quarter of the picture or more made
// 2k transitions in it; the windows end on every frame, so the count is frame-exact. Prints the
// flashes, the most in a window, the whole seconds over 3, the worst windows with their time and
// song position, the share of the picture that flashed 4 times or more in a second (the margin
// under the quarter), and the verdict. Exit status 0 for a pass, 1 for a fail, 2 for bad input.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pngFrame.h"

extern char** environ;

namespace {

constexpr double mixRate = 44100;  // the capture's sample clock, which frames.log counts in
constexpr uint64_t rowSamples = 5292;  // the song's rows: 6 ticks at 125 BPM
constexpr int flashLimit = 3;
constexpr std::size_t maxFps = 1000;  // the capture's own limit: the most frames a second can hold

struct LogLine {
    uint64_t frame, sample;
    int order, row;
    int songRow;  // frames.log gives the row only where the song reports one; the others follow by time
};

bool readLog(const std::string& path, std::vector<LogLine>& log)
{
    std::ifstream file(path);
    std::string text;
    uint64_t fromSample = 0;
    int fromRow = 0;
    while (std::getline(file, text)) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream in(text);
        LogLine line{};
        if (!(in >> line.frame >> line.sample >> line.order >> line.row)) return false;
        if (log.empty() || line.order != log.back().order) fromSample = line.sample, fromRow = 0;
        if (line.row != (log.empty() ? -1 : log.back().row)) fromSample = line.sample, fromRow = std::max(line.row, 0);
        line.songRow = fromRow + int((line.sample - fromSample) / rowSamples);
        log.push_back(line);
    }
    return file.eof() && !log.empty();
}

// The frames of a capture, one RGB picture at a time: its PNG files, or else its video decoded
// by ffmpeg into a stream of PPM pictures.
struct Frames {
    std::string dir;
    FILE* video = nullptr;
    pid_t decoder = -1;
};

bool openVideo(Frames& frames, std::string& why)
{
    const std::string path = frames.dir + "/video.mkv";
    if (access(path.c_str(), R_OK) != 0) return why = "no frame-NNNNNN.png and no readable video.mkv", false;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return why = std::strerror(errno), false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    const char* argv[] = {"ffmpeg", "-v", "error", "-nostdin", "-i", path.c_str(), "-f", "image2pipe", "-c:v", "ppm", "-", nullptr};
    const int failed = posix_spawnp(&frames.decoder, "ffmpeg", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (failed) return close(pipeEnds[0]), why = std::string("cannot run ffmpeg: ") + std::strerror(failed), false;
    frames.video = fdopen(pipeEnds[0], "rb");
    return frames.video != nullptr;
}

bool readPpm(FILE* in, std::vector<uint8_t>& rgb, int& width, int& height)
{
    int maxValue = 0;
    if (std::fscanf(in, "P6 %d %d %d", &width, &height, &maxValue) != 3 || maxValue != 255 || width <= 0 || height <= 0 ||
        std::fgetc(in) == EOF)
        return false;
    rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    return std::fread(rgb.data(), 1, rgb.size(), in) == rgb.size();
}

bool nextFrame(Frames& frames, uint64_t number, std::vector<uint8_t>& rgb, int& width, int& height)
{
    if (frames.video) return readPpm(frames.video, rgb, width, height);
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(number));
    return readPngFrame(frames.dir + name, rgb, width, height);
}

// One pixel's level between transitions: the highest and lowest since the last one, and which
// way that went (+1 up, -1 down, 0 none yet). Returns true when this level makes a transition.
struct Swing {
    float high = 0, low = 0;
    int8_t way = 0;
    bool highRed = false, lowRed = false;  // whether the state at high (low) was saturated red
};

bool swing(Swing& s, float level, bool red, float change, float darkerBelow, bool needsRed, bool strict)
{
    auto enough = [&](float d) { return strict ? d > change : d >= change; };
    bool made = false;
    if (s.way != -1 && enough(s.high - level) && level < darkerBelow && (!needsRed || s.highRed)) {
        s.way = -1, s.low = level, s.lowRed = red, made = true;
    } else if (s.way != 1 && enough(level - s.low) && s.low < darkerBelow && (!needsRed || red)) {
        s.way = 1, s.high = level, s.highRed = red, made = true;
    }
    if (level >= s.high) s.high = level, s.highRed = red;
    if (level <= s.low) s.low = level, s.lowRed = red;
    return made;
}

// Transitions per cell over the last second, and how much of the picture (in pixels) has each count.
struct Window {
    std::vector<uint16_t> count;
    std::vector<std::vector<uint32_t>> byFrame;  // the cells that made a transition, per frame in the window
    std::vector<std::size_t> pixelsWith;         // pixelsWith[n]: the area of the cells with n transitions
};

void enter(Window& w, std::vector<uint32_t>&& cells, const std::vector<uint32_t>& area)
{
    for (uint32_t c : cells) w.pixelsWith[w.count[c]] -= area[c], w.pixelsWith[++w.count[c]] += area[c];
    w.byFrame.push_back(std::move(cells));
}

void leaveOldest(Window& w, const std::vector<uint32_t>& area)
{
    for (uint32_t c : w.byFrame.front()) w.pixelsWith[w.count[c]] -= area[c], w.pixelsWith[--w.count[c]] += area[c];
    w.byFrame.erase(w.byFrame.begin());
}

// Flashes in the window: the most k for which a quarter of the picture made 2k transitions;
// and the share of the picture that made more than the limit allows.
int flashesIn(const Window& w, std::size_t quarter, std::size_t pixels, double& overLimitShare)
{
    std::size_t atLeast = 0, overLimit = 0;
    int most = 0;
    for (std::size_t n = w.pixelsWith.size() - 1; n >= 2; --n) {
        atLeast += w.pixelsWith[n];
        if (n >= 2 * (flashLimit + 1)) overLimit = atLeast;
        if (n % 2 == 0 && atLeast >= quarter && !most) most = int(n / 2);
    }
    overLimitShare = double(overLimit) / double(pixels);
    return most;
}

struct Tally {
    Window window;
    std::vector<int> perWindow;   // flashes in the second that ends on each frame
    double widestOverLimit = 0;
    std::vector<uint32_t> total;  // transitions per cell over the whole capture
};

// The picture judged by the mean light of each cell of a grid; a grid as fine as the picture
// judges each pixel. Coarser cells do not count the glitter of fine moving detail as flashing.
struct Grid {
    int columns, rows;
    std::vector<int> cellX, cellY;  // the cell column of each pixel column, the cell row of each pixel row
    std::vector<uint32_t> area;     // pixels per cell
    std::vector<float> red, green, blue;
    std::vector<Swing> lightSwing, redSwing;
    Tally general, redFlashes;
};

void setUp(Grid& grid, int width, int height)
{
    grid.columns = std::min(grid.columns, width), grid.rows = std::min(grid.rows, height);
    const std::size_t cells = std::size_t(grid.columns) * std::size_t(grid.rows);
    for (int x = 0; x < width; ++x) grid.cellX.push_back(x * grid.columns / width);
    for (int y = 0; y < height; ++y) grid.cellY.push_back(y * grid.rows / height);
    grid.area.assign(cells, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ++grid.area[std::size_t(grid.cellY[std::size_t(y)] * grid.columns + grid.cellX[std::size_t(x)])];
    grid.red.assign(cells, 0), grid.green.assign(cells, 0), grid.blue.assign(cells, 0);
    grid.lightSwing.resize(cells), grid.redSwing.resize(cells);
    for (Tally* t : {&grid.general, &grid.redFlashes}) {
        t->window.count.assign(cells, 0), t->total.assign(cells, 0);
        t->window.pixelsWith.assign(maxFps + 2, 0), t->window.pixelsWith[0] = std::size_t(width) * std::size_t(height);
    }
}

// One frame's mean colours per cell, already summed into red, green and blue.
void judge(Grid& grid, bool firstFrame, const std::vector<LogLine>& log, std::size_t f, std::size_t pixels)
{
    std::vector<uint32_t> lightMade, redMade;
    for (std::size_t c = 0; c < grid.area.size(); ++c) {
        const float r = grid.red[c] / float(grid.area[c]), g = grid.green[c] / float(grid.area[c]), b = grid.blue[c] / float(grid.area[c]);
        grid.red[c] = grid.green[c] = grid.blue[c] = 0;
        const float y = 0.2126f * r + 0.7152f * g + 0.0722f * b, redness = std::max(0.0f, (r - g - b) * 320);
        const bool saturatedRed = r > 0 && r >= 0.8f * (r + g + b);
        if (firstFrame) {
            grid.lightSwing[c] = {y, y, 0, false, false};
            grid.redSwing[c] = {redness, redness, 0, saturatedRed, saturatedRed};
            continue;
        }
        if (swing(grid.lightSwing[c], y, false, 0.1f, 0.8f, false, false)) lightMade.push_back(uint32_t(c));
        if (swing(grid.redSwing[c], redness, saturatedRed, 20, 1e9f, true, true)) redMade.push_back(uint32_t(c));
    }
    const std::size_t quarter = (pixels + 3) / 4;
    for (Tally* t : {&grid.general, &grid.redFlashes}) {
        std::vector<uint32_t>& made = t == &grid.general ? lightMade : redMade;
        for (uint32_t c : made) ++t->total[c];
        enter(t->window, std::move(made), grid.area);
        while (log[f].sample - log[f - t->window.byFrame.size() + 1].sample >= uint64_t(mixRate)) leaveOldest(t->window, grid.area);
        double overLimit = 0;
        t->perWindow.push_back(flashesIn(t->window, quarter, pixels, overLimit));
        t->widestOverLimit = std::max(t->widestOverLimit, overLimit);
    }
}

std::string position(const LogLine& line)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f s (order %d row %d)", double(line.sample) / mixRate, line.order, line.songRow);
    return text;
}

// Prints the tally's figures; true when it keeps to the limit.
bool report(const char* name, const Grid& grid, const Tally& t, const std::vector<LogLine>& log, bool worst)
{
    const int most = *std::max_element(t.perWindow.begin(), t.perWindow.end());
    // In all: the flashes that a quarter of the picture made over the whole capture.
    std::vector<std::pair<uint32_t, uint32_t>> byCount;  // transitions, area
    std::size_t pixels = 0;
    for (std::size_t c = 0; c < t.total.size(); ++c) byCount.push_back({t.total[c], grid.area[c]}), pixels += grid.area[c];
    std::sort(byCount.rbegin(), byCount.rend());
    uint32_t inAll = 0;
    for (std::size_t c = 0, area = 0; c < byCount.size() && area < (pixels + 3) / 4; ++c) area += byCount[c].second, inAll = byCount[c].first / 2;
    // A whole second of the song clock is the window that ends on its last frame.
    const uint64_t second = uint64_t(mixRate);
    std::size_t secondsOver = 0, seconds = 0;
    for (std::size_t f = 0; f < log.size(); ++f)
        if ((f + 1 == log.size() || log[f + 1].sample / second != log[f].sample / second) &&
            log[f].sample / second * second >= log.front().sample) {
            ++seconds;
            secondsOver += t.perWindow[f] > flashLimit;
        }
    std::printf("%s flashes on %dx%d cells: %u in all; most in any second %d; whole seconds over %d: %zu of %zu; "
                "widest area with %d or more in a second: %.1f %% of the picture\n",
                name, grid.columns, grid.rows, inAll, most, flashLimit, secondsOver, seconds, flashLimit + 1, 100 * t.widestOverLimit);
    if (!worst && most <= flashLimit) return true;
    // The worst windows, each stretch of windows over two flashes given once, by its peak.
    std::vector<std::pair<int, std::size_t>> peaks;
    for (std::size_t f = 0; f < t.perWindow.size();) {
        if (t.perWindow[f] <= 2) {
            ++f;
            continue;
        }
        std::size_t peak = f;
        for (; f < t.perWindow.size() && t.perWindow[f] > 2; ++f)
            if (t.perWindow[f] > t.perWindow[peak]) peak = f;
        peaks.push_back({t.perWindow[peak], peak});
    }
    std::stable_sort(peaks.begin(), peaks.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; i < peaks.size() && i < 8; ++i) {
        std::size_t first = peaks[i].second;
        while (first > 0 && log[peaks[i].second].sample - log[first - 1].sample < uint64_t(mixRate)) --first;
        std::printf("  %d in the second from %s to %s\n", peaks[i].first, position(log[first]).c_str(),
                    position(log[peaks[i].second]).c_str());
    }
    return most <= flashLimit;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: flash_check CAPTURE_DIR (PNG frames or video.mkv, with frames.log)\n");
        return 2;
    }
    Frames frames{argv[1]};
    std::vector<LogLine> log;
    if (!readLog(frames.dir + "/frames.log", log)) {
        std::fprintf(stderr, "flash_check: cannot read the frames of %s/frames.log\n", frames.dir.c_str());
        return 2;
    }
    char first[32];
    std::snprintf(first, sizeof first, "/frame-%06llu.png", static_cast<unsigned long long>(log.front().frame));
    std::string why;
    if (access((frames.dir + first).c_str(), R_OK) != 0 && !openVideo(frames, why)) {
        std::fprintf(stderr, "flash_check: %s: %s\n", frames.dir.c_str(), why.c_str());
        return 2;
    }

    float linear[256];
    for (int v = 0; v < 256; ++v) {
        const double c = v / 255.0;
        linear[v] = float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    // The grid the verdict is given on, and finer ones down to the pixel, for the margin.
    Grid grids[] = {{32, 18, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}}, {64, 36, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}},
                    {160, 90, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}}, {1 << 20, 1 << 20, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}}};
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    std::size_t pixels = 0;
    for (std::size_t f = 0; f < log.size(); ++f) {
        int w = 0, h = 0;
        if (!nextFrame(frames, log[f].frame, rgb, w, h) || (f && (w != width || h != height))) {
            std::fprintf(stderr, "flash_check: cannot read frame %llu of %s\n", static_cast<unsigned long long>(log[f].frame),
                         frames.dir.c_str());
            return 2;
        }
        if (!f) {
            width = w, height = h, pixels = std::size_t(w) * std::size_t(h);
            for (Grid& grid : grids) setUp(grid, w, h);
        }
        for (Grid& grid : grids) {
            for (int y = 0; y < height; ++y) {
                const std::size_t rowStart = std::size_t(grid.cellY[std::size_t(y)] * grid.columns);
                const uint8_t* pixel = &rgb[std::size_t(y) * std::size_t(width) * 3];
                for (int x = 0; x < width; ++x, pixel += 3) {
                    const std::size_t c = rowStart + std::size_t(grid.cellX[std::size_t(x)]);
                    grid.red[c] += linear[pixel[0]], grid.green[c] += linear[pixel[1]], grid.blue[c] += linear[pixel[2]];
                }
            }
            judge(grid, f == 0, log, f, pixels);
        }
    }
    if (frames.video) {
        std::fclose(frames.video);
        int status = 0;
        waitpid(frames.decoder, &status, 0);
    }
    std::printf("%zu frames of %dx%d, %.1f s\n", log.size(), width, height, double(log.back().sample - log.front().sample) / mixRate);
    const bool generalPasses = report("general", grids[0], grids[0].general, log, true);
    const bool redPasses = report("red", grids[0], grids[0].redFlashes, log, true);
    for (std::size_t g = 1; g < std::size(grids); ++g) {
        report("general", grids[g], grids[g].general, log, false);
        report("red", grids[g], grids[g].redFlashes, log, false);
    }
    std::printf("verdict: %s (no more than %d general and %d red flashes in any second)\n",
                generalPasses && redPasses ? "PASS" : !generalPasses && !redPasses ? "FAIL on general and red flashes"
                                                      : !generalPasses                ? "FAIL on general flashes"
                                                                                      : "FAIL on red flashes",
                flashLimit, flashLimit);
    return generalPasses && redPasses ? 0 : 1;
}
