// The wire format, identifying the emulator, and the one-byte exchanges of the link.
#include "emulator/emulator_link.h"
#include "emulator/get_version.h"
#include "emulator_fixture.h"

using namespace korvel;
using namespace korvel::test;

TEST(Frames, GoOutByteForByte) {
    const std::pair<QByteArray, const char*> cases[] = {
        {writeFrame(0x1234, 0xA5), "57 12 34 A5 0D"}, {writeFrame(0x00FF, 0x0D), "57 00 FF 0D 0D"},
        {readFrame(0xFFFF, 0x5A), "52 FF FF 5A 0D"},  {blockHeader(0x7FC0), "42 7F C0 0D 0D"},
        {commandFrame('V'), "56 0D 0D 0D 0D"},        {customFrame("XY"), "58 59 0D 1F 17 20"}};
    for (const auto& [frame, hex] : cases)
        EXPECT_EQ(frame, QByteArray::fromHex(hex)) << hex;
    EXPECT_EQ(addressBits(0x1234), QStringLiteral("0001 0010 0011 0100"));
}

class Link : public EmulatorRig {};

TEST_F(Link, TheEmulatorIsFoundByTheWholeBannerInTime) {
    const QByteArray full(kBanner, kBannerLength);
    // clang-format off
    const std::tuple<QByteArray, double, bool> cases[] = { // the answer, its delay, found
        {full, 0.0, true}, {full + "\r\nROM 64K", 0.0, true}, {full, 0.29, true}, {full.left(32), 0.0, false},
        {"k" + full.mid(1), 0, false}, {full, 0.31, false}, {"", 0, false}};
    // clang-format on
    for (const auto& [banner, latency, found] : cases) {
        device.setBanner(banner);
        wire.latency = latency;
        state.EmulatorFound = !found; // the identification must overwrite it
        wire.writes.clear();
        GetVersion(QStringLiteral("/dev/sim0"), state, ports, ticker, observer);
        EXPECT_EQ(state.EmulatorFound, found) << banner.toStdString() << " after " << latency << " s";
        EXPECT_TRUE(wire.sent() == commandFrame('V') && wire.closes == wire.opens);
    }
    EXPECT_TRUE(observer.messages.isEmpty());
    wire.openError = QStringLiteral("No such file or directory");
    for (const bool before : {false, true}) {
        state.EmulatorFound = before;
        QString reason;
        GetVersion(QStringLiteral("/dev/sim0"), state, ports, ticker, observer, &reason);
        EXPECT_TRUE(state.EmulatorFound == before && reason.contains(wire.openError)) << "nothing changes";
    }
    EXPECT_EQ(observer.messages, QStringList(2, QStringLiteral("Error finding Usable Port.")));
    EXPECT_EQ(observer.icons, std::vector(2, TransferObserver::Icon::Critical));
}

// With write checking a differing echo is sent again, at most three times; without, any reply counts.
TEST_F(Link, VerifiedWriteResendsWhileTheEchoDiffers) {
    const std::tuple<int, bool, bool, int> cases[] = {
        {0, true, true, 0}, {2, true, true, 1}, {1, true, false, 3}, {1, false, true, 0}};
    for (const auto how : {Exchange::FixedWait, Exchange::Polled}) {
        for (const auto& [corruptEvery, verify, written, resends] : cases) {
            SimulatedEmulator fresh;
            SimulatedWire w(fresh, ticker);
            SimulatedPort port(w);
            fresh.setFaults({0, corruptEvery, false});
            state.VerifyWrites = verify;
            EmulatorLink link(port, ticker, state, observer);
            ASSERT_TRUE(link.open(QStringLiteral("/dev/sim0")));
            link.verifiedWrite(0x0101, 0x11, how); // the first echo is bad only when every one is
            const WriteResult r = link.verifiedWrite(0x0102, 0x0D, how);
            EXPECT_TRUE(r.written == written && r.resends == resends) << corruptEvery << " " << verify;
            EXPECT_EQ(w.writes.back(), writeFrame(0x0102, 0x0D));
            EXPECT_EQ(fresh.memory()[0x0102], '\x0D');
        }
    }
    EXPECT_TRUE(observer.messages.isEmpty());
}

TEST_F(Link, PolledExchangeTakesTheAnswerToItsOwnFrameOrTimesOutAfterOneSecond) {
    SimulatedPort port(wire);
    EmulatorLink link(port, ticker, state, observer);
    ASSERT_TRUE(link.open(QStringLiteral("/dev/sim0")));
    device.memory()[0x1234] = '\x99';
    device.setBanner("Z");
    EXPECT_EQ(link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled).bytes, QByteArray("\x99"));
    EXPECT_LT(ticker.now, 1e-9) << "an answer that is there is taken at once";
    ASSERT_TRUE(link.send(commandFrame('V'))); // its answer is left unread: the next frame throws it away
    EXPECT_EQ(link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled).bytes, QByteArray("\x99"));
    wire.latency = 0.9;
    EXPECT_EQ(link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled).bytes, QByteArray("\x99"));
    EXPECT_TRUE(observer.messages.isEmpty() && !link.timedOut() && !state.CancelRequested);

    device.setFaults({0, 0, true});
    const double start = ticker.now;
    double lastPump = start, longestGap = 0;
    ticker.hook = [&] { longestGap = std::max(longestGap, ticker.now - lastPump), lastPump = ticker.now; };
    const Reply r = link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled);
    EXPECT_TRUE(r.status == ReplyStatus::TimedOut && r.bytes.isEmpty() && link.timedOut());
    EXPECT_NEAR(ticker.now - start, 1.0, 0.01);
    EXPECT_LE(longestGap, 0.005) << "the windows are kept alive while waiting";
    EXPECT_TRUE(state.CancelRequested && observer.closeShown == 1);
    EXPECT_EQ(observer.messages, QStringList{QStringLiteral("Time Out Error Download Aborted")});
    EXPECT_EQ(observer.icons[0], TransferObserver::Icon::None);
}
