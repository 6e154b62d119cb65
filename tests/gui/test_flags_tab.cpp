// The Flags tab driven through its real controls, offscreen.
#include "core/values.h"
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QtTest>

#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

// An opened editor over a 4 KiB image with two flags: "Options" at 100, "Switches" at `addressB`.
struct Harness {
    GuiFixture fx;
    Services services = fx.services();
    std::unique_ptr<frmEditor> editor;

    Harness(int byteA, const QString& yAxis, const QString& addressB = QStringLiteral("0101")) {
        QByteArray image(4096, '\x5A');
        image[0x100] = static_cast<char>(byteA);
        fx.state.BinPath = fx.writeFile(QStringLiteral("t.bin"), image);
        ItemSpec a, b;
        a.address = QStringLiteral("0100");
        b.address = addressB;
        a.kind = b.kind = 80;
        a.title = QStringLiteral(" Options");
        b.title = QStringLiteral(" Switches");
        a.yLabel = QStringLiteral(" Option");
        a.yAxis = yAxis;
        a.xLabel = QStringLiteral(" Bits");
        a.xAxis = QStringLiteral(" Set = fitted");
        fx.state.EcuPath = fx.writeFile(QStringLiteral("t.ecu"), ecuText({a, b}));
        editor = std::make_unique<frmEditor>(services);
    }
    bool open() {
        if (editor->Form_Load().outcome != OpeningResult::Outcome::Opened) return false;
        editor->show();
        return QTest::qWaitForWindowExposed(editor.get());
    }
    template <class T> T* find(const QString& name) const { return editor->findChild<T*>(name); }
    QCheckBox* box(int i) const { return find<QCheckBox>(QStringLiteral("chkFlag%1").arg(i)); }
    QString bitLabel(int i) const { return find<QLabel>(QStringLiteral("lblFlag_Yaxis%1").arg(i))->text(); }
    QString label(const char* name) const { return find<QLabel>(QLatin1String(name))->text(); }
    // Chooses list entry `index` with the keyboard.
    void choose(int index) {
        QComboBox* list = find<QComboBox>(QStringLiteral("cmbFlag"));
        QTest::keyClick(list, Qt::Key_Home);
        for (int k = 0; k < index; ++k)
            QTest::keyClick(list, Qt::Key_Down);
    }
    void click(int i) { QTest::keyClick(box(i), Qt::Key_Space); }
    int shownByte() const {
        int b = 0;
        for (int i = 0; i < 8; ++i)
            b |= box(i)->isChecked() ? 1 << (7 - i) : 0;
        return b;
    }
    QString cell(int i) const { return fx.state.BinImage[static_cast<size_t>(i)].valueText(); }
    QString pending(int i) const { return fx.state.PendingChanges[static_cast<size_t>(i)].valueText(); }
};

} // namespace

class TestFlagsTab : public QObject {
    Q_OBJECT
private slots:
    void captionsUntilTheResetEmptiesThem();
    void choiceShowsBitsAndLabelsAndWritesNothing_data();
    void choiceShowsBitsAndLabelsAndWritesNothing();
    void eachClickStoresTheByteOfAllBoxes_data();
    void eachClickStoresTheByteOfAllBoxes();
    void clicksReachNothingBeforeAChoiceOrForARefusedItem();
};

void TestFlagsTab::captionsUntilTheResetEmptiesThem() {
    Harness h(0x81, QString());
    QCOMPARE(h.label("lblFlag_Xaxis") + h.label("lblFlag_Xlabel") + h.label("lblFlag_Ylabel"),
             QStringLiteral("X AxisX LabelLabel1"));
    for (int i = 0; i < 8; ++i)
        QCOMPARE(h.bitLabel(i), QStringLiteral("Bit%1").arg(i));
    QVERIFY(h.open());
    QCOMPARE(h.label("lblFlag_Xaxis") + h.label("lblFlag_Xlabel") + h.label("lblFlag_Ylabel"), QString());
    for (int i = 0; i < 8; ++i)
        QCOMPARE(h.bitLabel(i), QString());
}

void TestFlagsTab::choiceShowsBitsAndLabelsAndWritesNothing_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("yAxis");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("81, YAxis of 12 characters")
        << 0x81 << QStringLiteral("ABCDEFGHIJKL") << QStringList{"ABCDE", "FGHIJ", "KL", "", "", "", "", ""};
    QTest::newRow("01, fields keep their spaces")
        << 0x01 << QStringLiteral("A/C  Fan2 EGR  O2htrKnockVSS  IdleCSparkXYZ")
        << QStringList{"A/C  ", "Fan2 ", "EGR  ", "O2htr", "Knock", "VSS  ", "IdleC", "Spark"};
    QTest::newRow("FE, no labels") << 0xFE << QString() << QStringList{"", "", "", "", "", "", "", ""};
}

void TestFlagsTab::choiceShowsBitsAndLabelsAndWritesNothing() {
    QFETCH(int, byte);
    QFETCH(QString, yAxis);
    QFETCH(QStringList, labels);
    Harness h(byte, yAxis);
    QVERIFY(h.open());
    h.choose(1);
    h.choose(0);
    QCOMPARE(h.shownByte(), byte); // box 0, at the top, is weight 128
    for (int i = 0; i < 8; ++i)
        QCOMPARE(h.bitLabel(i), labels[i]);
    QCOMPARE(h.label("lblFlag_Xaxis") + h.label("lblFlag_Xlabel") + h.label("lblFlag_Ylabel"),
             QStringLiteral(" Set = fitted Bits Option"));
    QCOMPARE(h.pending(0x100) + h.pending(0x101), QString());
    QVERIFY(h.editor->isSaved());
}

void TestFlagsTab::eachClickStoresTheByteOfAllBoxes_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QList<int>>("bytes"); // after each click
    QTest::newRow("81: box 3 twice, back to 81") << 0x81 << QList<int>{3, 3} << QList<int>{0x91, 0x81};
    QTest::newRow("00: boxes from the top")
        << 0x00 << QList<int>{0, 1, 6, 7} << QList<int>{0x80, 0xC0, 0xC2, 0xC3};
    QTest::newRow("FF: bottom box, then top box") << 0xFF << QList<int>{7, 0} << QList<int>{0xFE, 0x7E};
}

void TestFlagsTab::eachClickStoresTheByteOfAllBoxes() {
    QFETCH(int, start);
    QFETCH(QList<int>, clicks);
    QFETCH(QList<int>, bytes);
    Harness h(start, QString());
    QVERIFY(h.open());
    h.choose(0);
    for (qsizetype k = 0; k < clicks.size(); ++k) {
        h.click(clicks[k]);
        QCOMPARE(h.cell(0x100), hexByte(bytes[k]));
        // Recorded every time, even when the byte is back to what the file holds.
        QCOMPARE(h.pending(0x100), hexByte(bytes[k]));
        QVERIFY(!h.editor->isSaved());
    }
    QCOMPARE(h.fx.state.PendingChanges[0x100].addressText(), QStringLiteral("000100"));
    QCOMPARE(h.cell(0x101) + h.pending(0x101), QStringLiteral("5A"));
}

void TestFlagsTab::clicksReachNothingBeforeAChoiceOrForARefusedItem() {
    // "Switches" lies past the last byte that Save writes back (FFF).
    Harness h(0x81, QStringLiteral("abcde"), QStringLiteral("1000"));
    QVERIFY(h.open());
    h.click(2);
    QVERIFY(h.box(2)->isChecked());
    h.choose(0);
    QCOMPARE(h.shownByte(), 0x81);
    h.choose(1);
    QCOMPARE(h.fx.prompt.shown.size(), size_t{1});
    QCOMPARE(h.fx.prompt.shown[0].icon, Prompt::Icon::Critical);
    QVERIFY(h.fx.prompt.last().contains(QStringLiteral("Switches")));
    QCOMPARE(h.shownByte(), 0);
    QCOMPARE(h.bitLabel(0), QString());
    h.click(0);
    QCOMPARE(h.pending(0x100), QString());
    QVERIFY(h.editor->isSaved());
}

QTEST_MAIN(TestFlagsTab)
#include "test_flags_tab.moc"
