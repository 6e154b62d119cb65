// The Values tab driven through its real controls, offscreen.
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

ItemSpec valueAt(const char* address, int byteSize, const char* title, double factor = 1) {
    ItemSpec s;
    s.address = QLatin1String(address);
    s.byteSize = byteSize;
    s.title = QLatin1String(title);
    s.factor = factor;
    return s;
}

// An opened editor over a 4 KiB image (`bytes` from 200 on, 3C elsewhere), active, on its Values tab.
struct Harness {
    GuiFixture fx;
    Services services = fx.services();
    std::unique_ptr<frmEditor> editor;

    Harness(const std::vector<ItemSpec>& items, const QByteArray& bytes, const QString& format = {}) {
        QByteArray image(4096, '\x3C');
        image.replace(0x200, bytes.size(), bytes);
        fx.state.BinPath = fx.writeFile(QStringLiteral("t.bin"), image);
        fx.state.EcuPath = fx.writeFile(QStringLiteral("t.ecu"), ecuText(items));
        if (!format.isEmpty()) fx.settings.WriteSetting(QStringLiteral("Numeric Format"), format);
        editor = std::make_unique<frmEditor>(services);
    }
    bool open() {
        if (editor->Form_Load().outcome != OpeningResult::Outcome::Opened) return false;
        editor->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
        editor->show();
        QApplication::setActiveWindow(editor.get());
        return QTest::qWaitForWindowActive(editor.get());
    }
    template <class T> T* find(const char* name) const { return editor->findChild<T*>(QLatin1String(name)); }
    QComboBox* list() const { return find<QComboBox>("cmb0Dim"); }
    QLineEdit* raw() const { return find<QLineEdit>("txtValue_Raw"); }
    QString calc() const { return find<QLineEdit>("txtValue_Calc")->text(); }
    QScrollBar* stepper() const { return find<QScrollBar>("scrValue"); }

    // Picks entry `index` from the list's popup; `open` opens it (a click by default).
    void choose(int index, const std::function<void()>& open = {}) {
        open ? open() : QTest::mouseClick(list(), Qt::LeftButton);
        QAbstractItemView* view = list()->view();
        QTRY_VERIFY(view->isVisible());
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
    }
    // The stepper's up arrow (adds one) or down arrow, from the keyboard.
    void step(bool up) {
        stepper()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(stepper(), up ? Qt::Key_Up : Qt::Key_Down);
    }
    void type(const QString& text) {
        raw()->setFocus(Qt::MouseFocusReason);
        raw()->selectAll();
        QTest::keyClick(raw(), Qt::Key_Delete);
        QTest::keyClicks(raw(), text);
    }
    QString cells(int address, int count, bool pending = false) const {
        QString s;
        for (int k = 0; k < count; ++k)
            s += (pending ? fx.state.PendingChanges : fx.state.BinImage)[static_cast<size_t>(address + k)]
                     .valueText();
        return s;
    }
};

QByteArray hex(const char* digits) {
    return QByteArray::fromHex(digits);
}

} // namespace

class TestValuesTab : public QObject {
    Q_OBJECT
private slots:
    void edits_data();
    void edits();
    void typedTextGoesToTheShownItemWhenTheListOpens_data();
    void typedTextGoesToTheShownItemWhenTheListOpens();
    void calculatedText_data();
    void calculatedText();
    void factorZeroEmptiesTheCalculatedBox();
    void refusedItemsAndNoChoiceReachNothing_data();
    void refusedItemsAndNoChoiceReachNothing();
};

void TestValuesTab::edits_data() {
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<QByteArray>("start");
    // Comma-separated: u / d = the up / down arrow; tTEXT = type TEXT and leave the box; rTEXT = type,
    // Return.
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("written");
    QTest::newRow("1 byte: FF up refused") << 1 << hex("ff") << "u"
                                           << "FF"
                                           << "FF" << false;
    QTest::newRow("1 byte: 00 down refused") << 1 << hex("00") << "d"
                                             << "00"
                                             << "00" << false;
    QTest::newRow("1 byte: 7E up twice") << 1 << hex("7e") << "u,u"
                                         << "80"
                                         << "80" << true;
    QTest::newRow("1 byte: FE up, refused, down") << 1 << hex("fe") << "u,u,d"
                                                  << "FE"
                                                  << "FE" << true;
    QTest::newRow("2 bytes: 00FF up") << 2 << hex("00ff") << "u"
                                      << "0100"
                                      << "100" << true;
    QTest::newRow("2 bytes: 0100 down") << 2 << hex("0100") << "d"
                                        << "00FF"
                                        << "FF" << true;
    QTest::newRow("2 bytes: FFFF up refused") << 2 << hex("ffff") << "u"
                                              << "FFFF"
                                              << "FFFF" << false;
    QTest::newRow("2 bytes: 0000 down refused") << 2 << hex("0000") << "d"
                                                << "0000"
                                                << "0000" << false;
    QTest::newRow("8 bytes: carry through all") << 8 << hex("7fffffffffffffff") << "u"
                                                << "8000000000000000"
                                                << "8000000000000000" << true;
    QTest::newRow("typed oversize") << 1 << hex("12") << "t1ff"
                                    << "FF"
                                    << "FF" << true;
    QTest::newRow("typed past 64 bits") << 8 << hex("1234") << "t1ffffffffffffffff"
                                        << "FFFFFFFFFFFFFFFF"
                                        << "FFFFFFFFFFFFFFFF" << true;
    QTest::newRow("typed short, lower case") << 2 << hex("1234") << "t0a"
                                             << "000A"
                                             << "A" << true;
    QTest::newRow("typed, Return, step") << 2 << hex("1234") << "r1f4,u"
                                         << "01F5"
                                         << "1F5" << true;
    QTest::newRow("unchanged text stored again") << 2 << hex("1234") << "t1234"
                                                 << "1234"
                                                 << "1234" << true;
    QTest::newRow("typed empty") << 2 << hex("1234") << "t"
                                 << "1234"
                                 << "" << false;
    QTest::newRow("empty, then a step") << 2 << hex("1234") << "t,u"
                                        << "1234"
                                        << "1234" << false;
    QTest::newRow("typed not hex") << 2 << hex("1234") << "t12g"
                                   << "1234"
                                   << "1234" << false;
    QTest::newRow("not hex, Return") << 1 << hex("12") << "r-1"
                                     << "12"
                                     << "12" << false;
}

void TestValuesTab::edits() {
    QFETCH(int, byteSize);
    QFETCH(QByteArray, start);
    QFETCH(QString, actions);
    QFETCH(QString, cells);
    QFETCH(QString, text);
    QFETCH(bool, written);
    Harness h({valueAt("0200", byteSize, " Limit")}, start);
    QVERIFY(h.open());
    h.choose(0);
    QPushButton* defaultButton = nullptr;
    for (QPushButton* b : h.editor->findChildren<QPushButton*>())
        defaultButton = b->isDefault() ? b : defaultButton;
    QVERIFY(defaultButton);
    QSignalSpy pressed(defaultButton, &QPushButton::clicked);
    for (const QString& a : actions.split(QLatin1Char(','))) {
        if (a == QLatin1String("u") || a == QLatin1String("d")) {
            h.step(a == QLatin1String("u"));
        } else {
            h.type(a.mid(1));
            const bool enter = a.startsWith(QLatin1Char('r'));
            QTest::keyClick(h.raw(), enter ? Qt::Key_Return : Qt::Key_Tab);
            QCOMPARE(h.raw()->hasFocus(), enter);
        }
        QCOMPARE(h.stepper()->value(), 0); // back at rest, so the next arrow steps again
    }
    QCOMPARE(pressed.count(), 0); // Return stops at the box
    QCOMPARE(h.cells(0x200, byteSize), cells);
    QCOMPARE(h.raw()->text(), text);
    QCOMPARE(h.editor->isSaved(), !written);
    QCOMPARE(h.cells(0x200, byteSize + 1, true), written ? cells : QString());
}

void TestValuesTab::typedTextGoesToTheShownItemWhenTheListOpens_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("click") << 0;
    QTest::newRow("click on a list that takes no focus") << 1;
    QTest::newRow("back-tab to the list, F4") << 2;
}

void TestValuesTab::typedTextGoesToTheShownItemWhenTheListOpens() {
    QFETCH(int, way);
    Harness h({valueAt("0200", 2, " Limit"), valueAt("0202", 1, " Idle", 12.5)}, hex("1a9040"));
    QVERIFY(h.open());
    h.choose(0);
    h.type(QStringLiteral("1b58"));
    if (way == 1) h.list()->setFocusPolicy(Qt::TabFocus);
    h.choose(1, [&] {
        if (way != 2) return QTest::mouseClick(h.list(), Qt::LeftButton);
        QTest::keyClick(h.raw(), Qt::Key_Backtab);
        QTest::keyClick(h.list(), Qt::Key_F4);
    });
    QCOMPARE(h.cells(0x200, 3, true), QStringLiteral("1B58"));
    QCOMPARE(h.raw()->text() + h.calc(), QStringLiteral("40800."));
}

void TestValuesTab::calculatedText_data() {
    QTest::addColumn<QString>("format"); // empty: the default "##.##"
    QTest::addColumn<int>("conversion");
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("offset");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("afterUp");
    QTest::newRow("default, negative") << QString() << 0 << 0.5 << -2.0 << hex("0002") << "-1."
                                       << "-.5";
    QTest::newRow("conversion 1") << QString() << 1 << 1000.0 << 0.0 << hex("0004") << "250."
                                  << "200.";
    QTest::newRow("conversion 1 at 0") << QString() << 1 << 1000.0 << 0.0 << hex("0000") << ""
                                       << "1000.";
    QTest::newRow("0.000") << QStringLiteral("0.000") << 0 << 12.5 << 0.0 << hex("0040") << "800.000"
                           << "812.500";
}

void TestValuesTab::calculatedText() {
    QFETCH(QString, format);
    QFETCH(int, conversion);
    QFETCH(double, factor);
    QFETCH(double, offset);
    QFETCH(QByteArray, start);
    QFETCH(QString, shown);
    QFETCH(QString, afterUp);
    ItemSpec item = valueAt("0200", 2, " Item", factor);
    item.conversion = conversion;
    item.offset = offset;
    item.xLabel = QStringLiteral(" rpm");
    Harness h({item}, start, format);
    QVERIFY(h.open());
    h.choose(0);
    QCOMPARE(h.calc(), shown);
    QCOMPARE(h.find<QLabel>("lblValue_Xlabel")->text(), QStringLiteral(" rpm"));
    QVERIFY(h.editor->isSaved()); // choosing writes nothing
    QCOMPARE(h.cells(0x200, 2, true), QString());
    h.step(true);
    QCOMPARE(h.calc(), afterUp);
}

void TestValuesTab::factorZeroEmptiesTheCalculatedBox() {
    Harness h({valueAt("0200", 1, " Idle", 12.5), valueAt("0201", 1, " Prime", 0)}, hex("4020"));
    QVERIFY(h.open());
    h.choose(0);
    QCOMPARE(h.calc(), QStringLiteral("800."));
    h.choose(1);
    QCOMPARE(h.raw()->text() + h.calc(), QStringLiteral("20"));
    h.step(true);
    QCOMPARE(h.cells(0x201, 1) + h.calc(), QStringLiteral("21"));
}

void TestValuesTab::refusedItemsAndNoChoiceReachNothing_data() {
    QTest::addColumn<QString>("address"); // empty: no item is chosen at all
    QTest::addColumn<int>("byteSize");
    QTest::newRow("no choice") << QString() << 1;
    QTest::newRow("no bytes") << QStringLiteral("0201") << 0;
    QTest::newRow("nine bytes") << QStringLiteral("0201") << 9;
    QTest::newRow("past the last saved byte") << QStringLiteral("0FFF") << 2;
}

void TestValuesTab::refusedItemsAndNoChoiceReachNothing() {
    QFETCH(QString, address);
    QFETCH(int, byteSize);
    ItemSpec odd = valueAt("0201", byteSize, " Odd");
    odd.address = address;
    Harness h({valueAt("0200", 1, " Good", 2), odd}, hex("10"));
    QVERIFY(h.open());
    if (!address.isEmpty()) {
        h.choose(0);
        h.choose(1);
        QCOMPARE(h.fx.prompt.shown.size(), size_t{1});
        QCOMPARE(h.fx.prompt.shown[0].icon, Prompt::Icon::Critical);
        QVERIFY(h.fx.prompt.last().contains(QStringLiteral("Odd")));
        QCOMPARE(h.raw()->text() + h.calc() + h.find<QLabel>("lblValue_Xlabel")->text(), QString());
    }
    h.step(true);
    QCOMPARE(h.stepper()->value(), 0);
    h.type(QStringLiteral("5"));
    QTest::keyClick(h.raw(), Qt::Key_Tab);
    QVERIFY(h.editor->isSaved());
    QCOMPARE(h.cells(0x200, 8, true), QString());
    h.choose(0); // shows the image, not what was typed
    QCOMPARE(h.raw()->text(), QStringLiteral("10"));
}

QTEST_MAIN(TestValuesTab)
#include "test_values_tab.moc"
