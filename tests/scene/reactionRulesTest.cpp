// The five instrument rules one particle at a time: their gates, the values they store and
// exactly how many values of the random sequence each of them consumes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "scene/frame.h"
#include "scene/particles.h"
#include "scene/reactions.h"
#include "sync/syncState.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// The generator as a value, so expectations can be read off ahead of the code under test.
struct Sequence {
    uint32_t state;
    int next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
    uint32_t after(long draws) const
    {
        Sequence copy = *this;
        for (long i = 0; i < draws; ++i) copy.next();
        return copy.state;
    }
};

float wide(int r) { return static_cast<float>((r % 50 - 25) * 10); }
float narrow(int r) { return static_cast<float>(r % 50 - 25); }
float step64(int r) { return static_cast<float>(r % 64 - 32); }
float step32(int r) { return static_cast<float>(r % 32 - 16); }
float step6(int r) { return static_cast<float>(r % 6 - 3); }
float deep(int r) { return static_cast<float>(r % 100 - 100); }
float near(int r) { return static_cast<float>(r % 75 - 100); }

// Every field holds a value no rule would store, so an untouched field shows.
Particle sentinel(int32_t zone, float x = 30, float y = 0)
{
    Particle p{};
    p.active = 1;
    p.alpha = 0.3f;
    p.fade = 0.1f;
    p.red = 0.125f;
    p.green = 0.25f;
    p.blue = 0.375f;
    p.x = x;
    p.y = y;
    p.z = -7;
    p.driftX = 3333;
    p.driftY = 4444;
    p.driftZ = 5555;
    p.driftStepX = 777;
    p.driftStepY = 888;
    p.driftStepZ = 999;
    p.zone = zone;
    return p;
}

void expectColour(const Particle& p, float red, float green, float blue)
{
    EXPECT_EQ(p.red, red);
    EXPECT_EQ(p.green, green);
    EXPECT_EQ(p.blue, blue);
}
void expectDrifts(const Particle& p, float x, float y, float z)
{
    EXPECT_EQ(p.driftX, x);
    EXPECT_EQ(p.driftY, y);
    EXPECT_EQ(p.driftZ, z);
}
void expectSteps(const Particle& p, float x, float y, float z)
{
    EXPECT_EQ(p.driftStepX, x);
    EXPECT_EQ(p.driftStepY, y);
    EXPECT_EQ(p.driftStepZ, z);
}
void expectPlaceUnchanged(const Particle& p, const Particle& before)
{
    EXPECT_EQ(p.active, before.active);
    EXPECT_EQ(p.fade, before.fade);
    EXPECT_EQ(p.x, before.x);
    EXPECT_EQ(p.y, before.y);
    EXPECT_EQ(p.z, before.z);
    EXPECT_EQ(p.zone, before.zone);
}
bool sameParticle(const Particle& a, const Particle& b)
{
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue && a.driftX == b.driftX &&
           a.driftY == b.driftY && a.driftZ == b.driftZ && a.driftStepX == b.driftStepX &&
           a.driftStepY == b.driftStepY && a.driftStepZ == b.driftStepZ;
}

class Reactions : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSyncState();
        randomState = 1;
        particleDepth = -100.0f;
    }
    void TearDown() override { resetSyncState(); }

    static void at(int32_t order, const std::vector<int>& hits)
    {
        syncState.order.store(order, relaxed);
        clearHits();
        for (int instrument : hits) syncState.instrumentHit[instrument].store(1, relaxed);
    }
    static long drawsSince(uint32_t start)
    {
        Sequence s{start};
        for (long n = 0; n <= 64; ++n) {
            if (s.state == randomState) return n;
            s.next();
        }
        return -1;
    }
};

TEST_F(Reactions, RandomSourceIsTheFixedSequence)
{
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478};
    for (int value : expected) EXPECT_EQ(nextRandom(), value);

    // Unsigned wrap-around: (2^32 - 1) · 214013 + 2531011 ≡ 2316998, whose bits 16..30 are 35.
    randomState = 0xFFFFFFFFu;
    EXPECT_EQ(nextRandom(), 35);
    EXPECT_EQ(randomState, 2316998u);
    // Bit 31 of the state never reaches the result.
    randomState = 0x7FFFFFFFu;
    const uint32_t next = 0x7FFFFFFFu * 214013u + 2531011u;
    EXPECT_EQ(nextRandom(), static_cast<int>((next >> 16) & 0x7FFF));
    EXPECT_GE(next >> 16, 0x8000u);
}

TEST_F(Reactions, HueTableRunsThroughTheColourWheel)
{
    const float expected[12][3] = {{1.0f, 0.5f, 0.5f},  {1.0f, 0.75f, 0.5f}, {1.0f, 1.0f, 0.5f},
                                   {0.75f, 1.0f, 0.5f}, {0.5f, 1.0f, 0.5f},  {0.5f, 1.0f, 0.75f},
                                   {0.5f, 1.0f, 1.0f},  {0.5f, 0.75f, 1.0f}, {0.5f, 0.5f, 1.0f},
                                   {0.75f, 0.5f, 1.0f}, {1.0f, 0.5f, 1.0f},  {1.0f, 0.5f, 0.75f}};
    for (int n = 0; n < 12; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(hueTable[n].red, expected[n][0]);
        EXPECT_EQ(hueTable[n].green, expected[n][1]);
        EXPECT_EQ(hueTable[n].blue, expected[n][2]);
    }
}

TEST_F(Reactions, InstrumentEighteenWorkedExample)
{
    at(8, {18});
    syncState.lastNote18.store(14, relaxed);
    Particle p = sentinel(zoneSide);
    const Particle before = p;
    applyReactions(p);
    EXPECT_EQ(p.alpha, 0.5f);
    expectColour(p, 1.0f, 1.0f, 0.5f);
    expectDrifts(p, 160, -80, 90);
    expectSteps(p, -28, 1, 12);
    EXPECT_EQ(particleDepth, -22.0f);
    expectPlaceUnchanged(p, before);
    EXPECT_EQ(drawsSince(1), 7);
}

// How many random values a rule consumes on each of its branches, and none where its gate fails.
TEST_F(Reactions, DrawAccountingPerRuleAndBranch)
{
    struct Case {
        const char* what;
        int32_t order;
        std::vector<int> hits;
        int32_t zone;
        float x, y;
        long draws;
        bool movesDepth;
    };
    const Case cases[] = {
        {"18 side", 8, {18}, zoneSide, 30, 0, 7, true},
        {"18 band", 20, {18}, zoneBand, 0, 30, 7, true},
        {"19 converge", 2, {19}, zoneBand, 0, 30, 3, false},
        {"19 before any position", -1, {19}, zoneBand, 0, 30, 3, false},
        {"19 scatter", 8, {19}, zoneBand, 0, 30, 7, true},
        {"3 ring", 3, {3}, zoneRing, 10, 0, 9, false},
        {"1 core", 3, {1}, zoneCore, 0, 0, 10, true},
        {"1 band converge", 2, {1}, zoneBand, 0, 30, 6, false},
        {"1 band before any position", -1, {1}, zoneBand, 0, 30, 6, false},
        {"2 burst above", 3, {2}, zoneBand, 0, 11, 7, false},
        {"2 burst below", 5, {2}, zoneSide, 30, -11, 7, false},
        {"2 burst middle", 4, {2}, zoneCore, 0, 10, 4, false},
        {"2 scatter", 6, {2}, zoneSide, 30, 0, 9, false},
        {"18 at order 7", 7, {18}, zoneSide, 30, 0, 0, false},
        {"18 on ring", 9, {18}, zoneRing, 10, 0, 0, false},
        {"18 on core", 9, {18}, zoneCore, 0, 0, 0, false},
        {"19 at orders 3..7", 5, {19}, zoneBand, 0, 30, 0, false},
        {"19 on side", 9, {19}, zoneSide, 30, 0, 0, false},
        {"3 at order 2", 2, {3}, zoneRing, 10, 0, 0, false},
        {"3 on side", 9, {3}, zoneSide, 30, 0, 0, false},
        {"1 core at order 2", 2, {1}, zoneCore, 0, 0, 0, false},
        {"1 band at order 3", 3, {1}, zoneBand, 0, 30, 0, false},
        {"1 on ring", 9, {1}, zoneRing, 10, 0, 0, false},
        {"2 on ring", 4, {2}, zoneRing, 10, 0, 0, false},
        {"2 on core at order 6", 6, {2}, zoneCore, 0, 0, 0, false},
        {"2 at order 2", 2, {2}, zoneBand, 0, 30, 0, false},
        {"unused instruments", 9, {0, 4, 5, 17}, zoneBand, 0, 30, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        at(c.order, c.hits);
        Particle p = sentinel(c.zone, c.x, c.y);
        const Particle before = p;
        applyReactions(p);
        EXPECT_EQ(drawsSince(1), c.draws);
        EXPECT_EQ(particleDepth != -100.0f, c.movesDepth);
        EXPECT_EQ(sameParticle(p, before), c.draws == 0);
        expectPlaceUnchanged(p, before);
    }
}

TEST_F(Reactions, BandParticleThroughRulesEighteenNineteenAndTwo)
{
    at(9, {18, 19, 2});
    syncState.lastNote18.store(14, relaxed);
    syncState.lastNote19.store(5, relaxed);
    Sequence s{1};
    int r[23];
    for (int& value : r) value = s.next();

    Particle p = sentinel(zoneBand, 0, 30);
    applyReactions(p);
    EXPECT_EQ(drawsSince(1), 23);
    // Instrument 19's depth is the 14th draw; instrument 2 leaves the depth alone.
    EXPECT_EQ(particleDepth, deep(r[13]));
    EXPECT_EQ(p.alpha, 0.5f);
    expectColour(p, hueTable[r[14] % 12].red, hueTable[r[15] % 12].green, hueTable[r[16] % 12].blue);
    expectDrifts(p, wide(r[17]), wide(r[18]), wide(r[19]));
    expectSteps(p, step6(r[20]), step6(r[21]), step6(r[22]));
}

TEST_F(Reactions, InstrumentOneFollowsNineteenOnTheConvergingBand)
{
    at(0, {1, 19});
    syncState.lastNote19.store(0, relaxed);
    Sequence s{1};
    int r[9];
    for (int& value : r) value = s.next();
    Particle p = sentinel(zoneBand, 0, 20);
    applyReactions(p);
    EXPECT_EQ(drawsSince(1), 9);
    EXPECT_EQ(p.alpha, 1.0f);
    expectColour(p, hueTable[r[3] % 12].red, hueTable[r[4] % 12].green, hueTable[r[5] % 12].blue);
    expectDrifts(p, narrow(r[6]), narrow(r[7]), narrow(r[8]));
    expectSteps(p, 0, -16, 0);
}

TEST_F(Reactions, BurstFollowsInstrumentOneOnTheCore)
{
    at(4, {2, 1});
    Sequence s{1};
    int r[14];
    for (int& value : r) value = s.next();
    Particle p = sentinel(zoneCore, 0, 0);
    applyReactions(p);
    EXPECT_EQ(drawsSince(1), 14);
    EXPECT_EQ(particleDepth, near(r[9]));
    EXPECT_EQ(p.alpha, 1.5f);
    // Colour and the in-plane steps are instrument 1's: the burst inside both thresholds keeps them.
    expectColour(p, hueTable[r[0] % 12].red, hueTable[r[1] % 12].green, hueTable[r[2] % 12].blue);
    expectDrifts(p, wide(r[10]), wide(r[11]), wide(r[12]));
    expectSteps(p, step6(r[6]), step6(r[7]), step64(r[13]));
}

// Which rule acts on which zone, by order.
TEST_F(Reactions, SectionTable)
{
    const int32_t zones[] = {zoneCore, zoneRing, zoneBand, zoneSide};
    const int instruments[] = {18, 19, 3, 1, 2};
    struct Section {
        int32_t orders[3];
        // Per instrument (18, 19, 3, 1, 2), the zones (core, ring, band, side) that react.
        const char* acts[5];
    };
    const Section sections[] = {
        {{-1, 0, 2}, {"....", "..B.", "....", "..B.", "...."}},
        {{3, 4, 5}, {"....", "....", ".R..", "C...", "C.BS"}},
        {{6, 7, 6}, {"....", "....", ".R..", "C...", "..BS"}},
        {{8, 9, 17}, {"..BS", "..B.", ".R..", "C...", "..BS"}},
    };
    for (const Section& section : sections) {
        for (int32_t order : section.orders) {
            for (int i = 0; i < 5; ++i) {
                for (int z = 0; z < 4; ++z) {
                    SCOPED_TRACE(testing::Message() << "order " << order << ", instrument " << instruments[i]
                                                    << ", zone " << zones[z]);
                    SetUp();
                    at(order, {instruments[i]});
                    Particle p = sentinel(zones[z], 30, 30);
                    const Particle before = p;
                    applyReactions(p);
                    const bool expected = section.acts[i][z] != '.';
                    EXPECT_EQ(!sameParticle(p, before), expected);
                    EXPECT_EQ(randomState != 1u, expected);
                }
            }
        }
    }
}

TEST_F(Reactions, NineteenConvergesInNoteColourBelowOrderThree)
{
    const float heights[][2] = {{30, -16}, {1, -16}, {0, 16}, {-1, 16}, {-30, 16}};
    for (const auto& h : heights) {
        SCOPED_TRACE(testing::Message() << "home y " << h[0]);
        SetUp();
        at(1, {19});
        syncState.lastNote19.store(31, relaxed);  // pitch class 7
        Sequence s{1};
        const int r0 = s.next(), r1 = s.next(), r2 = s.next();
        Particle p = sentinel(zoneBand, 5, h[0]);
        applyReactions(p);
        EXPECT_EQ(p.alpha, 1.0f);
        expectColour(p, 0.5f, 0.75f, 1.0f);
        expectDrifts(p, narrow(r0), narrow(r1), narrow(r2));
        expectSteps(p, 0, h[1], 0);
        EXPECT_EQ(particleDepth, -100.0f);
    }
}

TEST_F(Reactions, NineteenScattersInNoteColourFromOrderEight)
{
    at(8, {19});
    syncState.lastNote18.store(0, relaxed);
    syncState.lastNote19.store(65535, relaxed);  // 65535 mod 12 = 3
    Sequence s{1};
    int r[7];
    for (int& value : r) value = s.next();
    Particle p = sentinel(zoneBand, 0, 30);
    applyReactions(p);
    EXPECT_EQ(p.alpha, 0.5f);
    expectColour(p, 0.75f, 1.0f, 0.5f);
    expectDrifts(p, wide(r[0]), wide(r[1]), wide(r[2]));
    expectSteps(p, step64(r[3]), step64(r[4]), step64(r[5]));
    EXPECT_EQ(particleDepth, deep(r[6]));
}

TEST_F(Reactions, RingColourPicksSwapTheFirstTwoEntriesAndKeepTheRest)
{
    // The chosen pick for k = r mod 12: entries 1 and 0 for k = 0 and 1 (fixed), entry k after.
    const int pick[12] = {1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    bool seen[3][12] = {};
    uint32_t start = 1;
    for (int round = 0; round < 400; ++round) {
        SetUp();
        randomState = start;
        at(3, {3});
        Sequence s{start};
        int r[9];
        for (int& value : r) value = s.next();
        Particle p = sentinel(zoneRing, 10, 0);
        applyReactions(p);
        ASSERT_EQ(randomState, s.state);
        EXPECT_EQ(p.alpha, 1.75f);
        EXPECT_EQ(p.red, hueTable[pick[r[0] % 12]].red);
        EXPECT_EQ(p.green, hueTable[pick[r[1] % 12]].green);
        EXPECT_EQ(p.blue, hueTable[pick[r[2] % 12]].blue);
        expectDrifts(p, narrow(r[3]), narrow(r[4]), narrow(r[5]));
        expectSteps(p, step32(r[6]), step32(r[7]), step32(r[8]));
        EXPECT_EQ(particleDepth, -100.0f);
        seen[0][r[0] % 12] = seen[1][r[1] % 12] = seen[2][r[2] % 12] = true;
        if (HasFailure()) return;
        start = s.state;
    }
    for (int channel = 0; channel < 3; ++channel)
        for (int k = 0; k < 12; ++k) EXPECT_TRUE(seen[channel][k]) << "channel " << channel << " k " << k;
}

TEST_F(Reactions, InstrumentOneLightsTheCoreAndMovesTheFieldNear)
{
    at(4, {1});
    Sequence s{1};
    int r[10];
    for (int& value : r) value = s.next();
    Particle p = sentinel(zoneCore, 0, 0);
    applyReactions(p);
    EXPECT_EQ(p.alpha, 1.0f);
    expectColour(p, hueTable[r[0] % 12].red, hueTable[r[1] % 12].green, hueTable[r[2] % 12].blue);
    expectDrifts(p, wide(r[3]), wide(r[4]), wide(r[5]));
    expectSteps(p, step6(r[6]), step6(r[7]), step6(r[8]));
    EXPECT_EQ(particleDepth, near(r[9]));
}

TEST_F(Reactions, InstrumentOneConvergesTheBandBelowOrderThree)
{
    at(-1, {1});
    Sequence s{1};
    int r[6];
    for (int& value : r) value = s.next();
    Particle p = sentinel(zoneBand, -40, -20);
    applyReactions(p);
    EXPECT_EQ(p.alpha, 1.0f);
    expectColour(p, hueTable[r[0] % 12].red, hueTable[r[1] % 12].green, hueTable[r[2] % 12].blue);
    expectDrifts(p, narrow(r[3]), narrow(r[4]), narrow(r[5]));
    expectSteps(p, 0, 16, 0);
    EXPECT_EQ(particleDepth, -100.0f);
}

TEST_F(Reactions, BurstPushesOutwardBeyondStrictThresholds)
{
    struct Case {
        float x, y;
        float stepX, stepY;  // 777 / 888: the sentinel kept
        int colour;          // 0 kept, 1 random, -1 inverted random
    };
    const Case cases[] = {
        {21, 0, 128, 888, 0},    {20, 0, 777, 888, 0},      {-20, 0, 777, 888, 0},   {-21, 0, -128, 888, 0},
        {0, 11, 777, 128, 1},    {0, 10, 777, 888, 0},      {0, -10, 777, 888, 0},   {0, -11, 777, -128, -1},
        {75, 43, 128, 128, 1},   {-75, -43, -128, -128, -1}, {20, 10, 777, 888, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "home (" << c.x << ", " << c.y << ")");
        SetUp();
        at(3, {2});
        Sequence s{1};
        int r[7];
        for (int& value : r) value = s.next();
        Particle p = sentinel(zoneSide, c.x, c.y);
        applyReactions(p);
        EXPECT_EQ(p.alpha, 1.5f);
        expectDrifts(p, wide(r[0]), wide(r[1]), wide(r[2]));
        EXPECT_EQ(p.driftStepX, c.stepX);
        EXPECT_EQ(p.driftStepY, c.stepY);
        if (c.colour == 0) {
            expectColour(p, 0.125f, 0.25f, 0.375f);
            EXPECT_EQ(p.driftStepZ, step64(r[3]));
            EXPECT_EQ(drawsSince(1), 4);
        } else {
            const float red = hueTable[r[3] % 12].red, green = hueTable[r[4] % 12].green,
                        blue = hueTable[r[5] % 12].blue;
            if (c.colour > 0) {
                expectColour(p, red, green, blue);
            } else {
                expectColour(p, 1.0f - red, 1.0f - green, 1.0f - blue);
            }
            EXPECT_EQ(p.driftStepZ, step64(r[6]));
            EXPECT_EQ(drawsSince(1), 7);
        }
        EXPECT_EQ(particleDepth, -100.0f);
    }
}

TEST_F(Reactions, InstrumentTwoScattersSideAndBandFromOrderSix)
{
    at(7, {2});
    Sequence s{1};
    int r[9];
    for (int& value : r) value = s.next();
    Particle p = sentinel(zoneBand, 30, 30);
    applyReactions(p);
    EXPECT_EQ(p.alpha, 0.5f);
    expectColour(p, hueTable[r[0] % 12].red, hueTable[r[1] % 12].green, hueTable[r[2] % 12].blue);
    expectDrifts(p, wide(r[3]), wide(r[4]), wide(r[5]));
    expectSteps(p, step6(r[6]), step6(r[7]), step6(r[8]));
    EXPECT_EQ(particleDepth, -100.0f);
}

TEST_F(Reactions, HitRaisedBetweenParticlesActsOnTheLaterOnesOnly)
{
    at(9, {});
    Particle first = sentinel(zoneSide);
    const Particle untouched = first;
    applyReactions(first);
    EXPECT_TRUE(sameParticle(first, untouched));
    syncState.instrumentHit[18].store(1, relaxed);
    Particle second = sentinel(zoneSide);
    applyReactions(second);
    EXPECT_EQ(second.alpha, 0.5f);
    EXPECT_EQ(drawsSince(1), 7);
}

}  // namespace
