// SDL key codes to the Win32-style virtual-key codes that keyDown is indexed by.
//
// Globals owned here: the constant table in keyMap.cpp.
#pragma once

#include <cstdint>

// The virtual-key code (1..255) of an SDL key code, or 0 for a key without one.
int virtualKeyCode(int32_t sdlKey);

// Keys that Win32 reports as system keys (Alt itself and F10); with Alt held, every key is one.
bool isSystemKey(int32_t sdlKey);
