// A stand-in for the player that records every call the schedule makes, linked instead of
// player/bassmod.cpp, with results the test chooses.
#pragma once

#include <string>
#include <vector>

#include "player/bassmod.h"

struct FakeCall {
    std::string name;  // "Init", "MusicLoad", "MusicSetSync", "MusicPlay", "Free"
    std::vector<long long> arguments;
    std::string text;  // the file name of MusicLoad
    SYNCPROC* proc = nullptr;
};

struct FakeResults {
    BOOL init = 1;
    BOOL load = 1;
    BOOL play = 1;
};

extern std::vector<FakeCall> fakeCalls;
extern FakeResults fakeResults;
