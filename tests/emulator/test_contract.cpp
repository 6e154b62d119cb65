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
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

using namespace korvel;
using namespace korvel::test;

class Contract : public EmulatorRig, public ::testing::WithParamInterface<bool> {
protected:
    bool romsim() const { return GetParam(); }
    // Starts the emulator (korvel-romsim with its options); false, with the reason recorded as a
    // failure, when korvel-romsim does not come up.
    bool start(const QStringList& options = {}) {
        if (!romsim()) return true;
        static int argc = 1;
        static char name[] = "test_contract", *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        const QString tool =
            qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-romsim/korvel-romsim");
        sim.start(tool,
                  QStringList{QStringLiteral("--dump"), dir.filePath(QStringLiteral("dump.bin"))} + options);
        if (sim.waitForStarted(5000) && sim.waitForReadyRead(5000))
            return !(path = QString::fromLocal8Bit(sim.readLine()).trimmed()).isEmpty(); // the device
        ADD_FAILURE() << tool.toStdString() << " did not start: " << sim.errorString().toStdString();
        return false;
    }
    ~Contract() override {
        sim.kill();
        sim.waitForFinished(5000);
    }
    TransferContext context() {
        if (!romsim()) return EmulatorRig::context();
        return TransferContext{state, qtPorts, path, realTicker, observer};
    }
    // The first n bytes of the emulator's memory as hex digits; korvel-romsim dumps it when ended.
    QByteArray memory(int n) {
        if (!romsim()) return device.memory().left(n).toHex().toUpper();
        sim.terminate();
        EXPECT_TRUE(sim.waitForFinished(5000));
        QFile dump(dir.filePath(QStringLiteral("dump.bin")));
        return dump.open(QIODevice::ReadOnly) ? dump.read(n).toHex().toUpper() : QByteArray();
    }

    QTemporaryDir dir;
    QString path;
    QProcess sim;
    QtSerialPortFactory qtPorts;
    EventLoopTicker realTicker;
};

TEST_P(Contract, EveryTransferMovesTheImage) {
    ASSERT_TRUE(start());
    const TransferContext c = context();
    GetVersion(c.device, state, c.ports, c.ticker, observer);
    EXPECT_TRUE(state.EmulatorFound);
    setImage(208); // a short last block; 0x0D appears as data
    EXPECT_EQ(BatchDownloadEngine(c).run().outcome, TransferOutcome::Completed);
    setImage(96);
    for (int a = 0; a < 96; ++a)
        state.BinImage[size_t(a)].setValue(a ^ 0x5A);
    EXPECT_EQ(DownloadEngine(c).run().outcome, TransferOutcome::Completed);
    state.BinImage[10].setValue(0x0D);
    const TransferResult v = VerifyEngine(c).run();
    EXPECT_TRUE(v.outcome == TransferOutcome::Completed && v.errors == 1);
    EXPECT_EQ(observer.whats.last(), QStringLiteral("Total Errors : 1"));
    EXPECT_EQ(CheckEngine(c).run().outcome, TransferOutcome::Completed);
    StoreByte(state, 3, 0x0D);
    StoreByte(state, 10, 10 ^ 0x5A);
    EXPECT_EQ(UploadChanges(c).Upload_Changes(true).outcome, TransferOutcome::Completed);
    EXPECT_EQ(observer.messages.filter(QRegularExpression(QStringLiteral("^(Error|Time|Port)"))),
              QStringList{QStringLiteral("Error Reading Address 10")});
    EXPECT_TRUE(observer.messages.contains(QStringLiteral("K")));
    EXPECT_EQ(memory(208), rawText(state, 0, 208).toLatin1()); // the cells past 96 keep the batch's bytes
}

TEST_P(Contract, DeviceVanishingMidRunEndsTheRunWithAMessage) {
    ASSERT_TRUE(start({QStringLiteral("--baud"), QStringLiteral("9600")}));
    setImage(4096);
    if (romsim()) QTimer::singleShot(200, &sim, [this] { sim.kill(); });
    wire.vanishAfterWrites = 20;
    EXPECT_EQ(DownloadEngine(context()).run().outcome, TransferOutcome::Failed);
    EXPECT_TRUE(!observer.messages.isEmpty() && state.CancelRequested && observer.closeShown >= 1);
}

INSTANTIATE_TEST_SUITE_P(Ports, Contract, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "romsim_pty" : "in_process"; });
