// The display window and its OpenGL rendering context: opening it (with the display-mode
// switch and its fallback question), closing it from any point start-up can stop at, and
// the window procedure that turns window messages into the state the frame loop reads.
//
// Globals owned here (all main thread):
//   fullscreen      true at start; cleared by runDemo on a No to the start question and by
//                   openDisplayWindow when the user accepts the fallback to a window.
//   windowActive    true at start; written only by displayWindowProc (activation).
//   keyDown         256 bytes by virtual-key code, 1 while held; written only by
//                   displayWindowProc (key messages); the frame loop reads entry 27.
//   instanceHandle, windowHandle, deviceContext, renderContext
//                   null at start; set by openDisplayWindow as each piece is built,
//                   cleared by closeDisplayWindow as each is released.
#pragma once

#include <cstdint>

#include "app/platform.h"

constexpr int keyCount = 256;
constexpr int keyEscape = 27;

extern bool fullscreen;
extern bool windowActive;
extern uint8_t keyDown[keyCount];
extern PlatformModule* instanceHandle;
extern PlatformWindow* windowHandle;
extern PlatformDevice* deviceContext;
extern PlatformContext* renderContext;

// 1 when the window, the current rendering context and the scene are ready; 0 after the
// user has been told why not (and whatever was built has been taken down again).
int openDisplayWindow();

// Restores the display mode (fullscreen only) and releases context, device, window and
// class, each only as far as it exists; a failing release is shown and the rest goes on.
void closeDisplayWindow();

// The window procedure: 0 for the messages it handles, otherwise default processing.
intptr_t displayWindowProc(PlatformWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// A modal box with no owner that also leaves "strobarium: CAPTION: text" as one line on
// stderr (the only trace when nobody can see the screen). The answer, or 0 when it could not
// be shown.
int tellUser(const char* text, const char* caption, unsigned flags);
