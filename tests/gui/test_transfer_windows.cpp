#include "core/bin_image.h"
#include "core/values.h"
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"
#include "transfer/frm_batch_download.h"
#include "transfer/frm_check.h"
#include "transfer/frm_download.h"
#include "transfer/frm_verify.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace korvel;
using namespace korvel::test;

namespace {

// A loaded image of `length` bytes and an emulator that answers.
void loadImage(GuiFixture& f, int length) {
    QByteArray data(length, '\0');
    for (int i = 0; i < length; ++i)
        data[i] = static_cast<char>(i * 13 + 1);
    f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), data);
    QVERIFY(ReadBinFile(f.state).ok());
    f.emulator.setFaults({});
}

QString text(QWidget& w, const char* name) {
    if (auto* l = w.findChild<QLabel*>(QLatin1String(name))) return l->text();
    return w.findChild<QPushButton*>(QLatin1String(name))->text();
}

void click(QWidget& w, const char* name) {
    w.findChild<QPushButton*>(QLatin1String(name))->click();
}

} // namespace

class TestTransferWindows : public QObject {
    Q_OBJECT

private slots:
    void eachWindowRunsAndEndsWithClose_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("firstMessage");
        QTest::newRow("download") << "download"
                                  << "Download File to ECU"
                                  << ""
                                  << "Download Time = ";
        QTest::newRow("verify") << "verify"
                                << "Verify Download"
                                << "No Errors"
                                << "Download Time = ";
        QTest::newRow("batch") << "batch"
                               << "Batch Download File to ECU"
                               << ""
                               << "Download Time = ";
        QTest::newRow("check") << "check"
                               << "Check Download"
                               << "No Errors"
                               << "K";
    }
    void eachWindowRunsAndEndsWithClose() {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(QString, what);
        QFETCH(QString, firstMessage);
        GuiFixture f;
        loadImage(f, 100);
        Services s = f.services();
        std::unique_ptr<TransferWindow> w;
        if (window == QLatin1String("download"))
            w = std::make_unique<frmDownload>(s);
        else if (window == QLatin1String("verify"))
            w = std::make_unique<frmVerify>(s);
        else if (window == QLatin1String("batch"))
            w = std::make_unique<frmBatchDownload>(s);
        else
            w = std::make_unique<frmCheck>(s);
        if (window == QLatin1String("verify")) {
            for (int i = 0; i < 96; ++i)
                f.emulator.memory()[i] = static_cast<char>(f.state.byteAt(i));
        }
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(text(*w, "cmdCancel"), QStringLiteral("Cancel"));
        w->show();
        w->start();
        QCOMPARE(text(*w, "lblWhat"), what);
        QCOMPARE(text(*w, "cmdCancel"), QStringLiteral("Close"));
        QVERIFY2(!f.prompt.shown.empty() && f.prompt.shown.front().text.startsWith(firstMessage),
                 qPrintable(f.prompt.texts().join(QLatin1Char('|'))));
        QVERIFY(f.prompt.last().startsWith(QStringLiteral("Download Time = ")));
        if (window == QLatin1String("download") || window == QLatin1String("batch")) {
            // A 100-byte file: addresses 0..95 are sent, the short last block is left alone.
            for (int i = 0; i < 96; ++i)
                QCOMPARE(static_cast<unsigned char>(f.emulator.memory()[i]), f.state.byteAt(i));
            QCOMPARE(f.emulator.memory()[96], '\0');
        }
        // The close box and Esc are refused; the button closes.
        w->close();
        QVERIFY(w->isVisible());
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        click(*w, "cmdCancel");
        QVERIFY(!w->isVisible());
    }

    void cancelStopsAfterTheAddressInProgress() {
        GuiFixture f;
        loadImage(f, 4096);
        f.wire.latency = 0.005;
        Services s = f.services();
        frmDownload w(s);
        w.show();
        int pumps = 0;
        f.ticker.hook = [&] {
            if (++pumps == 50) click(w, "cmdCancel");
        };
        w.start();
        f.ticker.hook = nullptr;
        const int written = f.emulator.frameCount('W');
        QVERIFY2(written > 0 && written < 4000, qPrintable(QString::number(written)));
        QCOMPARE(text(w, "cmdCancel"), QStringLiteral("Close"));
        QVERIFY2(f.prompt.shown.empty(), "a cancel shows no time");
        QVERIFY(w.isVisible());
        click(w, "cmdCancel");
        QVERIFY(!w.isVisible());
    }

    void aCloseClickDuringAByteWaitsForTheLoop() {
        GuiFixture f;
        loadImage(f, 4096);
        f.wire.latency = 0.005;
        Services s = f.services();
        frmDownload w(s);
        w.show();
        int pumps = 0;
        f.ticker.hook = [&] {
            if (++pumps != 10) return;
            click(w, "cmdCancel"); // Cancel, then Close while the byte is still out
            click(w, "cmdCancel");
            QVERIFY2(w.isVisible(), "the window stays while its loop runs");
        };
        w.start();
        f.ticker.hook = nullptr;
        QVERIFY(!w.isVisible());
    }

    void aPortThatCannotOpenEndsTheRunWithAMessage() {
        GuiFixture f;
        loadImage(f, 64);
        f.wire.openError = QStringLiteral("Permission denied");
        Services s = f.services();
        frmVerify w(s);
        w.show();
        w.start();
        QCOMPARE(f.prompt.shown.size(), size_t{1});
        QVERIFY(f.prompt.last().contains(QStringLiteral("Permission denied")));
        QCOMPARE(text(w, "cmdCancel"), QStringLiteral("Close"));
    }

    void downloadChangesFromTheEditor() {
        GuiFixture f;
        f.useSample();
        f.emulator.setFaults({});
        Services s = f.services();
        frmEditor e(s);
        QCOMPARE(e.Form_Load().outcome, OpeningResult::Outcome::Opened);
        QVERIFY(f.state.EmulatorFound);
        for (const char* b : {"cmdComplete", "cmdUpload", "cmdDownload", "cmdBatch", "cmdCheck"})
            QVERIFY2(e.findChild<QPushButton*>(QLatin1String(b))->isEnabled(), b);
        StoreByte(f.state, 0x0300, 0x55);
        StoreByte(f.state, 0x0101, 0x12);
        const int before = f.emulator.frameCount('W');
        click(e, "cmdUpload");
        QCOMPARE(f.emulator.frameCount('W') - before, 2);
        QCOMPARE(f.emulator.memory()[0x0101], '\x12');
        QCOMPARE(f.emulator.memory()[0x0300], '\x55');
        QCOMPARE(text(e, "lblWhat"), QString());
        QCOMPARE(text(e, "lblWhere"), QStringLiteral("0000 0011 0000 0000"));
        QVERIFY(f.prompt.shown.empty());
        QVERIFY(e.findChild<QPushButton*>(QStringLiteral("cmdSave"))->isEnabled());
    }

    void anEmulatorThatDoesNotAnswerLeavesTheButtonsOff() {
        GuiFixture f; // the fixture's emulator stays silent
        f.useSample();
        Services s = f.services();
        frmEditor e(s);
        e.Form_Load();
        QVERIFY(!f.state.EmulatorFound);
        QVERIFY(!e.findChild<QPushButton*>(QStringLiteral("cmdUpload"))->isEnabled());
        QVERIFY(f.prompt.shown.empty());
    }

    void aPortThatCannotOpenAtIdentificationIsReported() {
        GuiFixture f;
        f.useSample();
        f.wire.openError = QStringLiteral("No such file or directory");
        Services s = f.services();
        frmEditor e(s);
        QCOMPARE(e.Form_Load().outcome, OpeningResult::Outcome::Opened);
        QCOMPARE(f.prompt.texts(), QStringList{"Error finding Usable Port."});
        QCOMPARE(f.prompt.shown.front().icon, Prompt::Icon::Critical);
    }
};

QTEST_MAIN(TestTransferWindows)
#include "test_transfer_windows.moc"
