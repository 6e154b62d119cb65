#include "comm_test/frm_comm_test.h"
#include "emulator/frames.h"
#include "support/gui_fixture.h"
#include "test_comm_test_support.h"
#include "widgets/busy_pointer.h"

using namespace korvel;
using namespace korvel::test;

// The fill and the read: their frames, counts and failures, and stopping them.
class TestCommTestRuns : public QObject {
    Q_OBJECT

private slots:
    void aDeviceThatVanishesEndsTheFill() {
        GuiFixture f;
        f.emulator.setFaults({});
        f.wire.vanishAfterWrites = 12; // two whole frames and a bit
        Services s = f.services();
        frmCommTest w(s);
        type(w, "txtSize", "10");
        type(w, "txtValue", "U");
        click(w, "cmdFill");
        QCOMPARE(f.prompt.texts(), QStringList{"Device disconnected"});
        QCOMPARE(f.prompt.shown[0].icon, Prompt::Icon::Critical);
        QCOMPARE(f.wire.closes, f.wire.opens);
        QCOMPARE(text(w, "lblWhere"), addressBits(2));
    }

    void fillWritesEachAddressAndCountsResends_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("corruptEvery"); // every Nth echo comes back wrong
        QTest::addColumn<int>("silentFrom");   // the emulator stops answering after this many "W" (-1 never)
        QTest::addColumn<QList<int>>("addresses"); // of the frames sent, re-sends included
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("where");
        QList<int> upTo12;
        for (int a = 0; a < 12; ++a)
            upTo12 << a;
        QTest::newRow("three clean") << 3 << 0 << -1 << QList<int>{0, 1, 2} << "0"
                                     << "" << addressBits(2);
        QTest::newRow("every second echo wrong") << 3 << 2 << -1 << QList<int>{0, 1, 1, 2, 2} << "2"
                                                 << "" << addressBits(2);
        QTest::newRow("silent") << 3 << 0 << 0 << QList<int>{0, 0, 0, 0} << "0"
                                << "Error writing to Ram at Address 0"
                                << "";
        QTest::newRow("falls silent at 12") << 20 << 0 << 12 << (upTo12 + QList<int>{12, 12, 12, 12}) << "0"
                                            << "Error writing to Ram at Address 12"
                                            << "";
    }
    void fillWritesEachAddressAndCountsResends() {
        QFETCH(int, size);
        QFETCH(int, corruptEvery);
        QFETCH(int, silentFrom);
        QFETCH(QList<int>, addresses);
        QFETCH(QString, result);
        QFETCH(QString, message);
        QFETCH(QString, where);
        GuiFixture f;
        SimulatedEmulator::Faults faults;
        faults.corruptEveryNthEcho = corruptEvery;
        faults.silent = silentFrom == 0;
        f.emulator.setFaults(faults);
        f.ticker.hook = [&] {
            if (silentFrom > 0 && f.emulator.frameCount('W') == silentFrom) {
                SimulatedEmulator::Faults silent;
                silent.silent = true;
                f.emulator.setFaults(silent);
            }
        };
        Services s = f.services();
        frmCommTest w(s);
        type(w, "txtSize", QString::number(size));
        type(w, "txtValue", "U");
        click(w, "cmdFill");
        QList<QByteArray> expected;
        for (int a : addresses)
            expected += writeFrame(a, 'U');
        QCOMPARE(pieces(f.wire), expected);
        QCOMPARE(text(w, "txtFillResult"), result);
        QCOMPARE(text(w, "lblWhere"), where);
        QCOMPARE(f.prompt.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) QCOMPARE(f.prompt.shown[0].icon, Prompt::Icon::Critical);
        QCOMPARE(f.wire.opens, 1); // one opening over the whole range
        QCOMPARE(f.wire.closes, 1);
        QCOMPARE(f.ticker.now, addresses.size() * 0.3);
        const int written = silentFrom < 0 ? size : silentFrom;
        for (int a = 0; a < written; ++a)
            QCOMPARE(f.emulator.memory()[a], 'U');
    }

    void readComparesEveryAddressWithTheValue_data() {
        QTest::addColumn<QList<int>>("different"); // addresses that do not hold "U"
        QTest::addColumn<bool>("answering");
        QTest::addColumn<QString>("count");
        QTest::newRow("all match") << QList<int>{} << true << "0";
        QTest::newRow("three differ, the last included") << QList<int>{0, 0x80, 0xFF} << true << "3";
        QTest::newRow("nothing answers") << QList<int>{} << false << "256";
    }
    void readComparesEveryAddressWithTheValue() {
        QFETCH(QList<int>, different);
        QFETCH(bool, answering);
        QFETCH(QString, count);
        GuiFixture f;
        if (answering) f.emulator.setFaults({});
        for (int a = 0; a < 0x300; ++a)
            f.emulator.memory()[a] = 'U';
        for (int a : different)
            f.emulator.memory()[a] = 'u'; // case counts
        Services s = f.services();
        frmCommTest w(s);
        type(w, "txtSize", "256");
        type(w, "txtValue", "U");
        click(w, "cmdRead");
        QCOMPARE(text(w, "txtReadResult"), count);
        QCOMPARE(text(w, "lblReadWhere"), QStringLiteral("0000 0000 1111 1111"));
        QCOMPARE(f.emulator.frameCount('R'), 256);
        const QByteArray sent = f.wire.sent();
        QCOMPARE(sent.size(), 256 * 5);
        for (int a = 0; a < 256; ++a)
            QCOMPARE(sent.mid(a * 5, 5), QByteArray("R\0", 2) + char(a) + "\r\r");
        QCOMPARE(f.wire.opens, 1);
        QVERIFY(f.prompt.shown.empty());
    }

    void aRunStopsAfterTheAddressInProgress_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("how");
        QTest::newRow("fill, Stop") << "cmdFill"
                                    << "stop";
        QTest::newRow("read, Esc") << "cmdRead"
                                   << "esc";
        QTest::newRow("fill, close box") << "cmdFill"
                                         << "close";
    }
    void aRunStopsAfterTheAddressInProgress() {
        QFETCH(QString, button);
        QFETCH(QString, how);
        GuiFixture f;
        f.emulator.setFaults({});
        for (int a = 0; a < 1000; ++a)
            f.emulator.memory()[a] = 'U';
        Services s = f.services();
        frmCommTest w(s);
        w.show();
        type(w, "txtSize", "1000");
        type(w, "txtValue", "U");
        int pumps = 0;
        bool lockedDuringRun = false;
        qsizetype sentAtStop = 0;
        f.ticker.hook = [&] {
            if (++pumps != 5) return;
            sentAtStop = f.wire.sent().size();
            lockedDuringRun = w.isRunning() && enabled(w, "cmdStop") && !enabled(w, button) &&
                              !enabled(w, "cmdGet") && !enabled(w, "cmdQuit") && !enabled(w, "txtSize") &&
                              !enabled(w, "cmbPort") && isBusyPointer();
            w.cmdGet_Click(); // a second procedure may not start inside the first
            if (how == "stop")
                click(w, "cmdStop");
            else if (how == "esc")
                QTest::keyClick(&w, Qt::Key_Escape);
            else
                w.close();
        };
        click(w, button);
        f.ticker.hook = nullptr;
        QVERIFY(lockedDuringRun);
        // Nothing after the address in progress, and no "R" frame of Get Data.
        QVERIFY(sentAtStop >= 5 && sentAtStop < 1000 * 5 && sentAtStop % 5 == 0);
        QCOMPARE(f.wire.sent().size(), sentAtStop);
        const int last = int(sentAtStop / 5) - 1;
        QCOMPARE(f.wire.closes, f.wire.opens);
        QVERIFY(!w.isRunning());
        QVERIFY(!isBusyPointer());
        QCOMPARE(w.isVisible(), how != "close");
        QVERIFY(enabled(w, button) && enabled(w, "cmdQuit") && !enabled(w, "cmdStop"));
        QCOMPARE(text(w, button == "cmdFill" ? "lblWhere" : "lblReadWhere"), addressBits(last));
        QCOMPARE(text(w, button == "cmdFill" ? "txtFillResult" : "txtReadResult"), QStringLiteral("0"));
        QVERIFY(f.prompt.shown.empty());
        // Esc with nothing running leaves the window open.
        if (how == "esc") {
            QTest::keyClick(&w, Qt::Key_Escape);
            QVERIFY(w.isVisible());
        }
    }
};

QTEST_MAIN(TestCommTestRuns)
#include "test_comm_test_runs.moc"
