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

// `draw` runs at the same point of the pass for both renderers, so it sees the same
// particleDepth; `afterPass` draws what a renderer still holds before the overlays go on top.
bool renderFrameWith(void (*draw)(const Particle&), void (*afterPass)())
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, texParticle);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    for (particleIndex = 0; particleIndex < particleCount; ++particleIndex) {
        Particle& p = particles[particleIndex];
        if (!p.active) continue;
        draw(p);
        moveParticle(p);
        applyReactions(p);
    }
    if (afterPass) afterPass();
    // The position is read anew: a sync may have moved the song on while the overlays drew.
    constexpr auto relaxed = std::memory_order_relaxed;
    if (drawOverlays() && syncState.order.load(relaxed) == demoEndOrder && syncState.row.load(relaxed) == demoEndRow)
        syncState.finished.store(1, relaxed);
    clearHits();
    return true;
}

}  // namespace

bool renderFrame() { return renderFrameWith(collectLitParticle, drawCollectedParticles); }

bool renderReferenceFrame() { return renderFrameWith(drawParticle, nullptr); }
