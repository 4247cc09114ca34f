// The five instrument rules on one particle, with the real random source (its fixed sequence
// shows in every stored value): which rule fires for which zone and order and how many values it
// draws, what each branch stores, the rules' order when several fire, and the colour wheel.
#include <algorithm>
#include <cmath>

#include "tests/scene/sceneFixture.h"

namespace {

// Colour, drift and steps hold values no rule stores, so untouched ones show.
Particle sentinel(int32_t zone, float x = 30, float y = 30)
{
    return Particle{1, 0.3f, 0.1f, 0.125f, 0.25f, 0.375f, x, y, -7, 3333, 4444, 5555, 777, 888, 999, zone};
}

std::string look(const Particle& p)
{
    return joined(p.alpha, p.red, p.green, p.blue, p.driftX, p.driftY, p.driftZ, p.driftStepX, p.driftStepY, p.driftStepZ);
}

// One pass of the rules with `hits` raised at `order`, after `skip` values of the random source;
// notes 14 (instrument 18) and 31 (19).
Particle react(Particle p, int32_t order, std::initializer_list<int> hits, int skip = 0)
{
    resetSyncState();
    randomState = 1, particleDepth = -100.0f;
    for (int i = 0; i < skip; ++i) nextRandom();
    syncState.order = order, syncState.lastNote18 = 14, syncState.lastNote19 = 31;
    for (int instrument : hits) syncState.instrumentHit[instrument] = 1;
    applyReactions(p);
    return p;
}

// Values drawn since state 1.
int draws()
{
    const uint32_t reached = randomState;
    int n = 0;
    for (randomState = 1; randomState != reached && n < 100; ++n) nextRandom();
    return n;
}

TEST(Reactions, EachRuleFiresForItsZonesAndOrdersAndDrawsItsCount)
{
    const int32_t zones[4] = {zoneCore, zoneRing, zoneBand, zoneSide};
    const int instruments[5] = {18, 19, 3, 1, 2};
    // Draws per instrument and zone, in the order above, at a home of (30, 30); every branch draws,
    // so 0 means the rule left the particle alone.
    const struct { int32_t orders[3]; int draws[5][4]; } sections[] = {
        {{-1, 0, 2}, {{0, 0, 0, 0}, {0, 0, 3, 0}, {0, 0, 0, 0}, {0, 0, 6, 0}, {0, 0, 0, 0}}},
        {{3, 4, 5}, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 9, 0, 0}, {10, 0, 0, 0}, {7, 0, 7, 7}}},
        {{6, 7, 7}, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 9, 0, 0}, {10, 0, 0, 0}, {0, 0, 9, 9}}},
        {{8, 9, 17}, {{0, 0, 7, 7}, {0, 0, 7, 0}, {0, 9, 0, 0}, {10, 0, 0, 0}, {0, 0, 9, 9}}},
    };
    for (const auto& section : sections)
        for (int32_t order : section.orders)
            for (int i = 0; i < 5; ++i)
                for (int z = 0; z < 4; ++z) {
                    react(sentinel(zones[z]), order, {instruments[i]});
                    EXPECT_EQ(draws(), section.draws[i][z])
                        << "order " << order << ", instrument " << instruments[i] << ", zone " << zones[z];
                }
    EXPECT_EQ(look(react(sentinel(zoneBand), 9, {0, 4, 5, 17})), look(sentinel(zoneBand))) << "no rule";
}

// Alpha, red, green, blue, drift x y z, step x y z, then particleDepth; what the lattice set stays.
TEST(Reactions, EachBranchStoresItsValuesAndTheLastRuleToFireWins)
{
    const struct { int32_t order; std::initializer_list<int> hits; int32_t zone; float x, y; int skip; const char* look; } cases[] = {
        {8, {18}, zoneSide, 30, 30, 0, "0.5 1 1 0.5 160 -80 90 -28 1 12 -22 "},
        {1, {19}, zoneBand, 30, 30, 0, "1 0.5 0.75 1 16 -8 9 0 -16 0 -100 "},
        {-1, {19}, zoneBand, 30, 0, 0, "1 0.5 0.75 1 16 -8 9 0 16 0 -100 "},
        {3, {3}, zoneRing, 30, 30, 18, "1.75 0.75 0.75 0.5 -21 -23 -22 -12 14 -3 -100 "},  // green pick 0
        {3, {3}, zoneRing, 30, 30, 11, "1.75 0.5 0.5 0.5 -14 16 20 -10 11 12 -100 "},      // green pick 1
        {4, {1}, zoneCore, 0, 0, 0, "1 0.5 0.5 1 -250 -60 -10 -3 -3 1 -86 "},
        {-1, {1}, zoneBand, 0, -20, 0, "1 0.5 0.5 1 -25 -6 -1 0 16 0 -100 "},
        {6, {2}, zoneSide, 30, 30, 0, "0.5 0.5 0.5 1 -250 -60 -10 -3 -3 1 -100 "},
        // The burst pushes out only beyond x = ±20 and y = ±10, with a colour only beyond y.
        {3, {2}, zoneSide, 21, 0, 0, "1.5 0.125 0.25 0.375 160 -80 90 128 888 -28 -100 "},
        {3, {2}, zoneSide, 20, 0, 0, "1.5 0.125 0.25 0.375 160 -80 90 777 888 -28 -100 "},
        {3, {2}, zoneSide, -20, 10, 0, "1.5 0.125 0.25 0.375 160 -80 90 777 888 -28 -100 "},
        {3, {2}, zoneSide, -21, -10, 0, "1.5 0.125 0.25 0.375 160 -80 90 -128 888 -28 -100 "},
        {3, {2}, zoneSide, 0, 11, 0, "1.5 0.5 1 0.5 160 -80 90 777 128 -10 -100 "},
        {3, {2}, zoneSide, 0, -11, 10, "1.5 0.25 0.25 0.25 -200 200 60 777 -128 19 -100 "},
        {9, {18, 19, 2}, zoneBand, 30, 30, 0, "0.5 1 0.5 1 170 20 110 0 -3 -1 -73 "},
        {9, {18, 19}, zoneBand, 30, 30, 0, "0.5 0.5 0.75 1 -170 -130 -110 -23 17 17 -73 "},
        {0, {19, 1}, zoneBand, 30, 30, 0, "1 0.5 1 0.5 3 -17 -13 0 -16 0 -100 "},
        {4, {1, 2}, zoneCore, 0, 0, 0, "1.5 0.5 0.5 1 -200 200 60 -3 -3 27 -86 "},
    };
    for (const auto& c : cases) {
        const Particle p = react(sentinel(c.zone, c.x, c.y), c.order, c.hits, c.skip);
        EXPECT_EQ(look(p) + joined(particleDepth), c.look);
        EXPECT_EQ(joined(+p.active, p.fade, p.x, p.y, p.z, p.zone), joined(1, 0.1f, c.x, c.y, -7, c.zone));
    }
}

// Twelve steps round the wheel, each moving one channel by a quarter (the notes above pin its start).
TEST(Reactions, TheHueTableRunsRoundTheColourWheel)
{
    for (int n = 0; n < 12; ++n) {
        const Hue &a = hueTable[n], &b = hueTable[(n + 1) % 12];
        const float moved[3] = {std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)};
        EXPECT_EQ(joined(*std::max_element(moved, moved + 3), std::count(moved, moved + 3, 0.0f),
                         std::min({a.red, a.green, a.blue})), "0.25 2 0.5 ") << n;
    }
}

}  // namespace
