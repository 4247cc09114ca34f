#include "sync/bassmod.h"

#include <limits>
#include <type_traits>

#include "player/player.h"

static_assert(std::is_same_v<SYNCPROC*, SyncCallback>, "the library's callbacks are the player's");

BOOL BASSMOD_Init(int device, DWORD freq, DWORD, std::string& reason)
{
    const int rate = freq > DWORD(std::numeric_limits<int>::max()) ? 0 : int(freq);
    return playerOpenDevice(device < 0 ? 0 : device, rate, reason);
}

BOOL BASSMOD_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD, std::string& reason)
{
    if (!mem) return playerLoadFile(static_cast<const char*>(file), offset, length, reason);
    return playerLoadMemory(file ? static_cast<const uint8_t*>(file) + offset : nullptr, length, reason);
}

HSYNC BASSMOD_MusicSetSync(DWORD type, DWORD param, SYNCPROC* proc, DWORD user)
{
    if (type > BASS_SYNC_END) return 0;
    return playerSetSync(SyncType(type), param, proc, user);
}

BOOL BASSMOD_MusicPlay() { return playerPlay(); }

void BASSMOD_Free() { playerFree(); }
