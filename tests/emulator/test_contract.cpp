// One body of tests run twice: against the in-process simulated port, and against
// korvel-romsim on a real pseudo-terminal through QSerialPort. What holds for one must
// hold for the other, so the fast tests speak for the real port too.
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

class Contract : public ::testing::TestWithParam<bool> {
protected:
    bool romsim() const { return GetParam(); }

    // Starts the emulator with korvel-romsim's options (in process: --corrupt-every only).
    // False, with the reason recorded as a failure, when korvel-romsim does not come up.
    bool start(const QStringList& options = {}) {
        if (!romsim()) {
            device.setFaults(
                {0, options.value(0) == QLatin1String("--corrupt-every") ? options[1].toInt() : 0, false});
            return true;
        }
        static int argc = 1;
        static char name[] = "test_contract", *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        const QString tool =
            qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-romsim/korvel-romsim");
        sim.start(tool,
                  QStringList{QStringLiteral("--dump"), dir.filePath(QStringLiteral("dump.bin"))} + options);
        if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
            ADD_FAILURE() << tool.toStdString() << " did not start: " << sim.errorString().toStdString();
            return false;
        }
        path = QString::fromLocal8Bit(sim.readLine()).trimmed();
        return true;
    }
    ~Contract() override {
        sim.kill();
        sim.waitForFinished(5000);
    }
    TransferContext context() {
        if (romsim()) return TransferContext{state, qtPorts, path, realTicker, observer};
        return TransferContext{state, simPorts, path, ticker, observer};
    }
    // The first n bytes of the emulator's memory; ends korvel-romsim, which dumps it on SIGTERM.
    QByteArray memory(int n) {
        if (!romsim()) return device.memory().left(n);
        sim.terminate();
        EXPECT_TRUE(sim.waitForFinished(5000));
        QFile dump(dir.filePath(QStringLiteral("dump.bin")));
        EXPECT_TRUE(dump.open(QIODevice::ReadOnly));
        return dump.readAll().left(n);
    }
    // Makes the device disappear in the middle of the next run.
    void vanish() {
        if (romsim())
            QTimer::singleShot(200, &sim, [this] { sim.kill(); });
        else
            wire.vanishAfterWrites = 20;
    }
    void setImage(int n) { // 0x0D appears as data
        for (int a = 0; a < n; ++a)
            state.BinImage[size_t(a)].setValue((a * 13 + 0x0D) & 0xFF);
        state.BinSize = n + 16;
    }
    QByteArray image(int n) const {
        QByteArray out;
        for (int a = 0; a < n; ++a)
            out.append(char(state.byteAt(a)));
        return out;
    }

    AppState state;
    RecordingObserver observer;
    SimulatedEmulator device;
    ManualTicker ticker;
    SimulatedWire wire{device, ticker};
    SimulatedPortFactory simPorts{wire};
    QString path = QStringLiteral("/dev/sim0");
    QTemporaryDir dir;
    QProcess sim;
    QtSerialPortFactory qtPorts;
    EventLoopTicker realTicker;
};

TEST_P(Contract, IdentifyDownloadVerifyAndCheck) {
    ASSERT_TRUE(start());
    const TransferContext c = context();
    GetVersion(c.device, state, c.ports, c.ticker, observer);
    EXPECT_TRUE(state.EmulatorFound);
    setImage(96);
    EXPECT_EQ(DownloadEngine(c).run().outcome, TransferOutcome::Completed);
    TransferResult v = VerifyEngine(c).run();
    EXPECT_TRUE(v.outcome == TransferOutcome::Completed && v.errors == 0);
    state.BinImage[10].setValue(state.byteAt(10) ^ 0x40);
    v = VerifyEngine(c).run();
    EXPECT_EQ(v.errors, 1);
    EXPECT_TRUE(observer.messages.contains(QStringLiteral("Error Reading Address 10")));
    EXPECT_EQ(observer.whats.last(), QStringLiteral("Total Errors : 1"));
    observer.messages.clear();
    EXPECT_EQ(CheckEngine(c).run().outcome, TransferOutcome::Completed);
    EXPECT_EQ(observer.messages.value(0), QStringLiteral("K"));
    state.BinImage[10].setValue(state.byteAt(10) ^ 0x40);
    EXPECT_EQ(memory(96), image(96));
}

TEST_P(Contract, BatchWithAShortLastBlockThenUpload) {
    ASSERT_TRUE(start());
    setImage(200);
    EXPECT_EQ(BatchDownloadEngine(context()).run().outcome, TransferOutcome::Completed);
    StoreByte(state, 3, 0x0D);
    StoreByte(state, 199, 0xFF);
    EXPECT_EQ(UploadChanges(context()).Upload_Changes(true).outcome, TransferOutcome::Completed);
    EXPECT_EQ(observer.whats.last(), QString());
    EXPECT_EQ(memory(200), image(200));
}

TEST_P(Contract, CorruptEchoesFailTheDownload) {
    ASSERT_TRUE(start({QStringLiteral("--corrupt-every"), QStringLiteral("1")}));
    setImage(32);
    EXPECT_EQ(DownloadEngine(context()).run().outcome, TransferOutcome::Failed);
    EXPECT_EQ(observer.messages, QStringList{QStringLiteral("Error writing to Ram at Address 0")});
}

TEST_P(Contract, DeviceVanishingMidRunEndsTheRunWithAMessage) {
    ASSERT_TRUE(start({QStringLiteral("--baud"), QStringLiteral("9600")}));
    setImage(4096);
    vanish();
    EXPECT_EQ(DownloadEngine(context()).run().outcome, TransferOutcome::Failed);
    EXPECT_FALSE(observer.messages.isEmpty());
    EXPECT_TRUE(state.CancelRequested && observer.closeShown >= 1);
}

INSTANTIATE_TEST_SUITE_P(Ports, Contract, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "romsim_pty" : "in_process"; });
