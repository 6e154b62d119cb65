#include "comm_test/frm_comm_test.h"
#include "core/bin_image.h"
#include "emulator/frames.h"
#include "main_window/frm_main.h"
#include "support/gui_fixture.h"
#include "support/modal.h"
#include "test_comm_test_support.h"
#include "widgets/busy_pointer.h"

#include <QGroupBox>
#include <QScrollArea>
#include <QScrollBar>

using namespace korvel;
using namespace korvel::test;

// The window's texts, lists, size and configuration, the single-frame buttons and the
// conversions, against the in-process simulated emulator.
class TestCommTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithItsDesignTextsAndLists() {
        GuiFixture f;
        Services s = f.services();
        frmCommTest w(s);
        QCOMPARE(w.windowTitle(), caption("0.3", 1, 115200));
        QCOMPARE(text(w, "cmbPort"), QStringLiteral("1"));
        QCOMPARE(text(w, "cmbBaud"), QStringLiteral("115200"));
        QCOMPARE(text(w, "txtDelay"), QStringLiteral("0.3"));
        QCOMPARE(text(w, "txtCommand"), QStringLiteral("V"));
        QCOMPARE(text(w, "lblWhere"), QStringLiteral("."));
        QCOMPARE(text(w, "lblReadWhere"), QStringLiteral("."));
        QStringList ports, bauds;
        auto* port = w.findChild<QComboBox*>("cmbPort");
        auto* baud = w.findChild<QComboBox*>("cmbBaud");
        for (int k = 0; k < port->count(); ++k)
            ports << port->itemText(k);
        for (int k = 0; k < baud->count(); ++k)
            bauds << baud->itemText(k);
        QCOMPARE(ports, QStringList({"1", "2", "3", "4"}));
        QCOMPARE(bauds, QStringList({"75", "110", "134", "150", "300", "600", "1200", "1800", "2400", "4800",
                                     "7200", "9600", "14400", "19200", "38400", "57600", "115200"}));
        QVERIFY(!enabled(w, "cmdStop"));
        QVERIFY(f.prompt.shown.empty());
    }

    void keepsItsSizeAndEveryFrameCanBeScrolledTo() {
        GuiFixture f;
        Services s = f.services();
        frmCommTest w(s);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.width(), (frmCommTest::kWidthTwips * w.logicalDpiX() + 720) / 1440);
        QCOMPARE(w.height(), (frmCommTest::kHeightTwips * w.logicalDpiY() + 720) / 1440);
        w.resize(w.width() * 2, w.height() * 2);
        QCOMPARE(w.width(), (frmCommTest::kWidthTwips * w.logicalDpiX() + 720) / 1440);
        auto* area = w.findChild<QScrollArea*>();
        QVERIFY(!area->horizontalScrollBar()->isVisible()); // nothing is cut off at the side
        for (const char* name : {"fraALDL", "fraConversion", "fraConfiguration"}) {
            auto* frame = w.findChild<QGroupBox*>(name);
            area->ensureWidgetVisible(frame, 0, 0);
            const QRect shown(frame->mapTo(area->viewport(), QPoint(0, 0)), frame->size());
            QVERIFY2(area->viewport()->rect().contains(shown), name);
        }
        click(w, "cmdQuit");
        QVERIFY(!w.isVisible());
    }

    void theMainWindowOpensItModally() {
        GuiFixture f;
        Services s = f.services();
        frmMain main(s);
        QString opened;
        onNextModal([&](QWidget* w) { opened = w->objectName(); });
        click(main, "Command1");
        QCOMPARE(opened, QStringLiteral("frmCommTest"));
    }

    void setPortChoosesPortBaudAndDelay_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QString>("deviceSetting"); // "Port N Device" in the settings file
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("title");
        QTest::newRow("port 2, 9600, 0.1") << "2"
                                           << "9600"
                                           << "0.1"
                                           << ""
                                           << "/dev/ttyUSB1"
                                           << "9600,N,8,1" << caption("0.1", 2, 9600);
        QTest::newRow("port rounded") << "3.6"
                                      << "57600"
                                      << "0"
                                      << ""
                                      << "/dev/ttyUSB3"
                                      << "57600,N,8,1" << caption("0", 4, 57600);
        QTest::newRow("device from settings") << "1"
                                              << "115200"
                                              << "0.25"
                                              << "/dev/pts/9"
                                              << "/dev/pts/9"
                                              << "115200,N,8,1" << caption("0.25", 1, 115200);
        QTest::newRow("fast rate in plain digits") << "1"
                                                   << "1000000"
                                                   << "0.3"
                                                   << ""
                                                   << "/dev/ttyUSB0"
                                                   << "1000000,N,8,1" << caption("0.3", 1, 1000000);
    }
    void setPortChoosesPortBaudAndDelay() {
        QFETCH(QString, port);
        QFETCH(QString, baud);
        QFETCH(QString, delay);
        QFETCH(QString, deviceSetting);
        QFETCH(QString, device);
        QFETCH(QString, settings);
        QFETCH(QString, title);
        GuiFixture f;
        if (!deviceSetting.isEmpty()) f.settings.WriteSetting(QStringLiteral("Port 1 Device"), deviceSetting);
        Services s = f.services();
        frmCommTest w(s);
        type(w, "cmbPort", port);
        type(w, "cmbBaud", baud);
        type(w, "txtDelay", delay);
        click(w, "cmdPort");
        QCOMPARE(w.windowTitle(), title);
        QVERIFY(f.prompt.shown.empty());
        const double start = f.ticker.now;
        click(w, "cmdGet");
        QCOMPARE(f.wire.openings.size(), size_t{1});
        QCOMPARE(f.wire.openings[0].device, device);
        QCOMPARE(f.wire.openings[0].settings, settings);
        QCOMPARE(f.ticker.now - start, delay.toDouble());
        QCOMPARE(f.wire.closes, 1);
    }

    void invalidInputsAreNamedAndNothingIsSent_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("named");
        QTest::newRow("port not a number") << "cmbPort"
                                           << "COM2"
                                           << "cmdPort"
                                           << "Port box";
        QTest::newRow("port zero") << "cmbPort"
                                   << "0"
                                   << "cmdPort"
                                   << "Port box";
        QTest::newRow("baud not a number") << "cmbBaud"
                                           << "fast"
                                           << "cmdPort"
                                           << "Baud box";
        QTest::newRow("baud fraction") << "cmbBaud"
                                       << "9600.5"
                                       << "cmdPort"
                                       << "Baud box";
        QTest::newRow("delay negative") << "txtDelay"
                                        << "-1"
                                        << "cmdPort"
                                        << "Delay box";
        QTest::newRow("delay empty") << "txtDelay"
                                     << ""
                                     << "cmdPort"
                                     << "Delay box";
        QTest::newRow("size not a number") << "txtSize"
                                           << "ten"
                                           << "cmdFill"
                                           << "Size box";
        QTest::newRow("size past 16 bits") << "txtSize"
                                           << "65537"
                                           << "cmdRead"
                                           << "Size box";
        QTest::newRow("value empty") << "txtValue"
                                     << ""
                                     << "cmdFill"
                                     << "Value box";
        QTest::newRow("high byte too big") << "txtGetHigh"
                                           << "1FF"
                                           << "cmdGet"
                                           << "High Byte box";
        QTest::newRow("low byte not hex") << "txtPutLow"
                                          << "G1"
                                          << "cmdPut"
                                          << "Low Byte box";
    }
    void invalidInputsAreNamedAndNothingIsSent() {
        QFETCH(QString, box);
        QFETCH(QString, value);
        QFETCH(QString, button);
        QFETCH(QString, named);
        GuiFixture f;
        Services s = f.services();
        frmCommTest w(s);
        type(w, "txtSize", "4");
        type(w, "txtValue", "U");
        type(w, box, value);
        const QString title = w.windowTitle();
        click(w, button);
        QCOMPARE(f.prompt.shown.size(), size_t{1});
        QVERIFY2(f.prompt.last().contains(named), qPrintable(f.prompt.last()));
        QCOMPARE(f.wire.opens, 0);
        QVERIFY(f.wire.writes.empty());
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(w.mintPort(), 1);
        QCOMPARE(w.mdblBaud(), 115200.0);
        QCOMPARE(w.mdblDelay(), 0.3);
    }

    void portFailuresAreReportedAsCritical_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("result"); // the box that shows the outcome, and what it shows
        QTest::addColumn<QString>("shown");
        QTest::newRow("fill") << "cmdFill"
                              << "txtFillResult"
                              << "";
        QTest::newRow("read") << "cmdRead"
                              << "txtReadResult"
                              << "";
        QTest::newRow("put") << "cmdPut"
                             << "txtPutResult"
                             << "***";
        QTest::newRow("get") << "cmdGet"
                             << "txtGetResult"
                             << "***";
        QTest::newRow("command") << "cmdCommand"
                                 << "txtCommandResult"
                                 << "***";
        QTest::newRow("aldl") << "cmdALDL"
                              << "txtALDLResult"
                              << "***";
    }
    void portFailuresAreReportedAsCritical() {
        QFETCH(QString, button);
        QFETCH(QString, result);
        QFETCH(QString, shown);
        GuiFixture f;
        f.wire.openError = QStringLiteral("Permission denied");
        Services s = f.services();
        frmCommTest w(s);
        type(w, "txtSize", "4");
        type(w, "txtValue", "U");
        click(w, button);
        QCOMPARE(f.prompt.shown.size(), size_t{1});
        QVERIFY2(f.prompt.last().contains("Permission denied"), qPrintable(f.prompt.last()));
        QCOMPARE(f.prompt.shown[0].icon, Prompt::Icon::Critical);
        QCOMPARE(text(w, result), shown);
        QVERIFY(!w.isRunning());
        QVERIFY(enabled(w, button));
        QVERIFY(!isBusyPointer());
    }

    void singleFrameButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("inputs"); // box=value pairs
        QTest::addColumn<bool>("answering");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QStringList>("outputs"); // box=expected pairs
        const QByteArray customEnd("\r\x1F\x17\x20");
        QTest::newRow("get, answering")
            << "cmdGet" << QStringList{"txtGetHigh=12", "txtGetLow=34"} << true << QByteArray("R\x12\x34\r\r")
            << QStringList{"txtGetResult=A", "txtGetAscii=65", "txtGetBin=0100 0001"};
        QTest::newRow("get, nothing attached")
            << "cmdGet" << QStringList{"txtGetHigh=12", "txtGetLow=34"} << false
            << QByteArray("R\x12\x34\r\r") << QStringList{"txtGetResult=***", "txtGetAscii=", "txtGetBin="};
        QTest::newRow("get, empty boxes are 00")
            << "cmdGet" << QStringList{} << false << QByteArray("R\0\0\r\r", 5)
            << QStringList{"txtGetResult=***"};
        QTest::newRow("put, answering")
            << "cmdPut" << QStringList{"txtPutHigh=0", "txtPutLow=ff", "txtPutData=H"} << true
            << QByteArray("W\x00\xFFH\r", 5)
            << QStringList{"txtPutResult=H", "txtPutAscii=72", "txtPutBin=0100 1000", "txtPutWant=0100 1000"};
        QTest::newRow("put, 0D is data")
            << "cmdPut" << QStringList{"txtPutHigh=7F", "txtPutLow=0", "txtPutData=\r"} << false
            << QByteArray("W\x7F\0\r\r", 5) << QStringList{"txtPutResult=***", "txtPutWant=0000 1101"};
        QTest::newRow("command V") << "cmdCommand" << QStringList{} << true << QByteArray("V") + customEnd
                                   << QStringList{QStringLiteral("txtCommandResult=") + kBanner};
        QTest::newRow("command, nothing attached")
            << "cmdCommand" << QStringList{"txtCommand=hello"} << false << QByteArray("hello") + customEnd
            << QStringList{"txtCommandResult=***"};
    }
    void singleFrameButtons() {
        QFETCH(QString, button);
        QFETCH(QStringList, inputs);
        QFETCH(bool, answering);
        QFETCH(QByteArray, sent);
        QFETCH(QStringList, outputs);
        GuiFixture f;
        if (answering) f.emulator.setFaults({});
        f.emulator.memory()[0x1234] = 'A';
        Services s = f.services();
        frmCommTest w(s);
        // Old results that the button must replace.
        for (const char* box : {"txtGetResult", "txtGetAscii", "txtGetBin", "txtPutResult", "txtPutAscii",
                                "txtPutBin", "txtCommandResult"})
            type(w, box, "old");
        for (const QString& pair : inputs)
            type(w, pair.section('=', 0, 0), pair.section('=', 1));
        click(w, button);
        QCOMPARE(f.wire.sent(), sent);
        for (const QString& pair : outputs)
            QCOMPARE(text(w, pair.section('=', 0, 0)), pair.section('=', 1));
        QCOMPARE(f.wire.opens, 1);
        QCOMPARE(f.wire.closes, 1);
        QCOMPARE(f.ticker.now, 0.3);
        QVERIFY(f.prompt.shown.empty());
        QVERIFY(!isBusyPointer());
    }

    void aldlSendsTheTextInPairs_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QList<QByteArray>>("pairs");
        QTest::addColumn<QString>("result");
        QTest::newRow("ABCD") << "ABCD"
                              << "0.3" << QList<QByteArray>{"AB", "CD"} << QString();
        QTest::newRow("ABC") << "ABC"
                             << "0.3" << QList<QByteArray>{"AB", "C"} << QString();
        QTest::newRow("inner space kept") << "AB CD"
                                          << "0" << QList<QByteArray>{"AB", " C", "D"} << "AB CD";
        QTest::newRow("surrounding spaces dropped") << "  AB  "
                                                    << "0" << QList<QByteArray>{"AB"} << "AB";
        QTest::newRow("blank") << "   "
                               << "0.3" << QList<QByteArray>{} << "***";
    }
    void aldlSendsTheTextInPairs() {
        QFETCH(QString, typed);
        QFETCH(QString, delay);
        QFETCH(QList<QByteArray>, pairs);
        QFETCH(QString, result);
        GuiFixture f;
        f.emulator.setFaults({});
        Services s = f.services();
        frmCommTest w(s);
        type(w, "txtDelay", delay);
        click(w, "cmdPort");
        type(w, "txtALDL", typed);
        click(w, "cmdALDL");
        QCOMPARE(pieces(f.wire), (QList<QByteArray>{"A", "\r", "\r", "\r", "\r"} + pairs));
        // The delay after the frame and after each pair, then a second and a half for the answer.
        QCOMPARE(f.ticker.now, delay.toDouble() * double(1 + pairs.size()) + 1.5);
        // The simulated emulator echoes an ALDL text that came without pauses.
        if (!result.isNull()) QCOMPARE(text(w, "txtALDLResult"), result);
    }

    void conversions_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("outputs"); // txtConvert, txtASCII, txtHEX, txtBinary
        const QStringList untouched{"old", "1", "1", "0000 0001"};
        QTest::newRow("Hello") << "cmdASCII"
                               << "Hello" << QStringList{"H", "72", "48", "0100 1000"};
        QTest::newRow("tab") << "cmdASCII"
                             << "\t" << QStringList{"\t", "9", "9", "0000 1001"};
        QTest::newRow("e acute") << "cmdASCII" << QStringLiteral("\u00E9t\u00E9")
                                 << QStringList{QStringLiteral("\u00E9"), "233", "E9", "1110 1001"};
        QTest::newRow("beyond 8 bits goes as ?")
            << "cmdASCII" << QStringLiteral("\u20AC") // euro sign
            << QStringList{QStringLiteral("\u20AC"), "63", "3F", "0011 1111"};
        QTest::newRow("empty clears") << "cmdASCII"
                                      << "" << QStringList{"", "", "", ""};
        QTest::newRow("code 65") << "cmdText"
                                 << "65" << QStringList{"A", "1", "1", "0000 0001"};
        QTest::newRow("code 0") << "cmdText"
                                << "0" << QStringList{QString(QChar(0)), "1", "1", "0000 0001"};
        QTest::newRow("code 256 ignored") << "cmdText"
                                          << "256" << untouched;
        QTest::newRow("not a number ignored") << "cmdText"
                                              << "6x" << untouched;
        QTest::newRow("missing ignored") << "cmdText"
                                         << "" << untouched;
    }
    void conversions() {
        QFETCH(QString, button);
        QFETCH(QString, input);
        QFETCH(QStringList, outputs);
        GuiFixture f;
        Services s = f.services();
        frmCommTest w(s);
        type(w, "txtConvert", "old");
        type(w, "txtASCII", "1");
        type(w, "txtHEX", "1");
        type(w, "txtBinary", "0000 0001");
        type(w, button == "cmdText" ? "txtASC" : "txtConvert", input);
        click(w, button);
        QCOMPARE((QStringList{text(w, "txtConvert"), text(w, "txtASCII"), text(w, "txtHEX"),
                              text(w, "txtBinary")}),
                 outputs);
        QVERIFY(f.prompt.shown.empty());
        QVERIFY(f.wire.writes.empty());
    }
};

QTEST_MAIN(TestCommTest)
#include "test_comm_test.moc"
