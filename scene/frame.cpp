#include "scene/frame.h"

#include <GL/gl.h>

#include "scene/overlays.h"
#include "scene/particleBatch.h"
#include "scene/particles.h"
#include "scene/reactions.h"
#include "scene/textures.h"
#include "sync/syncState.h"

int initScene(std::string& reason)
{
    if (!loadTextures(reason)) return 0;
    setRenderState();
    buildLattice();
    clearHits();
    return 1;
}

namespace {

// The pass, the overlays' decisions, the finish test and the clearing of the hits, which a
// frame does whether it is shown or not. `draw` (none in an unseen frame) runs at the same point
// of the pass for both renderers, so it sees the same particleDepth; `afterPass` draws what a
// renderer still holds before the overlays go on top.
bool runFrame(void (*draw)(const Particle&), void (*afterPass)(), bool (*overlays)(), void (*react)(Particle&))
{
    for (particleIndex = 0; particleIndex < particleCount; ++particleIndex) {
        Particle& p = particles[particleIndex];
        if (!p.active) continue;
        if (draw) draw(p);
        moveParticle(p);
        if (react) react(p);
    }
    if (afterPass) afterPass();
    // The position is read anew: a sync may have moved the song on while the overlays drew.
    constexpr auto relaxed = std::memory_order_relaxed;
    if (overlays() && syncState.order.load(relaxed) == demoEndOrder && syncState.row.load(relaxed) == demoEndRow)
        syncState.finished.store(1, relaxed);
    clearHits();
    return true;
}

void startFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, texParticle);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

}  // namespace

bool renderFrame()
{
    startFrame();
    return runFrame(collectLitParticle, drawCollectedParticles, drawOverlays, applyReactions);
}

bool renderReferenceFrame()
{
    startFrame();
    return runFrame(drawParticle, nullptr, drawOverlays, applyReactions);
}

bool runUnseenFrame()
{
    // Most frames see no hit, and without one no reaction changes anything.
    bool anyHit = false;
    for (const auto& hit : syncState.instrumentHit) anyHit = anyHit || hit.load(std::memory_order_relaxed) != 0;
    return runFrame(nullptr, nullptr, runUnseenOverlays, anyHit ? applyReactions : nullptr);
}
