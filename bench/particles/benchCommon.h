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

// Runs `frame` `count` times (after one warm-up) and reports median and minimum.
template <typename Frame>
Timing timeFrames(int count, Frame frame)
{
    frame();
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        frame();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return Timing{ms[ms.size() / 2], ms.front()};
}
