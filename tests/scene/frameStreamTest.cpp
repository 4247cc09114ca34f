// initScene and renderFrame against the recording OpenGL, then the five instrument rules on one
// particle with the real random source (every hue table entry shows in the kept reference frames).
#include <GL/gl.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <tuple>
#include <new>

#include "tests/scene/sceneFixture.h"
#include "tests/support/recordingGl.h"

static std::atomic<long> allocations{0};
void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// Out of line, so that GCC does not pair an inlined free with the library's operator new.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Since the frame began: calls per function, and the steps of particles 0 and 1 and outside the pass.
struct Seen {
    std::size_t count[static_cast<int>(GlFunc::Count)] = {};
    GlCall last = {};
    std::string steps;
} seen;
std::pair<int32_t, int32_t> movedTo;  // where the song moves, as a sync might, when the first quad ends

// "clear" (colour and depth), the texture bound, the blend, "c" and the colour (one value when
// all four agree), each quad drawn on its own as its top right corner and its bottom left, and
// each of a batch's first twelve vertices in full; "?" for any other clear, blend or primitive.
void noteStep(const GlCall& c)
{
    const double *a = c.arg, *t = seen.last.arg;  // t: a corner's texture coordinate
    const GlFunc f = c.func;
    std::ostringstream out;
    if (f == GlFunc::Clear) out << (a[0] == (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT) ? " clear" : " ?");
    if (f == GlFunc::DrawArrays) out << (a[0] == GL_TRIANGLES ? " quads" : " ?");
    for (int i = 0; f == GlFunc::ArrayVertex && seen.count[int(f)] <= 12 && i < 9; ++i) out << ' ' << a[i];
    if (f == GlFunc::BindTexture) out << ' ' << nameInDataFolder(bitmapFiles[int(a[1]) - 1]);
    if (f == GlFunc::BlendFunc) out << (a[0] == GL_ONE && a[1] == GL_ZERO ? " opaque" : a[0] != GL_SRC_ALPHA ? " ?"
                                        : a[1] == GL_ONE ? " additive" : a[1] == GL_ONE_MINUS_DST_COLOR ? " overlay" : " ?");
    if (f == GlFunc::Color4f && a[0] == a[1] && a[0] == a[2] && a[0] == a[3]) out << " c" << a[0];
    else if (f == GlFunc::Color4f) out << " c" << a[0] << ' ' << a[1] << ' ' << a[2] << ' ' << a[3];
    if (f == GlFunc::Vertex3f && t[0] == 1 && t[1] == 1) out << ' ' << a[0] << ' ' << a[1] << ' ' << a[2];
    if (f == GlFunc::Vertex3f && t[0] == 0 && t[1] == 0) out << ' ' << a[0] << ' ' << a[1];
    seen.steps += out.str();
}

void watch(const GlCall& c)
{
    if (c.func == GlFunc::Clear) seen = Seen{};  // a frame starts
    ++seen.count[static_cast<int>(c.func)];
    if (particleIndex < 2 || particleIndex == particleCount) noteStep(c);
    seen.last = c;
    if (c.func != GlFunc::End || movedTo.first < 0) return;
    syncState.order = movedTo.first;
    syncState.row = movedTo.second;
    movedTo.first = -1;
}

class Frame : public SceneDirectory {
protected:
    void SetUp() override
    {
        SceneDirectory::SetUp();
        recordingGl::reset(watch);
        seen = Seen{}, movedTo = {-1, -1};
    }
};

// Particle.bmp is written at width x height (0: greetz4.bmp removed instead) under an OpenGL of that
// version, extensions and largest side; `refused`: the bitmap that stops initScene (bitmapCount: none).
TEST_F(Frame, InitTakesWhatTheOpenGlAllowsAndStopsAtTheFirstUnusableBitmapSayingWhy)
{
    const std::string powers = "width and height must be powers of two up to ";
    const struct { const char *version, *extensions; int largest, width, height, refused; std::string why; bool clamps; } cases[] = {
        {"1.1", "", 2048, 0, 0, 9, "cannot open the file", false},
        {"1.1", "", 2048, 127, 64, 0, powers + "2048", false},
        {"1.1", "GL_ARB_texture_non_power_of_twos GL_X GL_ARB_depth_clamped", 2048, 127, 64, 0, powers + "2048", false},
        {"1.1", "", 256, 512, 512, 0, powers + "256", false},
        {"1.1", "GL_EXT_bgra GL_ARB_texture_non_power_of_two GL_NV_depth_clamp", 2048, 127, 64, bitmapCount, "", true},
        {"1.5 Mesa", "GL_ARB_texture_non_power_of_two GL_X", 2048, 1, 1000, bitmapCount, "", false},
        {"2.1 Mesa 22.3.6", "", 999, 1, 1000, 0, "width and height must be at most 999", false},
        {"3.1 Mesa 22.3.6", "GL_ARB_depth_clamped GL_XGL_depth_clamp", 2048, 127, 64, bitmapCount, "", false},
        {"3.2.0", "", 2048, 127, 64, bitmapCount, "", true}, {"10.0", "", 2048, 32, 32, bitmapCount, "", true},
        {"OpenGL ES 3.2", "", 2048, 127, 64, 0, powers + "2048", false},
        {"OpenGL ES 2.0 (WebGL 1.0)", "GL_EXT_depth_clamp", 2048, 64, 64, bitmapCount, "", true},
        {"2.1", "GL_ARB_depth_clamp", 2048, 127, 64, bitmapCount, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(joined(c.version, c.extensions, c.width, c.height));
        SetUp();
        recordingGl::describe(c.version, c.extensions, c.largest);
        syncState.instrumentHit[1] = 1;
        if (c.width) writeFileBytes(bitmapFiles[0], encodeBmp24(RgbImage(c.width, c.height)));
        else std::filesystem::remove(bitmapFiles[c.refused]);
        const bool ok = c.refused == bitmapCount;
        EXPECT_EQ(initScene(error), ok ? 1 : 0);
        EXPECT_EQ(error, ok ? "" : bitmapFiles[c.refused] + (": " + c.why));
        // Names in load order; the failing slot keeps the one made for it, and nothing follows.
        for (int i = 0; i < bitmapCount; ++i) EXPECT_EQ(*textureSlots[i], i <= c.refused ? i + 1u : 0u) << i;
        const std::size_t uploads = seen.count[int(GlFunc::TexImage2D)], enables = seen.count[int(GlFunc::Enable)];
        EXPECT_EQ(joined(uploads, enables > 0, +particles[0].active, +syncState.instrumentHit[1], depthClampAvailable()),
                  joined(c.refused, ok ? "1 1 0" : "0 0 1", c.clamps)) << "uploads, render state, lattice, hits and depth clamp";
    }
    recordingGl::describe("1.1", "", 2048);
}

// The batches draw the quads that add light as the pass reached them, a new depth moving the next
// particle on; a lit particle that is not active is neither drawn nor moved. Immediate mode, the
// reference, is held to the same pixels in the capture's run test.
TEST_F(Frame, DrawsMovesThenReactsSoANewDepthMovesTheNextParticleOn)
{
    ASSERT_EQ(initScene(error), 1) << error;
    particleDepth = -60;  // so that particle 0 (z -30) lies within the far plane
    for (int i : {0, 1, 3, 7}) std::tie(particles[i].red, particles[i].green, particles[i].blue) = std::tuple(0.25f, 0.5f, 1.0f);
    particles[3].alpha = 0.001f;  // faded under half a step
    particles[7].active = 0;
    syncState.order = 8, syncState.lastNote18 = 14, syncState.instrumentHit[18] = 1;  // after its draw, 0 sets depth -22
    ASSERT_TRUE(renderFrame());
    // The particle texture under additive blending, then particles 0 and 1 (homes (-75, -43, -30)
    // and (-74, -42, -29)) 0.75 either side, 1 already at the new depth: each quad the strip's two
    // triangles (top right, top left, bottom right; bottom right, top left, bottom left).
    const auto quad = [](double x, double y, double z) {
        std::ostringstream out;
        for (const auto& [s, t] : {std::pair{1, 1}, {0, 1}, {1, 0}, {1, 0}, {0, 1}, {0, 0}})
            out << ' ' << s << ' ' << t << " 0.25 0.5 1 1 " << x + (s ? 0.75 : -0.75) << ' ' << y + (t ? 0.75 : -0.75) << ' ' << z;
        return out.str();
    };
    EXPECT_EQ(joined(seen.steps, seen.count[int(GlFunc::ArrayVertex)], seen.count[int(GlFunc::Begin)], particles[7].alpha),
              joined(" clear Particle.bmp additive quads" + quad(-75, -43, -90) + quad(-74, -42, -51) + " c1 opaque", 12, 0, 1));
}

// Left out: alpha, or every channel, under half a step of 255.
TEST(Particles, OnlyQuadsThatAddNothingAreLeftOut)
{
    const float underHalf = 0.49f / 255, overHalf = 0.51f / 255;
    const struct { float alpha, red, green, blue; bool lit; } cases[] = {
        {0, 1, 1, 1, false},          {1.75f, -1, 0, -1, false},      {underHalf, 1, 1, 1, false},
        {overHalf, 1, 1, 1, true},    {1, underHalf, underHalf, underHalf, false},
        {1, underHalf, 0, overHalf, true}, {0.5f, -1, 0.25f, 0, true},
    };
    for (const auto& c : cases) {
        Particle p{};
        std::tie(p.alpha, p.red, p.green, p.blue) = std::tie(c.alpha, c.red, c.green, c.blue);
        EXPECT_EQ(addsLight(p), c.lit) << c.alpha << " " << c.red << " " << c.green << " " << c.blue;
    }
}

class Overlays : public Frame {
protected:
    void SetUp() override
    {
        Frame::SetUp();
        ASSERT_EQ(initScene(error), 1) << error;
        for (Particle& p : particles) p.active = 0;
    }
    // One frame at (order, row) with every hit raised.
    static void frameAt(int32_t order, int32_t row, std::pair<int32_t, int32_t> to = {-1, -1})
    {
        resetSyncState();
        syncState.order = order, syncState.row = row;
        for (auto& hit : syncState.instrumentHit) hit = 1;
        movedTo = to;
        renderFrame();
    }
};

TEST_F(Overlays, EachPositionDrawsItsScriptTheTitleFadesAndOnlyOrder17Row16Finishes)
{
    const std::string start = " clear Particle.bmp additive c1 opaque", titleQuad = " strobarium.bmp 56 12 -100 -56 -6";
    const std::string title = start + " c1" + titleQuad, card = " 56 -6.3 -100 -56 -14.3", warning = " overlay warning.bmp 10 12 ";
    const std::string greeting = start + " overlay black.bmp 100 53 -100 -100 -52 greetz";
    // `to`: where the song moves mid-step.
    const struct { int32_t order, row; std::string steps; std::pair<int32_t, int32_t> to{-1, -1}; bool finishes = false; } positions[] = {
        {-1, -1, start}, {0, -1, start}, {4, 63, start}, {11, 48, start}, {17, 48, start}, {16, 16, start},
        {1, 0, title + " bykelsot.bmp" + card}, {2, 0, title + " ademofor.bmp" + card}, {2, 32, title + " zentrovia.bmp" + card},
        {1, -1, title}, {1, 48, title}, {2, 16, title},
        {3, 0, start + " c1" + warning + "-28 -10 -12"}, {3, 1, start + " c1 1 1 0.75" + warning + "-46 -10 -12"},
        {3, 5, start + " c1 1 1 0.75" + warning + "-46 -10 -12"}, {3, -1, start + " c1 1 1 1.25" + warning + "-10 -10 -12"},
        {9, 0, greeting + "1.bmp 18 5 -100 -18 -5"}, {9, 16, greeting + "2.bmp 7 5 -100 -7 -5"},
        {9, 32, greeting + "3.bmp 44 5 -100 -44 -5"}, {9, 48, greeting + "4.bmp 19 5 -100 -19 -5"},
        {10, 0, greeting + "5.bmp 24 5 -100 -24 -5"}, {10, 16, greeting + "6.bmp 15 5 -100 -15 -5"},
        {10, 32, greeting + "7.bmp 10 5 -100 -10 -5"},
        {9, 8, start}, {9, 56, start}, {10, 40, start}, {10, 48, start}, {17, 16, start, {-1, -1}, true},
        // Every test reads the position anew; an early end skips the finish test.
        {1, 0, title + " ademofor.bmp" + card, {2, 0}}, {1, 0, title, {17, 16}},
        {3, 0, start + " c1" + warning + "-28 -10 -12", {17, 16}, true},
        // The title fades from here on, the lowered value showing from the next frame.
        {2, 48, start + " overlay c1" + titleQuad + " zentrovia.bmp" + card},
        {2, 48, start + " overlay c0.99" + titleQuad + " zentrovia.bmp" + card},
    };
    for (const auto& p : positions) {
        frameAt(p.order, p.row, p.to);
        EXPECT_EQ(joined(seen.steps, +syncState.finished), joined(p.steps, p.finishes)) << p.order << ", " << p.row;
    }
}

// Frames allocate nothing; unseen ones (the capture's before --start) leave what drawn ones leave
// and call no OpenGL, at the overlays' decisions (cards, the fade, a greeting row with none, the
// finish) with every reacting instrument's hits around them.
TEST_F(Frame, FramesAllocateNothingAndUnseenOnesLeaveWhatDrawnOnesLeaveWithoutOpenGl)
{
    static std::size_t calls;
    const struct { int32_t order, row; std::initializer_list<int> hits; } script[] = {
        {0, 0, {}},    {1, 0, {1, 19}}, {2, 48, {}},  {2, 48, {3}},  {3, 5, {2, 1}}, {6, 0, {2}},
        {8, 0, {18}},  {9, 0, {19, 1}}, {9, 1, {}},   {10, 16, {2}}, {17, 15, {}},   {17, 16, {18}},
    };
    long allocated = 0;
    const auto play = [&](bool (*frame)()) {
        recordingGl::reset([](const GlCall&) { ++calls; });
        EXPECT_EQ(initScene(error), 1) << error;
        calls = 0;
        std::vector<std::string> states;
        for (const auto& m : script) {
            syncState.order = m.order, syncState.row = m.row, syncState.lastNote18 = m.row + 3, syncState.lastNote19 = m.row + 7;
            for (const int instrument : m.hits) syncState.instrumentHit[instrument] = 1;
            const long before = allocations;
            frame();
            allocated += allocations - before;
            int raised = 0;
            for (const auto& hit : syncState.instrumentHit) raised += hit;
            const std::string_view field(reinterpret_cast<const char*>(particles), sizeof particles);
            states.push_back(joined(std::hash<std::string_view>()(field), particleDepth, randomState, titleFade, +syncState.finished, raised));
        }
        return states;
    };
    const std::vector<std::string> drawn = play(renderFrame);
    EXPECT_NE(drawn[2], drawn[3]) << "the script moves the field";
    EXPECT_EQ(joined(titleFade, +syncState.finished), joined(0.98f, 1));
    SetUp();
    EXPECT_EQ(play(runUnseenFrame), drawn);
    EXPECT_EQ(joined(calls, allocated), "0 0 ") << "OpenGL calls unseen, allocations in either";
}

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

}  // namespace
