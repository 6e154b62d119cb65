// A byte that arrives when no exchange waits for it (noise on the line, or a reply
// that came after its exchange gave up) costs the exchange it lands in, and only that
// one: the link must not stay a byte behind for the rest of the run.
#include "core/values.h"
#include "emulator/download_engine.h"
#include "emulator/upload_changes.h"
#include "emulator/verify_engine.h"
#include "emulator_fixture.h"

using namespace korvel;
using namespace korvel::test;

namespace {

// A simulated port on which one stray byte shows up right after the Nth write, ahead
// of the emulator's answer to it.
class NoisyPort : public SerialPort {
public:
    NoisyPort(SimulatedWire& wire, int strayAfterWrite) : m_inner(wire), m_strayAfter(strayAfterWrite) {}
    bool open(const QString& d, const QString& s) override { return m_inner.open(d, s); }
    void close() override { m_inner.close(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    bool write(const QByteArray& bytes) override {
        if (!m_inner.write(bytes)) return false;
        if (++m_writes == m_strayAfter) m_stray = QByteArray(1, '\xEE');
        return true;
    }
    int bytesWaiting() override {
        const int inner = m_inner.bytesWaiting();
        return inner < 0 ? inner : inner + static_cast<int>(m_stray.size());
    }
    int waitForInput(double s) override {
        return m_stray.isEmpty() ? m_inner.waitForInput(s) : bytesWaiting();
    }
    QByteArray read(int maxBytes) override {
        QByteArray out = std::exchange(m_stray, {});
        if (maxBytes > 0 && out.size() >= maxBytes) {
            m_stray = out.mid(maxBytes);
            return out.left(maxBytes);
        }
        return out + m_inner.read(maxBytes > 0 ? maxBytes - static_cast<int>(out.size()) : 0);
    }
    QString errorString() const override { return m_inner.errorString(); }

private:
    SimulatedPort m_inner;
    int m_strayAfter;
    int m_writes = 0;
    QByteArray m_stray;
};

class NoisyFactory : public SerialPortFactory {
public:
    NoisyFactory(SimulatedWire& wire, int strayAfterWrite) : m_wire(wire), m_after(strayAfterWrite) {}
    std::unique_ptr<SerialPort> create() override { return std::make_unique<NoisyPort>(m_wire, m_after); }

private:
    SimulatedWire& m_wire;
    int m_after;
};

enum class Run { Download, Verify, Upload };

struct Case {
    const char* name;
    Run run;
    int strayAfterWrite; // 1-based: the frame whose answer the stray byte precedes
    qint64 resends;      // download and upload: the one re-send the stray byte costs
    qint64 errors;       // verify: the one address whose answer it spoils
};

class StrayInput : public EmulatorRig, public ::testing::WithParamInterface<Case> {};

TEST_P(StrayInput, CostsOneExchangeAndTheRunStaysInStep) {
    const Case& c = GetParam();
    setImage(128);
    for (int a = 0; a < 128; ++a)
        device.memory()[a] = static_cast<char>(c.run == Run::Download ? 0 : state.byteAt(a));
    if (c.run == Run::Upload) {
        for (const int a : {3, 40, 41, 90, 127})
            StoreByte(state, a, (a * 5) & 0xFF);
    }
    NoisyFactory noisy(wire, c.strayAfterWrite);
    const TransferContext ctx{state, noisy, QStringLiteral("/dev/sim0"), ticker, observer};
    TransferResult r;
    switch (c.run) {
    case Run::Download:
        r = DownloadEngine(ctx).run();
        break;
    case Run::Verify:
        r = VerifyEngine(ctx).run();
        break;
    case Run::Upload:
        r = UploadChanges(ctx).Upload_Changes(true);
        break;
    }
    EXPECT_EQ(r.outcome, TransferOutcome::Completed) << observer.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(r.resends, c.resends);
    EXPECT_EQ(r.errors, c.errors);
    for (int a = 0; a < 128; ++a)
        ASSERT_EQ(static_cast<quint8>(device.memory()[a]), state.byteAt(a)) << "address " << a;
    if (c.run == Run::Verify) {
        const int spoiled = c.strayAfterWrite - 1;
        EXPECT_EQ(observer.texts().first(), QStringLiteral("Error Reading Address %1").arg(spoiled));
        EXPECT_EQ(observer.whats.last(), QStringLiteral("Total Errors : 1"));
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, StrayInput,
                         ::testing::Values(Case{"download_first", Run::Download, 1, 1, 0},
                                           Case{"download_middle", Run::Download, 50, 1, 0},
                                           Case{"verify_first", Run::Verify, 1, 0, 1},
                                           Case{"verify_middle", Run::Verify, 70, 0, 1},
                                           Case{"upload_middle", Run::Upload, 2, 1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
