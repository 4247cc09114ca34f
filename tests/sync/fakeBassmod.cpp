#include "tests/sync/fakeBassmod.h"

std::vector<FakeCall> fakeCalls;
FakeResults fakeResults;

BOOL BASSMOD_Init(int device, DWORD freq, DWORD flags)
{
    fakeCalls.push_back({"Init", {device, freq, flags}, "", nullptr});
    return fakeResults.init;
}

BOOL BASSMOD_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags)
{
    fakeCalls.push_back({"MusicLoad", {mem, offset, length, flags}, mem ? "" : static_cast<const char*>(file), nullptr});
    return fakeResults.load;
}

HSYNC BASSMOD_MusicSetSync(DWORD type, DWORD param, SYNCPROC* proc, DWORD user)
{
    fakeCalls.push_back({"MusicSetSync", {type, param, user}, "", proc});
    return static_cast<HSYNC>(fakeCalls.size());
}

BOOL BASSMOD_MusicPlay()
{
    fakeCalls.push_back({"MusicPlay", {}, "", nullptr});
    return fakeResults.play;
}

void BASSMOD_Free() { fakeCalls.push_back({"Free", {}, "", nullptr}); }
