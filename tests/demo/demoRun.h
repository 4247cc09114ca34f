// End-to-end runs of the real demo binary under the private Xvfb the test runs in: a work
// folder with test bitmaps and a synthetic module, the run itself through run-demo, and the
// building blocks of the small modules these tests play.
#pragma once

#include <string>
#include <sys/types.h>

#include "tools/xm/xmWriter.h"

// A fresh folder under /tmp holding Data/ with the 14 default test bitmaps and `module` as
// Data/sonavel3.xm; empty when anything could not be written.
std::string makeDemoFolder(const XmModule& module);
void removeDemoFolder(const std::string& folder);

// Starts build/strobarium in `folder` through run-demo (answering No), which ends it after
// `timeoutSeconds`. Returns the run-demo process id, or -1.
pid_t startDemo(const std::string& folder, int timeoutSeconds);
// run-demo's exit status: the demo's own, or 124 when it had to be killed; -1 on failure.
int waitDemo(pid_t pid);
// False while the run goes on; true once it has ended, with waitDemo's status in `status`.
bool demoEnded(pid_t pid, int& status);

// A two-channel module at `speed` ticks per row and `bpm`, with instruments 1..`instruments`
// playing the same short tone, and no orders or patterns yet.
XmModule blankModule(int speed, int bpm, int instruments);
// Appends a pattern of `rows` empty rows and returns its number.
int addPattern(XmModule& module, int rows);
// A note of `instrument` on channel 0 of `row` in pattern `pattern`.
void addNote(XmModule& module, int pattern, int row, int instrument);
// Effect Fxx on `channel` of `row` (below 0x20 the speed, from 0x20 the tempo in BPM).
void setSpeedAt(XmModule& module, int pattern, int row, int channel, int value);
