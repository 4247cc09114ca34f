// What startMusic and stopMusic ask of the player, call by call, against a recording fake.
#include "sync/music.h"
#include "sync/syncState.h"
#include "tests/sync/fakeBassmod.h"

#include <gtest/gtest.h>

namespace {

struct Registration {
    DWORD type;
    DWORD param;
    SYNCPROC* proc;
};

// The demo's script, written out from the table it was designed with.
const Registration script[] = {
    {0, 0x0000FFFF, orderSync},        {1, 0xFFFF0001, instrument1Sync}, {1, 0xFFFF0002, instrument2Sync},
    {1, 0xFFFF0003, instrument3Sync},  {1, 0xFFFF0012, instrument18Sync}, {1, 0xFFFF0013, instrument19Sync},
    {0, 0x00000001, orderRowSync},     {0, 0x00000002, orderRowSync},    {0, 0x00200002, orderRowSync},
    {0, 0x00300002, orderRowSync},     {0, 0xFFFF0003, orderRowSync},    {0, 0x00000009, orderRowSync},
    {0, 0x00080009, orderRowSync},     {0, 0x00100009, orderRowSync},    {0, 0x00180009, orderRowSync},
    {0, 0x00200009, orderRowSync},     {0, 0x00280009, orderRowSync},    {0, 0x00300009, orderRowSync},
    {0, 0x00380009, orderRowSync},     {0, 0x0000000A, orderRowSync},    {0, 0x0008000A, orderRowSync},
    {0, 0x0010000A, orderRowSync},     {0, 0x0018000A, orderRowSync},    {0, 0x0020000A, orderRowSync},
    {0, 0x0030000A, orderRowSync},     {0, 0x00100011, orderRowSync},    {2, 0, endSync},
};

void expectTheWholeSequence()
{
    ASSERT_EQ(fakeCalls.size(), 2u + 27u + 1u);
    EXPECT_EQ(fakeCalls[0].name, "Init");
    EXPECT_EQ(fakeCalls[0].arguments, (std::vector<long long>{-1, 44100, 0}));
    EXPECT_EQ(fakeCalls[1].name, "MusicLoad");
    EXPECT_EQ(fakeCalls[1].arguments, (std::vector<long long>{0, 0, 0, 0x202}));
    EXPECT_EQ(fakeCalls[1].text, "Data/sonavel3.xm");
    for (int i = 0; i < 27; ++i) {
        const FakeCall& call = fakeCalls[2 + i];
        EXPECT_EQ(call.name, "MusicSetSync") << "registration " << i + 1;
        EXPECT_EQ(call.arguments, (std::vector<long long>{script[i].type, script[i].param, 0})) << "registration " << i + 1;
        EXPECT_EQ(call.proc, script[i].proc) << "registration " << i + 1;
    }
    EXPECT_EQ(fakeCalls.back().name, "MusicPlay");
}

TEST(Schedule, StartMusicRegistersAll27InTableOrderWhateverInitAndLoadSay)
{
    struct Case {
        FakeResults results;
        bool started;
    };
    const Case cases[] = {
        {{1, 1, 1}, true},
        {{0, 1, 1}, false},
        {{1, 0, 1}, false},
        {{0, 0, 1}, false},
        {{1, 1, 0}, false},
        {{0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "init " << c.results.init << " load " << c.results.load << " play " << c.results.play);
        fakeCalls.clear();
        fakeResults = c.results;
        EXPECT_EQ(startMusic(), c.started);
        expectTheWholeSequence();
    }
}

TEST(Schedule, StopMusicFreesThePlayerOnce)
{
    fakeCalls.clear();
    stopMusic();
    ASSERT_EQ(fakeCalls.size(), 1u);
    EXPECT_EQ(fakeCalls[0].name, "Free");
}

}  // namespace
