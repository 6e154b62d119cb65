// The Arrays tab driven through its real controls: layout and headings of one-row and
// one-column tables, key edits, the raw/calculated switch and refusals.
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"
#include "widgets/table_grid.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

constexpr int kImageLength = 2048;

struct Opened {
    GuiFixture f;
    std::unique_ptr<Services> services;
    std::unique_ptr<frmEditor> editor;

    Opened(const std::vector<ItemSpec>& items, const std::vector<std::pair<int, int>>& bytes) {
        QByteArray image(kImageLength, '\0');
        for (auto [a, v] : bytes)
            image[a] = static_cast<char>(v);
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), image);
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecuText(items));
        services = std::make_unique<Services>(f.services());
        editor = std::make_unique<frmEditor>(*services);
        QVERIFY(editor->Form_Load().outcome == OpeningResult::Outcome::Opened);
        editor->show();
    }
    template <typename T> T* find(const char* name) const {
        T* w = editor->findChild<T*>(QLatin1String(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    TableGrid* grid() const { return find<TableGrid>("grdLine"); }
    EditorState& vars() const { return editor->vars(); }
    void choose(int index) const {
        auto* combo = find<QComboBox>("cmb1Dim");
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void select(int row, int col) const {
        grid()->selectionModel()->select(grid()->model()->index(row, col), QItemSelectionModel::Select);
    }
    int byte(int address) const { return f.state.byteAt(address); }
    bool pending(int address) const {
        return !f.state.PendingChanges[static_cast<size_t>(address)].isEmpty();
    }
};

ItemSpec table(const QString& address, int cols, int rows, const QString& title = QStringLiteral(" Enrich")) {
    ItemSpec t;
    t.address = address;
    t.columns = cols;
    t.rows = rows;
    t.title = title;
    t.xLabel = QStringLiteral(" Percent");
    t.yLabel = QStringLiteral(" Coolant");
    return t;
}

} // namespace

class TestArraysTab : public QObject {
    Q_OBJECT

private slots:
    void oneColumnTableHasItsFirstByteAtTheBottom() {
        ItemSpec t = table(QStringLiteral("0300"), 1, 8);
        t.yAxis = QStringLiteral("  -40  -20    0   20   40   60   80  100");
        Opened o({t}, {{0x300, 10}, {0x301, 11}, {0x307, 17}});
        o.choose(0);
        TableGrid* g = o.grid();
        QCOMPARE(g->rows(), 9);
        QCOMPARE(g->cols(), 2);
        QCOMPARE(g->text(8, 1), QStringLiteral("10"));
        QCOMPARE(g->text(7, 1), QStringLiteral("11"));
        QCOMPARE(g->text(1, 1), QStringLiteral("17"));
        QCOMPARE(g->text(8, 0), QStringLiteral("  -40"));
        QCOMPARE(g->text(1, 0), QStringLiteral("  100"));
        QCOMPARE(g->text(0, 1), QString()); // no XAxis text
        QCOMPARE(o.find<QLabel>("lblLine_Xlabel")->text(), QStringLiteral(" Percent"));
        QCOMPARE(o.find<QLabel>("lblLine_Ylabel")->text(), QStringLiteral(" Coolant"));
        QCOMPARE(o.find<QLabel>("lblLine_Zlabel")->text(), QStringLiteral("Raw Values"));
        QCOMPARE(o.vars().ArrayCols, 1);
        QCOMPARE(o.vars().ArrayRows, 8);
    }

    void oneRowTableRunsLeftToRightWithThreeCharacterHeadings() {
        ItemSpec t = table(QStringLiteral("0310"), 16, 1);
        t.xAxis = QStringLiteral("  0 10 20 30 40 50 60 70 80 90100110120130140");
        Opened o({t}, {{0x310, 1}, {0x31F, 255}});
        o.choose(0);
        TableGrid* g = o.grid();
        QCOMPARE(g->rows(), 2);
        QCOMPARE(g->cols(), 17);
        QCOMPARE(g->text(1, 1), QStringLiteral("1"));
        QCOMPARE(g->text(1, 16), QStringLiteral("255"));
        QCOMPARE(g->text(0, 1), QStringLiteral("  0"));
        QCOMPARE(g->text(0, 11), QStringLiteral("100"));
        QCOMPARE(g->text(0, 15), QStringLiteral("140"));
        QCOMPARE(g->text(0, 16), QString()); // the axis text ends before field 16
    }

    void keysStepSelectedCells_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QList<int>>("expect");
        QTest::newRow("plus") << int(Qt::Key_Plus) << 0 << QList<int>{1, 129, 255};
        QTest::newRow("minus") << int(Qt::Key_Minus) << 0 << QList<int>{0, 127, 254};
        QTest::newRow("arrow") << int(Qt::Key_Down) << 0 << QList<int>{0, 128, 255};
    }
    void keysStepSelectedCells() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QList<int>, expect);
        Opened o({table(QStringLiteral("0400"), 1, 4)},
                 {{0x400, 0}, {0x401, 128}, {0x402, 255}, {0x403, 50}});
        o.choose(0);
        for (int r = 2; r <= 4; ++r)
            o.select(r, 1); // table rows 2, 1, 0
        QTest::keyClick(o.grid(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(o.byte(0x400 + r), expect[r]);
            QCOMPARE(o.grid()->text(4 - r, 1), QString::number(expect[r]));
        }
        QCOMPARE(o.byte(0x403), 50);
        for (int a = 0x400; a < 0x404; ++a)
            QVERIFY(o.pending(a));
        QVERIFY(!o.pending(0x404));
        QVERIFY(!o.vars().IsSaved);
    }

    void calculatedValuesFollowTheItem_data() {
        QTest::addColumn<int>("conversion");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QStringList>("calculated"); // raw 0, 2, 250
        QTest::newRow("multiply") << 0 << 0.25 << QStringList{"3.", "3.5", "65.5"};
        QTest::newRow("factor 0 shows the offset") << 0 << 0.0 << QStringList{"3.", "3.", "3."};
    }
    void calculatedValuesFollowTheItem() {
        QFETCH(int, conversion);
        QFETCH(double, factor);
        QFETCH(QStringList, calculated);
        ItemSpec t = table(QStringLiteral("0500"), 3, 1, QStringLiteral(" Cranking fuel"));
        t.conversion = conversion;
        t.factor = factor;
        t.offset = 3;
        Opened o({t}, {{0x500, 0}, {0x501, 2}, {0x502, 250}});
        o.choose(0);
        auto* button = o.find<QPushButton>("cmdShowIn_1");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Show Raw Values"));
        QCOMPARE(o.find<QLabel>("lblLine_Zlabel")->text(), QStringLiteral(" Cranking fuel"));
        for (int c = 0; c < 3; ++c)
            QCOMPARE(o.grid()->text(1, c + 1), calculated[c]);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Show in Calculated Values"));
        QCOMPARE(o.grid()->text(1, 3), QStringLiteral("250"));
        QCOMPARE(o.byte(0x502), 250);
        for (int a = 0; a < kImageLength; ++a)
            QVERIFY(!o.pending(a));
        QVERIFY(o.vars().IsSaved);
    }

    void modeCarriesOverToTheNextTableAndMapsLeaveItAlone() {
        Opened o({table(QStringLiteral("0100"), 2, 1, QStringLiteral(" A")),
                  table(QStringLiteral("0200"), 1, 2, QStringLiteral(" B")),
                  table(QStringLiteral("0300"), 2, 2)},
                 {{0x200, 4}});
        o.choose(0);
        QTest::mouseClick(o.find<QPushButton>("cmdShowIn_1"), Qt::LeftButton);
        o.choose(1);
        QCOMPARE(o.find<QLabel>("lblLine_Zlabel")->text(), QStringLiteral(" B"));
        QCOMPARE(o.grid()->text(2, 1), QStringLiteral("4.")); // calculated: 4 x 1 + 0
        auto* maps = o.find<QComboBox>("cmb2Dim");
        maps->setCurrentIndex(0);
        emit maps->activated(0);
        QCOMPARE(o.vars().ArrayRows, 2);
        QCOMPARE(o.vars().ArrayCols, 1);
        QCOMPARE(o.grid()->text(2, 1), QStringLiteral("4."));
    }

    void refusedTableShowsAndWritesNothing() {
        Opened o({table(QStringLiteral("0100"), 4, 1),
                  table(QStringLiteral("07FE"), 1, 4, QStringLiteral(" Tail"))},
                 {{0x100, 3}});
        o.choose(0);
        o.choose(1);
        QCOMPARE(o.f.prompt.shown.size(), size_t(1));
        QVERIFY(o.f.prompt.shown[0].icon == Prompt::Icon::Critical);
        QVERIFY(o.f.prompt.last().contains(QStringLiteral("Tail")));
        QCOMPARE(o.grid()->rows(), 2);
        QCOMPARE(o.grid()->text(1, 1), QString());
        QCOMPARE(o.vars().ArrayRows, 0);
        QTest::keyClick(o.grid(), Qt::Key_Equal);
        for (int a = 0; a < kImageLength; ++a)
            QVERIFY(!o.pending(a));
    }

    void highlightFollowsFocus() {
        Opened o({table(QStringLiteral("0100"), 4, 1)}, {});
        o.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
        QApplication::setActiveWindow(o.editor.get());
        QVERIFY(QTest::qWaitForWindowActive(o.editor.get()));
        o.choose(0);
        QVERIFY(!o.grid()->selectionHighlight());
        o.grid()->setFocus();
        QTRY_VERIFY(o.grid()->selectionHighlight());
        o.find<QPushButton>("cmdShowIn_1")->setFocus();
        QTRY_VERIFY(!o.grid()->selectionHighlight());
    }
};

QTEST_MAIN(TestArraysTab)
#include "test_arrays_tab.moc"
