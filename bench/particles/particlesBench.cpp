// What one frame's particle pass costs the CPU on Mesa, the batched renderer that the demo and
// the capture draw with against immediate mode (one glBegin/glEnd per particle), timed in turns
// on the same context so that load from elsewhere falls on both alike.
//
//   build/bench/particles/particles_bench [FRAMES]
//
// By default Mesa runs with GALLIUM_NOOP=1: all its CPU-side work for each GL call is kept and
// the drawing is dropped, which is what a frame costs the CPU of a machine whose GPU draws.
// GALLIUM_NOOP=0 in the environment times llvmpipe's drawing too. Each timed frame ends with
// glFinish and starts from the same saved state of the field, so both renderers draw the same
// quads. States: the whole field lit (every particle at full alpha, coloured, at the starting
// depth), and the real song's field just after 20 s, 60 s and 100 s (from the build folder's
// Data/).
// Goals: batched at most a quarter of immediate mode, and at most 8 ms with the whole field lit.
#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "player/offline.h"
#include "player/player.h"
#include "scene/frame.h"
#include "os/offscreenContext.h"
#include "scene/overlays.h"
#include "scene/particles.h"
#include "scene/projection.h"
#include "scene/reactions.h"
#include "sync/music.h"
#include "sync/syncState.h"

namespace {

constexpr int width = 1280, height = 720;

// Everything a frame reads and changes, so that each timed frame can start from the same place.
struct FieldState {
    std::vector<Particle> table = std::vector<Particle>(particles, particles + particleCount);
    float depth = particleDepth;
    uint32_t random = randomState;
    float fade = titleFade;
    int32_t order = syncState.order, row = syncState.row;
    uint8_t hits[instrumentHitCount] = {};
    int32_t note18 = syncState.lastNote18, note19 = syncState.lastNote19;

    FieldState()
    {
        for (int i = 0; i < instrumentHitCount; ++i) hits[i] = syncState.instrumentHit[i];
    }
    void restore() const
    {
        std::copy(table.begin(), table.end(), particles);
        particleDepth = depth;
        randomState = random;
        titleFade = fade;
        syncState.order = order, syncState.row = row;
        for (int i = 0; i < instrumentHitCount; ++i) syncState.instrumentHit[i] = hits[i];
        syncState.lastNote18 = note18, syncState.lastNote19 = note19;
    }
};

double timedFrame(const FieldState& state, bool (*frame)())
{
    state.restore();
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    frame();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

int litQuads()
{
    int lit = 0;
    for (const Particle& p : particles) {
        lit += addsLight(p) && !quadOutsideView(particleQuad(p));
    }
    return lit;
}

void compareAt(const char* what, int frames)
{
    const FieldState state;
    const int lit = litQuads();
    std::vector<double> batched, immediate;
    timedFrame(state, renderFrame);
    timedFrame(state, renderReferenceFrame);
    for (int i = 0; i < frames; ++i) {
        batched.push_back(timedFrame(state, renderFrame));
        immediate.push_back(timedFrame(state, renderReferenceFrame));
    }
    const double b = median(batched), r = median(immediate);
    std::printf("  %-22s %6d quads drawn  batched %7.2f ms  immediate %7.2f ms  ratio %.3f\n", what, lit, b, r, b / r);
    std::fflush(stdout);
    state.restore();
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    setenv("GALLIUM_NOOP", "1", 0);
    std::filesystem::current_path(STROBARIUM_BINARY_DIR);
    std::string error;
    if (!openOffscreenContext(width, height, error)) {
        std::fprintf(stderr, "particles_bench: %s\n", error.c_str());
        return 1;
    }
    setProjection(width, height);
    if (!initScene(error) || !startMusicOffline(mixRate, nullptr, error)) {
        std::fprintf(stderr, "particles_bench: no scene or module in %s/Data\n", STROBARIUM_BINARY_DIR);
        return 1;
    }
    std::printf("particle pass at %dx%d, GALLIUM_NOOP=%s, %s, median of %d frames each, in turns\n", width, height,
                std::getenv("GALLIUM_NOOP"), reinterpret_cast<const char*>(glGetString(GL_RENDERER)), frames);

    const FieldState start;
    for (Particle& p : particles) p.red = 1.0f, p.green = 0.6f, p.blue = 0.3f, p.alpha = 1.0f;
    compareAt("whole field lit", frames);
    start.restore();

    // The song's field, reached as the capture reaches it: syncs delivered up to each frame's
    // sample, every frame rendered (batched, the cheaper way under the no-op driver). Between
    // hits the field falls back to black, so each point is the first frame after its time that
    // follows a frame in which a reacting instrument struck.
    static int16_t sound[mixRate * 2];
    uint64_t played = 0, k = 0;
    for (int seconds : {20, 60, 100}) {
        for (bool struck = false; k < uint64_t(seconds) * 60 || !struck; ++k) {
            const uint64_t sample = k * mixRate / 60;
            offlineRender(sound, uint32_t(sample - played));
            played = sample;
            offlineDeliverSyncs(sample);
            struck = false;
            for (int i = 0; i < instrumentHitCount; ++i) struck = struck || syncState.instrumentHit[i];
            renderFrame();
        }
        char what[32];
        std::snprintf(what, sizeof what, "the song at %.2f s", double(k) / 60);
        compareAt(what, frames);
    }
    stopMusic();
    closeOffscreenContext();
    return 0;
}
