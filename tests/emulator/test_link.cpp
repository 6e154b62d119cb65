#include "emulator/emulator_link.h"
#include "emulator/get_version.h"
#include "emulator_fixture.h"

using namespace korvel;
using namespace korvel::test;

namespace {

class Link : public EmulatorRig {
protected:
    void identify() { GetVersion(QStringLiteral("/dev/sim0"), state, ports, ticker, observer); }
};

struct BannerCase {
    const char* name;
    QByteArray banner;
    double latency; // s until the answer can be read
    bool found;
};

class Identify : public Link, public ::testing::WithParamInterface<BannerCase> {};

TEST_P(Identify, FoundOnlyForTheWholeBannerInTime) {
    device.setBanner(GetParam().banner);
    wire.latency = GetParam().latency;
    state.EmulatorFound = !GetParam().found; // the identification must overwrite it
    identify();
    EXPECT_EQ(state.EmulatorFound, GetParam().found);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(wire.sent(), QByteArray("V\r\r\r\r"));
    EXPECT_EQ(wire.opens, 1);
    EXPECT_EQ(wire.closes, 1);
}

const QByteArray kFull(kBanner, kBannerLength);

INSTANTIATE_TEST_SUITE_P(Banners, Identify,
                         ::testing::Values(BannerCase{"exact", kFull, 0.0, true},
                                           BannerCase{"longer", kFull + "\r\nROM 64K", 0.0, true},
                                           BannerCase{"answer_just_in_time", kFull, 0.29, true},
                                           BannerCase{"shorter", kFull.left(32), 0.0, false},
                                           BannerCase{"other_device", QByteArray("OK\r\n"), 0.0, false},
                                           BannerCase{"late", kFull, 0.31, false},
                                           BannerCase{"nothing", QByteArray(), 0.0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Link, UnusablePortShowsTheMessageAndKeepsEmulatorFound) {
    wire.openError = QStringLiteral("No such file or directory");
    for (const bool before : {false, true}) {
        state.EmulatorFound = before;
        observer.messages.clear();
        QString reason;
        GetVersion(QStringLiteral("/dev/sim0"), state, ports, ticker, observer, &reason);
        EXPECT_EQ(state.EmulatorFound, before);
        ASSERT_EQ(observer.messages.size(), 1u);
        EXPECT_EQ(observer.messages[0].text, QStringLiteral("Error finding Usable Port."));
        EXPECT_EQ(observer.messages[0].icon, TransferObserver::Icon::Critical);
        EXPECT_TRUE(reason.contains(QStringLiteral("No such file")));
    }
    EXPECT_TRUE(wire.sent().isEmpty());
}

struct RetryCase {
    const char* name;
    int corruptEvery; // every Nth echo comes back inverted
    bool verify;
    bool written;
    int resends;
    int frames;
};

class VerifiedWrite : public Link, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(VerifiedWrite, ResendsWhileTheEchoDiffers) {
    for (const Exchange how : {Exchange::FixedWait, Exchange::Polled}) {
        SimulatedEmulator fresh;
        SimulatedWire w(fresh, ticker);
        SimulatedPort port(w);
        fresh.setFaults({0, GetParam().corruptEvery, false});
        state.VerifyWrites = GetParam().verify;
        EmulatorLink link(port, ticker, state, observer);
        ASSERT_TRUE(link.open(QStringLiteral("/dev/sim0")));
        const WriteResult r = link.verifiedWrite(0x0102, 0x0D, how);
        EXPECT_EQ(r.written, GetParam().written);
        EXPECT_EQ(r.resends, GetParam().resends);
        EXPECT_EQ(fresh.frameCount('W'), GetParam().frames);
        EXPECT_EQ(static_cast<quint8>(fresh.memory()[0x0102]), 0x0D);
    }
    EXPECT_TRUE(observer.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Echoes, VerifiedWrite,
                         ::testing::Values(RetryCase{"good_echo", 0, true, true, 0, 1},
                                           RetryCase{"first_echo_bad", 1000, true, true, 0, 1},
                                           RetryCase{"every_echo_bad", 1, true, false, 3, 4},
                                           RetryCase{"every_other_echo_bad", 2, true, true, 0, 1},
                                           RetryCase{"unchecked_bad_echo_accepted", 1, false, true, 0, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Link, SecondEchoBadNeedsOneResend) {
    device.setFaults({0, 2, false});
    state.VerifyWrites = true;
    SimulatedPort port(wire);
    EmulatorLink link(port, ticker, state, observer);
    ASSERT_TRUE(link.open(QStringLiteral("/dev/sim0")));
    EXPECT_EQ(link.verifiedWrite(1, 0x11, Exchange::Polled).resends, 0);
    const WriteResult second = link.verifiedWrite(2, 0x22, Exchange::Polled);
    EXPECT_TRUE(second.written);
    EXPECT_EQ(second.resends, 1);
}

TEST_F(Link, FixedWaitTakesItsTimeAndEverythingWaiting) {
    SimulatedPort port(wire);
    EmulatorLink link(port, ticker, state, observer);
    ASSERT_TRUE(link.open(QStringLiteral("/dev/sim0")));
    for (const auto& [verify, wait] : {std::pair{true, 0.14}, std::pair{false, 0.05}}) {
        state.VerifyWrites = verify;
        const double start = ticker.now;
        const Reply r = link.Put_Data(0x00, 0xFF, 0x42, Exchange::FixedWait);
        EXPECT_NEAR(ticker.now - start, wait, 1e-9);
        EXPECT_EQ(r.bytes, QByteArray("\x42"));
    }
    // A reply longer than one byte is returned whole: all that arrives during the wait.
    // (Bytes already waiting before the frame went out are thrown away instead.)
    device.setBanner("AB");
    wire.latency = 0.01; // the banner comes in after the next frame went out
    EXPECT_TRUE(link.send(commandFrame('V')));
    EXPECT_EQ(link.Get_Data(0, 0xFF, 0, Exchange::FixedWait).bytes, QByteArray("AB\x42"));
}

TEST_F(Link, PolledExchangeReturnsAtOnceOrTimesOutAfterOneSecond) {
    SimulatedPort port(wire);
    EmulatorLink link(port, ticker, state, observer);
    ASSERT_TRUE(link.open(QStringLiteral("/dev/sim0")));
    state.VerifyWrites = true;
    device.memory()[0x1234] = '\x99';
    Reply r = link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled);
    EXPECT_EQ(r.bytes, QByteArray("\x99"));
    EXPECT_LT(ticker.now, 1e-9); // no waiting
    EXPECT_FALSE(link.timedOut());

    // A reply 0.9 s late still counts; none within 1 s is a time-out.
    wire.latency = 0.9;
    EXPECT_EQ(link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled).bytes, QByteArray("\x99"));
    EXPECT_TRUE(observer.messages.empty());
    device.setFaults({0, 0, true});
    const double start = ticker.now;
    r = link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled);
    EXPECT_EQ(r.status, ReplyStatus::TimedOut);
    EXPECT_TRUE(r.bytes.isEmpty());
    EXPECT_NEAR(ticker.now - start, 1.0, 0.01);
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_EQ(observer.closeShown, 1);
    ASSERT_EQ(observer.texts(), QStringList{QStringLiteral("Time Out Error Download Aborted")});
    EXPECT_EQ(observer.messages[0].icon, TransferObserver::Icon::None);
}

TEST_F(Link, WaitingRunsTheEventPumpEveryFewMilliseconds) {
    SimulatedPort port(wire);
    EmulatorLink link(port, ticker, state, observer);
    ASSERT_TRUE(link.open(QStringLiteral("/dev/sim0")));
    device.setFaults({0, 0, true});
    double lastPump = 0;
    double longestGap = 0;
    ticker.hook = [&] {
        longestGap = std::max(longestGap, ticker.now - lastPump);
        lastPump = ticker.now;
    };
    link.Get_Data(0, 0, 0, Exchange::Polled);
    EXPECT_LE(longestGap, 0.005);
    EXPECT_GT(lastPump, 0.99);
}

} // namespace
