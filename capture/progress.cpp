#include "capture/progress.h"

#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

bool onTerminal = false;
Clock::time_point startTime;
Clock::time_point lastDraw;
bool drawn = false;

constexpr int barWidth = 30;

}  // namespace

int formatProgress(uint64_t done, uint64_t total, double seconds, char* out, std::size_t capacity)
{
    const double fps = seconds > 0 ? double(done) / seconds : 0;
    char bar[barWidth + 1];
    const uint64_t filled = total > 0 ? (done >= total ? barWidth : done * barWidth / total) : 0;
    for (int i = 0; i < barWidth; ++i) bar[i] = uint64_t(i) < filled ? '#' : '.';
    bar[barWidth] = '\0';
    char left[32] = "?";
    if (total > 0 && fps > 0) {
        const uint64_t remaining = done >= total ? 0 : uint64_t(double(total - done) / fps + 0.5);
        std::snprintf(left, sizeof left, "%" PRIu64 ":%02" PRIu64, remaining / 60, remaining % 60);
    }
    char totalText[24] = "?";
    if (total > 0) std::snprintf(totalText, sizeof totalText, "%" PRIu64, total);
    return std::snprintf(out, capacity, "[%s] %" PRIu64 "/%s frames  %.1f fps  %s left", bar, done, totalText, fps,
                         left);
}

void startProgress()
{
    onTerminal = isatty(STDERR_FILENO) == 1;
    startTime = Clock::now();
    lastDraw = startTime;
    drawn = false;
}

double progressSeconds() { return std::chrono::duration<double>(Clock::now() - startTime).count(); }

void showProgress(uint64_t done, uint64_t total)
{
    if (!onTerminal) return;
    const Clock::time_point now = Clock::now();
    if (drawn && now - lastDraw < std::chrono::milliseconds(100)) return;
    lastDraw = now;
    drawn = true;
    char line[160];
    formatProgress(done, total, progressSeconds(), line, sizeof line);
    std::fprintf(stderr, "\r%s\033[K", line);
    std::fflush(stderr);
}

void endProgress()
{
    if (onTerminal && drawn) std::fprintf(stderr, "\r\033[K");
    drawn = false;
}
