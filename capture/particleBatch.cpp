#include "capture/particleBatch.h"

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
constexpr float cornerS[4] = {1, 0, 1, 0};
constexpr float cornerT[4] = {1, 1, 0, 0};
// A strip of four vertices is the triangles (0, 1, 2) and (2, 1, 3), in that vertex order.
// (Drawing the strips themselves with glMultiDrawArrays gives the same pixels, more slowly.)
constexpr GLuint stripOrder[6] = {0, 1, 2, 2, 1, 3};

// Quads are sent in chunks of this many, each followed by a flush: llvmpipe's threads then
// rasterise one chunk while this thread runs the pass on and bins the next, instead of the
// whole field waiting for the end of the pass. The blend order, and so every pixel, is the same.
constexpr int chunkQuads = 8192;

QuadVertex vertices[chunkQuads * 4];
GLuint indices[chunkQuads * 6];
int collected = 0;

void drawChunk()
{
    // The indices only depend on the quad's place; they are filled in once, as far as needed.
    static int indexed = 0;
    for (; indexed < collected; ++indexed)
        for (int i = 0; i < 6; ++i) indices[indexed * 6 + i] = GLuint(indexed * 4) + stripOrder[i];
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(QuadVertex), &vertices[0].s);
    glColorPointer(4, GL_FLOAT, sizeof(QuadVertex), &vertices[0].red);
    glVertexPointer(3, GL_FLOAT, sizeof(QuadVertex), &vertices[0].x);
    glDrawElements(GL_TRIANGLES, collected * 6, GL_UNSIGNED_INT, indices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    collected = 0;
}

}  // namespace

void collectLitParticle(const Particle& p)
{
    if (!addsLight(p)) return;
    float corners[4][3];
    particleCorners(p, corners);
    if (quadOutsideView(corners)) return;
    QuadVertex* quad = vertices + collected * 4;
    for (int i = 0; i < 4; ++i)
        quad[i] = {cornerS[i], cornerT[i], p.red, p.green, p.blue, p.alpha, corners[i][0], corners[i][1], corners[i][2]};
    if (++collected == chunkQuads) {
        drawChunk();
        glFlush();
    }
}

void drawCollectedParticles()
{
    if (collected > 0) drawChunk();
}
