// TEMPORARY until the libxmp/SDL player lands: every call succeeds and nothing plays.
#include "player/bassmod.h"

BOOL BASSMOD_Init(int, DWORD, DWORD) { return 1; }
BOOL BASSMOD_MusicLoad(BOOL, const void*, DWORD, DWORD, DWORD) { return 1; }
HSYNC BASSMOD_MusicSetSync(DWORD, DWORD, SYNCPROC*, DWORD) { return 0; }
BOOL BASSMOD_MusicPlay() { return 1; }
void BASSMOD_Free() {}
