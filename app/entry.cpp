#include "app/entry.h"

#include <atomic>

#include "app/display.h"
#include "scene/particles.h"
#include "sync/music.h"
#include "sync/syncState.h"

void runFrameLoop(WindowMessage& message)
{
    for (;;) {
        if (platformPeekMessage(message)) {
            if (message.message == WM_QUIT) return;
            // Nothing here reads character messages, so there is nothing to translate.
            displayWindowProc(message.window, message.message, message.wParam, message.lParam);
            continue;
        }
        if (windowActive && !renderFrame()) return;
        if (keyDown[keyEscape] != 0) return;
        platformSwapBuffers(deviceContext);
        if (syncState.finished.load(std::memory_order_relaxed) != 0) return;
    }
}

int runDemo()
{
    // A loop that never takes a message leaves wParam 0: the exit code of a quiet run.
    WindowMessage message{};

    if (platformMessageBox("Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                           MB_YESNO | MB_ICONQUESTION) == IDNO) {
        fullscreen = false;
    }
    // openDisplayWindow has already cleaned up and said why.
    if (!openDisplayWindow()) return 0;

    // Music failures are silent: the window just closes again.
    if (startMusic()) runFrameLoop(message);
    stopMusic();
    closeDisplayWindow();
    return static_cast<int>(message.wParam);
}
