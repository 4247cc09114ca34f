// (a) The pass's own work: renderFrame with every OpenGL call going to a sink that does
// nothing (the recording OpenGL without a hook). Prints "null-sink-ms MEDIAN MIN".
#include <cstdio>
#include <cstdlib>

#include "bench/particles/benchCommon.h"
#include "scene/frame.h"
#include "scene/particles.h"
#include "scene/textures.h"
#include "tests/support/recordingGl.h"

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 200;
    if (!enterBenchData()) return 1;
    recordingGl::reset();
    if (initScene() != 1) return 1;
    const Timing t = timeFrames(frames, [] { renderFrame(); });
    std::printf("null-sink-ms %.4f %.4f\n", t.medianMs, t.minMs);
    return 0;
}
