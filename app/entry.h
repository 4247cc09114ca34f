// The program's whole control flow: the start question, the display window with the
// scene, the music, the frame loop, and the teardown.
//
// Globals owned here: none. The pump's message record lives in runDemo for the run.
#pragma once

#include "app/platform.h"

// Start-up, loop and shutdown; the process exit code: 0 after the song, Escape or a closed
// window, 1 after a failure the user has been told of, 128 + the signal after a stop request.
int runDemo();

// Drains posted messages, and whenever none is waiting renders (while the window is
// active), checks Escape, presents the frame and checks the finished flag. Returns when
// WM_QUIT is taken, renderFrame fails, Escape is down or was pressed since the last idle
// point, even if already released (that frame is not presented), a stop request is heard, or
// the song is finished (that frame is presented). `message` keeps the last one taken.
void runFrameLoop(WindowMessage& message);
