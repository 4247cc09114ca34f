// initScene and renderFrame against the recording OpenGL: the exact call streams, the
// lattice, and the motion of particles over several frames.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <fcntl.h>
#include <sys/inotify.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "scene/frame.h"
#include "scene/overlays.h"
#include "tests/scene/sceneFixture.h"
#include "tests/support/recordingGl.h"

namespace {

constexpr double bgrExt = 0x80E0;

GlCall call(GlFunc func, double a0 = 0, double a1 = 0, double a2 = 0, double a3 = 0, double a4 = 0, double a5 = 0,
            double a6 = 0, double a7 = 0)
{
    return GlCall{func, {a0, a1, a2, a3, a4, a5, a6, a7, 0}};
}

// Arguments past the function's own count are zero in both, so all nine can be compared.
bool sameCall(const GlCall& a, const GlCall& b)
{
    if (a.func != b.func) return false;
    for (int i = 0; i < 9; ++i) {
        if (a.arg[i] != b.arg[i]) return false;
    }
    return true;
}

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class InitScene : public SceneDirectory {};

TEST_F(InitScene, LoadsTheFourteenBitmapsInTableOrderThenSetsTheRenderState)
{
    // Particle.bmp 2x4: rows of 6 bytes padded to 8, so the upload must carry the padding.
    auto bitmaps = defaultTestBitmaps();
    bitmaps[0] = {2, 4, 250, 200, 150};
    ASSERT_TRUE(writeTestData(dir, bitmaps));
    syncState.instrumentHit[3] = 1;
    syncState.instrumentHit[19] = 1;
    recordingGl::reset(recordingGl::Mode::Record);

    ASSERT_EQ(initScene(), 1);

    std::vector<GlCall> expected;
    for (int i = 0; i < testBitmapCount; ++i) {
        const double name = i + 1;
        expected.push_back(call(GlFunc::GenTextures, 1, name));
        expected.push_back(call(GlFunc::PixelStorei, GL_UNPACK_ALIGNMENT, 4));
        expected.push_back(call(GlFunc::BindTexture, GL_TEXTURE_2D, name));
        expected.push_back(call(GlFunc::TexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR));
        expected.push_back(call(GlFunc::TexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR));
        expected.push_back(call(GlFunc::TexImage2D, GL_TEXTURE_2D, 0, 3, bitmaps[i].width, bitmaps[i].height, 0,
                                bgrExt, GL_UNSIGNED_BYTE));
    }
    expected.push_back(call(GlFunc::ShadeModel, GL_SMOOTH));
    expected.push_back(call(GlFunc::ClearColor, 0, 0, 0, 0));
    expected.push_back(call(GlFunc::ClearDepth, 1.0));
    expected.push_back(call(GlFunc::Disable, GL_DEPTH_TEST));
    expected.push_back(call(GlFunc::Enable, GL_BLEND));
    expected.push_back(call(GlFunc::BlendFunc, GL_SRC_ALPHA, GL_ONE));
    expected.push_back(call(GlFunc::Hint, GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST));
    expected.push_back(call(GlFunc::Hint, GL_POINT_SMOOTH_HINT, GL_NICEST));
    expected.push_back(call(GlFunc::Enable, GL_TEXTURE_2D));

    const std::vector<GlCall>& calls = recordingGl::calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_TRUE(sameCall(calls[i], expected[i]))
            << "call " << i << ": " << recordingGl::describe(calls[i]) << ", expected "
            << recordingGl::describe(expected[i]);
    }

    // Slots hold distinct names in load order.
    for (int i = 0; i < testBitmapCount; ++i) EXPECT_EQ(*textureSlots[i], static_cast<GLuint>(i + 1)) << i;

    // Every upload is the file's own pixel array, byte for byte, at alignment 4.
    ASSERT_EQ(recordingGl::texImages().size(), static_cast<std::size_t>(testBitmapCount));
    for (int i = 0; i < testBitmapCount; ++i) {
        const GlTexImage& upload = recordingGl::texImages()[i];
        const std::vector<uint8_t> file = fileBytes(dataPath(i));
        EXPECT_EQ(upload.unpackAlignment, 4);
        EXPECT_EQ(upload.pixels, std::vector<uint8_t>(file.begin() + 54, file.end())) << testBitmapNames[i];
    }
    EXPECT_EQ(recordingGl::texImages()[0].pixels.size(), 8u * 4u);

    for (int i = 0; i < instrumentHitCount; ++i) EXPECT_EQ(syncState.instrumentHit[i].load(), 0) << i;
    EXPECT_EQ(particles[particleCount - 1].active, 1);
    EXPECT_EQ(particleIndex, particleCount);
}

// Names of the files in `dir` opened since the watch began, in order.
std::vector<std::string> openedFiles(int watchFd)
{
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(watchFd, buffer, sizeof buffer);
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & IN_OPEN) && event->len > 0) names.emplace_back(event->name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return names;
}

TEST_F(InitScene, StopsAtAMissingGreetingWithoutOpeningTheRest)
{
    ASSERT_TRUE(writeTestData(dir));
    ASSERT_EQ(std::remove(dataPath(9).c_str()), 0);  // greetz4.bmp
    syncState.instrumentHit[1] = 1;

    // The kernel tells which files were really opened.
    const int watchFd = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watchFd, 0);
    ASSERT_GE(inotify_add_watch(watchFd, (dir + "/Data").c_str(), IN_OPEN), 0);
    recordingGl::reset(recordingGl::Mode::Record);

    testing::internal::CaptureStderr();
    EXPECT_EQ(initScene(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "strobarium: Data/greetz4.bmp: cannot open the file\n")
        << "one line naming the file and the cause";

    const std::vector<std::string> opened = openedFiles(watchFd);
    close(watchFd);
    EXPECT_EQ(opened, std::vector<std::string>(testBitmapNames, testBitmapNames + 9));

    EXPECT_EQ(recordingGl::count(GlFunc::GenTextures), 10u);
    EXPECT_EQ(recordingGl::count(GlFunc::TexImage2D), 9u);
    EXPECT_EQ(texGreet4, 10u) << "the failing slot keeps the name generated for it";
    for (int i = 10; i < testBitmapCount; ++i) EXPECT_EQ(*textureSlots[i], 0u) << testBitmapNames[i];
    ASSERT_FALSE(recordingGl::calls().empty());
    EXPECT_EQ(recordingGl::calls().back().func, GlFunc::GenTextures) << "nothing follows the failed load";

    // None of the later steps ran: no render state, no lattice, hits untouched.
    EXPECT_EQ(recordingGl::count(GlFunc::ShadeModel), 0u);
    EXPECT_EQ(recordingGl::count(GlFunc::Enable), 0u);
    EXPECT_EQ(particles[0].active, 0);
    EXPECT_EQ(syncState.instrumentHit[1].load(), 1);
}

struct UnusableBitmap {
    int index;
    const char* what;    // the stderr line naming the file and the cause
    RgbImage image;      // written as a valid BMP, then cut to `keepBytes` if non-zero
    std::size_t keepBytes;
};

TEST_F(InitScene, FailsOnTheFirstUnusableBitmap)
{
    const UnusableBitmap cases[] = {
        {0, "strobarium: Data/Particle.bmp: width and height must be powers of two up to 2048\n", RgbImage(3, 4), 0},
        {5, "strobarium: Data/black.bmp: file size field disagrees with the file\n", RgbImage(8, 8), 100},
        {13, "strobarium: Data/warning.bmp: width and height must be powers of two up to 2048\n", RgbImage(4096, 1), 0},
    };
    for (const UnusableBitmap& c : cases) {
        SCOPED_TRACE(c.what);
        resetSceneGlobals();
        ASSERT_TRUE(writeTestData(dir));
        std::vector<uint8_t> bytes = encodeBmp24(c.image);
        if (c.keepBytes) bytes.resize(c.keepBytes);
        std::ofstream(dataPath(c.index), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        recordingGl::reset(recordingGl::Mode::Record);

        testing::internal::CaptureStderr();
        EXPECT_EQ(initScene(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.what);
        EXPECT_EQ(recordingGl::count(GlFunc::GenTextures), static_cast<std::size_t>(c.index + 1));
        EXPECT_EQ(recordingGl::count(GlFunc::TexImage2D), static_cast<std::size_t>(c.index));
        EXPECT_EQ(recordingGl::count(GlFunc::ShadeModel), 0u);
    }
}

TEST_F(InitScene, FailsWithoutADataFolder)
{
    recordingGl::reset(recordingGl::Mode::Record);
    EXPECT_EQ(initScene(), 0);
    EXPECT_EQ(recordingGl::count(GlFunc::GenTextures), 1u);
    EXPECT_NE(texParticle, 0u);
    EXPECT_EQ(texTitle, 0u);
}

// --- the lattice --------------------------------------------------------------------------

class Lattice : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        resetSceneGlobals();
        buildLattice();
    }
};

struct Placed {
    int index;
    float x, y, z;
    int32_t zone;
};

TEST_F(Lattice, EdgeParticlesSitWhereExpected)
{
    const Placed placed[] = {
        {0, -75, -43, -30, zoneBand},
        {1, -74, -42, -29, zoneBand},
        {151, -75, 21, -1, zoneBand},
        {particleCount - 1, 41, -8, -5, zoneSide},
    };
    for (const Placed& p : placed) {
        SCOPED_TRACE(p.index);
        EXPECT_EQ(particles[p.index].x, p.x);
        EXPECT_EQ(particles[p.index].y, p.y);
        EXPECT_EQ(particles[p.index].z, p.z);
        EXPECT_EQ(particles[p.index].zone, p.zone);
    }
    EXPECT_EQ(particleIndex, particleCount);
}

TEST_F(Lattice, EveryParticleStartsBlackOpaqueAndStillAtADistinctPoint)
{
    std::set<std::tuple<float, float, float>> points;
    for (int i = 0; i < particleCount; ++i) {
        const Particle& p = particles[i];
        // Closed form of the three wrapping counters.
        ASSERT_EQ(p.x, static_cast<float>(-75 + i % 151)) << i;
        ASSERT_EQ(p.y, static_cast<float>(-43 + i % 87)) << i;
        ASSERT_EQ(p.z, static_cast<float>(-30 + i % 61)) << i;
        ASSERT_EQ(p.active, 1);
        ASSERT_EQ(p.alpha, 1.0f);
        ASSERT_EQ(p.fade, 0.1f);
        ASSERT_EQ(p.red + p.green + p.blue, 0.0f);
        ASSERT_EQ(p.driftX + p.driftY + p.driftZ + p.driftStepX + p.driftStepY + p.driftStepZ, 0.0f);
        points.emplace(p.x, p.y, p.z);
    }
    EXPECT_EQ(points.size(), static_cast<std::size_t>(particleCount));
}

// The zone of every particle standing on (x, y), whatever its depth; -99 when they disagree.
int32_t zoneOfColumn(float x, float y, int& found)
{
    int32_t zone = -99;
    found = 0;
    for (const Particle& p : particles) {
        if (p.x != x || p.y != y) continue;
        zone = (found++ == 0 || zone == p.zone) ? p.zone : -99;
    }
    return zone;
}

TEST_F(Lattice, ZonesAreClassifiedOneStepAhead)
{
    const Placed columns[] = {
        {0, 8, 0, 0, zoneRing},    {0, -9, -7, 0, zoneCore}, {0, -9, 0, 0, zoneCore},  {0, 21, 0, 0, zoneSide},
        {0, -22, 0, 0, zoneRing},  {0, 0, 15, 0, zoneBand},  {0, 0, -16, 0, zoneRing}, {0, 7, 5, 0, zoneCore},
        {0, -10, 0, 0, zoneRing},  {0, 20, 14, 0, zoneRing}, {0, 0, -17, 0, zoneBand}, {0, -23, 0, 0, zoneSide},
        {0, 75, 43, 0, zoneBand},  {0, 74, 0, 0, zoneSide},  {0, 75, 0, 0, zoneSide},
    };
    for (const Placed& c : columns) {
        int found = 0;
        EXPECT_EQ(zoneOfColumn(c.x, c.y, found), c.zone) << "at (" << c.x << ", " << c.y << ")";
        EXPECT_GE(found, 9);
        EXPECT_LE(found, 10);
    }
}

TEST_F(Lattice, ZoneTotals)
{
    int core = 0, ring = 0, band = 0, side = 0, other = 0;
    for (const Particle& p : particles) {
        switch (p.zone) {
        case zoneCore: ++core; break;
        case zoneRing: ++ring; break;
        case zoneBand: ++band; break;
        case zoneSide: ++side; break;
        default: ++other;
        }
    }
    EXPECT_EQ(core, 2069);
    EXPECT_EQ(ring, 10393);
    EXPECT_EQ(band, 79099);
    EXPECT_EQ(side, 31319);
    EXPECT_EQ(other, 0);
}

// --- one frame ----------------------------------------------------------------------------

constexpr std::size_t frameStartCalls = 4;
constexpr std::size_t callsPerParticle = 11;

// Checks a frame call by call as it streams past, so 1.35 million calls need no storage.
struct FrameCheck {
    std::size_t index = 0;
    std::size_t mismatches = 0;
    std::string firstMismatch;
    GlCall firstVertex{}, lastVertex{};
};
FrameCheck frameCheck;

GlCall expectedFrameCall(std::size_t k)
{
    if (k == 0) return call(GlFunc::Clear, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (k == 1) return call(GlFunc::LoadIdentity);
    if (k == 2) return call(GlFunc::BindTexture, GL_TEXTURE_2D, texParticle);
    if (k == 3) return call(GlFunc::BlendFunc, GL_SRC_ALPHA, GL_ONE);
    const std::size_t i = (k - frameStartCalls) / callsPerParticle;
    const double x = -75.0 + static_cast<double>(i % 151);
    const double y = -43.0 + static_cast<double>(i % 87);
    const double zd = -30.0 + static_cast<double>(i % 61) - 100.0;
    // Corners top right, top left, bottom right, bottom left, each after its (s, t).
    const double s[4] = {1, 0, 1, 0}, t[4] = {1, 1, 0, 0};
    const double dx[4] = {0.75, -0.75, 0.75, -0.75}, dy[4] = {0.75, 0.75, -0.75, -0.75};
    const std::size_t j = (k - frameStartCalls) % callsPerParticle;
    if (j == 0) return call(GlFunc::Color4f, 0, 0, 0, 1);
    if (j == 1) return call(GlFunc::Begin, GL_TRIANGLE_STRIP);
    if (j == 10) return call(GlFunc::End);
    const std::size_t corner = (j - 2) / 2;
    if (j % 2 == 0) return call(GlFunc::TexCoord2d, s[corner], t[corner]);
    return call(GlFunc::Vertex3f, x + dx[corner], y + dy[corner], zd);
}

void checkFrameCall(const GlCall& c)
{
    const std::size_t k = frameCheck.index++;
    if (k >= frameStartCalls + particleCount * callsPerParticle) return;  // the overlays' tail
    if (k == frameStartCalls + 3) frameCheck.firstVertex = c;
    if (k == frameStartCalls + (particleCount - 1) * callsPerParticle + 3) frameCheck.lastVertex = c;
    const GlCall expected = expectedFrameCall(k);
    if (sameCall(c, expected)) return;
    if (frameCheck.mismatches++ == 0)
        frameCheck.firstMismatch = "call " + std::to_string(k) + ": " + recordingGl::describe(c) + ", expected " +
                                   recordingGl::describe(expected);
}

class Frame : public SceneDirectory {
protected:
    void SetUp() override
    {
        SceneDirectory::SetUp();
        ASSERT_TRUE(writeTestData(dir));
        recordingGl::reset(recordingGl::Mode::Off);
        ASSERT_EQ(initScene(), 1);
    }
    void TearDown() override
    {
        recordingGl::reset(recordingGl::Mode::Off);
        SceneDirectory::TearDown();
    }
};

TEST_F(Frame, StartsTheFrameThenDrawsEveryParticleInElevenCalls)
{
    frameCheck = FrameCheck{};
    recordingGl::reset(recordingGl::Mode::Count);
    recordingGl::setCallHook(checkFrameCall);

    EXPECT_TRUE(renderFrame());

    EXPECT_EQ(frameCheck.mismatches, 0u) << frameCheck.firstMismatch;
    EXPECT_GE(frameCheck.index, frameStartCalls + particleCount * callsPerParticle);
    EXPECT_EQ(recordingGl::count(GlFunc::Begin), static_cast<std::size_t>(particleCount));
    EXPECT_EQ(recordingGl::count(GlFunc::End), static_cast<std::size_t>(particleCount));
    EXPECT_EQ(recordingGl::count(GlFunc::TexCoord2d), 4u * particleCount);
    EXPECT_EQ(recordingGl::count(GlFunc::Vertex3f), 4u * particleCount);
    // Particle 0 at (-75, -43, -30) and the last at (41, -8, -5), pushed back by 100.
    EXPECT_TRUE(sameCall(frameCheck.firstVertex, call(GlFunc::Vertex3f, -74.25, -42.25, -130)))
        << recordingGl::describe(frameCheck.firstVertex);
    EXPECT_TRUE(sameCall(frameCheck.lastVertex, call(GlFunc::Vertex3f, 41.75, -7.25, -105)))
        << recordingGl::describe(frameCheck.lastVertex);
    EXPECT_EQ(particleIndex, particleCount);
}

// What one watched particle was drawn with, frame by frame.
constexpr int watched = 1000;
struct Watch {
    std::vector<GlCall> colours;
    std::vector<GlCall> topRight;
    int vertexInQuad = 0;
};
Watch watch;

void watchParticle(const GlCall& c)
{
    if (particleIndex != watched) return;
    if (c.func == GlFunc::Color4f) {
        watch.colours.push_back(c);
        watch.vertexInQuad = 0;
    }
    if (c.func == GlFunc::Vertex3f && watch.vertexInQuad++ == 0) watch.topRight.push_back(c);
}

void runFramesWatching(int frames)
{
    watch = Watch{};
    recordingGl::reset(recordingGl::Mode::Count);
    recordingGl::setCallHook(watchParticle);
    for (int f = 0; f < frames; ++f) ASSERT_TRUE(renderFrame());
}

TEST_F(Frame, DriftStepOf128MovesAQuad128HundredthsPerFrameAndDepthStays)
{
    particles[watched].driftStepX = 128;
    particles[watched].driftStepY = -50;
    particles[watched].driftStepZ = 300;
    runFramesWatching(3);

    ASSERT_EQ(watch.topRight.size(), 3u);
    const GlCall& f1 = watch.topRight[0];
    EXPECT_EQ(f1.arg[0], particles[watched].x + 0.75) << "the first frame draws before the first step";
    for (int f = 1; f < 3; ++f) {
        EXPECT_NEAR(watch.topRight[f].arg[0] - watch.topRight[f - 1].arg[0], 1.28, 1e-5) << f;
        EXPECT_NEAR(watch.topRight[f].arg[1] - watch.topRight[f - 1].arg[1], -0.5, 1e-5) << f;
        EXPECT_EQ(watch.topRight[f].arg[2], f1.arg[2]) << "driftZ never reaches the picture";
    }
    EXPECT_EQ(particles[watched].driftX, 384.0f);
    EXPECT_EQ(particles[watched].driftZ, 900.0f);
}

TEST_F(Frame, AlphaFallsByTheFadeInSinglePrecisionWithoutBound)
{
    runFramesWatching(11);

    // After ten steps of 0.1f the value is just below zero (-1.25 * 2^-24), not zero as in
    // exact or double arithmetic; the eleventh step lands a few units in the last place past -0.1.
    ASSERT_EQ(watch.colours.size(), 11u);
    EXPECT_EQ(watch.colours[0].arg[3], 1.0);
    EXPECT_EQ(watch.colours[1].arg[3], static_cast<double>(0.9f));
    EXPECT_EQ(watch.colours[10].arg[3], -7.450580596923828e-08) << "drawn in frame 11: after ten steps";
    EXPECT_EQ(particles[watched].alpha, -0.100000076f);
    EXPECT_EQ(particles[0].alpha, particles[particleCount - 1].alpha);
}

TEST_F(Frame, AnInactiveParticleIsNeitherDrawnNorMoved)
{
    particles[watched].active = 0;
    particles[watched].driftStepX = 5;
    runFramesWatching(1);

    EXPECT_TRUE(watch.colours.empty());
    EXPECT_EQ(recordingGl::count(GlFunc::Begin), static_cast<std::size_t>(particleCount - 1));
    EXPECT_EQ(particles[watched].driftX, 0.0f);
    EXPECT_EQ(particles[watched].alpha, 1.0f);
    EXPECT_EQ(particles[watched + 1].alpha, 0.9f);
}

// Stands in for a reaction that moves the depth while one particle is processed.
struct DepthSplit {
    std::vector<double> depthOf = std::vector<double>(particleCount, 0.0);
};
DepthSplit depthSplit;

void changeDepthMidPass(const GlCall& c)
{
    if (c.func == GlFunc::Vertex3f) depthSplit.depthOf[particleIndex] = c.arg[2] - particles[particleIndex].z;
    if (c.func == GlFunc::End && particleIndex == watched) particleDepth = -40.0f;
}

TEST_F(Frame, ANewDepthAppliesFromTheNextParticleOn)
{
    depthSplit = DepthSplit{};
    recordingGl::reset(recordingGl::Mode::Count);
    recordingGl::setCallHook(changeDepthMidPass);
    ASSERT_TRUE(renderFrame());

    EXPECT_EQ(depthSplit.depthOf[0], -100.0);
    EXPECT_EQ(depthSplit.depthOf[watched], -100.0);
    EXPECT_EQ(depthSplit.depthOf[watched + 1], -40.0);
    EXPECT_EQ(depthSplit.depthOf[particleCount - 1], -40.0);
}

}  // namespace
