// The second half of a captured frame, on a thread of its own so that it overlaps the
// rendering of the next one: turn the read-back pixels upright, hash them, write them
// (PNG file or the video pipe) and write the frame's line of the frame log.
//
// Globals owned here:
//   the frame slots   a ring of two; the capture thread fills a slot between claimFrameSlot and
//                     submitFrameSlot, the sink thread owns it from then until it is done with it.
//   the sink thread   started by startFrameSink, joined by finishFrameSink.
// The hand-over of a slot goes through one mutex; nothing else is shared.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "capture/captureOptions.h"
#include "capture/frameLog.h"

struct FrameSlot {
    FrameRecord record;
    // As glReadPixels gives it with GL_BGRA: bottom row first, 4 bytes a pixel, the sink's width
    // times its height of them.
    uint8_t pixels[largestCaptureWidth * largestCaptureHeight * 4];
};

struct FrameSinkSetup {
    FILE* log = nullptr;        // frame log lines go here (required)
    FILE* video = nullptr;      // raw RGB24 frames go here when set ...
    std::string pngFolder;      // ... else, when not empty, frameFileName(k) files into this folder
    std::string shownFolder;    // the folder that messages name the PNG files and frames.log in
    int width = pictureWidth;   // of every frame, 1 to the largest capture size
    int height = pictureHeight;
};

// False, starting nothing, when the frame size is out of range.
bool startFrameSink(const FrameSinkSetup& setup);

// Capture thread: the next slot to fill, once the sink is done with what it held.
FrameSlot& claimFrameSlot();
// Capture thread: the slot from claimFrameSlot is complete; the sink takes it.
void submitFrameSlot();

// False with the reason ("cannot write 'FILE': cause") once any write has failed: the capture
// should stop.
bool frameSinkWriting(std::string& reason);
// True once a write to the video pipe has failed: the encoder has gone, and its own messages
// say why.
bool frameSinkPipeBroke();

// "frame-000042.png": six digits at least.
std::string frameFileName(uint64_t frame);

// Waits until every submitted frame is written and stops the thread. False with the reason when
// a write failed.
bool finishFrameSink(std::string& reason);

// Bottom-up BGRA (as read back) to top-down RGB.
void uprightRgb(const uint8_t* bgraBottomUp, int width, int height, uint8_t* rgbTopDown);
