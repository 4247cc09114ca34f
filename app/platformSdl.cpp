// The platform list on SDL2. SDL has one window per handle and no separate device context
// or window class, so several Win32 steps shrink to bookkeeping here:
//   class registration    = starting SDL's video subsystem (and disabling the screen saver);
//                           on Windows SDL registers the class "OpenGL" itself, on X11 the
//                           name becomes the window's class hint
//   display-mode switch   = finding a 1280x720 mode with 4 bytes per pixel and showing the
//                           demo's fullscreen window with it, as SDL changes the mode only then;
//                           the switch counts as done once the display runs that mode
//   device context        = the window itself (SDL swaps and binds contexts by window)
//   pixel format          = GL attributes set just before the window is created, since the
//                           X visual is fixed at creation; choosing and setting cannot fail
//   sent messages         = window events, delivered to the window procedure while polling
//   posted messages       = key events (and the quit), handed to the frame loop
//   message boxes         = SDL's, except on Windows, where the system's own is at hand; on
//                           X11 each runs in a child process that a stop request ends
// SDL's video, and with it the one display connection, is started for the start question and
// held to the end: an X server that resets when its last client leaves must not see it go
// between the question and the window.
// In a web page (built with Emscripten) the page around the canvas (packaging/web/index.html)
// stands in for what a browser has no use for or does not give a program: the start question
// is its own pair of buttons, clicked before the program starts, and it shows every other box;
// the fullscreen switch is its request to the browser, made in that click; the picture keeps
// the requested size and the page scales it; the swap is the wait for the next animation frame,
// after which the syncs heard meanwhile are delivered, as there is no thread to deliver them.
#include "app/platform.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#elif !defined(_WIN32)
#include <dlfcn.h>
#include <poll.h>
#include <sys/wait.h>

#include <csignal>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/keyMap.h"
#include "os/glPixelFormat.h"
#include "os/os.h"
#include "player/player.h"
#include "scene/projection.h"
#include "sync/syncState.h"

namespace {

#ifdef __EMSCRIPTEN__
// The page's box: the start question's answer, clicked already, or the text shown on the page.
EM_JS(int, pageMessageBox, (const char* text, const char* caption, unsigned flags), {
    return Module.strobariumBox(UTF8ToString(text), UTF8ToString(caption), flags);
});
// Sleeps until the browser's next animation frame, which shows the canvas drawn before it. The
// demo's end (exit, from within the frame loop) comes back through here and is the page's to tell.
EM_JS(void, waitForAnimationFrame, (), {
    Asyncify.handleSleep(function(wakeUp) {
        requestAnimationFrame(function() {
            try { wakeUp(); } catch (e) { if (!(e instanceof ExitStatus)) throw e; }
        });
    });
});
// Tells the page the song position the next frame is drawn at.
EM_JS(void, pageSongPosition, (int order, int row), { Module.strobariumPosition(order, row); });
#endif

WindowProc windowProc;
SDL_Window* window;
bool quitPosted;
int quitCode;

PlatformWindow* handleOf(SDL_Window* sdlWindow) { return reinterpret_cast<PlatformWindow*>(sdlWindow); }

void send(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (windowProc != nullptr) windowProc(handleOf(window), message, wParam, lParam);
}

void sendWindowEvent(const SDL_WindowEvent& event)
{
    switch (event.event) {
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        send(WM_ACTIVATE, WA_ACTIVE, 0);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        send(WM_ACTIVATE, (uintptr_t{1} << 16) | WA_INACTIVE, 0);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        send(WM_SIZE, 0, static_cast<intptr_t>((static_cast<uint32_t>(event.data2) & 0xFFFFu) << 16 |
                                               (static_cast<uint32_t>(event.data1) & 0xFFFFu)));
        break;
    case SDL_WINDOWEVENT_CLOSE:
        send(WM_CLOSE, 0, 0);
        break;
    default:
        break;  // focus changes leave windowActive alone
    }
}

// False for keys without a virtual-key code: they produce no message at all.
bool keyMessage(const SDL_KeyboardEvent& event, WindowMessage& message)
{
    const int virtualKey = virtualKeyCode(event.keysym.sym);
    if (virtualKey == 0) return false;
    const bool down = event.type == SDL_KEYDOWN;
    const bool system = isSystemKey(event.keysym.sym) || (event.keysym.mod & KMOD_ALT) != 0;
    message.window = handleOf(window);
    if (system) {
        message.message = down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
    } else {
        message.message = down ? WM_KEYDOWN : WM_KEYUP;
    }
    message.wParam = static_cast<uintptr_t>(virtualKey);
    // Repeat count 1; bit 30 the previous key state, bit 31 the transition.
    const uint32_t previous = (!down || event.repeat != 0) ? 1u : 0u;
    const uint32_t transition = down ? 0u : 1u;
    message.lParam = static_cast<intptr_t>(1u | previous << 30 | transition << 31);
    return true;
}

// Starts SDL's video (counted, like every SDL subsystem) on a display someone can see. Where
// there is none, says so once for the whole run; what the libraries print while they look
// for one (Wayland's complaints about a missing runtime folder, for instance) is not passed
// on, since it names nothing the user of a demo can act on.
bool startVideo()
{
    static bool toldNoDisplay = false;
#ifdef _WIN32
    // The window class SDL registers at video start, with the demo's class styles.
    static const bool classNamed = SDL_RegisterApp("OpenGL", CS_HREDRAW | CS_VREDRAW | CS_OWNDC, nullptr) == 0;
    (void)classNamed;
    const char* const nullDevice = "NUL";
#else
    // X11 takes its class hint from here at video start; a user's own setting wins.
    setenv("SDL_VIDEO_X11_WMCLASS", "OpenGL", 0);
    const char* const nullDevice = "/dev/null";
#endif
    std::fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    const int devNull = open(nullDevice, O_WRONLY);
    if (savedStderr >= 0 && devNull >= 0) dup2(devNull, STDERR_FILENO);
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (savedStderr >= 0 && devNull >= 0) dup2(savedStderr, STDERR_FILENO);
    if (devNull >= 0) close(devNull);
    if (savedStderr >= 0) close(savedStderr);
    // With no display SDL quietly falls back to a driver that shows nothing; a demo nobody
    // can see is a failure, unless someone asked for that driver by name.
    const char* driver = started ? SDL_GetCurrentVideoDriver() : nullptr;
    const bool invisible = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (started && !(invisible && !std::getenv("SDL_VIDEODRIVER"))) return true;
    if (!toldNoDisplay) {
        if (started || std::strstr(SDL_GetError(), "No available video device") != nullptr) {
            std::fprintf(stderr, "strobarium: no display to open a window on (no X11 or Wayland display could be reached)\n");
        } else {
            std::fprintf(stderr, "strobarium: video: %s\n", SDL_GetError());
        }
        toldNoDisplay = true;
    }
    if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
}

// The demo's window, hidden, with the pixel format asked for first (X fixes the visual at
// creation); null with the reason on stderr.
SDL_Window* newWindow(Uint32 modeFlag)
{
    SDL_GL_ResetAttributes();
    std::string reason;
    if (!requestPixelFormat(reason)) {
        std::fprintf(stderr, "strobarium: %s\n", reason.c_str());
        return nullptr;
    }
    return SDL_CreateWindow("strobarium by kelsot", 0, 0, pictureWidth, pictureHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | modeFlag);
}

bool takeQuit(WindowMessage& message)
{
    if (!quitPosted) return false;
    quitPosted = false;
    message = WindowMessage{nullptr, WM_QUIT, static_cast<uintptr_t>(quitCode), 0};
    return true;
}

}  // namespace

PlatformModule* platformModuleHandle()
{
#ifdef _WIN32
    return reinterpret_cast<PlatformModule*>(GetModuleHandleA(nullptr));
#elif defined(__EMSCRIPTEN__)
    // One module, and nothing to open it with.
    static char page;
    return reinterpret_cast<PlatformModule*>(&page);
#else
    return static_cast<PlatformModule*>(dlopen(nullptr, RTLD_LAZY));
#endif
}

bool platformRegisterClass(PlatformModule*, WindowProc proc)
{
    if (!startVideo()) return false;
    SDL_DisableScreenSaver();
    windowProc = proc;
    return true;
}

bool platformUnregisterClass(PlatformModule*)
{
    windowProc = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return true;
}

bool platformSwitchDisplay()
{
#ifdef __EMSCRIPTEN__
    // The page asked the browser in the click; where it refused, the picture fills the page.
    return true;
#endif
    const int modeCount = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < modeCount; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        if (mode.w == pictureWidth && mode.h == pictureHeight && SDL_BYTESPERPIXEL(mode.format) == 4) {
            window = newWindow(SDL_WINDOW_FULLSCREEN);
            SDL_DisplayMode now{};
            const bool switched = window != nullptr && SDL_SetWindowDisplayMode(window, &mode) == 0 &&
                                  (SDL_ShowWindow(window), SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0) &&
                                  SDL_GetCurrentDisplayMode(0, &now) == 0 && now.w == pictureWidth && now.h == pictureHeight;
            if (switched) return true;
            // Refused: the question comes, and a window of the other kind may follow.
            if (window != nullptr) SDL_DestroyWindow(window);
            window = nullptr;
            return false;
        }
    }
    return false;
}

void platformRestoreDisplay()
{
    if (window != nullptr) SDL_SetWindowFullscreen(window, 0);
}

void platformShowCursor(bool show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

// A fullscreen window exists already: the switch made it.
PlatformWindow* platformCreateWindow(PlatformModule*, bool fullscreen)
{
#ifdef __EMSCRIPTEN__
    // Either way the canvas keeps the requested size; the page scales it to fill its window.
    static_cast<void>(fullscreen);
    const Uint32 sizing = 0;
#else
    const Uint32 sizing = fullscreen ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
#endif
    if (window == nullptr) window = newWindow(sizing);
    return handleOf(window);
}

bool platformDestroyWindow(PlatformWindow*)
{
    SDL_DestroyWindow(window);
    window = nullptr;
    return true;
}

PlatformDevice* platformGetDevice(PlatformWindow* handle) { return reinterpret_cast<PlatformDevice*>(handle); }

bool platformReleaseDevice(PlatformWindow*, PlatformDevice*) { return true; }

int platformChoosePixelFormat(PlatformDevice*) { return 1; }

bool platformSetPixelFormat(PlatformDevice*, int) { return true; }

PlatformContext* platformCreateContext(PlatformDevice*)
{
    return static_cast<PlatformContext*>(SDL_GL_CreateContext(window));
}

bool platformMakeCurrent(PlatformDevice* device, PlatformContext* context)
{
    if (SDL_GL_MakeCurrent(reinterpret_cast<SDL_Window*>(device), context) != 0) return false;
    // Paced by the display where it lets us; every animated value moves per frame. (In a page
    // the animation frame paces it.)
#ifndef __EMSCRIPTEN__
    if (context != nullptr) SDL_GL_SetSwapInterval(1);
#endif
    return true;
}

bool platformDeleteContext(PlatformContext* context)
{
    SDL_GL_DeleteContext(context);
    return true;
}

void platformShowWindow(PlatformWindow*)
{
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);
    // SDL applies a hidden cursor to a new window only once the pointer moves into it;
    // re-asserting it now hides it over a fullscreen window that opened under the pointer.
    SDL_SetCursor(nullptr);
}

void platformSwapBuffers(PlatformDevice*)
{
#ifdef __EMSCRIPTEN__
    // SDL's own swap would sleep too, on a timer rather than the animation frame.
    waitForAnimationFrame();
    playerDeliverHeardSyncs();
    pageSongPosition(syncState.order.load(std::memory_order_relaxed), syncState.row.load(std::memory_order_relaxed));
#else
    SDL_GL_SwapWindow(window);
#endif
}

bool platformPeekMessage(WindowMessage& message)
{
    if (takeQuit(message)) return true;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
        case SDL_QUIT:  // also what SIGINT and SIGTERM become
            send(WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT:
            sendWindowEvent(event.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (keyMessage(event.key, message)) return true;
            break;
        default:
            break;
        }
        if (takeQuit(message)) return true;
    }
    return false;
}

void platformPostQuit(int exitCode)
{
    quitPosted = true;
    quitCode = exitCode;
}

intptr_t platformDefaultProc(PlatformWindow*, uint32_t, uintptr_t, intptr_t) { return 0; }

#ifdef _WIN32
// The system's own box: its icons, buttons and answers are the ones asked for.
int platformMessageBox(const char* text, const char* caption, unsigned flags)
{
    return MessageBoxA(nullptr, text, caption, flags);
}
#elif defined(__EMSCRIPTEN__)
int platformMessageBox(const char* text, const char* caption, unsigned flags) { return pageMessageBox(text, caption, flags); }
#else
int platformMessageBox(const char* text, const char* caption, unsigned flags)
{
    static const SDL_MessageBoxButtonData yesNo[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
    };
    static const SDL_MessageBoxButtonData ok[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"},
    };
    // SDL has no question icon; information is the nearest.
    Uint32 icon = 0;
    switch (flags & 0xF0u) {
    case MB_ICONERROR: icon = SDL_MESSAGEBOX_ERROR; break;
    case MB_ICONWARNING: icon = SDL_MESSAGEBOX_WARNING; break;
    case MB_ICONQUESTION:
    case MB_ICONINFORMATION: icon = SDL_MESSAGEBOX_INFORMATION; break;
    default: break;
    }
    const bool askYesNo = (flags & 0x0Fu) == MB_YESNO;
    const SDL_MessageBoxData box = {
        icon | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
        nullptr,
        caption,
        text,
        askYesNo ? 2 : 1,
        askYesNo ? yesNo : ok,
        nullptr,
    };
    // Without a display nobody could answer; the reason has been told already, and the text
    // of every box but the start question is on stderr too. Started once, and held.
    static const bool videoStarted = startVideo();
    if (!videoStarted) return 0;
    // SDL's box waits for its answer in a process of its own, deaf to our signals. Run from a
    // child of ours in a process group of its own, it goes, box and all, on a stop request. A
    // child shares our display connection, which SDL's box touches once a window exists: so
    // from then on the box is shown here.
    int answer[2];
    const pid_t child = window == nullptr && pipe(answer) == 0 ? fork() : -1;
    if (child <= 0) {
        int button = 0;
        if (child == 0) setpgid(0, 0);
        if (SDL_ShowMessageBox(&box, &button) != 0) {
            std::fprintf(stderr, "strobarium: cannot show the box \"%s\": %s\n", caption, SDL_GetError());
            button = 0;
        }
        if (child < 0) return button;
        _exit(write(answer[1], &button, sizeof button) == sizeof button ? 0 : 1);
    }
    setpgid(child, child);
    close(answer[1]);
    int button = 0;
    pollfd reply{answer[0], POLLIN, 0};
    while (stopRequested() == 0 && poll(&reply, 1, 50) == 0) continue;
    if (stopRequested() != 0) kill(-child, SIGKILL);
    else if (read(answer[0], &button, sizeof button) != sizeof button) button = 0;
    close(answer[0]);
    waitpid(child, nullptr, 0);
    return button;
}
#endif
