#include "app/display.h"

#include <cstdio>
#include <string>

#include "os/os.h"
#include "scene/frame.h"
#include "scene/projection.h"
#include "scene/textures.h"

bool fullscreen = true;
bool windowActive = true;
uint8_t keyDown[keyCount];
PlatformModule* instanceHandle;
PlatformWindow* windowHandle;
PlatformDevice* deviceContext;
PlatformContext* renderContext;

namespace {

constexpr unsigned startupErrorFlags = MB_OK | MB_ICONWARNING;
constexpr unsigned shutdownErrorFlags = MB_OK | MB_ICONINFORMATION;

constexpr const char* fallbackQuestion =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";

void tellShutdownError(const char* text) { tellUser(text, "SHUTDOWN ERROR", shutdownErrorFlags); }

// Tear down first, tell second: the desktop is back before the box appears.
int failStartup(const char* text)
{
    closeDisplayWindow();
    tellUser(text, "ERROR", startupErrorFlags);
    return 0;
}

uint32_t lowWord(uintptr_t value) { return static_cast<uint32_t>(value & 0xFFFFu); }
uint32_t highWord(uintptr_t value) { return static_cast<uint32_t>((value >> 16) & 0xFFFFu); }

}  // namespace

int tellUser(const char* text, const char* caption, unsigned flags)
{
    std::fprintf(stderr, "strobarium: %s: ", caption);
    for (const char* c = text; *c != '\0'; ++c) std::fputc(*c == '\n' ? ' ' : *c, stderr);
    std::fputc('\n', stderr);
    return platformMessageBox(text, caption, flags);
}

int openDisplayWindow()
{
    instanceHandle = platformModuleHandle();
    if (!platformRegisterClass(instanceHandle, displayWindowProc)) {
        tellUser("Failed To Register The Window Class.", "ERROR", startupErrorFlags);
        return 0;
    }

    if (fullscreen) {
        if (platformSwitchDisplay()) {
            platformShowCursor(false);
        } else if (tellUser(fallbackQuestion, "Ooops..", MB_YESNO | MB_ICONWARNING) == IDYES) {
            fullscreen = false;
        } else if (stopRequested() != 0) {
            return 0;  // the question was ended, not answered
        } else {
            // Nothing was changed yet; the class simply stays registered until the process ends.
            tellUser("Program Will Now Close.", "ERROR", MB_OK | MB_ICONERROR);
            return 0;
        }
    }

    windowHandle = platformCreateWindow(instanceHandle, fullscreen);
    if (windowHandle == nullptr) return failStartup("Window Creation Error.");
    deviceContext = platformGetDevice(windowHandle);
    if (deviceContext == nullptr) return failStartup("Can't Create A GL Device Context.");
    const int pixelFormat = platformChoosePixelFormat(deviceContext);
    if (pixelFormat == 0) return failStartup("Can't Find A Suitable PixelFormat.");
    if (!platformSetPixelFormat(deviceContext, pixelFormat)) return failStartup("Can't Set The PixelFormat.");
    renderContext = platformCreateContext(deviceContext);
    if (renderContext == nullptr) return failStartup("Can't Create A GL Rendering Context.");
    if (!platformMakeCurrent(deviceContext, renderContext)) return failStartup("Can't Activate The GL Rendering Context.");

    platformShowWindow(windowHandle);
    // The requested size, not the measured one: a size message during showing may have set
    // the real client area already, and the next one brings it back.
    setProjection(pictureWidth, pictureHeight);
    std::string reason;
    // The generic box names the cause on a second line: which file, and what is wrong with it.
    if (!initScene(reason)) return failStartup(("Initialization Failed.\n" + reason).c_str());
    return 1;
}

void closeDisplayWindow()
{
    // Still set here exactly when the switch succeeded and the cursor was hidden.
    if (fullscreen) {
        platformRestoreDisplay();
        platformShowCursor(true);
    }
    if (renderContext != nullptr) {
        if (!platformMakeCurrent(nullptr, nullptr)) tellShutdownError("Release Of DC And RC Failed.");
        if (!platformDeleteContext(renderContext)) tellShutdownError("Release Rendering Context Failed.");
        renderContext = nullptr;
    }
    if (deviceContext != nullptr) {
        if (!platformReleaseDevice(windowHandle, deviceContext)) tellShutdownError("Release Device Context Failed.");
        deviceContext = nullptr;
    }
    if (windowHandle != nullptr) {
        if (!platformDestroyWindow(windowHandle)) tellShutdownError("Could Not Release hWnd.");
        windowHandle = nullptr;
    }
    if (!platformUnregisterClass(instanceHandle)) tellShutdownError("Could Not Unregister Class.");
    instanceHandle = nullptr;
}

intptr_t displayWindowProc(PlatformWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        // Only minimising stops the drawing; losing activation does not.
        windowActive = highWord(wParam) == 0;
        return 0;
    case WM_SYSCOMMAND:
        // The whole value is compared, low bits included.
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
        break;
    case WM_CLOSE:
        // The window itself stays until closeDisplayWindow, after the loop.
        platformPostQuit(0);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (wParam < keyCount) keyDown[wParam] = message == WM_KEYDOWN ? 1 : 0;
        return 0;
    case WM_SIZE:
        setProjection(static_cast<int>(lowWord(static_cast<uintptr_t>(lParam))),
                      static_cast<int>(highWord(static_cast<uintptr_t>(lParam))));
        return 0;
    default:
        break;
    }
    return platformDefaultProc(window, message, wParam, lParam);
}
