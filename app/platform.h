// The short list of platform operations the application shell stands on. The shell's
// logic (start-up order, guards, messages, teardown, the window procedure and the frame
// loop) calls only these; app/platformSdl.cpp gives them on SDL2, and the unit tests
// link a scripted fake instead. Each operation keeps the shape and the result of the
// Win32/WGL call it stands for, so the logic reads like the window code it mirrors.
//
// Globals owned here: none. Each implementation keeps its own private state.
//
// Messages come in two kinds, as on Win32: "sent" ones (activation, size, close) are
// delivered straight to the registered window procedure from inside the platform calls,
// "posted" ones (keys, quit) are handed to the frame loop by platformPeekMessage, which
// dispatches them itself. Only posted messages ever land in the loop's message record.
#pragma once

#include <cstdint>

// Opaque handles; each implementation decides what they point at.
struct PlatformModule;
struct PlatformWindow;
struct PlatformDevice;
struct PlatformContext;

// Message ids and parameters, message box flags and answers, in their Win32 values. A Windows
// build takes them from <windows.h> itself, where they are macros that no name of ours may
// shadow.
#ifdef _WIN32
#include <windows.h>
#else
// Message ids.
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;

// WM_ACTIVATE: low word of wParam; the high word is non-zero when minimised.
constexpr uintptr_t WA_INACTIVE = 0;
constexpr uintptr_t WA_ACTIVE = 1;
// WM_SYSCOMMAND requests the window refuses.
constexpr uintptr_t SC_SCREENSAVE = 0xF140;
constexpr uintptr_t SC_MONITORPOWER = 0xF170;

// Message box flags and answers.
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
#endif

struct WindowMessage {
    PlatformWindow* window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

using WindowProc = intptr_t (*)(PlatformWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);


// GetModuleHandleA(NULL): the program's own module.
PlatformModule* platformModuleHandle();
// RegisterClassA / UnregisterClassA of the class "OpenGL" with `windowProc`; true on success.
bool platformRegisterClass(PlatformModule* module, WindowProc windowProc);
bool platformUnregisterClass(PlatformModule* module);

// ChangeDisplaySettingsA to 1280x720 at 32 bits, temporary; true when the display now runs it.
bool platformSwitchDisplay();
// ChangeDisplaySettingsA(NULL, 0): back to the desktop's own mode.
void platformRestoreDisplay();
// ShowCursor(FALSE / TRUE).
void platformShowCursor(bool show);

// AdjustWindowRectEx + CreateWindowExA: a hidden window "strobarium by kelsot" at (0, 0)
// with a 1280x720 client area, popup-styled when `fullscreen`; null on failure.
PlatformWindow* platformCreateWindow(PlatformModule* module, bool fullscreen);
bool platformDestroyWindow(PlatformWindow* window);
// GetDC / ReleaseDC.
PlatformDevice* platformGetDevice(PlatformWindow* window);
bool platformReleaseDevice(PlatformWindow* window, PlatformDevice* device);
// ChoosePixelFormat / SetPixelFormat for the demo's one request: double-buffered RGBA,
// 32 colour bits without alpha, 16 depth bits, no stencil, accumulation or aux buffers.
int platformChoosePixelFormat(PlatformDevice* device);
bool platformSetPixelFormat(PlatformDevice* device, int format);
// wglCreateContext / wglMakeCurrent (null, null detaches) / wglDeleteContext.
PlatformContext* platformCreateContext(PlatformDevice* device);
bool platformMakeCurrent(PlatformDevice* device, PlatformContext* context);
bool platformDeleteContext(PlatformContext* context);
// ShowWindow(SW_SHOW), SetForegroundWindow, SetFocus.
void platformShowWindow(PlatformWindow* window);
// SwapBuffers.
void platformSwapBuffers(PlatformDevice* device);

// PeekMessageA(PM_REMOVE): delivers pending sent messages to the window procedure, then
// takes the next posted message into `message`; false when none is waiting.
bool platformPeekMessage(WindowMessage& message);
// PostQuitMessage: the next peek takes WM_QUIT with wParam `exitCode`.
void platformPostQuit(int exitCode);
// DefWindowProcA.
intptr_t platformDefaultProc(PlatformWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// MessageBoxA with no owner window; the button chosen (IDYES, IDNO, IDOK), or 0 when the
// box could not be shown.
int platformMessageBox(const char* text, const char* caption, unsigned flags);
