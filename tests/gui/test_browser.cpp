// The item browser: the filter narrows and widens the tree as the user types, and a chosen
// entry opens its item in its tab as choosing it from the tab's list does.
#include "editor/browser_view.h"
#include "support/editor_harness.h"
#include "widgets/table_grid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>

using namespace korvel;
using namespace korvel::test;

namespace {

// What the tree shows: "Category (n): title, title; ...", hidden rows left out.
QString shown(const frmBrowser& browser) {
    const auto* tree = child<QTreeWidget>(browser, QStringLiteral("tvwItems"));
    QStringList categories;
    for (int c = 0; c < tree->topLevelItemCount(); ++c) {
        const QTreeWidgetItem* node = tree->topLevelItem(c);
        QStringList titles;
        for (int r = 0; r < node->childCount(); ++r)
            if (!node->child(r)->isHidden()) titles << node->child(r)->text(0);
        if (!node->isHidden()) categories << node->text(0) + ": " + titles.join(", ");
    }
    return categories.join("; ");
}

const QString kAll =
    "Fuel (2): Main Fuel Map, Fuel Trim; Spark (2): Spark Advance, Knock Retard; Idle (1): Idle; "
    "(no category) (1): Checksum";
const std::tuple<const char*, const char*, QString> kFilters[] = {
    {"empty shows all", "", kAll},
    {"blanks show all", "   ", kAll},
    {"title in any case", "FUEL", "Fuel (2): Main Fuel Map, Fuel Trim"},
    {"description", "timing", "Spark (1): Spark Advance"},
    {"every word, in any order", "map main", "Fuel (1): Main Fuel Map"},
    {"not across title and description", "idlebase", ""},
    {"nothing matches", "boost", ""}};

// Two flags, two values, a table and two maps.
const std::vector<ItemSpec> kItems{{.address = "100", .kind = 80, .title = "Idle Switch"},
                                   {.address = "101", .kind = 80, .title = "Fan Relay"},
                                   {.address = "200", .title = "Idle Speed"},
                                   {.address = "202", .byteSize = 2, .title = "Spark Limit"},
                                   {.address = "300", .rows = 4, .title = "Fan Temperatures"},
                                   {.address = "400", .columns = 4, .rows = 2, .title = "Spark Map"},
                                   {.address = "410", .columns = 4, .rows = 2, .title = "Fuel Map"}};

} // namespace

class TestBrowser : public QObject {
    Q_OBJECT
private slots:
    void theFilterNarrowsAndWidens_data() { rows(kFilters); }
    void theFilterNarrowsAndWidens() {
        const auto& [tag, filter, expected] = fetch(kFilters);
        frmBrowser browser;
        browser.setEntries({{"Fuel", "Main Fuel Map", "Fuel by load and speed", {}, 1},
                            {"Fuel", "Fuel Trim", {}, {}, 2},
                            {"Spark", "Spark Advance", "Base timing", {}, 3},
                            {"Spark", "Knock Retard", {}, {}, 4},
                            {"Idle", "Idle", "Base", {}, 5},
                            {{}, "Checksum", {}, {}, 6}});
        auto* box = child<QLineEdit>(browser, "txtFilter");
        box->setText("zzz");
        QCOMPARE(shown(browser), QString());
        box->clear();
        QTest::keyClicks(box, filter);
        QCOMPARE(shown(browser), expected);
        QCOMPARE(browser.shownCount(), int(expected.count(',') + expected.count(':')));
    }

    // Choosing (Enter in the filter box, or in the tree) opens the item in its tab, selected in
    // its list, after a value typed and not committed has gone to its item.
    void choosingOpensTheItemInItsTab() {
        EditorHarness h(image(4096, {{0x413, 9}}), kItems);
        QVERIFY(h.open(1));
        QTest::keySequence(h.editor.get(), QKeySequence(Qt::CTRL | Qt::Key_B));
        auto* browser = h.editor->findChild<frmBrowser*>("frmBrowser");
        QVERIFY(browser && browser->isVisible());
        QCOMPARE(shown(*browser), "Flags (2): Idle Switch, Fan Relay; Values (2): Idle Speed, Spark Limit; "
                                  "Arrays (1): Fan Temperatures; Maps (2): Spark Map, Fuel Map");
        QCOMPARE(text(*browser, "lblDescription"), "Flag at 0100: 1 byte");

        h.choose("cmb0Dim", 0);
        h.type("txtValue_Raw", "7F", 0);
        auto* box = child<QLineEdit>(*browser, "txtFilter");
        QTest::keyClicks(box, "fuel");
        QCOMPARE(text(*browser, "lblDescription"), "Map at 0410: 4 columns × 2 rows, 8 bytes");
        QTest::keyClick(box, Qt::Key_Return);
        const auto opened = [&] {
            return joined(h.find<QTabWidget>("SSTab1")->currentIndex(),
                          h.find<QComboBox>("cmb2Dim")->currentIndex(), h.text("cmb2Dim"),
                          h.find<TableGrid>("grdMap")->text(2, 4));
        };
        QCOMPARE(opened() + " " + h.bytes(0x200), "3 1 Fuel Map 9 7F");

        box->clear(); // the current entry stays; Up and Down in the box move past the headings
        for (const auto key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down})
            QTest::keyClick(box, key);
        QTest::keyClick(child<QTreeWidget>(*browser, "tvwItems"), Qt::Key_Return);
        QCOMPARE(joined(h.find<QTabWidget>("SSTab1")->currentIndex(), h.text("cmb1Dim")),
                 "2 Fan Temperatures");
    }
};

QTEST_MAIN(TestBrowser)
#include "test_browser.moc"
