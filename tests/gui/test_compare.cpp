// Comparing with another image: the marks of every tab follow the baseline, edits and undo;
// the Changes view opens what it lists; the heat map colours by value under the marks.
#include "support/editor_harness.h"
#include "widgets/heat_palette.h"
#include "widgets/table_grid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QTabWidget>
#include <QTreeWidget>
#include <cmath>

using namespace korvel;
using namespace korvel::test;

namespace {

// A flag, a 2-byte value, a 1 x 4 table and a 4 x 2 map; the stock image differs in one bit
// of the flag, one byte of each other item and one byte of no item.
const std::vector<ItemSpec> kItems{{.address = "100", .kind = 80, .title = "Flag"},
                                   {.address = "200", .byteSize = 2, .factor = 0.5, .title = "Value"},
                                   {.address = "300", .rows = 4, .title = "Table"},
                                   {.address = "400", .columns = 4, .rows = 2, .title = "Map"}};
const QByteArray kImage =
    image(4096, {{0x100, 0x80}, {0x201, 0x10}, {0x302, 7}, {0x400, 1}, {0x405, 9}, {0x407, 30}});
const QByteArray kStock = image(
    4096, {{0x100, 0x81}, {0x201, 0x12}, {0x302, 5}, {0x400, 1}, {0x405, 3}, {0x407, 30}, {0x600, 0xEE}});

struct Compared : EditorHarness {
    Compared() : EditorHarness(kImage, kItems) {
        fx.prompt.files = {fx.writeFile(QStringLiteral("stock.bin"), kStock)};
        QVERIFY(open(0));
        click(*editor, QStringLiteral("cmdCompare"));
        for (const char* list : {"cmbFlag", "cmb0Dim", "cmb1Dim", "cmb2Dim"})
            choose(QString::fromLatin1(list), 0);
        click(*editor, QStringLiteral("cmdPopulate"));
    }
    // "changed|tool tip" of a grid cell, or of a control.
    QString cell(const QString& grid, int row, int col) const {
        const QModelIndex i = find<TableGrid>(grid)->model()->index(row, col);
        return joined(i.data(kChangedRole).toBool() ? "changed" : "same", i.data(Qt::ToolTipRole).toString());
    }
    QString control(const QString& name) const {
        const QWidget* w = find(name);
        return joined(w->property("changed").toBool() ? "changed" : "same", w->toolTip());
    }
    QString bold(const QString& list) const {
        return find<QComboBox>(list)->itemData(0, Qt::FontRole).value<QFont>().bold() ? "bold" : "plain";
    }
    void showTab(int i) const { find<QTabWidget>("SSTab1")->setCurrentIndex(i); }
};

} // namespace

class TestCompare : public QObject {
    Q_OBJECT
private slots:
    void everyTabMarksWhatDiffersFromTheStockImage() {
        Compared h;
        QCOMPARE(QStringList({h.control("chkFlag7"), h.control("chkFlag6"), h.control("txtValue_Raw"),
                              h.cell("grdLine", 2, 1), h.cell("grdLine", 1, 1), h.cell("grdMap", 1, 2),
                              h.cell("grdMap", 2, 1), h.cell("grdHex", 0x600 / 16 + 1, 1),
                              h.cell("grdHex", 0x100 / 16 + 1, 1)}),
                 QStringList({"changed was on", "same ", "changed was 0012 (9.)", "changed was 5", "same ",
                              "changed was 3", "same ", "changed was EE", "changed was 81"}));
        QCOMPARE(joined(h.bold("cmbFlag"), h.bold("cmb0Dim"), h.bold("cmb1Dim"), h.bold("cmb2Dim")),
                 QStringLiteral("bold bold bold bold"));
        QCOMPARE(h.text("lblCompare"), QStringLiteral("Compared with stock.bin"));
    }

    void marksFollowEditsUndoAndTheChoiceOfBaseline() {
        Compared h;
        h.find<QCheckBox>("chkFlag7")->click(); // the flag as the stock image has it
        QCOMPARE(h.control("chkFlag7") + "," + h.bold("cmbFlag"), QStringLiteral("same ,plain"));
        h.showTab(4); // a filled Hex grid shows the edit too
        QCOMPARE(h.find<TableGrid>("grdHex")->text(0x100 / 16 + 1, 1) + h.cell("grdHex", 0x100 / 16 + 1, 1),
                 QStringLiteral("81same "));
        h.showTab(2);
        h.select("grdLine", {{1, 1}});
        QTest::keyClick(h.find<TableGrid>("grdLine"), Qt::Key_Minus); // 0 -> 0: nothing changes
        QTest::keyClick(h.find<TableGrid>("grdLine"), Qt::Key_Equal);
        QCOMPARE(h.cell("grdLine", 1, 1), QStringLiteral("changed was 0"));
        QTest::keySequence(h.editor.get(), QKeySequence::Undo);
        QTest::keySequence(h.editor.get(), QKeySequence::Undo);
        QCOMPARE(h.cell("grdLine", 1, 1) + "," + h.control("chkFlag7"),
                 QStringLiteral("same ,changed was on"));

        // A file that cannot be read leaves the baseline as it was.
        h.fx.prompt.files = {h.fx.path(QStringLiteral("missing.bin"))};
        click(*h.editor, QStringLiteral("cmdCompare"));
        QVERIFY(h.fx.prompt.onlyCritical().startsWith("Cannot compare with "));
        QCOMPARE(h.cell("grdMap", 1, 2), QStringLiteral("changed was 3"));

        // Against the image as opened, only this run's edits are marked.
        click(*h.editor, QStringLiteral("cmdCompareOpened"));
        QCOMPARE(h.cell("grdMap", 1, 2) + "," + h.control("chkFlag7") + "," + h.bold("cmb2Dim"),
                 QStringLiteral("same ,same ,plain"));
        h.showTab(3);
        h.select("grdMap", {{1, 2}});
        QTest::keyClick(h.find<TableGrid>("grdMap"), Qt::Key_Equal);
        QCOMPARE(h.cell("grdMap", 1, 2) + "," + h.bold("cmb2Dim"), QStringLiteral("changed was 9,bold"));
    }

    void theChangesViewListsAndOpensItems() {
        Compared h;
        click(*h.editor, QStringLiteral("cmdChanges"));
        auto* list = h.editor->findChild<QTreeWidget*>(QStringLiteral("lstChanges"));
        QVERIFY(list && list->isVisible());
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* r = list->topLevelItem(i);
            rows << QStringList{r->text(0), r->text(1), r->text(2), r->text(3), r->text(4)}.join('|');
        }
        QCOMPARE(rows, (QStringList{"Flag|flag|0100|81|80", "Value|value|0200|0012 (9.)|0010 (8.)",
                                    "Table|array|0300|[1,3] 5 (5.)|[1,3] 7 (7.)",
                                    "Map|map|0400|[2,2] 3 (3.)|[2,2] 9 (9.)", "(no item)|Byte|0600|EE|00"}));
        // An edit shows at once in the open view.
        h.find<QCheckBox>("chkFlag7")->click();
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("Value"));

        // A table names four of its differing cells, then how many differ in all.
        h.showTab(3);
        h.find<TableGrid>("grdMap")->selectAll();
        QTest::keyClick(h.find<TableGrid>("grdMap"), Qt::Key_Equal);
        const QString after = list->topLevelItem(2)->text(4);
        QVERIFY2(after.count('[') == 4 && after.endsWith(", … 8 cells"), qPrintable(after));
        QTest::keySequence(h.editor.get(), QKeySequence::Undo);

        list->setCurrentItem(list->topLevelItem(2)); // the map
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(h.find<QTabWidget>("SSTab1")->currentIndex(), 3);
        QCOMPARE(h.text("cmb2Dim") + "," + h.find<TableGrid>("grdMap")->text(1, 2), QStringLiteral("Map,9"));
    }

    // Files of other lengths: what lies past the shorter one's end is said, never blamed on the
    // image, and a changed byte past 32 KiB is brought into view in the Hex grid.
    void anotherLengthIsSaidAndAByteFarOnIsShown() {
        EditorHarness h(image(0x9010, {{0x200, 1}}), {kItems[1], kItems[2]});
        h.fx.prompt.files = {h.fx.writeFile(QStringLiteral("short.bin"), image(0x201, {{0x200, 2}})),
                             h.fx.writeFile(QStringLiteral("long.bin"), image(0x9020, {{0x9005, 0xAB}}))};
        QVERIFY(h.open(1));
        click(*h.editor, QStringLiteral("cmdCompare"));
        h.choose(QStringLiteral("cmb0Dim"), 0);
        const QWidget* raw = h.find("txtValue_Raw");
        QCOMPARE(joined(raw->property("changed").toBool(), raw->toolTip()),
                 QStringLiteral("1 not in the other file"));
        click(*h.editor, QStringLiteral("cmdChanges"));
        auto* list = h.editor->findChild<QTreeWidget*>(QStringLiteral("lstChanges"));
        QStringList rows{h.text("lblChanges")};
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << QStringList{list->topLevelItem(i)->text(2), list->topLevelItem(i)->text(3)}.join('|');
        QCOMPARE(rows, (QStringList{
                           "The lengths differ: the image has 36880 bytes, short.bin has 513. In the first "
                           "513 bytes, 0 items and 1 byte outside items differ. 2 items lie past the end "
                           "of short.bin.",
                           "0200|Not in short.bin: its bytes 200 to 201 lie past its end (513 bytes).",
                           "0300|Not in short.bin: its bytes 300 to 303 lie past its end (513 bytes).",
                           "0200|02"}));

        click(*h.editor, QStringLiteral("cmdCompare"));
        QCOMPARE(h.text("lblChanges"),
                 QStringLiteral("The lengths differ: the image has 36880 bytes, long.bin has "
                                "36896. In the first 36880 bytes, 1 item and 1 byte outside "
                                "items differ."));
        list->setCurrentItem(list->topLevelItem(1)); // the byte at 9005
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        auto* grid = h.find<TableGrid>("grdHex");
        QCOMPARE(h.find<QTabWidget>("SSTab1")->currentIndex(), 4);
        const QModelIndex current = grid->currentIndex();
        QCOMPARE(joined(current.row(), current.column(), grid->text(current.row(), 0), h.text("lblLimit")),
                 QStringLiteral("2305 6 009000 Filled up to 00900F"));
        QVERIFY(grid->visualRect(current).intersects(grid->viewport()->rect()));
    }

    void theHeatMapColoursByValueUnderTheMarksAndIsRemembered() {
        Compared h;
        TableGrid* grid = h.find<TableGrid>("grdMap");
        const auto fill = [&](int row, int col) {
            return grid->model()->index(row, col).data(Qt::BackgroundRole);
        };
        QVERIFY(!fill(2, 2).isValid());
        h.find<QCheckBox>("chkHeatMap")->click();
        // Row 2 holds 1 0 0 0, row 1 holds 0 9 0 30 (the last row first).
        QVERIFY(fill(2, 2).value<QColor>() != fill(1, 4).value<QColor>());
        QCOMPARE(fill(2, 2), fill(1, 1));
        QCOMPARE(h.cell("grdMap", 1, 2), QStringLiteral("changed was 3"));
        QVERIFY(grid->model()->index(1, 2).data(Qt::FontRole).value<QFont>().bold());

        EditorHarness again(kImage, kItems);
        again.fx.settings.WriteSetting(QStringLiteral("Heat Map"), h.fx.settings.ReadSetting("Heat Map"));
        QVERIFY(again.open(3));
        QVERIFY(again.find<QCheckBox>("chkHeatMap")->isChecked());
    }

    void heatColoursGrowLighterAndKeepTheirTextLegible() {
        const auto luminance = [](const QColor& c) {
            const auto lin = [](double v) {
                return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
        };
        double previous = -1;
        for (int i = 0; i <= 40; ++i) {
            const QColor fill = heatColour(i / 40.0);
            const double l = luminance(fill), t = luminance(legibleTextOn(fill));
            QVERIFY2(l > previous, qPrintable(joined("step", i)));
            QVERIFY2((std::max(l, t) + 0.05) / (std::min(l, t) + 0.05) >= 4.5, qPrintable(joined("step", i)));
            previous = l;
        }
        QCOMPARE(heatColour(-1), heatColour(0));
        QCOMPARE(heatColour(2), heatColour(1));
    }
};

QTEST_MAIN(TestCompare)
#include "test_compare.moc"
