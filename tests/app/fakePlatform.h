// A scripted stand-in for the platform list, the scene and the music, for unit tests of
// the shell's logic. Every call lands in one sequence of readable entries ("createWindow
// windowed", "box ERROR: Window Creation Error. [0x30]", "glViewport 1280x720", ...), any
// step can be made to fail by name, and the message queue is a script of posted messages,
// sent messages and idle points.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "app/platform.h"

namespace fakePlatform {

struct ScriptedMessage {
    enum Kind { Posted, Sent, Idle } kind;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

ScriptedMessage posted(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
ScriptedMessage sent(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
ScriptedMessage idle();

struct Script {
    // Step names as they appear in the sequence (first word): "registerClass",
    // "switchDisplay", "createWindow", "getDevice", "choosePixelFormat", "setPixelFormat",
    // "createContext", "makeCurrent", "detachContext", "deleteContext", "releaseDevice",
    // "destroyWindow", "unregisterClass", "initScene", "startMusic".
    std::set<std::string> failing;
    int startAnswer = IDNO;
    int fallbackAnswer = IDNO;
    // Handed out by peek in order; an empty queue means idle.
    std::deque<ScriptedMessage> queue;
    // Delivered to the window procedure from inside createWindow / showWindow.
    std::vector<ScriptedMessage> sentDuringCreate;
    std::vector<ScriptedMessage> sentDuringShow;
    // The renderFrame call (counted from 1) that raises syncState.finished; 0 for none.
    int finishOnFrame = 0;
    // The renderFrame call that returns false; 0 for none.
    int failOnFrame = 0;
    intptr_t defaultResult = 0x5A5A;
};

extern Script script;

// Fresh script and sequence, display globals and sync state as at program start, and the
// recording OpenGL recording (its viewport calls join the sequence).
void reset();

const std::vector<std::string>& sequence();
int framesRendered();

// The handles the fake hands out, for checks on what was passed around.
PlatformWindow* fakeWindow();
PlatformDevice* fakeDevice();

}  // namespace fakePlatform
