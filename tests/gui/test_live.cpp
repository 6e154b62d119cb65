// The editor's "Live" box: edits reach the emulator as they happen, transfer windows pause it,
// a failed write switches it off with one message, and closing sends what is still queued.
#include "core/app_state.h"
#include "support/editor_harness.h"
#include "transfer/transfer_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QTimer>

using namespace korvel;
using namespace korvel::test;

namespace {

// An edit as the tabs make one: the bytes stored and recorded as one action.
void liveEdit(EditorHarness& h, const std::vector<std::pair<int, int>>& bytes) {
    std::vector<ByteRange> ranges;
    for (const auto& [address, value] : bytes)
        ranges.push_back({address, 1});
    recordEdit(h.editor->vars().History, h.fx.state, ranges, [&] {
        for (const auto& [address, value] : bytes)
            h.edit(address, value);
    });
}

char held(EditorHarness& h, int address) {
    return h.fx.emulator.memory()[address];
}

const QString kUnchecked = QStringLiteral("Sending edits; emulator not checked");

// Clicks a transfer button and closes its window once the run is over (its button reads "Close").
void runTransfer(EditorHarness& h, const char* button) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        auto* w = qobject_cast<TransferWindow*>(QApplication::activeModalWidget());
        if (!w || w->isRunning() || text(*w, "cmdCancel") != "Close") return;
        timer->deleteLater();
        click(*w, "cmdCancel");
    });
    timer->start(5);
    click(*h.editor, button);
}

} // namespace

class TestLive : public QObject {
    Q_OBJECT

private slots:
    void editsAreSentAndTransfersPauseIt() {
        EditorHarness h;
        h.fx.emulator.setFaults({});
        QVERIFY(h.open());
        auto* live = h.find<QCheckBox>("chkLive");
        QVERIFY(live->isEnabled() && !live->isChecked());
        liveEdit(h, {{0x0300, 0x55}}); // made while off: sent when the box is ticked
        live->click();
        QTRY_COMPARE(h.text("lblLive"), kUnchecked);
        QCOMPARE(held(h, 0x0300), '\x55');
        const int before = h.fx.emulator.frameCount('W');
        const QString old = h.bytes(0x0101, 2);
        liveEdit(h, {{0x0101, 0x12}, {0x0102, 0x13}});
        QTRY_COMPARE(h.fx.emulator.frameCount('W') - before, 2);
        QVERIFY(held(h, 0x0101) == '\x12' && held(h, 0x0102) == '\x13');
        // An undo sends the bytes it puts back.
        QTest::keySequence(h.editor.get(), QKeySequence::Undo);
        QTRY_COMPARE(h.fx.emulator.frameCount('W') - before, 4);
        QCOMPARE(h.fx.emulator.memory().mid(0x0101, 2).toHex().toUpper(), old.toLatin1());

        QString during; // the live label, and how many ports are open, while the transfer window is
        onNextModal([&](QWidget* w) {
            during = h.text("lblLive") + QString::number(h.fx.wire.opens - h.fx.wire.closes);
            for (int i = 0; i < 2 && w->isVisible(); ++i)
                click(*w, "cmdCancel");
        });
        click(*h.editor, "cmdCheck");
        QCOMPARE(during, QStringLiteral("Paused0"));     // the check has closed its port by then
        QCOMPARE(h.text("lblLive"), kUnchecked);         // a check proves nothing about the memory
        QCOMPARE(h.fx.wire.opens - h.fx.wire.closes, 1); // live has its port again

        // Closing sends what is still queued before the window goes.
        liveEdit(h, {{0x0104, 0x77}});
        h.fx.prompt.answers = {false, false};
        h.editor->reject();
        QCOMPARE(held(h, 0x0104), '\x77');
        QVERIFY(!h.editor->isVisible());
    }

    void aCompletedDownloadLeavesNothingForLiveToSend() {
        EditorHarness h;
        h.fx.emulator.setFaults({});
        QVERIFY(h.open());
        liveEdit(h, {{0x0300, 0x55}}); // made while off, then sent by "Download Changes"
        click(*h.editor, "cmdUpload");
        QCOMPARE(held(h, 0x0300), '\x55');
        const int before = h.fx.emulator.frameCount('W');
        h.find<QCheckBox>("chkLive")->click();
        QTRY_COMPARE(h.text("lblLive"), kUnchecked);
        QCOMPARE(h.fx.emulator.frameCount('W'), before);
    }

    void aFailedWriteSwitchesItOffOnceAndKeepsTheBytes() {
        EditorHarness h;
        h.fx.emulator.setFaults({});
        QVERIFY(h.open());
        h.find<QCheckBox>("chkLive")->click();
        h.fx.emulator.setFaults({.silent = true});
        liveEdit(h, {{0x0300, 0x55}, {0x0301, 0x56}});
        QTRY_VERIFY(!h.find<QCheckBox>("chkLive")->isChecked());
        QCOMPARE(h.fx.prompt.onlyCritical(),
                 QStringLiteral("Error writing to Ram at Address 768\nNo reply from "
                                "the emulator.\nLive update has been switched off."));
        QCOMPARE(h.text("lblLive"), QStringLiteral("Failed"));
        QCOMPARE(h.pending(0x0300, 2), QStringLiteral("5556"));
        // Ticked again with the emulator back, the bytes left unsent go out.
        h.fx.emulator.setFaults({});
        h.find<QCheckBox>("chkLive")->click();
        QTRY_COMPARE(h.text("lblLive"), kUnchecked);
        QVERIFY(held(h, 0x0300) == '\x55' && held(h, 0x0301) == '\x56');
        QCOMPARE(h.fx.prompt.shown.size(), size_t{1});
    }

    // "In step" only once a download or a verify in this editor found the emulator holding the image.
    void inStepOnlyAfterADownloadOrVerifyPassed_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("differs"); // the emulator holds one byte other than the image
        QTest::addColumn<QString>("label");
        QTest::newRow("download") << "cmdComplete" << true << "In step";
        QTest::newRow("verify, same bytes") << "cmdDownload" << false << "In step";
        QTest::newRow("verify, one byte differs") << "cmdDownload" << true << kUnchecked;
    }
    void inStepOnlyAfterADownloadOrVerifyPassed() {
        QFETCH(QString, button);
        QFETCH(bool, differs);
        QFETCH(QString, label);
        EditorHarness h(image(256, {{0x10, 0x42}}), {{.address = "0010"}});
        h.fx.emulator.setFaults({});
        QVERIFY(h.open());
        const QByteArray bin = fileBytes(h.fx.state.BinPath);
        h.fx.emulator.memory().replace(0, bin.size(), bin);
        h.fx.emulator.memory()[0x20] = char(differs ? 0x99 : 0);
        h.find<QCheckBox>("chkLive")->click();
        QTRY_COMPARE(h.text("lblLive"), kUnchecked);
        QVERIFY(
            h.find<QLabel>("lblLive")->toolTip().contains("\"Standard Download File\" or \"Verify File\""));
        runTransfer(h, button.toLatin1());
        QTRY_COMPARE(h.text("lblLive"), label);
    }

    // Closing while Live still sends: the question's count follows the sending, and the question
    // closes by itself, and the editor with it, once everything is sent.
    void closingQuestionFollowsTheSendingAndEndsWithIt() {
        EditorHarness h;
        h.fx.emulator.setFaults({});
        QVERIFY(h.open());
        h.find<QCheckBox>("chkLive")->click();
        h.fx.wire.latency = 0.05; // 60 bytes take 3 s: closing waits 2 s, then asks
        std::vector<std::pair<int, int>> bytes;
        for (int a = 0x0300; a < 0x0300 + 60; ++a)
            bytes.push_back({a, a & 0x7F});
        liveEdit(h, bytes);
        h.fx.prompt.thinking = 10000;
        h.fx.prompt.answers = {false, false}; // the checksum and the saving questions
        h.editor->reject();
        QVERIFY(!h.editor->isVisible());
        const QStringList asked = h.fx.prompt.texts().filter("Live update is still sending");
        QCOMPARE(asked.size(), 20);
        QVERIFY(asked[0].contains("sending 20 bytes") && asked.last().contains("sending 1 byte "));
        QCOMPARE(h.fx.prompt.unexpected, 0);
        for (const auto& [address, value] : bytes)
            QCOMPARE(held(h, address), char(value));
    }
};

QTEST_MAIN(TestLive)
#include "test_live.moc"
