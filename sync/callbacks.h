// The eight sync callbacks, in the music library's callback shape (sync/bassmod.h): each stores
// what its event says in syncState (sync/syncState.h). Handle and user value are ignored;
// order/row and note arrive in the low/high 16 bits of `data`, zero-extended.
//
// Inside sync/ only (the schedule registers them). They run on the thread that delivers syncs.
#pragma once

#include "sync/bassmod.h"

void CALLBACK orderSync(HSYNC handle, DWORD data, DWORD user);
void CALLBACK orderRowSync(HSYNC handle, DWORD data, DWORD user);
void CALLBACK instrument1Sync(HSYNC handle, DWORD data, DWORD user);
void CALLBACK instrument2Sync(HSYNC handle, DWORD data, DWORD user);
void CALLBACK instrument3Sync(HSYNC handle, DWORD data, DWORD user);
void CALLBACK instrument18Sync(HSYNC handle, DWORD data, DWORD user);
void CALLBACK instrument19Sync(HSYNC handle, DWORD data, DWORD user);
void CALLBACK endSync(HSYNC handle, DWORD data, DWORD user);
