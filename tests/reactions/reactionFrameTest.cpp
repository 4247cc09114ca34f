// Reactions inside whole frames of the real particle pass, seen through the recording OpenGL:
// which depth each particle is drawn at while instrument 18 keeps moving the field.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "scene/particles.h"
#include "scene/reactions.h"
#include "sync/syncState.h"
#include "tests/support/recordingGl.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;
constexpr long sideAndBand = 110418;

struct Sequence {
    uint32_t state;
    int next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
};

bool scatteredBy18(int32_t zone) { return zone == zoneSide || zone == zoneBand; }

class ReactionFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSyncState();
        buildLattice();
        randomState = 1;
        particleDepth = -100.0f;
    }
    void TearDown() override
    {
        recordingGl::reset(recordingGl::Mode::Record);
        resetSyncState();
    }
};

// The z of each particle's quad, in draw order, from a recorded frame.
std::vector<float> drawnDepths()
{
    std::vector<float> depths;
    depths.reserve(particleCount);
    int vertex = 0;
    for (const GlCall& call : recordingGl::calls()) {
        if (call.func != GlFunc::Vertex3f) continue;
        if (vertex++ % 4 == 0 && depths.size() < static_cast<std::size_t>(particleCount))
            depths.push_back(static_cast<float>(call.arg[2]));
    }
    return depths;
}

TEST_F(ReactionFrame, InstrumentEighteenAtOrderNineMovesTheDepthParticleByParticle)
{
    syncState.order.store(9, relaxed);
    syncState.lastNote18.store(14, relaxed);
    syncState.instrumentHit[18].store(1, relaxed);
    recordingGl::reset(recordingGl::Mode::Record);
    ASSERT_TRUE(renderFrame());

    // What each particle should be drawn at: the previous depth until the first scattered
    // particle has been processed, then the last depth drawn before it.
    Sequence sequence{1};
    float depth = -100.0f;
    int matching = 0;
    int firstMatch = -1;
    const std::vector<float> drawn = drawnDepths();
    ASSERT_EQ(drawn.size(), static_cast<std::size_t>(particleCount));
    int wrongDepths = 0;
    for (int i = 0; i < particleCount; ++i) {
        const Particle& p = particles[i];
        if (drawn[i] != p.z + depth && wrongDepths++ < 5)
            ADD_FAILURE() << "particle " << i << " drawn at " << drawn[i] << ", expected " << p.z + depth;
        if (!scatteredBy18(p.zone)) {
            EXPECT_EQ(p.alpha, 0.9f) << "particle " << i;
            continue;
        }
        if (firstMatch < 0) firstMatch = i;
        ++matching;
        for (int draw = 0; draw < 6; ++draw) sequence.next();
        depth = static_cast<float>(sequence.next() % 100 - 100);
        EXPECT_EQ(p.alpha, 0.5f) << "particle " << i;
    }
    EXPECT_EQ(wrongDepths, 0);
    EXPECT_EQ(firstMatch, 0);  // particle 0 lies in the band: only it keeps the old depth
    EXPECT_EQ(drawn[0], -130.0f);
    EXPECT_EQ(matching, sideAndBand);
    EXPECT_EQ(matching * 7L, 772926L);
    EXPECT_EQ(randomState, sequence.state);
    EXPECT_EQ(particleDepth, depth);
    for (int i = 0; i < instrumentHitCount; ++i) EXPECT_EQ(syncState.instrumentHit[i].load(relaxed), 0);

    // The next frame, without a hit, draws the scattered particles in their note colour and
    // everything at the last depth drawn.
    recordingGl::reset(recordingGl::Mode::Record);
    renderFrame();
    const std::vector<GlCall>& calls = recordingGl::calls();
    int colour = 0;
    int wrongColours = 0;
    for (const GlCall& call : calls) {
        if (call.func != GlFunc::Color4f || colour >= particleCount) continue;
        const Particle& p = particles[colour++];
        const bool lit = scatteredBy18(p.zone);
        const double expected[4] = {lit ? 1.0 : 0.0, lit ? 1.0 : 0.0, lit ? 0.5 : 0.0, lit ? 0.5f : 0.9f};
        bool same = true;
        for (int c = 0; c < 4; ++c) same = same && call.arg[c] == expected[c];
        if (!same && wrongColours++ < 5) ADD_FAILURE() << "particle " << colour - 1 << ": " << recordingGl::describe(call);
    }
    EXPECT_EQ(wrongColours, 0);
    const std::vector<float> next = drawnDepths();
    EXPECT_EQ(next.front(), particles[0].z + depth);
    EXPECT_EQ(next.back(), particles[particleCount - 1].z + depth);
}

TEST_F(ReactionFrame, QuietFrameDrawsNothingAndLeavesTheField)
{
    syncState.order.store(9, relaxed);
    recordingGl::reset(recordingGl::Mode::Count);
    renderFrame();
    EXPECT_EQ(randomState, 1u);
    EXPECT_EQ(particleDepth, -100.0f);
    for (int i = 0; i < particleCount; ++i) {
        if (particles[i].alpha != 0.9f || particles[i].red != 0.0f) {
            ADD_FAILURE() << "particle " << i << " changed";
            break;
        }
    }
}

// A hit raised by the music while the pass is under way, after particle `hitAt` was drawn.
constexpr int hitAt = 60000;
int quadsDrawn = 0;
void raiseHitDuringPass(const GlCall& call)
{
    if (call.func == GlFunc::End && quadsDrawn++ == hitAt) syncState.instrumentHit[18].store(1, relaxed);
}

TEST_F(ReactionFrame, HitArrivingMidPassReachesOnlyTheParticlesNotYetProcessed)
{
    syncState.order.store(8, relaxed);
    quadsDrawn = 0;
    recordingGl::reset(recordingGl::Mode::Count);
    recordingGl::setCallHook(raiseHitDuringPass);
    renderFrame();
    long scattered = 0;
    for (int i = 0; i < particleCount; ++i) {
        const Particle& p = particles[i];
        const bool expectLit = i >= hitAt && scatteredBy18(p.zone);
        if ((p.alpha == 0.5f) != expectLit) {
            ADD_FAILURE() << "particle " << i << " alpha " << p.alpha;
            break;
        }
        scattered += expectLit;
    }
    Sequence sequence{1};
    for (long d = 0; d < scattered * 7; ++d) sequence.next();
    EXPECT_EQ(randomState, sequence.state);
    EXPECT_EQ(syncState.instrumentHit[18].load(relaxed), 0);
}

}  // namespace
