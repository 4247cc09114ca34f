#include "sync/music.h"

#include "player/offline.h"
#include "player/player.h"
#include "common/dataFiles.h"
#include "sync/bassmod.h"
#include "sync/callbacks.h"
#include "sync/syncState.h"

namespace {

struct SyncPoint {
    DWORD type;
    DWORD param;
    SYNCPROC* callback;
};

// Order in the low 16 bits, row in the high 16 bits; 0xFFFF matches any.
constexpr DWORD at(DWORD order, DWORD row) { return (row << 16) | order; }
constexpr DWORD anyNoteOf(DWORD instrument) { return 0xFFFF0000u | instrument; }
constexpr DWORD anyValue = 0xFFFF;

const SyncPoint syncSchedule[] = {
    {BASS_SYNC_POS, at(anyValue, 0), orderSync},
    {BASS_SYNC_INS, anyNoteOf(kickInstrument), instrument1Sync},
    {BASS_SYNC_INS, anyNoteOf(snareInstrument), instrument2Sync},
    {BASS_SYNC_INS, anyNoteOf(hatInstrument), instrument3Sync},
    {BASS_SYNC_INS, anyNoteOf(bassInstrument), instrument18Sync},
    {BASS_SYNC_INS, anyNoteOf(arpInstrument), instrument19Sync},
    // Title and its cards.
    {BASS_SYNC_POS, at(1, 0), orderRowSync},
    {BASS_SYNC_POS, at(2, 0), orderRowSync},
    {BASS_SYNC_POS, at(2, 32), orderRowSync},
    {BASS_SYNC_POS, at(2, 48), orderRowSync},
    // The warning card pulses on every row of order 3.
    {BASS_SYNC_POS, at(3, anyValue), orderRowSync},
    // Greetings: on and off every eight rows.
    {BASS_SYNC_POS, at(9, 0), orderRowSync},
    {BASS_SYNC_POS, at(9, 8), orderRowSync},
    {BASS_SYNC_POS, at(9, 16), orderRowSync},
    {BASS_SYNC_POS, at(9, 24), orderRowSync},
    {BASS_SYNC_POS, at(9, 32), orderRowSync},
    {BASS_SYNC_POS, at(9, 40), orderRowSync},
    {BASS_SYNC_POS, at(9, 48), orderRowSync},
    {BASS_SYNC_POS, at(9, 56), orderRowSync},
    {BASS_SYNC_POS, at(10, 0), orderRowSync},
    {BASS_SYNC_POS, at(10, 8), orderRowSync},
    {BASS_SYNC_POS, at(10, 16), orderRowSync},
    {BASS_SYNC_POS, at(10, 24), orderRowSync},
    {BASS_SYNC_POS, at(10, 32), orderRowSync},
    {BASS_SYNC_POS, at(10, 48), orderRowSync},
    // Where the demo ends.
    {BASS_SYNC_POS, at(demoEndOrder, demoEndRow), orderRowSync},
    {BASS_SYNC_END, 0, endSync},
};
static_assert(sizeof syncSchedule / sizeof syncSchedule[0] == syncPointCount, "the script's points, counted");

SyncObserver observer = nullptr;

// Registered instead of the point's own callback when someone observes: the user value is the
// point's index in the schedule.
void CALLBACK observedSync(HSYNC handle, DWORD data, DWORD user)
{
    observer(int(user) + 1, data);
    syncSchedule[user].callback(handle, data, 0);
}

// Both starts, once the output was opened or failed to open (and said why in `reason`): the
// module loaded and every point registered even so, as the library's own start does.
bool loadRegisterAndPlay(bool outputOpened, std::string& reason)
{
    std::string loadReason;
    const bool loaded = BASSMOD_MusicLoad(false, moduleFile, 0, 0, BASS_MUSIC_RAMPS | BASS_MUSIC_SURROUND, loadReason);
    if (!loadReason.empty()) reason += (reason.empty() ? "" : "; ") + loadReason;
    DWORD index = 0;
    for (const SyncPoint& point : syncSchedule) {
        if (observer)
            BASSMOD_MusicSetSync(point.type, point.param, observedSync, index++);
        else
            BASSMOD_MusicSetSync(point.type, point.param, point.callback, 0);
    }
    const bool playing = BASSMOD_MusicPlay();
    return playing && outputOpened && loaded;
}

}  // namespace

bool startMusic(std::string& reason, bool (*playWithoutSound)(const std::string& cause))
{
    observer = nullptr;
    reason.clear();
    bool opened = BASSMOD_Init(-1, mixRate, 0, reason);
    if (!opened && playWithoutSound(reason)) {
        reason.clear();
        opened = playerOpenSilent(mixRate, reason);
    }
    return loadRegisterAndPlay(opened, reason);
}

bool startMusicOffline(int rate, SyncObserver onSync, std::string& reason)
{
    observer = onSync;
    reason.clear();
    return loadRegisterAndPlay(playerOpenOffline(rate, reason), reason);
}

void stopMusic() { BASSMOD_Free(); }
