// Live writes against the simulated emulator: what goes on the wire for edits,
// bursts, pauses and failures.
#include "emulator/live_writer.h"
#include "emulator_fixture.h"

using namespace korvel;
using namespace korvel::test;

namespace {

class LiveWrites : public EmulatorRig {
protected:
    LiveWrites() {
        writer.onFailed = [this](const QString& m) { failures << m; };
    }
    // Steps until nothing is left; bounded so a writer that never settles fails the test.
    void settle() {
        for (int i = 0; i < 100000 && writer.step(0.01); ++i) {
        }
    }
    // The (address, data) of every "W" frame written, in order.
    std::vector<std::pair<int, int>> frames() const {
        std::vector<std::pair<int, int>> out;
        for (const QByteArray& w : wire.writes)
            if (w.size() == 5 && w[0] == 'W')
                out.push_back({quint8(w[1]) * 256 + quint8(w[2]), quint8(w[3])});
        return out;
    }

    LiveWriter writer{ports, QStringLiteral("/dev/sim0"), ticker, false};
    QStringList failures;
};

using Edits = std::vector<LiveWriter::Edit>;
using Frames = std::vector<std::pair<int, int>>;
struct OrderCase {
    const char* name;
    Edits edits; // queued one after another before any echo came; the first goes out at once
    Frames frames;
};

class LiveOrder : public LiveWrites, public ::testing::WithParamInterface<OrderCase> {};

// The emulator only ever holds the image after some edit plus part of the one being sent.
TEST_P(LiveOrder, SendsEditsInOrderEachWhole) {
    const OrderCase& c = GetParam();
    wire.latency = 0.001;
    ASSERT_TRUE(writer.start());
    for (const LiveWriter::Edit& edit : c.edits)
        writer.queue(edit);
    EXPECT_EQ(writer.pendingCount(), int(c.frames.size()));
    EXPECT_EQ(writer.state(), LiveWriter::State::Sending);
    settle();
    EXPECT_EQ(frames(), c.frames);
    EXPECT_LT(ticker.now, double(c.frames.size()) * EmulatorLink::kPlainWait) << "no fixed wait per byte";
    EXPECT_EQ(writer.state(), LiveWriter::State::InStep);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_TRUE(wire.opens == 1 && wire.closes == 0); // the port stays open between edits
}

INSTANTIATE_TEST_SUITE_P(
    Live, LiveOrder,
    ::testing::Values(
        // A low byte, a map step, then both bytes of the value: the high byte waits for its low one.
        OrderCase{"valueAfterMapStep",
                  {{{0x201, 0x10}}, {{0x100, 1}, {0x101, 1}, {0x102, 1}}, {{0x200, 0x1C}, {0x201, 0x90}}},
                  {{0x201, 0x10}, {0x100, 1}, {0x101, 1}, {0x102, 1}, {0x200, 0x1C}, {0x201, 0x90}}},
        OrderCase{"byteTwiceInOneEdit", {{{0x10, 1}, {0x11, 2}, {0x10, 3}}}, {{0x10, 3}, {0x11, 2}}},
        // Queued edits that the next edit writes over entirely are not sent.
        OrderCase{"coveredByTheNext",
                  {{{0x50, 9}}, {{0x10, 1}}, {{0x10, 2}, {0x11, 2}}, {{0x11, 3}}, {{0x11, 4}}},
                  {{0x50, 9}, {0x10, 2}, {0x11, 2}, {0x11, 4}}},
        OrderCase{"coveredOnlyPastAnother",
                  {{{0x50, 9}}, {{0x10, 1}}, {{0x20, 1}}, {{0x10, 2}}},
                  {{0x50, 9}, {0x10, 1}, {0x20, 1}, {0x10, 2}}},
        OrderCase{"editOnTheWireIsFinished",
                  {{{0x10, 1}, {0x11, 1}}, {{0x10, 2}, {0x11, 2}}},
                  {{0x10, 1}, {0x11, 1}, {0x10, 2}, {0x11, 2}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LiveWrites, AStrayByteCostsOneResendAndNoEchoCountsForAnotherFrame) {
    wire.strayEvery = 3; // the echo comes one byte time after the stray
    ASSERT_TRUE(writer.start());
    for (int k = 0; k < 30; ++k)
        writer.queue(0x10 + k, quint8(k));
    settle();
    EXPECT_EQ(long(frames().size()), 30 + wire.answers / 3);
    for (int k = 0; k < 30; ++k)
        EXPECT_EQ(device.memory()[0x10 + k], char(k));
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(LiveWrites, AByteChangedWhileOnTheWireIsSentAgain) {
    wire.latency = 0.001;
    ASSERT_TRUE(writer.start());
    writer.queue(0x40, 7);
    EXPECT_TRUE(writer.step(0)); // sent, echo not yet there
    writer.queue(0x40, 8);
    settle();
    const std::vector<std::pair<int, int>> expected{{0x40, 7}, {0x40, 8}};
    EXPECT_EQ(frames(), expected);
    EXPECT_EQ(quint8(device.memory()[0x40]), 8);
}

TEST_F(LiveWrites, PauseGivesThePortUpAndKeepsTheQueue) {
    wire.latency = 0.001;
    ASSERT_TRUE(writer.start());
    writer.queue(0x20, 9);
    writer.queue(0x21, 10);
    EXPECT_TRUE(writer.step(0)); // 0x20 on the wire
    writer.pause();
    EXPECT_EQ(writer.state(), LiveWriter::State::Paused);
    EXPECT_EQ(wire.closes, 1);
    writer.queue(0x22, 11);
    EXPECT_FALSE(writer.step(0.01));
    EXPECT_EQ(frames().size(), 1u); // nothing more went out while paused
    EXPECT_EQ(writer.pendingAddresses(), (std::vector<int>{0x20, 0x21, 0x22}));
    ASSERT_TRUE(writer.resume());
    settle();
    const std::vector<std::pair<int, int>> expected{{0x20, 9}, {0x20, 9}, {0x21, 10}, {0x22, 11}};
    EXPECT_EQ(frames(), expected);
    EXPECT_EQ(writer.state(), LiveWriter::State::InStep);
}

TEST_F(LiveWrites, RefusesAByteThePortCannotAddress) {
    ASSERT_TRUE(writer.start());
    writer.queue(0x10000, 1); // an image may be larger than the 64 KiB the frames address
    writer.queue(0x20, 2);
    settle();
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(failures,
              QStringList{"Error writing to Ram at Address 65536\nThe emulator link addresses 64 KiB only."});
}

struct FailureCase {
    const char* name;
    std::function<void(SimulatedEmulator&, SimulatedWire&)> arrange;
    int frames;      // "W" frames written before giving up
    QString message; // the one failure message
};

class LiveFailures : public LiveWrites, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LiveFailures, StopWithOneMessageNamingAddressAndReason) {
    const FailureCase& c = GetParam();
    c.arrange(device, wire);
    if (writer.start()) {
        writer.queue({{0x123, 0x5A}, {0x124, 0x5B}});
        settle();
    }
    EXPECT_EQ(int(frames().size()), c.frames);
    EXPECT_EQ(failures, QStringList{c.message});
    EXPECT_EQ(writer.failure(), c.message);
    EXPECT_EQ(writer.state(), LiveWriter::State::Stopped);
    EXPECT_EQ(writer.pendingCount(), 0);
    EXPECT_EQ(writer.dropped(), (c.frames ? std::vector<int>{0x123, 0x124} : std::vector<int>{}));
}

INSTANTIATE_TEST_SUITE_P(
    Live, LiveFailures,
    ::testing::Values(
        FailureCase{"silent", [](SimulatedEmulator& d, SimulatedWire&) { d.setFaults({.silent = true}); }, 4,
                    "Error writing to Ram at Address 291\nNo reply from the emulator."},
        FailureCase{"wrongEcho",
                    [](SimulatedEmulator& d, SimulatedWire&) { d.setFaults({.corruptEveryNthEcho = 1}); }, 4,
                    "Error writing to Ram at Address 291\nThe emulator echoed A5 instead of 5A."},
        FailureCase{"deviceGone", [](SimulatedEmulator&, SimulatedWire& w) { w.vanishAfterWrites = 1; }, 1,
                    "Port error at Address 291: Device disconnected"},
        FailureCase{"cannotOpen",
                    [](SimulatedEmulator&, SimulatedWire& w) { w.openError = "no such device"; }, 0,
                    "Cannot open /dev/sim0: no such device"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
