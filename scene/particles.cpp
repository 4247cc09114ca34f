#include "scene/particles.h"

#include <GL/gl.h>


Particle particles[particleCount];
int32_t particleIndex = particleCount;
float particleDepth = -100.0f;
float driftScale = 1.0f;

namespace {

constexpr double quadHalf = 0.75;

// The counters wrap each on their own, so the three coordinates cycle with periods 151, 87
// and 61 and every particle lands on a different lattice point.
float advanceCounter(float counter, float low, float high)
{
    counter += 1.0f;
    return counter > high ? low : counter;
}

// Classified where the counters stand after the advance, that is one step further on in x
// and y than the particle itself.
int32_t zoneAt(float cx, float cy)
{
    if (-9.0f < cx && cx < 9.0f && -7.0f < cy && cy < 7.0f) return zoneCore;
    if (-22.0f < cx && cx < 22.0f && -16.0f < cy && cy < 16.0f) return zoneRing;
    if (cy > 15.0f || cy < -15.0f) return zoneBand;
    return zoneSide;
}

}  // namespace

EyeQuad particleQuad(const Particle& p)
{
    const float ox = p.driftX / (driftScale * 100.0f);
    const float oy = p.driftY / (driftScale * 100.0f);
    // The sums are formed in double and only then rounded to float.
    return EyeQuad{static_cast<float>(p.x - quadHalf + ox), static_cast<float>(p.x + quadHalf + ox),
                   static_cast<float>(p.y - quadHalf + oy), static_cast<float>(p.y + quadHalf + oy),
                   p.z + particleDepth};
}

void drawParticle(const Particle& p)
{
    glColor4f(p.red, p.green, p.blue, p.alpha);
    drawEyeQuad(particleQuad(p));
}

void moveParticle(Particle& p)
{
    p.driftX += p.driftStepX;
    p.driftY += p.driftStepY;
    p.driftZ += p.driftStepZ;
    p.alpha -= p.fade;
}

void buildLattice()
{
    float cx = -75.0f;
    float cy = -43.0f;
    float cz = -30.0f;
    for (Particle& p : particles) {
        p = Particle{};
        p.active = 1;
        p.alpha = 1.0f;
        p.fade = 0.1f;
        p.x = cx;
        p.y = cy;
        p.z = cz;
        cx = advanceCounter(cx, -75.0f, 75.0f);
        cy = advanceCounter(cy, -43.0f, 43.0f);
        cz = advanceCounter(cz, -30.0f, 30.0f);
        p.zone = zoneAt(cx, cy);
    }
    particleIndex = particleCount;
}
