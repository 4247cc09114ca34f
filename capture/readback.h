// Getting frames back from OpenGL without stalling the renderer. The rasteriser (llvmpipe's
// threads) works behind the thread that makes the draw calls; reading a frame back at once
// would make that thread wait for it, where the demo's swap does not. So frames are drawn in
// turn into two framebuffer objects: after frame k's draw calls are flushed, frame k - 1 is
// read back from the other one, long finished, while the rasteriser is busy with frame k.
// Without framebuffer objects it draws to the window and reads each frame at once. (Mesa
// rasterises window buffers upside down, so a few edge pixels can differ by one step between
// the two ways; each is the same on every run.)
//
// Globals owned here (capture thread, with the context current): the entry points, the two
// framebuffers and their size, which one is drawn next, and the record of the frame in flight.
#pragma once

#include "capture/frameSink.h"

// Once, after the context is made current and before the first frame, with the size of the
// frames. False when only the direct read is available (the capture then works the same, only
// slower).
bool startReadback(int width, int height);

// Before a frame that will be read back: where it is drawn.
void beginFrameRender();

// After that frame is rendered, with its description: the frame before it goes to the sink.
void readBackFrame(const FrameRecord& record);

// The frame still in flight to the sink, then the framebuffers released.
void finishReadback();
