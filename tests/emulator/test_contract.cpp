// One body of tests run twice: against the in-process simulated port, and against
// korvel-romsim on a real pseudo-terminal through QSerialPort. What holds for one
// must hold for the other, so the fast tests speak for the real port too.

#include "emulator/batch_download_engine.h"
#include "emulator/check_engine.h"
#include "emulator/download_engine.h"
#include "emulator/get_version.h"
#include "emulator/qt_serial_port.h"
#include "emulator/upload_changes.h"
#include "emulator/verify_engine.h"
#include "emulator_fixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

using namespace korvel;
using namespace korvel::test;

namespace {

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "test_contract";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Where the tests talk to an emulator: the port maker, the device, the clock, and
// the emulator's memory afterwards.
class Backend {
public:
    virtual ~Backend() = default;
    // Starts an emulator with the korvel-romsim options given (--corrupt-every N).
    virtual void start(const QStringList& options) = 0;
    virtual SerialPortFactory& ports() = 0;
    virtual Ticker& ticker() = 0;
    virtual QString device() = 0;
    // The first n bytes of the emulator's memory; ends the emulator.
    virtual QByteArray memory(int n) = 0;
    // Makes the device disappear `afterSeconds` into the next run.
    virtual void vanish(double afterSeconds) = 0;
};

class FakeBackend : public Backend {
public:
    void start(const QStringList& options) override {
        const int corrupt = options.size() == 2 ? options[1].toInt() : 0;
        m_device.setFaults({0, corrupt, false});
    }
    SerialPortFactory& ports() override { return m_ports; }
    Ticker& ticker() override { return m_ticker; }
    QString device() override { return QStringLiteral("/dev/sim0"); }
    QByteArray memory(int n) override { return m_device.memory().left(n); }
    void vanish(double) override { m_wire.vanishAfterWrites = 20; }

private:
    SimulatedEmulator m_device;
    ManualTicker m_ticker;
    SimulatedWire m_wire{m_device, m_ticker};
    SimulatedPortFactory m_ports{m_wire};
};

class RomsimBackend : public Backend {
public:
    void start(const QStringList& options) override {
        application();
        const QString tool =
            qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-romsim/korvel-romsim");
        ASSERT_TRUE(m_dir.isValid());
        m_dump = m_dir.filePath(QStringLiteral("dump.bin"));
        m_sim.start(tool, QStringList{QStringLiteral("--dump"), m_dump} + options);
        ASSERT_TRUE(m_sim.waitForStarted(5000)) << tool.toStdString();
        ASSERT_TRUE(m_sim.waitForReadyRead(5000));
        m_device = QString::fromLocal8Bit(m_sim.readLine()).trimmed();
        ASSERT_TRUE(m_device.startsWith(QStringLiteral("/dev/")));
    }
    ~RomsimBackend() override {
        if (m_sim.state() != QProcess::NotRunning) {
            m_sim.kill();
            m_sim.waitForFinished(5000);
        }
    }
    SerialPortFactory& ports() override { return m_ports; }
    Ticker& ticker() override { return m_ticker; }
    QString device() override { return m_device; }
    QByteArray memory(int n) override {
        m_sim.terminate(); // the tool writes its dump on SIGTERM
        EXPECT_TRUE(m_sim.waitForFinished(5000));
        QFile dump(m_dump);
        EXPECT_TRUE(dump.open(QIODevice::ReadOnly));
        return dump.readAll().left(n);
    }
    void vanish(double afterSeconds) override {
        QTimer::singleShot(static_cast<int>(afterSeconds * 1000), [this] { m_sim.kill(); });
    }

private:
    QTemporaryDir m_dir;
    QString m_dump;
    QProcess m_sim;
    QString m_device;
    QtSerialPortFactory m_ports;
    EventLoopTicker m_ticker;
};

class Contract : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam())
            backend = std::make_unique<RomsimBackend>();
        else
            backend = std::make_unique<FakeBackend>();
    }
    void start(const QStringList& options = {}) {
        backend->start(options);
        if (::testing::Test::HasFatalFailure()) GTEST_SKIP() << "emulator did not start";
    }
    TransferContext context() {
        return TransferContext{state, backend->ports(), backend->device(), backend->ticker(), observer};
    }
    void setImage(int n) {
        for (int a = 0; a < n; ++a) {
            state.BinImage[static_cast<size_t>(a)].setAddress(a);
            state.BinImage[static_cast<size_t>(a)].setValue((a * 13 + 0x0D) & 0xFF); // 0x0D appears as data
        }
        state.BinSize = n + 16;
    }
    QByteArray image(int n) const {
        QByteArray out;
        for (int a = 0; a < n; ++a)
            out.append(static_cast<char>(state.byteAt(a)));
        return out;
    }

    std::unique_ptr<Backend> backend;
    AppState state;
    RecordingObserver observer;
};

TEST_P(Contract, IdentifyDownloadVerifyAndCheck) {
    start();
    GetVersion(backend->device(), state, backend->ports(), backend->ticker(), observer);
    EXPECT_TRUE(state.EmulatorFound);

    setImage(96);
    EXPECT_EQ(DownloadEngine(context()).run().outcome, TransferOutcome::Completed);
    TransferResult v = VerifyEngine(context()).run();
    EXPECT_EQ(v.outcome, TransferOutcome::Completed);
    EXPECT_EQ(v.errors, 0);
    state.BinImage[10].setValue(state.byteAt(10) ^ 0x40);
    v = VerifyEngine(context()).run();
    EXPECT_EQ(v.errors, 1);
    EXPECT_TRUE(observer.texts().contains(QStringLiteral("Error Reading Address 10")));
    EXPECT_EQ(observer.whats.last(), QStringLiteral("Total Errors : 1"));

    observer.messages.clear();
    EXPECT_EQ(CheckEngine(context()).run().outcome, TransferOutcome::Completed);
    ASSERT_FALSE(observer.messages.empty());
    EXPECT_EQ(observer.messages[0].text, QStringLiteral("K"));
    state.BinImage[10].setValue(state.byteAt(10) ^ 0x40);
    EXPECT_EQ(backend->memory(96), image(96));
}

TEST_P(Contract, BatchWithAShortLastBlockThenUpload) {
    start();
    setImage(200);
    EXPECT_EQ(BatchDownloadEngine(context()).run().outcome, TransferOutcome::Completed);
    StoreByte(state, 3, 0x0D);
    StoreByte(state, 199, 0xFF);
    EXPECT_EQ(UploadChanges(context()).Upload_Changes(true).outcome, TransferOutcome::Completed);
    EXPECT_EQ(observer.whats.last(), QString());
    EXPECT_EQ(backend->memory(200), image(200));
}

TEST_P(Contract, CorruptEchoesFailTheDownload) {
    start({QStringLiteral("--corrupt-every"), QStringLiteral("1")});
    setImage(32);
    EXPECT_EQ(DownloadEngine(context()).run().outcome, TransferOutcome::Failed);
    EXPECT_EQ(observer.texts(), QStringList{QStringLiteral("Error writing to Ram at Address 0")});
}

TEST_P(Contract, DeviceVanishingMidRunEndsTheRunWithAMessage) {
    start({QStringLiteral("--baud"), QStringLiteral("9600")});
    setImage(4096);
    backend->vanish(0.2);
    const TransferResult r = DownloadEngine(context()).run();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    ASSERT_FALSE(observer.messages.empty());
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_GE(observer.closeShown, 1);
}

INSTANTIATE_TEST_SUITE_P(Ports, Contract, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "romsim_pty" : "in_process"; });

} // namespace
