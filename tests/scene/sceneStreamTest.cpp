// initScene and renderFrame against the recording OpenGL: the stop at the first unusable
// bitmap, the lattice, a frame's calls, a new depth from the next particle on, motion and fade,
// and frames that allocate nothing.
#include <GL/gl.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>

#include "tests/scene/sceneFixture.h"
#include "tests/support/recordingGl.h"

namespace {
std::atomic<long> allocations{0};

void* counted(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return counted(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

class Scene : public SceneDirectory {
protected:
    void SetUp() override
    {
        SceneDirectory::SetUp();
        ASSERT_TRUE(writeTestData(dir.path()));
        recordingGl::reset(recordingGl::Mode::Record);
    }
};

TEST_F(Scene, InitStopsAtTheFirstUnusableBitmapAndSaysWhy)
{
    const struct {
        int index;
        std::function<void(const char*)> spoil;
        const char* line;
    } cases[] = {
        {9, [](const char* path) { std::filesystem::remove(path); }, "Data/greetz4.bmp: cannot open the file"},
        {0, [](const char* path) { writeFileBytes(path, encodeBmp24(RgbImage(3, 4))); },
         "Data/Particle.bmp: width and height must be powers of two up to 2048"},
        {13, [](const char* path) { writeFileBytes(path, std::vector<uint8_t>(60, 'B')); }, "Data/warning.bmp: not a BMP file"},
        {bitmapCount, [](const char*) {}, nullptr},
    };
    for (const auto& c : cases) {
        SetUp();
        syncState.instrumentHit[1] = 1;
        if (c.line) c.spoil(bitmapFiles[c.index]);
        testing::internal::CaptureStderr();
        EXPECT_EQ(initScene(), c.line ? 0 : 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line ? std::string("strobarium: ") + c.line + "\n" : "");
        // Names in load order; the failing slot keeps the one made for it, and nothing follows.
        for (int i = 0; i < bitmapCount; ++i) EXPECT_EQ(*textureSlots[i], i <= c.index ? i + 1u : 0u) << i;
        EXPECT_EQ(recordingGl::count(GlFunc::TexImage2D), static_cast<std::size_t>(c.index));
        EXPECT_EQ(joined(recordingGl::count(GlFunc::Enable) > 0, +particles[0].active, +syncState.instrumentHit[1]),
                  c.line ? "0 0 1 " : "1 1 0 ")
            << "render state, lattice and hits after " << c.index;
    }
}

TEST_F(Scene, TheLatticeIsZonedOneStepAhead)
{
    buildLattice();
    const struct {
        int index;
        float x, y, z;
        int32_t zone;
    } placed[] = {
        {0, -75, -43, -30, zoneBand}, {1, -74, -42, -29, zoneBand}, {151, -75, 21, -1, zoneBand},
        {particleCount - 1, 41, -8, -5, zoneSide}, {4915, 8, 0, 5, zoneRing}, {3690, -9, -7, 0, zoneCore},
    };
    for (const auto& p : placed) {
        const Particle& q = particles[p.index];
        EXPECT_EQ(joined(q.x, q.y, q.z, q.zone), joined(p.x, p.y, p.z, p.zone)) << p.index;
    }
    int core = 0, ring = 0, band = 0, side = 0, unlit = 0;
    for (const Particle& q : particles) {
        core += q.zone == zoneCore, ring += q.zone == zoneRing, band += q.zone == zoneBand, side += q.zone == zoneSide;
        unlit += q.active == 1 && q.alpha == 1.0f && q.fade == 0.1f && q.red + q.green + q.blue == 0.0f &&
                 q.driftX + q.driftY + q.driftZ + q.driftStepX + q.driftStepY + q.driftStepZ == 0.0f;
    }
    EXPECT_EQ(joined(core, ring, band, side, unlit), joined(2069, 10393, 79099, 31319, particleCount));
}

// What the hook saw: the frame's first calls, its glBegin count, and the first vertices of
// particles 0 and 1.
struct Seen {
    std::vector<std::string> first;
    long begins = 0;
    GlCall vertex[2];
} seen;

bool frameWatched()
{
    seen = Seen{};
    recordingGl::reset(recordingGl::Mode::Off);
    recordingGl::setCallHook([](const GlCall& c) {
        if (seen.first.size() < 15) seen.first.push_back(recordingGl::describe(c));
        seen.begins += c.func == GlFunc::Begin;
        if (particleIndex < 2 && c.func == GlFunc::Vertex3f && !seen.vertex[particleIndex].name)
            seen.vertex[particleIndex] = c;
    });
    return renderFrame();
}

TEST_F(Scene, AFrameDrawsMovesThenReactsSoANewDepthMovesTheNextParticleOn)
{
    ASSERT_EQ(initScene(), 1);
    particles[7].active = 0;
    syncState.order = 8;
    syncState.lastNote18 = 14;
    syncState.instrumentHit[18] = 1;  // 18 gives particle 0, after its draw, depth -22
    ASSERT_TRUE(frameWatched());
    // glClear(COLOR | DEPTH), the particle texture under additive blending, then particle 0.
    EXPECT_EQ(seen.first, (std::vector<std::string>{
        "glClear(16640)", "glLoadIdentity()", "glBindTexture(3553, 1)", "glBlendFunc(770, 1)", "glColor4f(0, 0, 0, 1)",
        "glBegin(5)", "glTexCoord2d(1, 1)", "glVertex3f(-74.25, -42.25, -130)", "glTexCoord2d(0, 1)",
        "glVertex3f(-75.75, -42.25, -130)", "glTexCoord2d(1, 0)", "glVertex3f(-74.25, -43.75, -130)",
        "glTexCoord2d(0, 0)", "glVertex3f(-75.75, -43.75, -130)", "glEnd()"}));
    EXPECT_EQ(joined(seen.begins, seen.vertex[1].arg[2]), joined(particleCount - 1, -29 - 22));
    // Then particle 0's colour, alpha and drift (160, -80) show; its driftZ (90) never does.
    ASSERT_TRUE(frameWatched());
    EXPECT_EQ(seen.first[4], "glColor4f(1, 1, 0.5, 0.5)");
    EXPECT_EQ(joined(seen.vertex[0].arg[0], seen.vertex[0].arg[1], seen.vertex[0].arg[2]),
              joined(float(-75 + 0.75 + 1.6f), float(-43 + 0.75 - 0.8f), -30 + particleDepth));
    EXPECT_EQ(joined(particles[0].driftX, particles[0].driftZ, particles[0].alpha), joined(132, 102, 0.4f));
    for (int frame = 3; frame <= 10; ++frame) ASSERT_TRUE(renderFrame());
    // Ten steps of 0.1f in single precision end just below zero (4915: a ring particle that
    // 18 leaves alone); the inactive one never moved.
    EXPECT_EQ(joined(particles[4915].alpha, particles[7].alpha), joined(-7.4505806e-08f, 1));
}

TEST_F(Scene, FramesAllocateNothing)
{
    recordingGl::reset(recordingGl::Mode::Off);
    ASSERT_EQ(initScene(), 1);
    long start = allocations;
    std::vector<int>* volatile probe = new std::vector<int>(16);
    EXPECT_EQ(allocations - start, 2) << "the counter counts";
    delete probe;
    start = allocations;
    const std::pair<int32_t, int32_t> moments[] = {{0, 0}, {1, 0}, {2, 48}, {3, 5}, {9, 32}, {10, 0}, {17, 16}};
    for (const auto& [order, row] : moments) {
        syncState.order = order;
        syncState.row = row;
        for (int instrument : {1, 2, 3, 18, 19}) syncState.instrumentHit[instrument] = 1;
        ASSERT_TRUE(renderFrame() && renderFrame());
    }
    EXPECT_EQ(allocations - start, 0);
    EXPECT_NE(randomState, 1u) << "the reactions ran";
}

}  // namespace
