// The Flags and Values tabs through their real controls: what a choice shows, the bytes each
// click, step and typed text stores, the calculated text, and items they refuse.
#include "core/bin_image.h"
#include "support/editor_harness.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace korvel;
using namespace korvel::test;

namespace {

// Two flags over 4 KiB of 5A: " Options" at 0100 holding `byte` with bit labels `yAxis`, and
// " Switches" at `addressB`.
struct Flags : EditorHarness {
    Flags(int byte, const QString& yAxis, const QString& addressB = QStringLiteral("0101"))
        : EditorHarness(image(4096, {{0x100, byte}}, 0x5A),
                        {{.address = "0100",
                          .kind = 80,
                          .title = " Options",
                          .yLabel = " Option",
                          .yAxis = yAxis,
                          .xLabel = " Bits",
                          .xAxis = " Set = fitted"},
                         {.address = addressB, .kind = 80, .title = " Switches"}}) {
        if (!open(0)) qFatal("the editor did not open");
    }
    QCheckBox* box(int i) const { return find<QCheckBox>(QStringLiteral("chkFlag%1").arg(i)); }
    QString shown() const { // the byte the boxes show (box 0, at the top, is weight 128), then the labels
        int b = 0;
        for (int i = 0; i < 8; ++i)
            b |= box(i)->isChecked() ? 1 << (7 - i) : 0;
        QString t = hexByte(b) + text("lblFlag_Xaxis") + text("lblFlag_Xlabel") + text("lblFlag_Ylabel");
        for (int i = 0; i < 8; ++i)
            t += "|" + text(QStringLiteral("lblFlag_Yaxis%1").arg(i));
        return t;
    }
};

// Byte, YAxis, bit labels.
const std::tuple<const char*, int, const char*, const char*> kChoices[] = {
    {"81, YAxis of 12 characters", 0x81, "ABCDEFGHIJKL", "|ABCDE|FGHIJ|KL|||||"},
    {"01, fields keep their spaces", 0x01, "A/C  Fan2 EGR  O2htrKnockVSS  IdleCSparkXYZ",
     "|A/C  |Fan2 |EGR  |O2htr|Knock|VSS  |IdleC|Spark"},
    {"FE, no labels", 0xFE, "", "||||||||"}};

// Start, boxes clicked, byte after each.
const std::tuple<const char*, int, QList<int>, QList<int>> kClicks[] = {
    {"81: box 3 twice, back to 81", 0x81, {3, 3}, {0x91, 0x81}},
    {"00: boxes from the top", 0x00, {0, 1, 6, 7}, {0x80, 0xC0, 0xC2, 0xC3}},
    {"FF: bottom box, then top box", 0xFF, {7, 0}, {0xFE, 0x7E}}};

ItemSpec value(const QString& address, int byteSize, const QString& title, double factor = 1) {
    return {.address = address, .byteSize = byteSize, .factor = factor, .title = title};
}

// An editor over 4 KiB of 3C with the bytes of `hex` from 0x200 on, open on the Values tab.
struct Values : EditorHarness {
    Values(const std::vector<ItemSpec>& items, const QString& hex, const QString& format = {})
        : EditorHarness(
              image(4096, {}, 0x3C).replace(0x200, int(hex.size()) / 2, QByteArray::fromHex(hex.toLatin1())),
              items) {
        if (!format.isEmpty()) fx.settings.WriteSetting(QStringLiteral("Numeric Format"), format);
        if (!open(1)) qFatal("the editor did not open");
    }
    QComboBox* list() const { return find<QComboBox>("cmb0Dim"); }
    QLineEdit* raw() const { return find<QLineEdit>("txtValue_Raw"); }
    QScrollBar* stepper() const { return find<QScrollBar>("scrValue"); }
    // Picks entry `index` from the list's popup, which `openIt` opens (a click by default).
    void pick(int index, const std::function<void()>& openIt = {}) const {
        openIt ? openIt() : QTest::mouseClick(list(), Qt::LeftButton);
        QTRY_VERIFY(list()->view()->isVisible());
        list()->view()->setCurrentIndex(list()->view()->model()->index(index, 0));
        QTest::keyClick(list()->view(), Qt::Key_Return);
        QTRY_VERIFY(!list()->view()->isVisible());
    }
    void step(bool up) const { // the stepper's up arrow adds one
        stepper()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(stepper(), up ? Qt::Key_Up : Qt::Key_Down);
    }
};

// Byte size, start, actions (u / d: the up / down arrow; tTEXT / rTEXT: TEXT typed, then Tab /
// Return), the bytes and the raw box after them, whether they were written.
const std::tuple<const char*, int, QString, QString, QString, QString, bool> kEdits[] = {
    {"1 byte: FF up refused", 1, "ff", "u", "FF", "FF", false},
    {"1 byte: 7E up twice", 1, "7e", "u,u", "80", "80", true},
    {"1 byte: FE up, refused, down", 1, "fe", "u,u,d", "FE", "FE", true},
    {"2 bytes: 00FF up", 2, "00ff", "u", "0100", "100", true},
    {"2 bytes: 0100 down", 2, "0100", "d", "00FF", "FF", true},
    {"2 bytes: FFFF up refused", 2, "ffff", "u", "FFFF", "FFFF", false},
    {"2 bytes: 0000 down refused", 2, "0000", "d", "0000", "0000", false},
    {"8 bytes: carry through all", 8, "7fffffffffffffff", "u", "8000000000000000", "8000000000000000", true},
    {"typed oversize", 1, "12", "t1ff", "FF", "FF", true},
    {"typed past 64 bits", 8, "1234", "t1ffffffffffffffff", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", true},
    {"typed short, lower case", 2, "1234", "t0a", "000A", "A", true},
    {"typed, Return, step", 2, "1234", "r1f4,u", "01F5", "1F5", true},
    {"unchanged text stored again", 2, "1234", "t1234", "1234", "1234", true},
    {"empty, then a step", 2, "1234", "t,u", "1234", "1234", false},
    {"typed not hex, Return", 2, "1234", "r12g", "1234", "1234", false}};

// Numeric Format (empty: "##.##"), conversion, factor, offset, raw, the calculated text, after a step up.
const std::tuple<const char*, QString, int, double, double, QString, QString, QString> kCalculations[] = {
    {"default, negative", "", 0, 0.5, -2, "0002", "-1.", "-.5"},
    {"conversion 1", "", 1, 1000, 0, "0004", "250.", "200."},
    {"conversion 1 at 0", "", 1, 1000, 0, "0000", "", "1000."},
    {"factor 0 empties the box", "", 0, 0, 3, "0020", "", ""},
    {"0.000", "0.000", 0, 12.5, 0, "0040", "800.000", "812.500"}};

// Address (empty: nothing chosen), byte size.
const std::tuple<const char*, QString, int> kRefusals[] = {{"no choice", "", 1},
                                                           {"no bytes", "0201", 0},
                                                           {"nine bytes", "0201", 9},
                                                           {"past the last saved byte", "0FFF", 2}};

} // namespace

class TestValueTabs : public QObject {
    Q_OBJECT

private slots:
    void aFlagChoiceShowsBitsAndLabelsAndWritesNothing_data() { rows(kChoices); }
    void aFlagChoiceShowsBitsAndLabelsAndWritesNothing() {
        const auto& [tag, byte, yAxis, bitLabels] = fetch(kChoices);
        Flags h(byte, yAxis);
        QCOMPARE(h.shown(), QStringLiteral("00||||||||")); // the reset empties the design captions
        h.choose("cmbFlag", 1);
        h.choose("cmbFlag", 0);
        QCOMPARE(h.shown(), hexByte(byte) + " Set = fitted Bits Option" + bitLabels);
        QVERIFY(h.pendingCount() == 0 && h.editor->isSaved());
    }

    void eachFlagClickStoresTheByteOfAllBoxes_data() { rows(kClicks); }
    void eachFlagClickStoresTheByteOfAllBoxes() {
        const auto& [tag, start, boxes, bytes] = fetch(kClicks);
        Flags h(start, {});
        h.choose("cmbFlag", 0);
        for (qsizetype k = 0; k < boxes.size(); ++k) {
            QTest::keyClick(h.box(boxes[k]), Qt::Key_Space);
            // Recorded every time, even when the byte is back to what the file holds.
            QCOMPARE(h.bytes(0x100) + h.pending(0x100), hexByte(bytes[k]).repeated(2));
            QVERIFY(!h.editor->isSaved());
        }
        QCOMPARE(h.fx.state.PendingChanges[0x100].addressText() + h.bytes(0x101) + h.pending(0x101),
                 "0001005A");
    }

    void flagClicksReachNothingBeforeAChoiceOrForARefusedItem() {
        Flags h(0x81, QStringLiteral("abcde"), QStringLiteral("1000")); // past the last byte Save writes
        QTest::keyClick(h.box(2), Qt::Key_Space);
        QVERIFY(h.box(2)->isChecked());
        h.choose("cmbFlag", 0);
        h.choose("cmbFlag", 1);
        QVERIFY(h.fx.prompt.onlyCritical().contains(QStringLiteral("Switches")));
        QCOMPARE(h.shown(), QStringLiteral("00||||||||"));
        QTest::keyClick(h.box(0), Qt::Key_Space);
        QVERIFY(h.pendingCount() == 0 && h.editor->isSaved());
    }

    void valueEdits_data() { rows(kEdits); }
    void valueEdits() {
        const auto& [tag, byteSize, start, actions, cells, shown, written] = fetch(kEdits);
        Values h({value("0200", byteSize, " Limit")}, start);
        h.pick(0);
        QPushButton* defaultButton = nullptr;
        for (QPushButton* b : h.editor->findChildren<QPushButton*>())
            defaultButton = b->isDefault() ? b : defaultButton;
        QSignalSpy pressed(defaultButton, &QPushButton::clicked);
        for (const QString& a : actions.split(',')) {
            if (a == "u" || a == "d") h.step(a == "u");
            if (a != "u" && a != "d")
                h.type("txtValue_Raw", a.mid(1), a[0] == 'r' ? Qt::Key_Return : Qt::Key_Tab);
            if (a[0] != 'u' && a[0] != 'd') QCOMPARE(h.raw()->hasFocus(), a[0] == 'r');
            QCOMPARE(h.stepper()->value(), 0); // back at rest, so the next arrow steps again
        }
        QCOMPARE(pressed.count(), 0); // Return stops at the box
        QCOMPARE(h.bytes(0x200, byteSize) + "|" + h.raw()->text(), cells + "|" + shown);
        QCOMPARE(h.editor->isSaved(), !written);
        QCOMPARE(h.pending(0x200, byteSize + 1), written ? cells : QString());
    }

    void typedValueGoesToTheShownItemWhenTheListOpens() {
        for (int way : {0, 1, 2}) { // a click, a click on a list that takes no focus, back-tab and F4
            Values h({value("0200", 2, " Limit"), value("0202", 1, " Idle", 12.5)}, "1a9040");
            h.pick(0);
            h.type("txtValue_Raw", QStringLiteral("1b58"), 0);
            if (way == 1) h.list()->setFocusPolicy(Qt::TabFocus);
            h.pick(1, [&] {
                if (way != 2) return QTest::mouseClick(h.list(), Qt::LeftButton);
                QTest::keyClick(h.raw(), Qt::Key_Backtab);
                QTest::keyClick(h.list(), Qt::Key_F4);
            });
            QCOMPARE(h.pending(0x200, 3), QStringLiteral("1B58"));
            QCOMPARE(h.raw()->text() + h.text("txtValue_Calc"), QStringLiteral("40800."));
        }
    }

    void calculatedValue_data() { rows(kCalculations); }
    void calculatedValue() {
        const auto& [tag, format, conversion, factor, offset, raw, shown, afterUp] = fetch(kCalculations);
        ItemSpec item = value("0200", 2, " Item", factor);
        item.offset = offset;
        item.conversion = conversion;
        item.xLabel = QStringLiteral(" rpm");
        Values h({item, value("0202", 1, " Idle", 12.5)}, raw + "40", format);
        h.pick(1); // a calculated text that the next choice must replace
        QVERIFY(!h.text("txtValue_Calc").isEmpty());
        h.pick(0);
        QCOMPARE(h.text("txtValue_Calc") + "|" + h.text("lblValue_Xlabel"), shown + "| rpm");
        QVERIFY(h.editor->isSaved() && h.pendingCount() == 0); // choosing writes nothing
        h.step(true);
        QCOMPARE(h.text("txtValue_Calc"), afterUp);
    }

    void refusedValuesAndNoChoiceReachNothing_data() { rows(kRefusals); }
    void refusedValuesAndNoChoiceReachNothing() {
        const auto& [tag, address, byteSize] = fetch(kRefusals);
        Values h({value("0200", 1, " Good", 2), value(address, byteSize, " Odd")}, "10");
        if (!address.isEmpty()) {
            h.pick(0);
            h.pick(1);
            QVERIFY(h.fx.prompt.onlyCritical().contains(QStringLiteral("Odd")));
            QCOMPARE(h.raw()->text() + h.text("txtValue_Calc") + h.text("lblValue_Xlabel"), QString());
        }
        h.step(true);
        QCOMPARE(h.stepper()->value(), 0);
        h.type("txtValue_Raw", QStringLiteral("5"), Qt::Key_Tab);
        QVERIFY(h.editor->isSaved() && h.pendingCount() == 0);
        h.pick(0); // shows the image, not what was typed
        QCOMPARE(h.raw()->text(), QStringLiteral("10"));
    }
};

QTEST_MAIN(TestValueTabs)
#include "test_value_tabs.moc"
