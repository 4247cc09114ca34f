#include "app/entry.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "app/display.h"
#include "scene/frame.h"
#include "sync/music.h"
#include "sync/syncState.h"

void runFrameLoop(WindowMessage& message)
{
    // At a few frames per second a quick tap's press and release both arrive while one frame
    // is drawn, and the release clears keyDown before the idle point looks at it: so the press
    // itself is remembered until then, and keyDown keeps meaning "held" for everything else.
    bool escapePressed = false;
    for (;;) {
        if (platformPeekMessage(message)) {
            if (message.message == WM_QUIT) return;
            escapePressed = escapePressed || (message.message == WM_KEYDOWN && message.wParam == keyEscape);
            // Nothing here reads character messages, so there is nothing to translate.
            displayWindowProc(message.window, message.message, message.wParam, message.lParam);
            continue;
        }
        if (windowActive && !renderFrame()) return;
        if (escapePressed || keyDown[keyEscape] != 0) return;
        platformSwapBuffers(deviceContext);
        if (syncState.finished.load(std::memory_order_relaxed) != 0) return;
    }
}

int runDemo()
{
    WindowMessage message{};

    if (platformMessageBox("Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                           MB_YESNO | MB_ICONQUESTION) == IDNO) {
        fullscreen = false;
    }
    // openDisplayWindow has already cleaned up and said why.
    if (!openDisplayWindow()) return 0;

    // Music failures show no box: the window just closes again, and stderr says why.
    std::string reason;
    const bool playing = startMusic(reason);
    if (!reason.empty()) std::fprintf(stderr, "strobarium: music: %s\n", reason.c_str());
    if (playing) runFrameLoop(message);
    stopMusic();
    closeDisplayWindow();
    // Only a quit carries an exit code. Any other ending (Escape, the song's end) would
    // otherwise leak the last message's wParam, such as Escape's key code 27, as a failure
    // status to whoever started the demo: every normal ending exits 0.
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}
