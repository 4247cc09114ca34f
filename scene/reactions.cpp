#include "scene/reactions.h"

#include "scene/particles.h"
#include "sync/syncState.h"

const Hue hueTable[12] = {
    {1.0f, 0.5f, 0.5f},  {1.0f, 0.75f, 0.5f}, {1.0f, 1.0f, 0.5f},  {0.75f, 1.0f, 0.5f},
    {0.5f, 1.0f, 0.5f},  {0.5f, 1.0f, 0.75f}, {0.5f, 1.0f, 1.0f},  {0.5f, 0.75f, 1.0f},
    {0.5f, 0.5f, 1.0f},  {0.75f, 0.5f, 1.0f}, {1.0f, 0.5f, 1.0f},  {1.0f, 0.5f, 0.75f},
};

uint32_t randomState = 1;

int nextRandom()
{
    // The sequence is part of the show: every run lights the same particles in the same
    // colours, so this is spelled out rather than left to the C library's rand().
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFFu);
}

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// Instrument 3's picks swap the first two entries and keep the rest: still a permutation of
// the wheel, so every hue stays exactly as likely as with a plain pick.
constexpr int ringPick[12] = {1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

// Hits and order are re-read for every particle: a callback may land in the middle of the pass.
int32_t order() { return syncState.order.load(relaxed); }

float wideDrift() { return static_cast<float>((nextRandom() % 50 - 25) * 10); }
float narrowDrift() { return static_cast<float>(nextRandom() % 50 - 25); }
float step64() { return static_cast<float>(nextRandom() % 64 - 32); }
float step32() { return static_cast<float>(nextRandom() % 32 - 16); }
float step6() { return static_cast<float>(nextRandom() % 6 - 3); }
float deepDepth() { return static_cast<float>(nextRandom() % 100 - 100); }
float nearDepth() { return static_cast<float>(nextRandom() % 75 - 100); }

// Three separate calls per setter: the draws happen X, Y, Z (or red, green, blue) in that order.
void setWideDrifts(Particle& p)
{
    p.driftX = wideDrift();
    p.driftY = wideDrift();
    p.driftZ = wideDrift();
}

void setNarrowDrifts(Particle& p)
{
    p.driftX = narrowDrift();
    p.driftY = narrowDrift();
    p.driftZ = narrowDrift();
}

void setSteps(Particle& p, float (*draw)())
{
    p.driftStepX = draw();
    p.driftStepY = draw();
    p.driftStepZ = draw();
}

void setNoteColour(Particle& p, int32_t note)
{
    const Hue& hue = hueTable[note % 12];
    p.red = hue.red;
    p.green = hue.green;
    p.blue = hue.blue;
}

void setRandomColour(Particle& p)
{
    p.red = hueTable[nextRandom() % 12].red;
    p.green = hueTable[nextRandom() % 12].green;
    p.blue = hueTable[nextRandom() % 12].blue;
}

void setInvertedRandomColour(Particle& p)
{
    p.red = 1.0f - hueTable[nextRandom() % 12].red;
    p.green = 1.0f - hueTable[nextRandom() % 12].green;
    p.blue = 1.0f - hueTable[nextRandom() % 12].blue;
}

void setRingColour(Particle& p)
{
    p.red = hueTable[ringPick[nextRandom() % 12]].red;
    p.green = hueTable[ringPick[nextRandom() % 12]].green;
    p.blue = hueTable[ringPick[nextRandom() % 12]].blue;
}

void setConvergingStep(Particle& p)
{
    p.driftStepX = 0.0f;
    p.driftStepY = p.y > 0.0f ? -16.0f : 16.0f;
    p.driftStepZ = 0.0f;
}

// The scatter that instruments 18 and 19 share from order 8 on.
void scatter(Particle& p, int32_t note)
{
    p.alpha = 0.5f;
    setNoteColour(p, note);
    setWideDrifts(p);
    setSteps(p, step64);
    particleDepth = deepDepth();
}

void instrument18(Particle& p)
{
    if (!hitRaised(bassInstrument)) return;
    if (p.zone != zoneSide && p.zone != zoneBand) return;
    if (order() > 7) scatter(p, syncState.lastNote18.load(relaxed));
}

void instrument19(Particle& p)
{
    if (!hitRaised(arpInstrument)) return;
    if (p.zone != zoneBand) return;
    const int32_t position = order();
    if (position < 3) {
        p.alpha = 1.0f;
        setNoteColour(p, syncState.lastNote19.load(relaxed));
        setNarrowDrifts(p);
        setConvergingStep(p);
    } else if (position > 7) {
        scatter(p, syncState.lastNote19.load(relaxed));
    }
}

void instrument3(Particle& p)
{
    if (!hitRaised(hatInstrument)) return;
    if (p.zone != zoneRing) return;
    if (order() <= 2) return;
    p.alpha = 1.75f;
    setRingColour(p);
    setNarrowDrifts(p);
    setSteps(p, step32);
}

void instrument1(Particle& p)
{
    if (!hitRaised(kickInstrument)) return;
    if (p.zone == zoneCore) {
        if (order() <= 2) return;
        p.alpha = 1.0f;
        setRandomColour(p);
        setWideDrifts(p);
        setSteps(p, step6);
        particleDepth = nearDepth();
    } else if (p.zone == zoneBand && order() < 3) {
        p.alpha = 1.0f;
        setRandomColour(p);
        setNarrowDrifts(p);
        setConvergingStep(p);
    }
}

void burst(Particle& p)
{
    p.alpha = 1.5f;
    setWideDrifts(p);
    if (p.x > 20.0f) {
        p.driftStepX = 128.0f;
    } else if (p.x < -20.0f) {
        p.driftStepX = -128.0f;
    }
    if (p.y > 10.0f) {
        p.driftStepY = 128.0f;
        setRandomColour(p);
    } else if (p.y < -10.0f) {
        p.driftStepY = -128.0f;
        setInvertedRandomColour(p);
    }
    p.driftStepZ = step64();
}

void instrument2(Particle& p)
{
    if (!hitRaised(snareInstrument)) return;
    if (p.zone == zoneRing) return;
    const int32_t position = order();
    if (position >= 3 && position <= 5) {
        burst(p);
    } else if (p.zone != zoneCore && position > 5) {
        p.alpha = 0.5f;
        setRandomColour(p);
        setWideDrifts(p);
        setSteps(p, step6);
    }
}

}  // namespace

void applyReactions(Particle& particle)
{
    instrument18(particle);
    instrument19(particle);
    instrument3(particle);
    instrument1(particle);
    instrument2(particle);
}
