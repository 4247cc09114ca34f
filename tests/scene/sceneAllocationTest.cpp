// Frames allocate nothing: every operator new of the process is counted while the scene
// renders frames that exercise all reactions and overlays.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "tests/scene/sceneFixture.h"
#include "tests/support/recordingGl.h"

namespace {
std::atomic<long> allocations{0};

void* counted(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return counted(size); }
void* operator new[](std::size_t size) { return counted(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

class Allocation : public SceneDirectory {};

TEST_F(Allocation, TheCounterSeesAllocations)
{
    const long before = allocations.load();
    std::vector<int> grown;
    grown.resize(1000);
    EXPECT_GT(allocations.load(), before);
}

// Song positions whose overlays draw, with every instrument of the reactions hit.
struct Moment {
    int32_t order, row;
};

TEST_F(Allocation, FramesAllocateNothing)
{
    ASSERT_TRUE(writeTestData(dir));
    recordingGl::reset(recordingGl::Mode::Off);
    ASSERT_EQ(initScene(), 1);

    const Moment moments[] = {{0, 0}, {1, 0}, {2, 48}, {3, 5}, {9, 32}, {10, 0}, {17, 16}};
    const long before = allocations.load();
    for (const Moment& m : moments) {
        syncState.order = m.order;
        syncState.row = m.row;
        for (int instrument : {1, 2, 3, 18, 19}) syncState.instrumentHit[instrument] = 1;
        ASSERT_TRUE(renderFrame());
        ASSERT_TRUE(renderFrame());
    }
    EXPECT_EQ(allocations.load() - before, 0);
    int lit = 0;
    for (const Particle& p : particles) lit += p.red + p.green + p.blue > 0.0f;
    EXPECT_GT(lit, 0) << "the reactions really ran";
}

}  // namespace
