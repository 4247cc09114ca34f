#include "tests/app/fakePlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/display.h"
#include "scene/frame.h"
#include "scene/particles.h"
#include "scene/textures.h"
#include "sync/music.h"
#include "sync/syncState.h"
#include "tests/support/recordingGl.h"

namespace fakePlatform {

Script script;

namespace {

std::vector<std::string> calls;
WindowProc registeredProc;
bool quitPosted;
int quitCode;
int frames;
int idleLoops;

// Distinct addresses only; nothing is ever read through them.
char moduleToken, windowToken, deviceToken, contextToken;

// Stops a loop that a faulty shell would never leave, instead of hanging the test.
constexpr int idleLimit = 1000;

void record(const std::string& entry) { calls.push_back(entry); }

bool fails(const char* step) { return script.failing.count(step) != 0; }

std::string hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

void deliver(const ScriptedMessage& message)
{
    if (registeredProc == nullptr) {
        ADD_FAILURE() << "sent message " << hex(message.message) << " with no window procedure registered";
        return;
    }
    registeredProc(fakeWindow(), message.message, message.wParam, message.lParam);
}

void recordViewport(const GlCall& call)
{
    if (call.func != GlFunc::Viewport) return;
    record("glViewport " + std::to_string(static_cast<int>(call.arg[2])) + "x" +
           std::to_string(static_cast<int>(call.arg[3])));
}

}  // namespace

ScriptedMessage posted(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return {ScriptedMessage::Posted, message, wParam, lParam};
}
ScriptedMessage sent(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return {ScriptedMessage::Sent, message, wParam, lParam};
}
ScriptedMessage idle() { return {ScriptedMessage::Idle, 0, 0, 0}; }

void reset()
{
    script = Script{};
    calls.clear();
    registeredProc = nullptr;
    quitPosted = false;
    quitCode = -1;
    frames = 0;
    idleLoops = 0;
    fullscreen = true;
    windowActive = true;
    std::memset(keyDown, 0, sizeof keyDown);
    instanceHandle = nullptr;
    windowHandle = nullptr;
    deviceContext = nullptr;
    renderContext = nullptr;
    resetSyncState();
    recordingGl::reset(recordingGl::Mode::Record);
    recordingGl::setCallHook(recordViewport);
}

const std::vector<std::string>& sequence() { return calls; }
int framesRendered() { return frames; }
PlatformWindow* fakeWindow() { return reinterpret_cast<PlatformWindow*>(&windowToken); }
PlatformDevice* fakeDevice() { return reinterpret_cast<PlatformDevice*>(&deviceToken); }

}  // namespace fakePlatform

using namespace fakePlatform;

PlatformModule* platformModuleHandle()
{
    record("moduleHandle");
    return reinterpret_cast<PlatformModule*>(&moduleToken);
}

bool platformRegisterClass(PlatformModule* module, WindowProc proc)
{
    record("registerClass");
    EXPECT_EQ(module, reinterpret_cast<PlatformModule*>(&moduleToken));
    if (fails("registerClass")) return false;
    registeredProc = proc;
    return true;
}

bool platformUnregisterClass(PlatformModule* module)
{
    record("unregisterClass");
    EXPECT_EQ(module, reinterpret_cast<PlatformModule*>(&moduleToken));
    return !fails("unregisterClass");
}

bool platformSwitchDisplay()
{
    record("switchDisplay");
    return !fails("switchDisplay");
}

void platformRestoreDisplay() { record("restoreDisplay"); }

void platformShowCursor(bool show) { record(show ? "showCursor" : "hideCursor"); }

PlatformWindow* platformCreateWindow(PlatformModule* module, bool fullscreenStyle)
{
    record(fullscreenStyle ? "createWindow fullscreen" : "createWindow windowed");
    EXPECT_EQ(module, reinterpret_cast<PlatformModule*>(&moduleToken));
    for (const ScriptedMessage& message : script.sentDuringCreate) deliver(message);
    return fails("createWindow") ? nullptr : fakeWindow();
}

bool platformDestroyWindow(PlatformWindow* window)
{
    record("destroyWindow");
    EXPECT_EQ(window, fakeWindow());
    return !fails("destroyWindow");
}

PlatformDevice* platformGetDevice(PlatformWindow* window)
{
    record("getDevice");
    EXPECT_EQ(window, fakeWindow());
    return fails("getDevice") ? nullptr : fakeDevice();
}

bool platformReleaseDevice(PlatformWindow* window, PlatformDevice* device)
{
    record("releaseDevice");
    EXPECT_EQ(window, fakeWindow());
    EXPECT_EQ(device, fakeDevice());
    return !fails("releaseDevice");
}

int platformChoosePixelFormat(PlatformDevice* device)
{
    record("choosePixelFormat");
    EXPECT_EQ(device, fakeDevice());
    return fails("choosePixelFormat") ? 0 : 7;
}

bool platformSetPixelFormat(PlatformDevice* device, int format)
{
    record("setPixelFormat " + std::to_string(format));
    EXPECT_EQ(device, fakeDevice());
    return !fails("setPixelFormat");
}

PlatformContext* platformCreateContext(PlatformDevice* device)
{
    record("createContext");
    EXPECT_EQ(device, fakeDevice());
    return fails("createContext") ? nullptr : reinterpret_cast<PlatformContext*>(&contextToken);
}

bool platformMakeCurrent(PlatformDevice* device, PlatformContext* context)
{
    if (context == nullptr) {
        record("detachContext");
        EXPECT_EQ(device, nullptr);
        return !fails("detachContext");
    }
    record("makeCurrent");
    EXPECT_EQ(device, fakeDevice());
    EXPECT_EQ(context, reinterpret_cast<PlatformContext*>(&contextToken));
    return !fails("makeCurrent");
}

bool platformDeleteContext(PlatformContext* context)
{
    record("deleteContext");
    EXPECT_EQ(context, reinterpret_cast<PlatformContext*>(&contextToken));
    return !fails("deleteContext");
}

void platformShowWindow(PlatformWindow* window)
{
    record("showWindow");
    EXPECT_EQ(window, fakeWindow());
    for (const ScriptedMessage& message : script.sentDuringShow) deliver(message);
}

void platformSwapBuffers(PlatformDevice* device)
{
    record("swapBuffers");
    EXPECT_EQ(device, fakeDevice());
}

bool platformPeekMessage(WindowMessage& message)
{
    if (quitPosted) {
        quitPosted = false;
        record("take quit " + std::to_string(quitCode));
        message = WindowMessage{nullptr, WM_QUIT, static_cast<uintptr_t>(quitCode), 0};
        return true;
    }
    while (!script.queue.empty()) {
        const ScriptedMessage next = script.queue.front();
        script.queue.pop_front();
        if (next.kind == ScriptedMessage::Idle) return false;
        if (next.kind == ScriptedMessage::Sent) {
            deliver(next);
            if (quitPosted) return platformPeekMessage(message);
            continue;
        }
        record("take " + hex(next.message) + " " + std::to_string(next.wParam));
        message = WindowMessage{fakeWindow(), next.message, next.wParam, next.lParam};
        return true;
    }
    if (++idleLoops > idleLimit) {
        ADD_FAILURE() << "the frame loop did not end; stopping it";
        syncState.finished.store(1, std::memory_order_relaxed);
        keyDown[keyEscape] = 1;
    }
    return false;
}

void platformPostQuit(int exitCode)
{
    record("postQuit " + std::to_string(exitCode));
    quitPosted = true;
    quitCode = exitCode;
}

intptr_t platformDefaultProc(PlatformWindow* window, uint32_t message, uintptr_t wParam, intptr_t)
{
    record("defaultProc " + hex(message) + " " + hex(static_cast<unsigned>(wParam)));
    EXPECT_EQ(window, fakeWindow());
    return script.defaultResult;
}

int platformMessageBox(const char* text, const char* caption, unsigned flags)
{
    record(std::string("box ") + caption + ": " + text + " [" + hex(flags) + "]");
    if (std::strcmp(caption, "Start FullScreen?") == 0) return script.startAnswer;
    if (std::strcmp(caption, "Ooops..") == 0) return script.fallbackAnswer;
    return IDOK;
}

// The scene and the music, as far as the shell sees them.
int initScene()
{
    record("initScene");
    return fails("initScene") ? 0 : 1;
}

bool renderFrame()
{
    ++frames;
    record("renderFrame");
    if (frames == script.finishOnFrame) syncState.finished.store(1, std::memory_order_relaxed);
    return frames != script.failOnFrame;
}

bool startMusic()
{
    record("startMusic");
    return !fails("startMusic");
}

void stopMusic() { record("stopMusic"); }
