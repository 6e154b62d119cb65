#include "emulator/download_engine.h"
#include "emulator/frames.h"
#include "emulator/verify_engine.h"
#include "emulator_fixture.h"

using namespace korvel;
using namespace korvel::test;

namespace {

class Download : public EmulatorRig {
public:
    TransferResult download() { return DownloadEngine(context()).run(); }
    TransferResult verify() { return VerifyEngine(context()).run(); }
    // Copies the image into the emulator's memory, as a finished download would.
    void fillEmulator() {
        for (int a = 0; a <= state.BinSize - 17; ++a)
            device.memory()[a] = static_cast<char>(state.byteAt(a));
    }
};

TEST_F(Download, SixteenByteImageWritesEveryAddressAndShowsTheTime) {
    setImage(16);
    ticker.now = 100.0;
    const TransferResult r = download();
    EXPECT_EQ(r.outcome, TransferOutcome::Completed);
    ASSERT_EQ(frames().size(), 16u);
    for (int a = 0; a < 16; ++a) {
        EXPECT_EQ(frames()[static_cast<size_t>(a)], writeFrame(a, static_cast<quint8>(state.byteAt(a))));
        EXPECT_EQ(static_cast<quint8>(device.memory()[a]), state.byteAt(a));
    }
    EXPECT_EQ(wire.opens, 1);
    EXPECT_EQ(observer.whats, (QStringList{QStringLiteral("Writing Address"), QString()}));
    EXPECT_EQ(observer.wheres.size(), 16);
    EXPECT_EQ(observer.wheres.last(), addressBits(15));
    EXPECT_EQ(observer.texts(), QStringList{QStringLiteral("Download Time = 00:00:00")});
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_TRUE(state.VerifyWrites);
    EXPECT_EQ(observer.closeShown, 1);
}

TEST_F(Download, TimeIsShownAsHoursMinutesSeconds) {
    EXPECT_EQ(formatElapsed(90.7), QStringLiteral("00:01:30"));
    EXPECT_EQ(formatElapsed(3600 * 11 + 61), QStringLiteral("11:01:01"));
    EXPECT_EQ(formatElapsed(-1), QStringLiteral("00:00:00"));
}

TEST_F(Download, CancelStopsAfterTheAddressInProgress) {
    setImage(256);
    // Quick echoes (0.5 ms): the event pump must still run between them, and a
    // click on Cancel that it delivers stops the run after the address on the line.
    wire.latency = 0.0005;
    int framesAtClick = -1;
    ticker.hook = [&] {
        if (framesAtClick < 0 && device.frameCount('W') >= 100) {
            framesAtClick = device.frameCount('W');
            state.CancelRequested = true;
        }
    };
    const TransferResult r = download();
    EXPECT_EQ(r.outcome, TransferOutcome::Cancelled);
    ASSERT_GE(framesAtClick, 100);
    EXPECT_LE(framesAtClick, 105);
    EXPECT_EQ(device.frameCount('W'), framesAtClick);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(observer.closeShown, 0); // the click itself turned the button
    EXPECT_EQ(wire.closes, 1);
}

TEST_F(Download, DroppedEchoEndsWithTheTimeOutMessageAfterThatAddress) {
    setImage(64);
    device.setFaults({5, 0, false}); // the fifth reply is lost
    const TransferResult r = download();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    // Address 4 timed out, its re-send was echoed, and the run stopped there.
    EXPECT_EQ(device.frameCount('W'), 6);
    EXPECT_EQ(observer.texts(), QStringList{QStringLiteral("Time Out Error Download Aborted")});
    EXPECT_EQ(observer.closeShown, 1);
    EXPECT_EQ(r.resends, 1);
}

TEST_F(Download, DeadEmulatorFailsTheFirstByte) {
    setImage(64);
    device.setFaults({0, 0, true});
    download();
    const QString timeOut = QStringLiteral("Time Out Error Download Aborted");
    EXPECT_EQ(observer.texts(), (QStringList{timeOut, timeOut, timeOut, timeOut,
                                             QStringLiteral("Error writing to Ram at Address 0")}));
    EXPECT_EQ(observer.whats.last(), QString());
    EXPECT_EQ(observer.wheres.last(), QString());
}

TEST_F(Download, DeviceVanishingMidRunEndsWithTheReason) {
    setImage(64);
    wire.vanishAfterWrites = 10; // the tenth frame (address 9) gets no answer
    const TransferResult r = download();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].text, QStringLiteral("Port error at Address 9: Device disconnected"));
    EXPECT_EQ(observer.messages[0].icon, TransferObserver::Icon::Critical);
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_EQ(observer.closeShown, 1);
}

TEST_F(Download, ImagesBeyondSixteenBitAddressesSendNothing) {
    setImage(0x10010);
    for (auto run : {&Download::download, &Download::verify}) {
        observer.messages.clear();
        EXPECT_EQ((this->*run)().outcome, TransferOutcome::Failed);
        ASSERT_EQ(observer.messages.size(), 1u);
        EXPECT_TRUE(observer.messages[0].text.contains(QStringLiteral("64 KiB")));
    }
    EXPECT_TRUE(wire.sent().isEmpty());
    EXPECT_EQ(wire.opens, 0);
}

TEST_F(Download, PortThatCannotOpenEndsWithItsReasonAndClose) {
    setImage(64);
    wire.openError = QStringLiteral("Device or resource busy");
    EXPECT_EQ(download().outcome, TransferOutcome::Failed);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_TRUE(observer.messages[0].text.contains(QStringLiteral("Device or resource busy")));
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_EQ(observer.closeShown, 1);
}

TEST_F(Download, VerifyReadsEachAddressWithTheExpectedByteAsFiller) {
    setImage(32);
    fillEmulator();
    const TransferResult r = verify();
    EXPECT_EQ(r.outcome, TransferOutcome::Completed);
    EXPECT_EQ(r.errors, 0);
    ASSERT_EQ(frames().size(), 32u);
    EXPECT_EQ(frames()[31], readFrame(31, static_cast<quint8>(state.byteAt(31))));
    EXPECT_EQ(observer.whats.last(), QStringLiteral("No Errors"));
    EXPECT_EQ(observer.texts(), QStringList{QStringLiteral("Download Time = 00:00:00")});
}

TEST_F(Download, VerifyStopsAfterThirtyMismatches) {
    setImage(64);
    fillEmulator();
    for (int a = 0; a < 30; ++a)
        device.memory()[a] = static_cast<char>(state.byteAt(a) ^ 0xFF);
    const TransferResult r = verify();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    QStringList expected;
    for (int a = 0; a < 30; ++a)
        expected << QStringLiteral("Error Reading Address %1").arg(a);
    expected << QStringLiteral("30 Errors Before Address 30");
    EXPECT_EQ(observer.texts(), expected);
    EXPECT_EQ(device.frameCount('R'), 31); // address 30 is still read
    EXPECT_EQ(observer.whats.last(), QString());
    EXPECT_TRUE(observer.whats.contains(QStringLiteral("Reading Address  (29)")));
    EXPECT_EQ(observer.whats.count(QStringLiteral("Reading Address  (30)")), 1);
}

TEST_F(Download, VerifyCountsTheLastAddressInTheTotal) {
    setImage(48);
    fillEmulator();
    device.memory()[47] = static_cast<char>(state.byteAt(47) ^ 0x01);
    const TransferResult r = verify();
    EXPECT_EQ(r.outcome, TransferOutcome::Completed);
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(observer.texts(), (QStringList{QStringLiteral("Error Reading Address 47"),
                                             QStringLiteral("Download Time = 00:00:00")}));
    EXPECT_EQ(observer.whats,
              (QStringList{QStringLiteral("Reading Address"), QStringLiteral("Total Errors : 1")}));
}

TEST_F(Download, VerifyTimeOutReportsTheAddressAndStops) {
    setImage(64);
    fillEmulator();
    device.setFaults({3, 0, false});
    const TransferResult r = verify();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    EXPECT_EQ(observer.texts(), (QStringList{QStringLiteral("Time Out Error Download Aborted"),
                                             QStringLiteral("Error Reading Address 2")}));
    EXPECT_EQ(device.frameCount('R'), 3);
}

} // namespace
