#include "app/entry.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "app/display.h"
#include "os/os.h"
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
        // As Escape does: the loop ends and everything is taken down.
        if (stopRequested() != 0) return;
        if (windowActive && !renderFrame()) return;
        if (escapePressed || keyDown[keyEscape] != 0) return;
        platformSwapBuffers(deviceContext);
        if (syncState.finished.load(std::memory_order_relaxed) != 0) return;
    }
}

namespace {

// Whoever started the demo learns from the status that it did not run to its end.
constexpr int failureStatus = 1;

bool playWithoutSound(const std::string& cause)
{
    const std::string question = "No Sound Device Could Be Opened (" + cause + ").\nPlay Without Sound?";
    return tellUser(question.c_str(), "No Sound", MB_YESNO | MB_ICONWARNING) == IDYES;
}

}  // namespace

int runDemo()
{
    WindowMessage message{};

    const int answer = platformMessageBox("Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                                          MB_YESNO | MB_ICONQUESTION);
    // A stop request ends the box unanswered; nothing is built yet.
    if (stopRequested() != 0) return stopExitStatus(stopRequested());
    if (answer == IDNO) fullscreen = false;
    // openDisplayWindow has already cleaned up and said why.
    if (!openDisplayWindow()) return stopRequested() != 0 ? stopExitStatus(stopRequested()) : failureStatus;

    std::string reason;
    const bool playing = startMusic(reason, playWithoutSound);
    if (playing && !reason.empty()) std::fprintf(stderr, "strobarium: music: %s\n", reason.c_str());
    if (playing) runFrameLoop(message);
    stopMusic();
    closeDisplayWindow();
    // Torn down first, told second, as for the window's own failures.
    if (!playing && stopRequested() == 0) tellUser(("Initialization Failed.\n" + reason).c_str(), "ERROR", MB_OK | MB_ICONWARNING);
    if (stopRequested() != 0) return stopExitStatus(stopRequested());
    if (!playing) return failureStatus;
    // Only a quit carries an exit code. Any other ending (Escape, the song's end) would
    // otherwise leak the last message's wParam, such as Escape's key code 27, as a failure
    // status to whoever started the demo: every normal ending exits 0.
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}
