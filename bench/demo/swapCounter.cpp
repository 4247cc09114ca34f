// Preloaded into the demo (LD_PRELOAD) by bench/demo/frame-rate: counts the frames it presents.
// From its first presented frame it counts STROBARIUM_BENCH_SECONDS (default 25) seconds, then
// appends "FRAMES SECONDS" to the file named by STROBARIUM_BENCH_LOG and ends the demo with
// SIGTERM, which it takes as a close request.
#include <dlfcn.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

struct SDL_Window;

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point first;
long presented = -1;  // frames presented after the first one
bool reported = false;

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window)
{
    static const auto swap = reinterpret_cast<void (*)(SDL_Window*)>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    static const double seconds = std::getenv("STROBARIUM_BENCH_SECONDS") ? std::atof(std::getenv("STROBARIUM_BENCH_SECONDS")) : 25;
    swap(window);
    const Clock::time_point now = Clock::now();
    if (++presented == 0) first = now;
    const double elapsed = std::chrono::duration<double>(now - first).count();
    if (reported || elapsed < seconds) return;
    reported = true;
    if (const char* log = std::getenv("STROBARIUM_BENCH_LOG")) {
        if (std::FILE* out = std::fopen(log, "a")) {
            std::fprintf(out, "%ld %.3f\n", presented, elapsed);
            std::fclose(out);
        }
    }
    std::raise(SIGTERM);
}
