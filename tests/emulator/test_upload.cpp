#include "emulator/frames.h"
#include "emulator/upload_changes.h"
#include "emulator_fixture.h"

using namespace korvel;
using namespace korvel::test;

namespace {

class Upload : public EmulatorRig {
protected:
    TransferResult upload(bool verify) { return UploadChanges(context()).Upload_Changes(verify); }
};

TEST_F(Upload, SendsMarkedCellsInAscendingOrderWithTheirRecordedValues) {
    setImage(256);
    StoreByte(state, 0x80, 0x11);
    StoreByte(state, 0x05, 0x22);
    StoreByte(state, 0x80, 0x33);        // the latest value wins
    state.BinImage[0x05].setValue(0x99); // the image cell is not what is sent
    const TransferResult r = upload(true);
    EXPECT_EQ(r.outcome, TransferOutcome::Completed);
    ASSERT_EQ(frames().size(), 2u);
    EXPECT_EQ(frames()[0], writeFrame(0x05, 0x22));
    EXPECT_EQ(frames()[1], writeFrame(0x80, 0x33));
    EXPECT_EQ(wire.opens, 1); // one opening for the whole upload
    EXPECT_EQ(wire.closes, 1);
    EXPECT_EQ(observer.whats, (QStringList{QStringLiteral("Writing Address"), QString()}));
    EXPECT_EQ(observer.wheres.last(), addressBits(0x80));
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_NEAR(ticker.now, 2 * 0.14, 1e-9);
    // Nothing is cleared: a second upload sends the same bytes again.
    upload(true);
    EXPECT_EQ(frames().size(), 4u);
    EXPECT_FALSE(state.PendingChanges[0x05].isEmpty());
}

TEST_F(Upload, SkipsCellsPastTheImage) {
    setImage(100); // BinSize 112: the last address sent is 95
    for (const int a : {0, 95, 96, 111, 5000})
        StoreByte(state, a, 0x44);
    upload(true);
    ASSERT_EQ(frames().size(), 2u);
    EXPECT_EQ(frames()[0], writeFrame(0, 0x44));
    EXPECT_EQ(frames()[1], writeFrame(95, 0x44));
    EXPECT_EQ(observer.total, 2);
}

TEST_F(Upload, WithoutCheckingAnyReplyIsAcceptedOnce) {
    setImage(64);
    for (const int a : {1, 2, 3})
        StoreByte(state, a, a);
    device.setFaults({0, 0, true}); // no answer at all
    const TransferResult r = upload(false);
    EXPECT_EQ(r.outcome, TransferOutcome::Completed);
    EXPECT_EQ(device.frameCount('W'), 3);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_NEAR(ticker.now, 3 * 0.05, 1e-9);
    EXPECT_FALSE(state.VerifyWrites);
}

TEST_F(Upload, FailedByteStopsWithTheMessageAndClearsTheLabels) {
    setImage(64);
    for (const int a : {1, 2, 3})
        StoreByte(state, a, 0x10 + a);
    device.setFaults({0, 0, true});
    const TransferResult r = upload(true);
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    EXPECT_EQ(device.frameCount('W'), 4); // the first byte and its three re-sends
    ASSERT_EQ(observer.texts(), QStringList{QStringLiteral("Error writing to Ram at Address 1")});
    EXPECT_EQ(observer.messages[0].icon, TransferObserver::Icon::Critical);
    EXPECT_EQ(observer.whats.last(), QString());
    EXPECT_EQ(observer.wheres.last(), QString());
    EXPECT_EQ(wire.closes, 1);
}

TEST_F(Upload, LabelCountsTheResendsOfEarlierBytes) {
    setImage(64);
    for (const int a : {1, 2, 3})
        StoreByte(state, a, 0x10 + a);
    device.setFaults({0, 2, false}); // echoes 2 and 4 (bytes 2 and 3) come back wrong once
    const TransferResult r = upload(true);
    EXPECT_EQ(r.outcome, TransferOutcome::Completed);
    EXPECT_EQ(r.resends, 2);
    EXPECT_EQ(observer.whats, (QStringList{QStringLiteral("Writing Address"),
                                           QStringLiteral("Writing Address  (1)"), QString()}));
}

TEST_F(Upload, NothingMarkedSendsNothingAndOpensNothing) {
    setImage(64);
    upload(true);
    EXPECT_TRUE(wire.sent().isEmpty());
    EXPECT_EQ(wire.opens, 0);
    EXPECT_EQ(observer.whats, (QStringList{QStringLiteral("Writing Address"), QString()}));
}

TEST_F(Upload, StopsAtTheFirstAddressBeyondSixteenBits) {
    setImage(0x10100);
    for (const int a : {0xFFFF, 0x10000, 0x10001})
        StoreByte(state, a, 0x01);
    const TransferResult r = upload(true);
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    ASSERT_EQ(frames().size(), 1u);
    EXPECT_EQ(frames()[0], writeFrame(0xFFFF, 0x01));
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_TRUE(observer.messages[0].text.contains(QStringLiteral("65536")));
}

TEST_F(Upload, PortThatCannotOpenEndsWithItsReason) {
    setImage(64);
    StoreByte(state, 7, 7);
    wire.openError = QStringLiteral("Permission denied");
    const TransferResult r = upload(true);
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_TRUE(observer.messages[0].text.contains(QStringLiteral("Permission denied")));
    EXPECT_EQ(observer.closeShown, 0); // the editor has no Close button
}

} // namespace
