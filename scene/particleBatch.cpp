#include "scene/particleBatch.h"

#include <GL/gl.h>

#include "scene/particles.h"
#include "scene/projection.h"

namespace {

// What drawParticle gives each corner: texture coordinate, colour and position. The colour is
// kept in float as glColor4f passes it: in bytes it would round before the blend, and the
// pixels would stray from drawParticle's by more than a step.
struct QuadVertex {
    float s, t;
    float red, green, blue, alpha;
    float x, y, z;
};

// A quad goes out as the two triangles its strip makes, in the strip's own vertex order (top
// right, top left, bottom right; bottom right, top left, bottom left), through glDrawArrays.
// Measured on Mesa with its drawing dropped (GALLIUM_NOOP=1), the whole field lit, 59,101
// quads: glDrawElements over four vertices and an index array cost 2.0 to 3.9 ms a frame, as
// Mesa scans the indices for their range; GL_QUADS 1.3 ms, but Mesa splits a quad into
// triangles that start from other corners, and llvmpipe's rounding then moves many pixels of
// the real song by two steps; these six vertices about 1.9 ms, with the strip's pixels.
constexpr int quadVertices = 6;

// Quads are sent in chunks of this many, each followed by a flush: llvmpipe's threads then
// rasterise one chunk while this thread runs the pass on and bins the next, instead of the
// whole field waiting for the end of the pass. The blend order, and so every pixel, is the same.
constexpr int chunkQuads = 8192;

QuadVertex vertices[chunkQuads * quadVertices];
int collected = 0;

void drawChunk()
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), &vertices[0].s);
    glColorPointer(4, GL_FLOAT, sizeof(QuadVertex), &vertices[0].red);
    glVertexPointer(3, GL_FLOAT, sizeof(QuadVertex), &vertices[0].x);
    glDrawArrays(GL_TRIANGLES, 0, collected * quadVertices);
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
    QuadVertex* v = vertices + collected * quadVertices;
    v[0] = {1, 1, p.red, p.green, p.blue, p.alpha, q.right, q.top, q.z};
    v[1] = {0, 1, p.red, p.green, p.blue, p.alpha, q.left, q.top, q.z};
    v[2] = {1, 0, p.red, p.green, p.blue, p.alpha, q.right, q.bottom, q.z};
    v[3] = v[2];
    v[4] = v[1];
    v[5] = {0, 0, p.red, p.green, p.blue, p.alpha, q.left, q.bottom, q.z};
    if (++collected == chunkQuads) {
        drawChunk();
        glFlush();
    }
}

void drawCollectedParticles()
{
    if (collected > 0) drawChunk();
}
