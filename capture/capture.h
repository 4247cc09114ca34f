// The offline frame loop: the demo rendered frame by frame on its music's clock.
//
// Frame k is shown at sample floor(k * mixRate / fps). Before it is rendered, every sync whose
// event lies before that sample is delivered, in timeline order, on this thread; then the
// frame is rendered as the demo renders it (renderFrame; renderReferenceFrame with
// --reference), read back and handed to the frame sink. Frames before
// --start are run too (the field's state is the sum of every frame before), but unseen: with
// no OpenGL call and nothing written.
//
// Globals owned here (capture thread only): the text of the syncs delivered for the frame
// being prepared, written by the logging sync callback; the record of that frame, handed to
// the frame sink with its pixels; and the buffer of sound rendered between two frames.
#pragma once

#include <cstdint>

#include "capture/captureOptions.h"
#include "capture/frameClock.h"

// What a finished capture did, for its summary line and for the benchmark.
struct CaptureStats {
    uint64_t frames = 0;     // frames written
    double seconds = 0;      // wall time from the first written frame until the outputs were closed
    double demoSeconds = 0;  // length of the captured stretch of the demo
};

// Everything: outputs, context, scene, player, frames, summary. The process exit status;
// every failure has printed one clear line on stderr. A stop request ends it at the next
// frame, keeping nothing.
int runCapture(const CaptureOptions& options, CaptureStats* stats = nullptr);

// The frames a capture with `options` would write, as far as the demo's end can be foreseen,
// from the module alone (no context, no scene); the exit status, with one line on stderr,
// when the module cannot be loaded or the options name no stretch of it.
int countFrames(const CaptureOptions& options, uint64_t& frames);
