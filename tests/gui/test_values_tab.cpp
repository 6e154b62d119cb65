// The Values tab driven through its real controls, offscreen.
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

ItemSpec valueAt(const QString& address, int byteSize, const QString& title, double factor = 1) {
    ItemSpec s;
    s.address = address;
    s.byteSize = byteSize;
    s.title = title;
    s.factor = factor;
    s.xLabel = QStringLiteral(" rpm");
    return s;
}

// An opened editor over a 4 KiB image, shown and active, on its Values tab.
struct Harness {
    GuiFixture fx;
    Services services = fx.services();
    std::unique_ptr<frmEditor> editor;

    // `bytes` is written from 0x200 on; the rest of the image holds 33.
    Harness(const std::vector<ItemSpec>& items, const QByteArray& bytes, const QString& format = {}) {
        QByteArray image(4096, '\x33');
        image.replace(0x200, bytes.size(), bytes);
        fx.state.BinPath = fx.writeFile(QStringLiteral("t.bin"), image);
        fx.state.EcuPath = fx.writeFile(QStringLiteral("t.ecu"), ecuText(items));
        if (!format.isEmpty()) fx.settings.WriteSetting(QStringLiteral("Numeric Format"), format);
        editor = std::make_unique<frmEditor>(services);
    }

    bool open() {
        if (editor->Form_Load().outcome != OpeningResult::Outcome::Opened) return false;
        find<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
        editor->show();
        QApplication::setActiveWindow(editor.get());
        return QTest::qWaitForWindowActive(editor.get());
    }
    template <class T> T* find(const QString& name) const { return editor->findChild<T*>(name); }
    QComboBox* list() const { return find<QComboBox>(QStringLiteral("cmb0Dim")); }
    QLineEdit* raw() const { return find<QLineEdit>(QStringLiteral("txtValue_Raw")); }
    QLineEdit* calc() const { return find<QLineEdit>(QStringLiteral("txtValue_Calc")); }
    QScrollBar* stepper() const { return find<QScrollBar>(QStringLiteral("scrValue")); }

    // Opens the list with a click and picks entry `index` from it with the keyboard.
    void choose(int index) {
        QComboBox* l = list();
        QTest::mouseClick(l, Qt::LeftButton);
        QAbstractItemView* view = l->view();
        QTRY_VERIFY(view->isVisible());
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
    }
    // Clicks the stepper's up (adds one) or down (subtracts one) arrow.
    void arrow(bool up) {
        QScrollBar* bar = stepper();
        QStyleOptionSlider opt;
        opt.initFrom(bar);
        opt.subControls = QStyle::SC_All;
        opt.orientation = bar->orientation();
        opt.minimum = bar->minimum();
        opt.maximum = bar->maximum();
        opt.sliderPosition = bar->sliderPosition();
        opt.sliderValue = bar->value();
        opt.singleStep = bar->singleStep();
        opt.pageStep = bar->pageStep();
        const QRect r = bar->style()->subControlRect(
            QStyle::CC_ScrollBar, &opt, up ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine, bar);
        QTest::mouseClick(bar, Qt::LeftButton, {}, r.center());
    }
    // Replaces the raw box's text by typing, as a user does.
    void type(const QString& text) {
        QLineEdit* box = raw();
        box->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    // Leaves the raw box for the next control.
    void leave() { QTest::keyClick(raw(), Qt::Key_Tab); }

    QString cells(int address, int count) const {
        QString s;
        for (int k = 0; k < count; ++k)
            s += fx.state.BinImage[static_cast<size_t>(address + k)].valueText();
        return s;
    }
    QString pending(int address, int count) const {
        QString s;
        for (int k = 0; k < count; ++k)
            s += fx.state.PendingChanges[static_cast<size_t>(address + k)].valueText();
        return s;
    }
    bool anyPending() const {
        for (const BinCell& c : fx.state.PendingChanges)
            if (!c.isEmpty()) return true;
        return false;
    }
};

QByteArray bytes(const char* hex) {
    return QByteArray::fromHex(hex);
}

} // namespace

class TestValuesTab : public QObject {
    Q_OBJECT
private slots:
    void steps_data();
    void steps();
    void typedValues_data();
    void typedValues();
    void typedTextGoesToTheShownItemWhenTheListOpens_data();
    void typedTextGoesToTheShownItemWhenTheListOpens();
    void calculatedText_data();
    void calculatedText();
    void factorZeroEmptiesAndKeepsTheCalculatedBoxEmpty();
    void refusedItems_data();
    void refusedItems();
    void nothingReachesTheImageBeforeAChoice();
};

void TestValuesTab::steps_data() {
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QString>("arrows"); // u = up arrow (adds one), d = down arrow
    QTest::addColumn<QString>("cells");  // after the arrows
    QTest::addColumn<QString>("text");   // raw box after the arrows
    QTest::addColumn<QString>("calc");
    QTest::addColumn<bool>("written");
    QTest::newRow("1 byte: FF up refused") << 1 << bytes("ff") << "u"
                                           << "FF"
                                           << "FF"
                                           << "255." << false;
    QTest::newRow("1 byte: 00 down refused") << 1 << bytes("00") << "d"
                                             << "00"
                                             << "00"
                                             << "." << false;
    QTest::newRow("1 byte: 7E up twice") << 1 << bytes("7e") << "uu"
                                         << "80"
                                         << "80"
                                         << "128." << true;
    QTest::newRow("1 byte: 01 down") << 1 << bytes("01") << "d"
                                     << "00"
                                     << "0"
                                     << "." << true;
    QTest::newRow("1 byte: FE up, up refused, down") << 1 << bytes("fe") << "uud"
                                                     << "FE"
                                                     << "FE"
                                                     << "254." << true;
    QTest::newRow("2 bytes: 00FF up") << 2 << bytes("00ff") << "u"
                                      << "0100"
                                      << "100"
                                      << "256." << true;
    QTest::newRow("2 bytes: 0100 down") << 2 << bytes("0100") << "d"
                                        << "00FF"
                                        << "FF"
                                        << "255." << true;
    QTest::newRow("2 bytes: FFFF up refused") << 2 << bytes("ffff") << "u"
                                              << "FFFF"
                                              << "FFFF"
                                              << "65535." << false;
    QTest::newRow("2 bytes: 0000 down refused") << 2 << bytes("0000") << "d"
                                                << "0000"
                                                << "0000"
                                                << "." << false;
    QTest::newRow("8 bytes: carries through every byte") << 8 << bytes("7fffffffffffffff") << "u"
                                                         << "8000000000000000"
                                                         << "8000000000000000"
                                                         << "9223372036854775808." << true;
    QTest::newRow("8 bytes: all FF up refused") << 8 << bytes("ffffffffffffffff") << "u"
                                                << "FFFFFFFFFFFFFFFF"
                                                << "FFFFFFFFFFFFFFFF"
                                                << "18446744073709551616." << false;
}

void TestValuesTab::steps() {
    QFETCH(int, byteSize);
    QFETCH(QByteArray, start);
    QFETCH(QString, arrows);
    QFETCH(QString, cells);
    QFETCH(QString, text);
    QFETCH(QString, calc);
    QFETCH(bool, written);
    Harness h({valueAt(QStringLiteral("0200"), byteSize, QStringLiteral(" Limit"))}, start + bytes("3c"));
    QVERIFY(h.open());
    h.choose(0);
    QVERIFY(h.editor->isSaved());
    for (QChar a : arrows) {
        h.arrow(a == QLatin1Char('u'));
        // The stepper is back at rest after every click, so the next click steps again.
        QCOMPARE(h.stepper()->value(), 0);
    }
    QCOMPARE(h.cells(0x200, byteSize), cells);
    QCOMPARE(h.raw()->text(), text);
    QCOMPARE(h.calc()->text(), calc);
    QCOMPARE(!h.editor->isSaved(), written);
    QCOMPARE(h.pending(0x200, byteSize), written ? cells : QString());
    // The byte after the item is never touched.
    QCOMPARE(h.cells(0x200 + byteSize, 1), QStringLiteral("3C"));
    QVERIFY(h.fx.state.PendingChanges[static_cast<size_t>(0x200 + byteSize)].isEmpty());
}

void TestValuesTab::typedValues_data() {
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("returnKey"); // commit with Return instead of leaving the box
    QTest::addColumn<QString>("text");   // raw box afterwards
    QTest::addColumn<QString>("cells");
    QTest::addColumn<bool>("written");
    QTest::newRow("oversize, clamped to FF") << 1 << "1ff" << false << "FF"
                                             << "FF" << true;
    QTest::newRow("oversize on 2 bytes") << 2 << "12345" << false << "FFFF"
                                         << "FFFF" << true;
    QTest::newRow("oversize past 64 bits") << 8 << "1ffffffffffffffff" << false << "FFFFFFFFFFFFFFFF"
                                           << "FFFFFFFFFFFFFFFF" << true;
    QTest::newRow("short text on 2 bytes") << 2 << "5" << false << "5"
                                           << "0005" << true;
    QTest::newRow("lower case") << 1 << "ab" << false << "AB"
                                << "AB" << true;
    QTest::newRow("leading zeros") << 2 << "000a" << false << "A"
                                   << "000A" << true;
    QTest::newRow("Return commits") << 2 << "1f4" << true << "1F4"
                                    << "01F4" << true;
    QTest::newRow("unchanged text is stored again") << 2 << "1234" << false << "1234"
                                                    << "1234" << true;
    QTest::newRow("empty: nothing written") << 2 << "" << false << ""
                                            << "1234" << false;
    QTest::newRow("not hex: text restored") << 2 << "12g" << false << "1234"
                                            << "1234" << false;
    QTest::newRow("not hex with Return") << 1 << "-1" << true << "12"
                                         << "12" << false;
}

void TestValuesTab::typedValues() {
    QFETCH(int, byteSize);
    QFETCH(QString, typed);
    QFETCH(bool, returnKey);
    QFETCH(QString, text);
    QFETCH(QString, cells);
    QFETCH(bool, written);
    Harness h({valueAt(QStringLiteral("0200"), byteSize, QStringLiteral(" Limit"))},
              bytes("1234567890abcdef").left(byteSize) + bytes("3c"));
    QVERIFY(h.open());
    h.choose(0);
    h.type(typed);
    // Return must stop at the box: it would otherwise press the editor's default button.
    QPushButton* defaultButton = nullptr;
    for (QPushButton* b : h.editor->findChildren<QPushButton*>())
        if (b->isDefault()) defaultButton = b;
    QVERIFY(defaultButton);
    QSignalSpy pressed(defaultButton, &QPushButton::clicked);
    if (returnKey) {
        QTest::keyClick(h.raw(), Qt::Key_Return);
        QVERIFY(h.raw()->hasFocus());
        QCOMPARE(pressed.count(), 0);
    } else {
        h.leave();
        QVERIFY(!h.raw()->hasFocus());
    }
    QCOMPARE(h.raw()->text(), text);
    QCOMPARE(h.cells(0x200, byteSize), cells);
    QCOMPARE(h.pending(0x200, byteSize), written ? cells : QString());
    QCOMPARE(!h.editor->isSaved(), written);
    QCOMPARE(h.stepper()->value(), 0);
    QCOMPARE(h.cells(0x200 + byteSize, 1), QStringLiteral("3C"));
    QVERIFY(h.fx.prompt.shown.empty());
    if (written && byteSize == 1)
        QCOMPARE(h.calc()->text(), QString::number(h.cells(0x200, 1).toInt(nullptr, 16)) + '.');

    // A step afterwards works on the committed text.
    if (written && cells != QLatin1String("FFFF") && byteSize <= 2) {
        h.arrow(false);
        QCOMPARE(h.raw()->text(), QString::number(cells.toULongLong(nullptr, 16) - 1, 16).toUpper());
    }
}

void TestValuesTab::typedTextGoesToTheShownItemWhenTheListOpens_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("click, list takes the focus") << 0;
    QTest::newRow("click, list takes no focus on click") << 1;
    QTest::newRow("keyboard: back-tab to the list, F4") << 2;
}

void TestValuesTab::typedTextGoesToTheShownItemWhenTheListOpens() {
    QFETCH(int, way);
    Harness h({valueAt(QStringLiteral("0200"), 2, QStringLiteral(" Limit")),
               valueAt(QStringLiteral("0202"), 1, QStringLiteral(" Idle"), 12.5)},
              bytes("1a9040"));
    QVERIFY(h.open());
    h.choose(0);
    QCOMPARE(h.raw()->text(), QStringLiteral("1A90"));
    h.type(QStringLiteral("1b58"));
    QVERIFY(h.raw()->hasFocus());

    QComboBox* l = h.list();
    if (way == 1) l->setFocusPolicy(Qt::TabFocus);
    if (way == 2) {
        QTest::keyClick(h.raw(), Qt::Key_Backtab);
        QVERIFY(l->hasFocus());
        QTest::keyClick(l, Qt::Key_F4);
    } else {
        QTest::mouseClick(l, Qt::LeftButton);
    }
    QAbstractItemView* view = l->view();
    QTRY_VERIFY(view->isVisible());
    // Committed to the item shown until now, before anything is chosen.
    QCOMPARE(h.cells(0x200, 2), QStringLiteral("1B58"));
    QCOMPARE(h.pending(0x200, 2), QStringLiteral("1B58"));
    QVERIFY(!h.editor->isSaved());
    view->setCurrentIndex(view->model()->index(1, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!view->isVisible());

    QCOMPARE(h.raw()->text(), QStringLiteral("40"));
    QCOMPARE(h.calc()->text(), QStringLiteral("800."));
    QCOMPARE(h.cells(0x202, 1), QStringLiteral("40"));
    QVERIFY(h.fx.state.PendingChanges[0x202].isEmpty());
}

void TestValuesTab::calculatedText_data() {
    QTest::addColumn<QString>("format"); // empty: the default "##.##"
    QTest::addColumn<int>("conversion");
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("offset");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("afterUp"); // after one step up
    QTest::newRow("default, factor 0.1") << QString() << 0 << 0.1 << 0.0 << bytes("fffe") << "6553.4"
                                         << "6553.5";
    QTest::newRow("default, offset below zero") << QString() << 0 << 0.5 << -40.0 << bytes("0050") << "."
                                                << ".5";
    QTest::newRow("default, below one") << QString() << 0 << 0.25 << 0.0 << bytes("0001") << ".25"
                                        << ".5";
    QTest::newRow("default, negative") << QString() << 0 << 1.0 << -10.0 << bytes("0003") << "-7."
                                       << "-6.";
    QTest::newRow("default, conversion 1") << QString() << 1 << 1000.0 << 0.0 << bytes("0004") << "250."
                                           << "200.";
    QTest::newRow("conversion 1 at raw 0: empty") << QString() << 1 << 1000.0 << 0.0 << bytes("0000") << ""
                                                  << "1000.";
    QTest::newRow("conversion 2: zero") << QString() << 2 << 3.0 << 5.0 << bytes("0009") << "."
                                        << ".";
    QTest::newRow("0.000") << QStringLiteral("0.000") << 0 << 12.5 << 0.0 << bytes("0040") << "800.000"
                           << "812.500";
    QTest::newRow("#0.0") << QStringLiteral("#0.0") << 0 << 0.01 << 0.0 << bytes("0004") << "0.0"
                          << "0.1";
    QTest::newRow("000 without point") << QStringLiteral("000") << 0 << 1.0 << 0.0 << bytes("0007") << "007"
                                       << "008";
}

void TestValuesTab::calculatedText() {
    QFETCH(QString, format);
    QFETCH(int, conversion);
    QFETCH(double, factor);
    QFETCH(double, offset);
    QFETCH(QByteArray, start);
    QFETCH(QString, shown);
    QFETCH(QString, afterUp);
    ItemSpec item = valueAt(QStringLiteral("0200"), 2, QStringLiteral(" Item"), factor);
    item.conversion = conversion;
    item.offset = offset;
    Harness h({item}, start, format);
    QVERIFY(h.open());
    h.choose(0);
    QCOMPARE(h.calc()->text(), shown);
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblValue_Xlabel"))->text(), QStringLiteral(" rpm"));
    QVERIFY(!h.anyPending());
    QVERIFY(h.editor->isSaved());
    h.arrow(true);
    QCOMPARE(h.calc()->text(), afterUp);
}

void TestValuesTab::factorZeroEmptiesAndKeepsTheCalculatedBoxEmpty() {
    Harness h({valueAt(QStringLiteral("0200"), 1, QStringLiteral(" Idle"), 12.5),
               valueAt(QStringLiteral("0201"), 1, QStringLiteral(" Prime"), 0)},
              bytes("4020"));
    QVERIFY(h.open());
    h.choose(0);
    QCOMPARE(h.calc()->text(), QStringLiteral("800."));
    h.choose(1);
    QCOMPARE(h.raw()->text(), QStringLiteral("20"));
    QCOMPARE(h.calc()->text(), QString());
    h.arrow(true);
    QCOMPARE(h.raw()->text(), QStringLiteral("21"));
    QCOMPARE(h.cells(0x201, 1), QStringLiteral("21"));
    QCOMPARE(h.calc()->text(), QString());
    h.type(QStringLiteral("7"));
    h.leave();
    QCOMPARE(h.cells(0x201, 1), QStringLiteral("07"));
    QCOMPARE(h.calc()->text(), QString());
}

void TestValuesTab::refusedItems_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("byteSize");
    QTest::newRow("no bytes") << QStringLiteral("0201") << 0;
    QTest::newRow("negative size") << QStringLiteral("0201") << -2;
    QTest::newRow("nine bytes") << QStringLiteral("0201") << 9;
    QTest::newRow("address not hex") << QStringLiteral("02G1") << 1;
    QTest::newRow("past the last saved byte") << QStringLiteral("0FFF") << 2;
}

void TestValuesTab::refusedItems() {
    QFETCH(QString, address);
    QFETCH(int, byteSize);
    Harness h({valueAt(QStringLiteral("0200"), 1, QStringLiteral(" Good"), 2),
               valueAt(address, byteSize, QStringLiteral(" Odd"))},
              bytes("10"));
    QVERIFY(h.open());
    h.choose(0);
    QCOMPARE(h.calc()->text(), QStringLiteral("32."));
    h.choose(1);
    QCOMPARE(h.fx.prompt.shown.size(), size_t{1});
    QCOMPARE(h.fx.prompt.shown[0].icon, Prompt::Icon::Critical);
    QVERIFY(h.fx.prompt.last().contains(QStringLiteral("Odd")));
    QCOMPARE(h.raw()->text(), QString());
    QCOMPARE(h.calc()->text(), QString());
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblValue_Xlabel"))->text(), QString());
    // Nothing of either item is written by steps or typing now.
    h.arrow(true);
    h.type(QStringLiteral("5"));
    h.leave();
    QCOMPARE(h.stepper()->value(), 0);
    QVERIFY(!h.anyPending());
    QVERIFY(h.editor->isSaved());
    QCOMPARE(h.cells(0x200, 1), QStringLiteral("10"));
}

void TestValuesTab::nothingReachesTheImageBeforeAChoice() {
    Harness h({valueAt(QStringLiteral("0200"), 1, QStringLiteral(" Idle"))}, bytes("40"));
    QVERIFY(h.open());
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblValue_Raw"))->text(), QStringLiteral("Raw Hex"));
    QCOMPARE(h.find<QLabel>(QStringLiteral("lblValue_Xlabel"))->text(), QStringLiteral("X Label"));
    QVERIFY(h.calc()->isReadOnly());
    h.arrow(true);
    QCOMPARE(h.stepper()->value(), 0);
    h.arrow(false);
    h.type(QStringLiteral("12"));
    h.leave();
    QVERIFY(!h.anyPending());
    QVERIFY(h.editor->isSaved());
    // The first choice shows the image, not the text typed before it.
    h.choose(0);
    QCOMPARE(h.raw()->text(), QStringLiteral("40"));
}

QTEST_MAIN(TestValuesTab)
#include "test_values_tab.moc"
