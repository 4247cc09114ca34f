// Shared by the two particle benchmarks: a stand-in Data/ folder to start the scene from,
// and frame timing.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/testData.h"

// Makes a private folder with a stand-in Data/ the working directory, removed again at exit;
// false when it can't.
inline bool enterBenchData()
{
    static char dir[] = "/tmp/strobarium-bench-XXXXXX";
    if (!mkdtemp(dir)) return false;
    std::atexit([] { std::filesystem::remove_all(dir); });
    return writeTestData(dir) && chdir(dir) == 0;
}

struct Timing {
    double medianMs, minMs;
};

template <typename Frame>
double timeOnce(Frame& frame)
{
    const auto start = std::chrono::steady_clock::now();
    frame();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline Timing summarise(std::vector<double>& ms)
{
    std::sort(ms.begin(), ms.end());
    return Timing{ms[ms.size() / 2], ms.front()};
}

// Runs `frame` `count` times (after one warm-up) and reports median and minimum.
template <typename Frame>
Timing timeFrames(int count, Frame frame)
{
    frame();
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) ms.push_back(timeOnce(frame));
    return summarise(ms);
}

// Two kinds of frame taken in turns, so that load from elsewhere on the machine falls on
// both alike.
template <typename FrameA, typename FrameB>
void timeInTurns(int count, FrameA a, FrameB b, Timing& timingA, Timing& timingB)
{
    a();
    b();
    std::vector<double> msA, msB;
    for (int i = 0; i < count; ++i) {
        msA.push_back(timeOnce(a));
        msB.push_back(timeOnce(b));
    }
    timingA = summarise(msA);
    timingB = summarise(msB);
}
