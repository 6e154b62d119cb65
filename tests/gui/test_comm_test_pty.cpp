// The comm test window end to end: QSerialPort on the pseudo-terminal of
// korvel-romsim, on the real clock.

#include "comm_test/frm_comm_test.h"
#include "emulator/frames.h"
#include "emulator/qt_serial_port.h"
#include "support/gui_fixture.h"
#include "test_comm_test_support.h"

#include <QProcess>

using namespace korvel;
using namespace korvel::test;

class TestCommTestPty : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QString romsim =
            qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-romsim/korvel-romsim");
        QVERIFY2(QFileInfo(romsim).isExecutable(), qPrintable(romsim + QStringLiteral(" is missing")));
        m_sim.start(romsim, {});
        QVERIFY(m_sim.waitForStarted(5000));
        QVERIFY(m_sim.waitForReadyRead(5000));
        m_device = QString::fromLocal8Bit(m_sim.readLine()).trimmed();
        QVERIFY(!m_device.isEmpty());
    }

    void cleanupTestCase() {
        m_sim.terminate();
        if (!m_sim.waitForFinished(5000)) m_sim.kill();
    }

    void everyButtonThroughARealPort() {
        GuiFixture f;
        f.settings.WriteSetting(QStringLiteral("Port 1 Device"), m_device);
        EventLoopTicker ticker;
        QtSerialPortFactory ports;
        Services s{f.state, f.settings, f.prompt, ticker, ports};
        frmCommTest w(s);
        w.show();
        // Long enough for an answer from another process on a busy machine.
        type(w, "txtDelay", QStringLiteral("0.25"));
        click(w, "cmdPort");

        type(w, "txtPutHigh", QStringLiteral("01"));
        type(w, "txtPutLow", QStringLiteral("02"));
        type(w, "txtPutData", QStringLiteral("Z"));
        click(w, "cmdPut");
        QCOMPARE(text(w, "txtPutResult"), QStringLiteral("Z"));

        type(w, "txtGetHigh", QStringLiteral("1"));
        type(w, "txtGetLow", QStringLiteral("2"));
        click(w, "cmdGet");
        QCOMPARE(text(w, "txtGetResult"), QStringLiteral("Z"));
        QCOMPARE(text(w, "txtGetAscii"), QStringLiteral("90"));
        QCOMPARE(text(w, "txtGetBin"), QStringLiteral("0101 1010"));

        click(w, "cmdCommand"); // "V" as a free command
        QVERIFY2(text(w, "txtCommandResult").startsWith(QLatin1String(kBanner)),
                 qPrintable(text(w, "txtCommandResult")));

        type(w, "txtValue", QStringLiteral("Q"));
        type(w, "txtSize", QStringLiteral("4"));
        click(w, "cmdFill");
        QCOMPARE(text(w, "txtFillResult"), QStringLiteral("0"));
        click(w, "cmdRead");
        QCOMPARE(text(w, "txtReadResult"), QStringLiteral("0"));
        type(w, "txtSize", QStringLiteral("5")); // address 4 was never written
        click(w, "cmdRead");
        QCOMPARE(text(w, "txtReadResult"), QStringLiteral("1"));

        QVERIFY2(f.prompt.shown.empty(), qPrintable(f.prompt.texts().join(QLatin1Char('|'))));
    }

    void aDeviceThatCannotBeOpenedIsReported() {
        GuiFixture f;
        f.settings.WriteSetting(QStringLiteral("Port 2 Device"), f.path(QStringLiteral("no-such-tty")));
        EventLoopTicker ticker;
        QtSerialPortFactory ports;
        Services s{f.state, f.settings, f.prompt, ticker, ports};
        frmCommTest w(s);
        type(w, "cmbPort", QStringLiteral("2"));
        click(w, "cmdPort");
        click(w, "cmdGet");
        QCOMPARE(f.prompt.shown.size(), size_t{1});
        QVERIFY2(f.prompt.last().contains(QLatin1String("no-such-tty")), qPrintable(f.prompt.last()));
        QCOMPARE(f.prompt.shown[0].icon, Prompt::Icon::Critical);
        QCOMPARE(text(w, "txtGetResult"), QStringLiteral("***"));
    }

private:
    QProcess m_sim;
    QString m_device;
};

QTEST_MAIN(TestCommTestPty)
#include "test_comm_test_pty.moc"
