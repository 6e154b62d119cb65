// The Flags tab driven through its real controls, offscreen.
#include "core/values.h"
#include "editor/flags_tab.h"
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

constexpr int kFlagA = 0x100;
constexpr int kFlagB = 0x101;

ItemSpec flagAt(const QString& address) {
    ItemSpec s;
    s.address = address;
    s.kind = 80;
    return s;
}

// An opened editor over a 4 KiB image holding two flags and one value, on its Flags tab.
struct Harness {
    GuiFixture fx;
    Services services = fx.services();
    std::unique_ptr<frmEditor> editor;

    Harness(int byteA, const QString& yAxis, const QString& addressB = QStringLiteral("0101")) {
        QByteArray image(4096, '\x33');
        image[kFlagA] = static_cast<char>(byteA);
        image[kFlagB] = static_cast<char>(0x5A);
        fx.state.BinPath = fx.writeFile(QStringLiteral("t.bin"), image);
        ItemSpec a = flagAt(QStringLiteral("0100"));
        a.title = QStringLiteral(" Options");
        a.yLabel = QStringLiteral(" Option");
        a.yAxis = yAxis;
        a.xLabel = QStringLiteral(" Bits");
        a.xAxis = QStringLiteral(" Set = fitted");
        ItemSpec b = flagAt(addressB);
        b.title = QStringLiteral(" Switches");
        b.yAxis = QStringLiteral("C12  C13  C14  C21  C24  C32  C42  C44  ");
        ItemSpec v = flagAt(QStringLiteral("0200"));
        v.kind = 0;
        v.title = QStringLiteral(" Value");
        fx.state.EcuPath = fx.writeFile(QStringLiteral("t.ecu"), ecuText({a, b, v}));
        editor = std::make_unique<frmEditor>(services);
    }

    bool open() {
        if (editor->Form_Load().outcome != OpeningResult::Outcome::Opened) return false;
        editor->show();
        return QTest::qWaitForWindowExposed(editor.get());
    }
    template <class T> T* find(const QString& name) const { return editor->findChild<T*>(name); }
    QCheckBox* box(int i) const { return find<QCheckBox>(QStringLiteral("chkFlag%1").arg(i)); }
    QLabel* bitLabel(int i) const { return find<QLabel>(QStringLiteral("lblFlag_Yaxis%1").arg(i)); }
    QComboBox* list() const { return find<QComboBox>(QStringLiteral("cmbFlag")); }

    // Chooses list entry `index` with the keyboard, as a user stepping through the list does.
    void choose(int index) {
        QComboBox* l = list();
        l->setFocus();
        QTest::keyClick(l, Qt::Key_Home);
        for (int k = 0; k < index; ++k)
            QTest::keyClick(l, Qt::Key_Down);
    }
    // Clicks box i where its indicator is drawn.
    void click(int i) {
        QCheckBox* b = box(i);
        QStyleOptionButton opt;
        opt.initFrom(b);
        const QRect r = b->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, b);
        QTest::mouseClick(b, Qt::LeftButton, {}, r.center());
    }
    int shownByte() const {
        int b = 0;
        for (int i = 0; i < 8; ++i)
            if (box(i)->isChecked()) b |= 1 << (7 - i);
        return b;
    }
    bool anyPending() const {
        for (const BinCell& c : fx.state.PendingChanges)
            if (!c.isEmpty()) return true;
        return false;
    }
    QString cell(int i) const { return fx.state.BinImage[static_cast<size_t>(i)].valueText(); }
    QString pending(int i) const { return fx.state.PendingChanges[static_cast<size_t>(i)].valueText(); }
};

} // namespace

class TestFlagsTab : public QObject {
    Q_OBJECT
private slots:
    void captionsBeforeOpeningAndEmptiedByTheReset();
    void choiceShowsBitsAndLabels_data();
    void choiceShowsBitsAndLabels();
    void clicksRebuildTheByte_data();
    void clicksRebuildTheByte();
    void clicksBeforeAnyChoiceReachNothing();
    void refusedItemShowsNothingAndTakesNoClick();
};

void TestFlagsTab::captionsBeforeOpeningAndEmptiedByTheReset() {
    Harness h(0x81, QStringLiteral("ABCDE"));
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblFlag_Xaxis"))->text(), QStringLiteral("X Axis"));
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblFlag_Xlabel"))->text(), QStringLiteral("X Label"));
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblFlag_Ylabel"))->text(), QStringLiteral("Label1"));
    for (int i = 0; i < 8; ++i)
        QCOMPARE(h.bitLabel(i)->text(), QStringLiteral("Bit%1").arg(i));

    QVERIFY(h.open());
    QCOMPARE(h.list()->count(), 2);
    QCOMPARE(h.list()->currentText(), QString());
    for (const char* name : {"lblFlag_Xaxis", "lblFlag_Xlabel", "lblFlag_Ylabel"})
        QCOMPARE(h.find<QLabel>(QLatin1String(name))->text(), QString());
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(h.bitLabel(i)->text(), QString());
        QVERIFY(!h.box(i)->isChecked());
    }
}

void TestFlagsTab::choiceShowsBitsAndLabels_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("yAxis");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("81, YAxis of 12 characters")
        << 0x81 << QStringLiteral("ABCDEFGHIJKL") << QStringList{"ABCDE", "FGHIJ", "KL", "", "", "", "", ""};
    QTest::newRow("01, fields keep their spaces")
        << 0x01 << QStringLiteral("A/C  Fan2 EGR  O2htrKnockVSS  IdleCSpark")
        << QStringList{"A/C  ", "Fan2 ", "EGR  ", "O2htr", "Knock", "VSS  ", "IdleC", "Spark"};
    QTest::newRow("FE, longer than eight fields")
        << 0xFE << QStringLiteral("1234567890123456789012345678901234567890XYZ")
        << QStringList{"12345", "67890", "12345", "67890", "12345", "67890", "12345", "67890"};
    QTest::newRow("00, field ends exactly")
        << 0x00 << QStringLiteral("abcdefghij") << QStringList{"abcde", "fghij", "", "", "", "", "", ""};
    QTest::newRow("A5, no labels") << 0xA5 << QString() << QStringList{"", "", "", "", "", "", "", ""};
}

void TestFlagsTab::choiceShowsBitsAndLabels() {
    QFETCH(int, byte);
    QFETCH(QString, yAxis);
    QFETCH(QStringList, labels);
    Harness h(byte, yAxis);
    QVERIFY(h.open());
    h.choose(1);
    h.choose(0);

    QCOMPARE(h.shownByte(), byte);
    // Top box is weight 128.
    QCOMPARE(h.box(0)->isChecked(), (byte & 0x80) != 0);
    QCOMPARE(h.box(7)->isChecked(), (byte & 0x01) != 0);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(h.bitLabel(i)->text(), labels[i]);
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblFlag_Xaxis"))->text(), QStringLiteral(" Set = fitted"));
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblFlag_Xlabel"))->text(), QStringLiteral(" Bits"));
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblFlag_Ylabel"))->text(), QStringLiteral(" Option"));
    // Setting the boxes from code wrote nothing.
    QVERIFY(!h.anyPending());
    QVERIFY(h.editor->isSaved());
    QCOMPARE(h.cell(kFlagA), hexByte(byte));
}

void TestFlagsTab::clicksRebuildTheByte_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QList<int>>("bytes"); // the byte after each click
    QTest::newRow("81: box 3 adds weight 16") << 0x81 << QList<int>{3} << QList<int>{0x91};
    QTest::newRow("81: box 3 twice, back to 81") << 0x81 << QList<int>{3, 3} << QList<int>{0x91, 0x81};
    QTest::newRow("00: every box from the top") << 0x00 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7}
                                                << QList<int>{0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
    QTest::newRow("FF: bottom box, then top box") << 0xFF << QList<int>{7, 0} << QList<int>{0xFE, 0x7E};
}

void TestFlagsTab::clicksRebuildTheByte() {
    QFETCH(int, start);
    QFETCH(QList<int>, clicks);
    QFETCH(QList<int>, bytes);
    Harness h(start, QStringLiteral("abc"));
    QVERIFY(h.open());
    h.choose(0);
    QVERIFY(h.editor->isSaved());
    for (qsizetype k = 0; k < clicks.size(); ++k) {
        h.click(clicks[k]);
        QCOMPARE(h.shownByte(), bytes[k]);
        QCOMPARE(h.cell(kFlagA), hexByte(bytes[k]));
        // Recorded each time, even when the byte returns to what the file holds.
        QCOMPARE(h.pending(kFlagA), hexByte(bytes[k]));
        QCOMPARE(h.fx.state.PendingChanges[kFlagA].addressText(), QStringLiteral("000100"));
        QVERIFY(!h.editor->isSaved());
    }
    // The neighbouring flag is untouched.
    QCOMPARE(h.cell(kFlagB), QStringLiteral("5A"));
    QVERIFY(h.fx.state.PendingChanges[kFlagB].isEmpty());
}

void TestFlagsTab::clicksBeforeAnyChoiceReachNothing() {
    Harness h(0x81, QStringLiteral("abc"));
    QVERIFY(h.open());
    h.click(2);
    QVERIFY(h.box(2)->isChecked());
    QVERIFY(!h.anyPending());
    QVERIFY(h.editor->isSaved());
    // Choosing afterwards shows the byte, not the box clicked before.
    h.choose(0);
    QCOMPARE(h.shownByte(), 0x81);
}

void TestFlagsTab::refusedItemShowsNothingAndTakesNoClick() {
    // The second flag lies past the last byte that Save writes back (FFF).
    Harness h(0x81, QStringLiteral("abcdefghij"), QStringLiteral("1000"));
    QVERIFY(h.open());
    h.choose(0);
    QCOMPARE(h.shownByte(), 0x81);
    h.choose(1);
    QCOMPARE(h.fx.prompt.shown.size(), size_t{1});
    QCOMPARE(h.fx.prompt.shown[0].icon, Prompt::Icon::Critical);
    QVERIFY(h.fx.prompt.last().contains(QStringLiteral("Switches")));
    QCOMPARE(h.shownByte(), 0);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(h.bitLabel(i)->text(), QString());
    h.click(0);
    QVERIFY(!h.anyPending());
    QVERIFY(h.editor->isSaved());
    QCOMPARE(h.cell(kFlagA), QStringLiteral("81"));
}

QTEST_MAIN(TestFlagsTab)
#include "test_flags_tab.moc"
