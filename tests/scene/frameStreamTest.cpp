// initScene and renderFrame against the recording OpenGL: the stop at the first unusable
// bitmap, the lattice, the particle pass (draw, move, react: a new depth shows from the next
// particle on), the overlays' script by song position with its early ends and the finish test,
// the hits cleared on every path, and frames that allocate nothing.
#include <GL/gl.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>

#include "tests/scene/sceneFixture.h"
#include "tests/support/recordingGl.h"

static std::atomic<long> allocations{0};
static void* counted(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size) { return counted(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// What the hook saw since the last reset: calls per function, the first 15 calls, the first
// vertices of particles 0 and 1, and the steps outside the particle pass.
struct Seen {
    std::size_t count[static_cast<int>(GlFunc::Count)] = {};
    std::vector<std::string> first;
    GlCall vertex[2] = {}, last = {};
    std::string steps;
} seen;
std::pair<int32_t, int32_t> movedTo;  // where the song moves, as a sync might, when the first quad ends

// The texture bound, the blend, "c" and the colour (one value when all four agree), and each
// quad as its top right corner and its bottom left.
void noteStep(const GlCall& c)
{
    const double *a = c.arg, *t = seen.last.arg;  // t: a corner's texture coordinate
    const GlFunc f = c.func;
    std::ostringstream out;
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
    ++seen.count[static_cast<int>(c.func)];
    if (seen.first.size() < 15) seen.first.push_back(recordingGl::describe(c));
    if (particleIndex < 2 && c.func == GlFunc::Vertex3f && !seen.vertex[particleIndex].name) seen.vertex[particleIndex] = c;
    if (particleIndex == particleCount) noteStep(c);
    seen.last = c;
    if (c.func != GlFunc::End || movedTo.first < 0) return;
    syncState.order = movedTo.first;
    syncState.row = movedTo.second;
    movedTo.first = -1;
}

bool watchedFrame()
{
    seen = Seen{};
    return renderFrame();
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

TEST_F(Frame, InitStopsAtTheFirstUnusableBitmapAndSaysWhy)
{
    // The file at `index` replaced by `bytes`, or removed when they are none.
    const struct { int index; std::vector<uint8_t> bytes; const char* line; } cases[] = {
        {9, {}, "Data/greetz4.bmp: cannot open the file"},
        {0, encodeBmp24(RgbImage(3, 4)), "Data/Particle.bmp: width and height must be powers of two up to 2048"},
        {13, std::vector<uint8_t>(60, 'B'), "Data/warning.bmp: not a BMP file"},
        {bitmapCount, {}, nullptr},
    };
    for (const auto& c : cases) {
        SetUp();
        syncState.instrumentHit[1] = 1;
        if (c.line && c.bytes.empty()) std::filesystem::remove(bitmapFiles[c.index]);
        else if (c.line) writeFileBytes(bitmapFiles[c.index], c.bytes);
        testing::internal::CaptureStderr();
        EXPECT_EQ(initScene(), c.line ? 0 : 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line ? std::string("strobarium: ") + c.line + "\n" : "");
        // Names in load order; the failing slot keeps the one made for it, and nothing follows.
        for (int i = 0; i < bitmapCount; ++i) EXPECT_EQ(*textureSlots[i], i <= c.index ? i + 1u : 0u) << i;
        EXPECT_EQ(joined(seen.count[int(GlFunc::TexImage2D)], seen.count[int(GlFunc::Enable)] > 0, +particles[0].active,
                         +syncState.instrumentHit[1]),
                  joined(c.index, c.line ? "0 0 1" : "1 1 0"))
            << "uploads, render state, lattice and hits";
    }
}

TEST_F(Frame, TheLatticeIsZonedOneStepAhead)
{
    buildLattice();
    // Each counter wraps on its own (151: x back to -75); 3690 sits at the core's corner but is
    // classified where its successor stands.
    const auto at = [](int i) { return joined(particles[i].x, particles[i].y, particles[i].z, particles[i].zone); };
    EXPECT_EQ(at(151) + at(particleCount - 1) + at(3690),
              joined(-75, 21, -1, zoneBand, 41, -8, -5, zoneSide, -9, -7, 0, zoneCore));
    std::map<int32_t, int> zones;
    for (const Particle& q : particles) ++zones[q.zone];
    EXPECT_EQ(joined(zones[zoneCore], zones[zoneRing], zones[zoneBand], zones[zoneSide], zones.size()),
              joined(2069, 10393, 79099, 31319, 4));
}

TEST_F(Frame, DrawsMovesThenReactsSoANewDepthMovesTheNextParticleOn)
{
    ASSERT_EQ(initScene(), 1);
    particles[7].active = 0;
    syncState.order = 8;
    syncState.lastNote18 = 14;
    syncState.instrumentHit[18] = 1;  // 18 gives particle 0, after its draw, depth -22
    ASSERT_TRUE(watchedFrame());
    // glClear(COLOR | DEPTH), the particle texture under additive blending, then particle 0.
    EXPECT_EQ(seen.first, (std::vector<std::string>{
        "glClear(16640)", "glLoadIdentity()", "glBindTexture(3553, 1)", "glBlendFunc(770, 1)", "glColor4f(0, 0, 0, 1)",
        "glBegin(5)", "glTexCoord2d(1, 1)", "glVertex3f(-74.25, -42.25, -130)", "glTexCoord2d(0, 1)",
        "glVertex3f(-75.75, -42.25, -130)", "glTexCoord2d(1, 0)", "glVertex3f(-74.25, -43.75, -130)",
        "glTexCoord2d(0, 0)", "glVertex3f(-75.75, -43.75, -130)", "glEnd()"}));
    EXPECT_EQ(joined(seen.count[int(GlFunc::Begin)], seen.vertex[1].arg[2]), joined(particleCount - 1, -29 - 22));
    // Then particle 0's colour, alpha and drift (160, -80) show; its driftZ (90) never does.
    ASSERT_TRUE(watchedFrame());
    EXPECT_EQ(seen.first[4], "glColor4f(1, 1, 0.5, 0.5)");
    EXPECT_EQ(joined(seen.vertex[0].arg[0], seen.vertex[0].arg[1], seen.vertex[0].arg[2]),
              joined(float(-75 + 0.75 + 1.6f), float(-43 + 0.75 - 0.8f), -30 + particleDepth));
    EXPECT_EQ(joined(particles[0].driftX, particles[0].driftZ, particles[0].alpha), joined(132, 102, 0.4f));
    for (int frame = 3; frame <= 10; ++frame) ASSERT_TRUE(renderFrame());
    // Ten steps of 0.1f in single precision end just below zero; the steps start at 0 (4915: a
    // ring particle that 18 leaves alone). The inactive one never moved.
    const Particle& q = particles[4915];
    EXPECT_EQ(joined(q.alpha, q.driftX, q.driftY, q.driftZ, particles[7].alpha), joined(-7.4505806e-08f, 0, 0, 0, 1));
}

class Overlays : public Frame {
protected:
    void SetUp() override
    {
        Frame::SetUp();
        ASSERT_EQ(initScene(), 1);
        for (Particle& p : particles) p.active = 0;
    }
    // One frame at (order, row) with every hit raised; false when any is left raised.
    static bool frameAt(int32_t order, int32_t row, std::pair<int32_t, int32_t> to = {-1, -1})
    {
        resetSyncState();
        syncState.order = order;
        syncState.row = row;
        for (auto& hit : syncState.instrumentHit) hit = 1;
        movedTo = to;
        bool cleared = watchedFrame();
        for (auto& hit : syncState.instrumentHit) cleared &= hit == 0;
        return cleared;
    }
};

TEST_F(Overlays, EachPositionDrawsItsScriptAndOnlyOrder17Row16Finishes)
{
    const std::string start = " Particle.bmp additive c1 opaque", title = start + " c1 strobarium.bmp 56 12 -100 -56 -6";
    const std::string backdrop = start + " overlay black.bmp 100 53 -100 -100 -52", warning = " overlay warning.bmp 10 12 ";
    const std::string greeting = backdrop + " greetz", card = " 56 -6.3 -100 -56 -14.3";
    // `to`: where the song moves mid-step.
    const struct { int32_t order, row; std::string steps; std::pair<int32_t, int32_t> to{-1, -1}; bool finishes = false; } positions[] = {
        {-1, -1, start}, {0, -1, start}, {4, 63, start}, {11, 48, start}, {17, 48, start}, {16, 16, start},
        {1, 0, title + " bykelsot.bmp" + card}, {2, 0, title + " ademofor.bmp" + card}, {2, 32, title + " zentrovia.bmp" + card},
        {1, -1, title}, {1, 48, title}, {2, 16, title},
        {3, 0, start + " c1" + warning + "-28 -10 -12"}, {3, 1, start + " c1 1 1 0.75" + warning + "-46 -10 -12"},
        {3, 2, start + " c1 1 1 0.5" + warning + "-64 -10 -12"}, {3, 3, start + " c1 1 1 0.25" + warning + "-82 -10 -12"},
        {3, 5, start + " c1 1 1 0.75" + warning + "-46 -10 -12"}, {3, -1, start + " c1 1 1 1.25" + warning + "-10 -10 -12"},
        {9, 0, greeting + "1.bmp 18 5 -100 -18 -5"}, {9, 16, greeting + "2.bmp 7 5 -100 -7 -5"},
        {9, 32, greeting + "3.bmp 44 5 -100 -44 -5"}, {9, 48, greeting + "4.bmp 19 5 -100 -19 -5"},
        {10, 0, greeting + "5.bmp 24 5 -100 -24 -5"}, {10, 16, greeting + "6.bmp 15 5 -100 -15 -5"},
        {10, 32, greeting + "7.bmp 10 5 -100 -10 -5"},
        {9, 8, start}, {9, 56, start}, {10, 40, start}, {10, 48, start}, {17, 16, start, {-1, -1}, true},
        // Every test reads the position anew; an early end skips the finish test.
        {1, 0, title + " ademofor.bmp" + card, {2, 0}}, {1, 0, title, {17, 16}},
        {3, 0, start + " c1" + warning + "-28 -10 -12", {17, 16}, true},
    };
    for (const auto& p : positions) {
        EXPECT_TRUE(frameAt(p.order, p.row, p.to)) << p.order << ", " << p.row << ": hits left";
        EXPECT_EQ(joined(seen.steps, +syncState.finished), joined(p.steps, p.finishes)) << p.order << ", " << p.row;
    }
}

TEST_F(Overlays, TheTitleFadesInSinglePrecisionFromTheNextFrameOn)
{
    const std::string title = " Particle.bmp additive c1 opaque overlay c";
    const std::string card = " strobarium.bmp 56 12 -100 -56 -6 zentrovia.bmp 56 -6.3 -100 -56 -14.3";
    ASSERT_TRUE(frameAt(2, 48));
    EXPECT_EQ(joined(seen.steps, titleFade), joined(title + "1" + card, 0.99f));
    for (int frame = 2; frame <= 101; ++frame) ASSERT_TRUE(frameAt(2, 48));
    EXPECT_EQ(seen.steps, title + "6.70552e-07" + card) << "not 0, as in exact arithmetic";
    ASSERT_TRUE(frameAt(2, 48));
    EXPECT_EQ(joined(seen.steps, +syncState.finished), joined(title + "-0.00999933" + card, 0)) << "as it is: the pipeline clamps";
}

TEST_F(Frame, FramesAllocateNothing)
{
    recordingGl::reset();
    ASSERT_EQ(initScene(), 1);
    ASSERT_GT(allocations, 0) << "the counter counts";
    const long start = allocations;
    for (const auto& [order, row] : {std::pair{0, 0}, {1, 0}, {2, 48}, {3, 5}, {9, 32}, {10, 0}, {17, 16}}) {
        syncState.order = order;
        syncState.row = row;
        for (int instrument : {1, 2, 3, 18, 19}) syncState.instrumentHit[instrument] = 1;
        ASSERT_TRUE(renderFrame() && renderFrame());
    }
    EXPECT_EQ(joined(allocations - start, randomState != 1), "0 1 ") << "no allocation, though the reactions ran";
}

}  // namespace
