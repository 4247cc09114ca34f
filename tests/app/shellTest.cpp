// The shell's logic against a scripted platform: whole runs, the window procedure's guards, the key codes SDL feeds it.
#include <SDL_keycode.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <set>
#include <sstream>

#include "app/display.h"
#include "app/entry.h"
#include "app/keyMap.h"
#include "scene/frame.h"
#include "sync/music.h"
#include "sync/syncState.h"
#include "tests/support/recordingGl.h"

namespace {
// The scripted platform, standing in for the scene and the music too. Each call is one readable
// entry (" (wrong handle)" added for a handle it did not give out; "result" for a sent message the window
// procedure answers other than with 0), any step fails on request by its first word, and, as on a desktop,
// creating the window reports the frame size and showing it the client's.
using Seq = std::vector<std::string>;
struct Scripted { enum Kind { Posted, Sent, Idle, SongEnd } kind; uint32_t message; uintptr_t wParam; intptr_t lParam; };
Scripted posted(uint32_t message, uintptr_t wParam = 0) { return {Scripted::Posted, message, wParam, 0}; }
Scripted sent(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) { return {Scripted::Sent, message, wParam, lParam}; }
Scripted idle() { return {Scripted::Idle, 0, 0, 0}; }
struct Script { std::set<std::string> failing; int startAnswer, fallbackAnswer; std::deque<Scripted> queue; int finishOnFrame, failOnFrame, stopAfter = -1; } script;
Seq calls;
WindowProc registeredProc;
int frames, idlePoints;
char tokens[4];  // distinct addresses for the handles; nothing is read through them
PlatformModule* const module = reinterpret_cast<PlatformModule*>(&tokens[0]);
PlatformWindow* const window = reinterpret_cast<PlatformWindow*>(&tokens[1]);
PlatformDevice* const device = reinterpret_cast<PlatformDevice*>(&tokens[2]);
PlatformContext* const context = reinterpret_cast<PlatformContext*>(&tokens[3]);
constexpr intptr_t defaultResult = 0x5A5A;
std::string hex(uintptr_t value) { return (std::ostringstream() << "0x" << std::hex << value).str(); }
bool step(const std::string& entry, bool rightHandles = true)
{
    calls.push_back(rightHandles ? entry : entry + " (wrong handle)");
    return script.failing.count(entry.substr(0, entry.find(' '))) == 0;
}
void deliver(const Scripted& m) { if (registeredProc != nullptr && registeredProc(window, m.message, m.wParam, m.lParam) != 0) step("result"); }

void reset()
{
    script = Script{};
    calls.clear();
    frames = idlePoints = 0;
    fullscreen = windowActive = true;
    std::memset(keyDown, 0, sizeof keyDown);
    instanceHandle = nullptr, windowHandle = nullptr, deviceContext = nullptr, renderContext = nullptr;
    resetSyncState();
    recordingGl::reset([](const GlCall& c) {
        if (c.func == GlFunc::Viewport) step("glViewport " + std::to_string(int(c.arg[2])) + "x" + std::to_string(int(c.arg[3])));
    });
}

}  // namespace

// Platform, scene and music as the shell sees them.
PlatformModule* platformModuleHandle() { return step("moduleHandle") ? module : nullptr; }
bool platformRegisterClass(PlatformModule* m, WindowProc proc) { return (registeredProc = proc), step("registerClass", m == module); }
bool platformUnregisterClass(PlatformModule* m) { return step("unregisterClass", m == module); }
bool platformSwitchDisplay() { return step("switchDisplay"); }
void platformRestoreDisplay() { step("restoreDisplay"); }
void platformShowCursor(bool show) { step(show ? "showCursor" : "hideCursor"); }
PlatformWindow* platformCreateWindow(PlatformModule* m, bool full)
{
    const bool made = step(full ? "createWindow fullscreen" : "createWindow windowed", m == module);
    return deliver(sent(WM_SIZE, 0, (759 << 16) | 1296)), made ? window : nullptr;
}
bool platformDestroyWindow(PlatformWindow* w) { return step("destroyWindow", w == window); }
PlatformDevice* platformGetDevice(PlatformWindow* w) { return step("getDevice", w == window) ? device : nullptr; }
bool platformReleaseDevice(PlatformWindow* w, PlatformDevice* d) { return step("releaseDevice", w == window && d == device); }
int platformChoosePixelFormat(PlatformDevice* d) { return step("choosePixelFormat", d == device) ? 7 : 0; }
bool platformSetPixelFormat(PlatformDevice* d, int format) { return step("setPixelFormat " + std::to_string(format), d == device); }
PlatformContext* platformCreateContext(PlatformDevice* d) { return step("createContext", d == device) ? context : nullptr; }
bool platformMakeCurrent(PlatformDevice* d, PlatformContext* c) { return c ? step("makeCurrent", d == device && c == context) : step("detachContext", !d); }
bool platformDeleteContext(PlatformContext* c) { return step("deleteContext", c == context); }
void platformShowWindow(PlatformWindow* w) { step("showWindow", w == window), deliver(sent(WM_SIZE, 0, (700 << 16) | 1270)); }
void platformSwapBuffers(PlatformDevice* d) { step("swapBuffers", d == device); }
intptr_t platformDefaultProc(PlatformWindow* w, uint32_t m, uintptr_t wParam, intptr_t)
{
    return step("defaultProc " + hex(m) + " " + hex(wParam), w == window), defaultResult;
}
int platformMessageBox(const char* text, const char* caption, unsigned flags)
{
    step(std::string("box ") + caption + ": " + text + " [" + hex(flags) + "]");
    return !std::strcmp(caption, "Start FullScreen?") ? script.startAnswer : !std::strcmp(caption, "Ooops..") || !std::strcmp(caption, "No Sound") ? script.fallbackAnswer : IDOK;
}
// Taken at the next peek, ahead of anything still queued.
void platformPostQuit(int code) { step("postQuit " + std::to_string(code)), script.queue.push_front(posted(WM_QUIT, code)); }
bool platformPeekMessage(WindowMessage& message)
{
    while (!script.queue.empty()) {
        const Scripted next = script.queue.front();
        script.queue.pop_front();
        if (next.kind == Scripted::Idle) return false;
        if (next.kind == Scripted::Sent) deliver(next);
        if (next.kind == Scripted::SongEnd) syncState.finished.store(1);  // as the player's end sync does
        if (next.kind != Scripted::Posted) continue;
        step("take " + hex(next.message) + " " + std::to_string(next.wParam));
        return (message = WindowMessage{window, next.message, next.wParam, next.lParam}), true;
    }
    if (++idlePoints == 1000) {  // a loop that never ends fails the test instead of hanging it
        ADD_FAILURE() << "the frame loop did not end";
        platformPostQuit(0);
    }
    return false;
}
int initScene(std::string& reason) { return reason = "Data/x.bmp: not a BMP file", step("initScene"); }
bool renderFrame()
{
    step("renderFrame");
    if (++frames == script.finishOnFrame) syncState.finished.store(1);
    return frames != script.failOnFrame;
}
// Asks whether to play without sound where its first word is failing, the answer the fallback's.
bool startMusic(std::string& reason, bool (*playWithoutSound)(const std::string& cause))
{
    const bool noDevice = !step("startMusic"), yes = noDevice && playWithoutSound("no audio device: none");
    return (reason = noDevice && !yes ? "no audio device: none" : ""), reason.empty();
}
// SIGTERM, heard once `stopAfter` frames are drawn (0: from the start question on).
int stopRequested() { return script.stopAfter >= 0 && frames >= script.stopAfter && !calls.empty() ? 15 : 0; }
void stopMusic() { step("stopMusic"); }

namespace {
Seq operator+(Seq a, const Seq& b) { return a.insert(a.end(), b.begin(), b.end()), a; }
std::string box(const std::string& text) { return "box ERROR: " + text + " [0x30]"; }
std::string shutdownBox(const std::string& text) { return "box SHUTDOWN ERROR: " + text + " [0x40]"; }
const Seq opening = {"box Start FullScreen?: Would You Like To Run In Fullscreen Mode? [0x24]", "moduleHandle", "registerClass"};
const Seq windowed = {"createWindow windowed", "glViewport 1296x759"};
const Seq switched = {"switchDisplay", "hideCursor", "createWindow fullscreen", "glViewport 1296x759"};
const Seq refused = {"switchDisplay", "box Ooops..: The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use "
                                      "Windowed Mode Instead? [0x34]"};
const Seq toFormat = {"getDevice", "choosePixelFormat", "setPixelFormat 7"};
// The requested size wins over what showing the window reported.
const Seq built = toFormat + Seq{"createContext", "makeCurrent", "showWindow", "glViewport 1270x700", "glViewport 1280x720", "initScene"};
const Seq released = {"detachContext", "deleteContext", "releaseDevice", "destroyWindow", "unregisterClass"};
const Seq unwound = {"releaseDevice", "destroyWindow", "unregisterClass"};
const Seq frame = {"renderFrame", "swapBuffers"};
const std::string noSound = "box No Sound: No Sound Device Could Be Opened (no audio device: none).\nPlay Without Sound? [0x34]";
Seq windowedRun(const Seq& loop) { return opening + windowed + built + Seq{"startMusic"} + loop + Seq{"stopMusic"} + released; }
const uintptr_t minimised = (uintptr_t{1} << 16) | WA_ACTIVE;

// Columns after the expected sequence are optional; a row names only what it changes. Finishing
// and failing frames count renderFrame calls from 1.
const struct WholeRun {
    const char* name;
    Seq expected;
    std::deque<Scripted> queue = {};
    int finishOnFrame = 1;
    std::set<std::string> failing = {};
    int startAnswer = IDNO, fallbackAnswer = 0, failOnFrame = 0, exitCode = 0, stopAfter = -1;
} runs[] = {
    {"fullscreen", opening + switched + built + Seq{"startMusic"} + frame + Seq{"stopMusic", "restoreDisplay", "showCursor"} + released,
     {}, 1, {}, IDYES},
    {"refused mode, Yes", opening + refused + windowed + built + Seq{"startMusic"} + frame + Seq{"stopMusic"} + released, {}, 1,
     {"switchDisplay"}, IDYES, IDYES},
    {"start box unanswered, refused mode, not Yes", opening + refused + Seq{"box ERROR: Program Will Now Close. [0x10]"}, {}, 1,
     {"switchDisplay"}, 0},
    {"registerClass", opening + Seq{box("Failed To Register The Window Class.")}, {}, 1, {"registerClass"}},
    {"createWindow", opening + windowed + Seq{"unregisterClass", box("Window Creation Error.")}, {}, 1, {"createWindow"}},
    {"getDevice", opening + windowed + Seq{"getDevice", "destroyWindow", "unregisterClass", box("Can't Create A GL Device Context.")},
     {}, 1, {"getDevice"}},
    {"choosePixelFormat", opening + windowed + Seq{"getDevice", "choosePixelFormat"} + unwound + Seq{box("Can't Find A Suitable PixelFormat.")},
     {}, 1, {"choosePixelFormat"}},
    {"setPixelFormat", opening + windowed + toFormat + unwound + Seq{box("Can't Set The PixelFormat.")}, {}, 1, {"setPixelFormat"}},
    {"createContext", opening + windowed + toFormat + Seq{"createContext"} + unwound + Seq{box("Can't Create A GL Rendering Context.")},
     {}, 1, {"createContext"}},
    {"makeCurrent", opening + windowed + toFormat + Seq{"createContext", "makeCurrent"} + released +
     Seq{box("Can't Activate The GL Rendering Context.")}, {}, 1, {"makeCurrent"}},
    {"initScene, then deleting the context", opening + windowed + built + Seq{"detachContext", "deleteContext",
     shutdownBox("Release Rendering Context Failed.")} + unwound + Seq{box("Initialization Failed.\nData/x.bmp: not a BMP file")}, {}, 1,
     {"initScene", "deleteContext"}},
    {"fullscreen, pixel format: desktop back before the box", opening + switched + Seq{"getDevice", "choosePixelFormat", "restoreDisplay",
     "showCursor"} + unwound + Seq{box("Can't Find A Suitable PixelFormat.")}, {}, 1, {"choosePixelFormat"}, IDYES},
    {"every release", opening + windowed + built + Seq{"startMusic"} + frame + Seq{"stopMusic", "detachContext",
     shutdownBox("Release Of DC And RC Failed."), "deleteContext", shutdownBox("Release Rendering Context Failed."), "releaseDevice",
     shutdownBox("Release Device Context Failed."), "destroyWindow", shutdownBox("Could Not Release hWnd."), "unregisterClass",
     shutdownBox("Could Not Unregister Class.")}, {}, 1, {"detachContext", "deleteContext", "releaseDevice", "destroyWindow", "unregisterClass"}},
    {"no sound, not without", windowedRun({noSound}) + Seq{box("Initialization Failed.\nno audio device: none")}, {}, 1, {"startMusic"}},
    {"stop request at the start question: nothing built", {opening[0]}, {}, 1, {}, IDNO, 0, 0, 143, 0},
    {"stop request while playing: Escape's teardown", windowedRun(frame + frame), {}, 0, {}, IDNO, 0, 0, 143, 2},
    {"close: no further frame", windowedRun(frame + Seq{"postQuit 0", "take 0x12 0"}), {idle(), sent(WM_CLOSE)}, 0},
    {"escape: that frame is not presented", windowedRun(frame + Seq{"take 0x100 27", "renderFrame"}), {idle(), posted(WM_KEYDOWN, 27)}, 0},
    {"finished: that frame is presented", windowedRun(frame + frame + frame), {}, 3},
    {"failing frame: not presented", windowedRun(frame + Seq{"renderFrame"}), {}, 0, {}, IDNO, 0, 2},
    // Minimised, it swaps and tests on; restored or just deactivated, it draws. The low bits of a system
    // command are not masked, and the words of a size are unsigned.
    {"minimised, restored, deactivated; system commands, sizes", windowedRun(Seq{"swapBuffers"} + frame + Seq{"swapBuffers",
     "defaultProc 0x112 0xf141", "result", "defaultProc 0x104 0x12", "result", "glViewport 0x1", "glViewport 32768x65535", "glViewport 1280x720"} + frame),
     {sent(WM_ACTIVATE, WA_INACTIVE), sent(WM_ACTIVATE, minimised), idle(), sent(WM_ACTIVATE, WA_ACTIVE), idle(), sent(WM_ACTIVATE, minimised), idle(),
      sent(WM_ACTIVATE, WA_INACTIVE), sent(WM_SYSCOMMAND, SC_SCREENSAVE), sent(WM_SYSCOMMAND, SC_MONITORPOWER, 2), sent(WM_SYSCOMMAND, SC_SCREENSAVE | 1),
      sent(WM_SYSKEYDOWN, 0x12), sent(WM_SIZE, 1), sent(WM_SIZE, 0, 0xFFFF8000), sent(WM_SIZE, 0, static_cast<intptr_t>(0x7FFFFFFF02D00500))}, 2},
    {"minimised: the song's end still tested", windowedRun({"swapBuffers"}), {sent(WM_ACTIVATE, minimised), {Scripted::SongEnd, 0, 0, 0}}, 0},
    {"quit wins over a held escape, its code the exit code", windowedRun({"take 0x100 27", "take 0x12 3"}), {posted(WM_KEYDOWN, 27), posted(WM_QUIT, 3)},
     0, {}, IDNO, 0, 0, 3},
};

TEST(Shell, WholeRunsBuildLoopTearDownAndTellInOrder)
{
    for (const WholeRun& run : runs) {
        SCOPED_TRACE(run.name);
        reset();
        script = {run.failing, run.startAnswer, run.fallbackAnswer, run.queue, run.finishOnFrame, run.failOnFrame, run.stopAfter};
        // Every failure the user was told of ends in status 1.
        const bool failed = std::any_of(run.expected.begin(), run.expected.end(), [](const std::string& c) { return c.rfind("box ERROR", 0) == 0; });
        EXPECT_EQ(runDemo(), run.exitCode ? run.exitCode : failed);
        EXPECT_EQ(calls, run.expected);
    }
}

// Keys follow the table: auto-repeat sets an entry again, and under AddressSanitizer a write
// past the table stops the test. The SDL platform's key codes all fit it.
TEST(Shell, WindowProcedureKeepsKeysByCodeThatSdlKeysFit)
{
    reset();
    for (uintptr_t code : {uintptr_t{27}, uintptr_t{255}, uintptr_t{256}, uintptr_t{0x1000}, ~uintptr_t{0}})
        EXPECT_EQ(displayWindowProc(window, WM_KEYDOWN, code, 0) | displayWindowProc(window, WM_KEYDOWN, code, 0x40000001), 0);
    EXPECT_EQ(std::count(keyDown, keyDown + keyCount, 1), 2);
    EXPECT_EQ(displayWindowProc(window, WM_KEYUP, 255, 0) | displayWindowProc(window, WM_KEYUP, 256, 0), 0);
    EXPECT_TRUE(keyDown[27] == 1 && keyDown[255] == 0);
    EXPECT_EQ((std::vector<int>{virtualKeyCode(SDLK_ESCAPE), virtualKeyCode(SDLK_q), virtualKeyCode(SDLK_UNKNOWN)}), (std::vector<int>{keyEscape, 'Q', 0}));
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode)
        EXPECT_LT(unsigned(virtualKeyCode(SDL_SCANCODE_TO_KEYCODE(scancode))), unsigned(keyCount)) << scancode;
    EXPECT_TRUE(isSystemKey(SDLK_F10) && !isSystemKey(SDLK_ESCAPE));
}

}  // namespace
