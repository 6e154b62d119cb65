#include "emulator/batch_download_engine.h"
#include "emulator/check_engine.h"
#include "emulator/frames.h"
#include "emulator_fixture.h"

using namespace korvel;
using namespace korvel::test;

namespace {

class Batch : public EmulatorRig {
protected:
    TransferResult batch() { return BatchDownloadEngine(context()).run(); }
    TransferResult check() { return CheckEngine(context()).run(); }

    // The writes of a batch run: a 5-byte header, then the block's data in one write.
    std::vector<std::pair<QByteArray, QByteArray>> blocks() const {
        std::vector<std::pair<QByteArray, QByteArray>> out;
        for (size_t k = 0; k + 1 < wire.writes.size(); k += 2)
            out.emplace_back(wire.writes[k], wire.writes[k + 1]);
        return out;
    }
};

struct BlockCase {
    int imageBytes;
    std::vector<int> blockSizes;
};

class BatchBlocks : public Batch, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(BatchBlocks, SendsBlocksOfSixtyFourAndAShortLastOne) {
    setImage(GetParam().imageBytes);
    const TransferResult r = batch();
    EXPECT_EQ(r.outcome, TransferOutcome::Completed);
    const auto sent = blocks();
    ASSERT_EQ(sent.size(), GetParam().blockSizes.size());
    int address = 0;
    for (size_t k = 0; k < sent.size(); ++k) {
        EXPECT_EQ(sent[k].first, blockHeader(address));
        ASSERT_EQ(sent[k].second.size(), GetParam().blockSizes[k]);
        for (int i = 0; i < GetParam().blockSizes[k]; ++i)
            ASSERT_EQ(static_cast<quint8>(sent[k].second[i]), state.byteAt(address + i));
        address += 64;
    }
    // Everything up to the last address (BinSize - 17) is in the emulator.
    const int sentBytes = state.BinSize - 16;
    for (int a = 0; a < sentBytes; ++a)
        ASSERT_EQ(static_cast<quint8>(device.memory()[a]), state.byteAt(a)) << a;
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_TRUE(observer.messages[0].text.startsWith(QStringLiteral("Download Time = ")));
    EXPECT_EQ(observer.whats, (QStringList{QStringLiteral("Writing Address"), QString()}));
    EXPECT_EQ(wire.opens, 1);
    EXPECT_TRUE(state.CancelRequested);
}

INSTANTIATE_TEST_SUITE_P(Images, BatchBlocks,
                         // A 100-byte file has BinSize 112: its last address is 95.
                         ::testing::Values(BlockCase{16, {16}}, BlockCase{64, {64}}, BlockCase{100, {64, 32}},
                                           BlockCase{144, {64, 64, 16}}));

TEST_F(Batch, ThirtyTwoKibibytesGoInFiveHundredTwelveAlignedBlocks) {
    setImage(32768);
    batch();
    const auto sent = blocks();
    ASSERT_EQ(sent.size(), 512u);
    for (size_t k = 0; k < sent.size(); ++k) {
        const int address = static_cast<int>(k) * 64;
        ASSERT_EQ(sent[k].first, blockHeader(address));
        ASSERT_TRUE(QByteArray("\x00\x40\x80\xC0", 4).contains(sent[k].first[2]));
    }
    EXPECT_EQ(observer.wheres.last(), addressBits(32704));
    EXPECT_EQ(observer.texts(), QStringList{QStringLiteral("Download Time = 00:00:25")});
    EXPECT_EQ(observer.done, 32768);
}

// Hands over one stray byte together with the first answer it reads.
class StrayBytePort : public SimulatedPort {
public:
    using SimulatedPort::SimulatedPort;
    QByteArray read(int maxBytes) override {
        QByteArray got = SimulatedPort::read(maxBytes);
        if (!got.isEmpty() && !m_strayGiven) {
            m_strayGiven = true;
            got.append('x');
        }
        return got;
    }

private:
    bool m_strayGiven = false;
};

class StrayBytePortFactory : public SerialPortFactory {
public:
    explicit StrayBytePortFactory(SimulatedWire& wire) : m_wire(wire) {}
    std::unique_ptr<SerialPort> create() override { return std::make_unique<StrayBytePort>(m_wire); }

private:
    SimulatedWire& m_wire;
};

TEST_F(Batch, LostAcknowledgementTimesOutAfterTwoSeconds) {
    setImage(256);
    device.setFaults({2, 0, false}); // the second block's "N" is lost
    const TransferResult r = batch();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    EXPECT_EQ(observer.texts(), QStringList{QStringLiteral("Time Out Error Download Aborted")});
    EXPECT_EQ(observer.closeShown, 1);
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_EQ(wire.closes, 1);
    EXPECT_EQ(device.frameCount('B'), 2);
    EXPECT_NEAR(ticker.now, 2 * 0.05 + 2.0, 0.01);
}

TEST_F(Batch, AcknowledgementWithAStrayByteIsNotRecognised) {
    setImage(256);
    StrayBytePortFactory stray(wire);
    const TransferResult r =
        BatchDownloadEngine(TransferContext{state, stray, QStringLiteral("/dev/sim0"), ticker, observer})
            .run();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    EXPECT_EQ(observer.texts(), QStringList{QStringLiteral("Time Out Error Download Aborted")});
    EXPECT_EQ(device.frameCount('B'), 1);
}

TEST_F(Batch, CancelTakesEffectAfterTheBlocksAcknowledgement) {
    setImage(1024);
    ticker.hook = [&] {
        if (wire.writes.size() == 5) state.CancelRequested = true; // during block 3's header wait
    };
    const TransferResult r = batch();
    EXPECT_EQ(r.outcome, TransferOutcome::Cancelled);
    EXPECT_EQ(device.frameCount('B'), 3);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(wire.closes, 1);
}

TEST_F(Batch, DeviceVanishingEndsWithTheReason) {
    setImage(1024);
    wire.vanishAfterWrites = 4;
    EXPECT_EQ(batch().outcome, TransferOutcome::Failed);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_TRUE(observer.messages[0].text.startsWith(QStringLiteral("Port error at Address 64")));
}

TEST_F(Batch, CheckShowsTheFirstCharacterOfTheAnswer) {
    setImage(64);
    wire.latency = 0.2;
    const TransferResult r = check();
    EXPECT_EQ(r.outcome, TransferOutcome::Completed);
    EXPECT_EQ(wire.sent(), commandFrame('C'));
    EXPECT_EQ(observer.texts(),
              (QStringList{QStringLiteral("K"), QStringLiteral("Download Time = 00:00:00")}));
    EXPECT_EQ(observer.whats, (QStringList{QStringLiteral("Reading Address"), QStringLiteral("No Errors")}));
    EXPECT_EQ(observer.closeShown, 1);
    EXPECT_EQ(wire.closes, 1);
}

TEST_F(Batch, CheckWithoutAnswerTimesOutAndShowsAnEmptyText) {
    setImage(64);
    device.setFaults({0, 0, true});
    const TransferResult r = check();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    EXPECT_EQ(observer.texts(), (QStringList{QStringLiteral("Time Out Error Download Aborted"), QString()}));
    EXPECT_EQ(observer.whats, QStringList{QStringLiteral("Reading Address")});
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_NEAR(ticker.now, 1.0, 0.01);
}

TEST_F(Batch, LongImagesAreRefusedBeforeAnythingIsSent) {
    setImage(0x10010); // last address 0x1000F
    EXPECT_EQ(batch().outcome, TransferOutcome::Failed);
    EXPECT_EQ(check().outcome, TransferOutcome::Failed);
    EXPECT_TRUE(wire.sent().isEmpty());
    EXPECT_EQ(observer.messages.size(), 2u);
}

} // namespace
