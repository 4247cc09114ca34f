#include "scene/particleBatch.h"

#include <GL/gl.h>

#include "scene/particles.h"
#include "scene/projection.h"

namespace {

struct QuadVertex {
    float s, t;
    float red, green, blue, alpha;
    float x, y, z;
};

// drawParticle's texture coordinates, corner by corner.

// Quads are sent in chunks of this many, each followed by a flush: llvmpipe's threads then
// rasterise one chunk while this thread runs the pass on and bins the next, instead of the
// whole field waiting for the end of the pass. The blend order, and so every pixel, is the same.
constexpr int chunkQuads = 8192;

QuadVertex vertices[chunkQuads * 4];
int collected = 0;

void drawChunk()
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), &vertices[0].s);
    glColorPointer(4, GL_FLOAT, sizeof(QuadVertex), &vertices[0].red);
    glVertexPointer(3, GL_FLOAT, sizeof(QuadVertex), &vertices[0].x);
    glDrawArrays(GL_QUADS, 0, collected * 4);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    collected = 0;
}

}  // namespace

void collectLitParticle(const Particle& p)
{
    if (!addsLight(p)) return;
    const EyeQuad q = particleQuad(p);
    if (quadOutsideView(q)) return;
    QuadVertex* v = vertices + collected * 4;
    v[0] = {1, 1, p.red, p.green, p.blue, p.alpha, q.right, q.top, q.z};
    v[1] = {0, 1, p.red, p.green, p.blue, p.alpha, q.left, q.top, q.z};
    v[2] = {0, 0, p.red, p.green, p.blue, p.alpha, q.left, q.bottom, q.z};
    v[3] = {1, 0, p.red, p.green, p.blue, p.alpha, q.right, q.bottom, q.z};
    if (++collected == chunkQuads) {
        drawChunk();
        glFlush();
    }
}

void drawCollectedParticles()
{
    if (collected > 0) drawChunk();
}
