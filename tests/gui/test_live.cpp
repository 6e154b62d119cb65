// The editor's "Live" box: edits reach the emulator as they happen, transfer windows pause it,
// a failed write switches it off with one message, and closing sends what is still queued.
#include "core/app_state.h"
#include "support/editor_harness.h"

#include <QCheckBox>
#include <QLabel>

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
        QTRY_COMPARE(h.text("lblLive"), QStringLiteral("In step"));
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
        QCOMPARE(during, QStringLiteral("Paused0")); // the check has closed its port by then
        QCOMPARE(h.text("lblLive"), QStringLiteral("In step"));
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
        QTRY_COMPARE(h.text("lblLive"), QStringLiteral("In step"));
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
        QTRY_COMPARE(h.text("lblLive"), QStringLiteral("In step"));
        QVERIFY(held(h, 0x0300) == '\x55' && held(h, 0x0301) == '\x56');
        QCOMPARE(h.fx.prompt.shown.size(), size_t{1});
    }
};

QTEST_MAIN(TestLive)
#include "test_live.moc"
