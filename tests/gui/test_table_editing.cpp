// Copy, paste and table math on the Arrays and 3D Maps grids, through the real clipboard,
// shortcuts, the grid's actions and undo.
#include "support/editor_harness.h"
#include "widgets/line_graph.h"
#include "widgets/table_grid.h"

#include <QAction>
#include <QClipboard>

using namespace korvel;
using namespace korvel::test;

namespace {

// A map of 3 x 2 at 400h (rows 10 20 30 / 40 50 60) and an array of 1 x 4 at 500h (5 6 7 8).
QByteArray tables() {
    QByteArray bin = image(4096);
    bin.replace(0x400, 6, QByteArray::fromHex("0A141E28323C"));
    return bin.replace(0x500, 4, QByteArray::fromHex("05060708"));
}

struct Grids : EditorHarness {
    explicit Grids(bool maps)
        : EditorHarness(tables(),
                        {{"0400", 3, 2, 1, 0, 0, 0, 0.5, " Spark", " load", "  20  40", " rpm", "  1  2  3"},
                         {"0500", 1, 4, 1, 0, -40, 0, 1, " Coolant", " temp", "    0   10   20   30"}}),
          maps(maps) {
        if (!open(maps ? 3 : 2)) qFatal("the editor did not open");
        choose(maps ? "cmb2Dim" : "cmb1Dim", 0);
        grid()->setFocus();
    }
    bool maps;
    TableGrid* grid() const { return find<TableGrid>(maps ? "grdMap" : "grdLine"); }
    void press(int key) const { QTest::keyClick(grid(), Qt::Key(key), Qt::ControlModifier); }
    // The editor's menu entry; its key is the grid's key.
    void trigger(const char* action) const { child<QAction>(*editor, action)->trigger(); }
};

// Maps or arrays, the pasted text, the cell it starts from (grid row, column), the rows selected
// down from there (0: none, the current cell only, else the current cell is the bottom one), the
// table's bytes after it, the refusal shown.
const std::tuple<const char*, bool, QString, std::pair<int, int>, int, QString, QString> kPastes[] = {
    {"map block from the current cell", true, "7\t8\r\n9\t10\r\n", {1, 2}, 0, "0A090A280708", ""},
    {"array column from the selection's top", false, "1.4\n2.6\n", {3, 1}, 2, "03010708", ""},
    {"commas either way",
     false,
     "1,4\n2,6\n",
     {3, 1},
     2,
     "05060708",
     "Nothing was pasted: in \"1,4\" a comma could separate two values or be a decimal comma."},
    {"refused whole",
     true,
     "7\t8\n9\tx\n",
     {1, 2},
     0,
     "0A141E28323C",
     "Nothing was pasted: row 2, column 3: \"x\""},
    {"too large from that cell", false, "1\n2\n3\n", {3, 1}, 0, "05060708", "row 5, column 1 lies outside"}};

} // namespace

class TestTableEditing : public QObject {
    Q_OBJECT

private slots:
    void copyAndPasteGoThroughTheClipboardAndPasteIsOneUndoStepOrNothing_data() { rows(kPastes); }
    void copyAndPasteGoThroughTheClipboardAndPasteIsOneUndoStepOrNothing() {
        const auto& [tag, maps, text, at, selected, bytes, message] = fetch(kPastes);
        Grids h(maps);
        h.grid()->selectAll(); // the whole table: with its headings, top row first
        h.press(Qt::Key_C);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 maps ? "\t1\t2\t3\n40\t40\t50\t60\n20\t10\t20\t30\n" : "\t\n30\t8\n20\t7\n10\t6\n0\t5\n");
        const int bottom = at.first + std::max(selected - 1, 0);
        h.grid()->setCurrentIndex(h.grid()->model()->index(bottom, at.second));
        h.grid()->selectionModel()->clearSelection();
        for (int r = at.first; selected && r <= bottom; ++r)
            h.select(maps ? "grdMap" : "grdLine", {{r, at.second}});
        QGuiApplication::clipboard()->setText(text);
        h.press(Qt::Key_V);
        const int address = maps ? 0x400 : 0x500, count = maps ? 6 : 4;
        QCOMPARE(h.bytes(address, count), bytes);
        const bool written = message.isEmpty();
        QVERIFY(written ? h.fx.prompt.shown.empty() : h.fx.prompt.onlyCritical().contains(message));
        QCOMPARE(h.editor->vars().History.undoCount(), written ? 1 : 0);
        QCOMPARE(h.editor->isSaved(), !written);
        if (written) { // the grid shows what was stored, and undo takes the whole paste back
            QCOMPARE(h.grid()->text(at.first, at.second), text.left(1));
            QCOMPARE(h.pendingCount(), maps ? 4 : 2); // only the pasted cells
            QTest::keyClick(h.editor.get(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(h.bytes(address, count), maps ? QString("0A141E28323C") : QString("05060708"));
        }
    }

    void mathFromTheGridsActionsIsOneUndoStepAndRedrawsTheGraph() {
        Grids h(false);
        click(*h.editor, "cmdShowIn_1"); // calculated: raw - 40
        h.select("grdLine", {{1, 1}, {2, 1}, {3, 1}, {4, 1}});
        auto* graph = h.find<LineGraph>("graphLine");
        QCOMPARE(graph->values(), (std::vector<double>{-35, -34, -33, -32}));

        h.fx.prompt.typed = {QStringLiteral("-20,5")};
        h.trigger("actSetValue");
        QCOMPARE(h.bytes(0x500, 4), QString("14141414")); // -20.5 + 40 = 19.5, rounded to 20
        QCOMPARE(graph->values(), (std::vector<double>{-20, -20, -20, -20}));

        h.fx.prompt.typed = {QStringLiteral("250")};
        h.press(Qt::Key_D); // adding 250 clamps every cell
        QCOMPARE(h.bytes(0x500, 4), QString("FFFFFFFF"));
        QCOMPARE(h.fx.prompt.last(), QString("4 cells were clamped to what their bytes hold (-40 to 215)."));

        h.fx.prompt.typed = {std::nullopt}; // cancelled: nothing changes
        h.press(Qt::Key_P);
        QCOMPARE(h.editor->vars().History.undoCount(), 2);

        QTest::keyClick(h.editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.bytes(0x500, 4) + " " + h.grid()->text(1, 1), QString("14141414 -20."));
        QTest::keyClick(h.editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.bytes(0x500, 4) + " " + h.grid()->text(1, 1), QString("05060708 -32."));
        QCOMPARE(graph->values(), (std::vector<double>{-35, -34, -33, -32}));
        QCOMPARE(h.fx.prompt.unexpected, 0);

        // The grid's own keys still step the selection by one.
        QTest::keyClick(h.grid(), Qt::Key_Equal);
        QCOMPARE(h.bytes(0x500, 4), QString("06070809"));
    }
};

QTEST_MAIN(TestTableEditing)
#include "test_table_editing.moc"
