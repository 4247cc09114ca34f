#include "sync/syncState.h"

#include <gtest/gtest.h>

namespace {

class SyncStateTest : public ::testing::Test {
protected:
    void SetUp() override { resetSyncState(); }
};

TEST_F(SyncStateTest, StartsWithNoPositionNoHitsNoNotes)
{
    EXPECT_EQ(syncState.order.load(), -1);
    EXPECT_EQ(syncState.row.load(), -1);
    for (auto& hit : syncState.instrumentHit) EXPECT_EQ(hit.load(), 0);
    EXPECT_EQ(syncState.lastNote18.load(), 0);
    EXPECT_EQ(syncState.lastNote19.load(), 0);
    EXPECT_EQ(syncState.finished.load(), 0);
}

TEST_F(SyncStateTest, PositionCallbacksSplitDataIntoOrderAndRow)
{
    orderSync(7, 0xFFFF0003u, 99);
    EXPECT_EQ(syncState.order.load(), 3);
    EXPECT_EQ(syncState.row.load(), -1) << "the order callback never writes the row";

    orderRowSync(0, 0x0030000Au, 0);
    EXPECT_EQ(syncState.order.load(), 10);
    EXPECT_EQ(syncState.row.load(), 48);

    // Halves are zero-extended, never sign-extended.
    orderRowSync(0, 0xFFFFFFFFu, 0);
    EXPECT_EQ(syncState.order.load(), 0xFFFF);
    EXPECT_EQ(syncState.row.load(), 0xFFFF);

    // A new order keeps the last reported row.
    orderSync(0, 4, 0);
    EXPECT_EQ(syncState.order.load(), 4);
    EXPECT_EQ(syncState.row.load(), 0xFFFF);
}

TEST_F(SyncStateTest, InstrumentCallbacksRaiseOnlyTheirOwnFlag)
{
    struct Case {
        SYNCPROC* callback;
        int instrument;
    } cases[] = {{instrument1Sync, 1}, {instrument2Sync, 2}, {instrument3Sync, 3},
                 {instrument18Sync, 18}, {instrument19Sync, 19}};
    for (const Case& c : cases) {
        clearHits();
        c.callback(0, 0x00400005u, 0);
        for (int i = 0; i < instrumentHitCount; ++i)
            EXPECT_EQ(syncState.instrumentHit[i].load(), i == c.instrument ? 1 : 0)
                << "callback for instrument " << c.instrument << ", flag " << i;
    }
}

TEST_F(SyncStateTest, LatestNoteWinsAndVolumeIsIgnored)
{
    instrument18Sync(0, 0x0040000Eu, 0);  // note 14, volume 64
    instrument18Sync(0, 0x00200011u, 0);  // note 17, volume 32
    EXPECT_EQ(syncState.instrumentHit[18].load(), 1);
    EXPECT_EQ(syncState.lastNote18.load(), 17);
    EXPECT_EQ(syncState.lastNote19.load(), 0);

    instrument19Sync(0, 0xFFFF005Fu, 0);
    EXPECT_EQ(syncState.lastNote19.load(), 95);
    EXPECT_EQ(syncState.lastNote18.load(), 17);
}

TEST_F(SyncStateTest, EndCallbackFinishesAndClearingHitsLeavesTheRest)
{
    orderRowSync(0, 0x00100011u, 0);
    instrument1Sync(0, 0, 0);
    instrument19Sync(0, 9, 0);
    endSync(0, 0, 0);
    clearHits();
    for (auto& hit : syncState.instrumentHit) EXPECT_EQ(hit.load(), 0);
    EXPECT_EQ(syncState.finished.load(), 1);
    EXPECT_EQ(syncState.order.load(), 17);
    EXPECT_EQ(syncState.row.load(), 16);
    EXPECT_EQ(syncState.lastNote19.load(), 9);
}

}  // namespace
