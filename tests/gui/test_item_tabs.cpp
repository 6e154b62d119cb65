// The editor on an XDF definition: its items on tabs of their own, edits reaching exactly the
// bytes of multi-byte cells in either byte and storage order, one undo step each, refusals
// that write nothing, and its checksums.
#include "core/definition_reader.h"
#include "data_window/log_replay.h"
#include "editor/item_tab.h"
#include "editor/table_editing.h"
#include "support/editor_harness.h"
#include "widgets/table_grid.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

using namespace korvel;
using namespace korvel::test;

namespace {

// A flag of two bits at 0x100; a signed value, low byte first, at 0x110 (X * 0.5); a 2 x 3 map of
// 16-bit cells stored column by column at 0x200 (X / 10); an item with a stride Korvel does not
// read; a byte sum and a plug-in checksum.
const QByteArray kXdf = R"(<?xml version="1.0"?>
<XDFFORMAT version="1.60"><XDFHEADER><deftitle>T</deftitle><baseoffset>0</baseoffset></XDFHEADER>
<XDFFLAG uniqueid="0x1"><title>Fan</title><EMBEDDEDDATA mmedaddress="0x100"/><mask>0x06</mask></XDFFLAG>
<XDFCONSTANT uniqueid="0x2"><title>Trim</title><EMBEDDEDDATA mmedaddress="0x110" mmedelementsizebits="16"
 mmedtypeflags="0x03"/><decimalpl>1</decimalpl><MATH equation="X*0.5"><VAR id="X"/></MATH></XDFCONSTANT>
<XDFTABLE uniqueid="0x3"><title>Map</title><XDFAXIS id="x"><DALINK objidhash="0x10"/><indexcount>3</indexcount>
<LABEL index="0" value="10"/><LABEL index="1" value="20"/><LABEL index="2" value="30"/></XDFAXIS><XDFAXIS id="y">
<DALINK objidhash="0x11"/><indexcount>2</indexcount><LABEL index="0" value="100"/><LABEL index="1" value="200"/></XDFAXIS>
<XDFAXIS id="z"><EMBEDDEDDATA mmedaddress="0x200" mmedelementsizebits="16" mmedrowcount="2" mmedcolcount="3"
 mmedtypeflags="0x04"/><decimalpl>1</decimalpl><MATH equation="X/10"><VAR id="X"/></MATH></XDFAXIS></XDFTABLE>
<XDFTABLE uniqueid="0x5"><title>Row</title><XDFAXIS id="x"><DALINK objidhash="0x10"/><indexcount>2</indexcount>
<LABEL index="0" value="10"/><LABEL index="1" value="20"/></XDFAXIS><XDFAXIS id="z"><EMBEDDEDDATA mmedaddress="0x220"
 mmedrowcount="1" mmedcolcount="2"/><MATH equation="X"><VAR id="X"/></MATH></XDFAXIS></XDFTABLE>
<XDFCONSTANT uniqueid="0x4"><title>Odd</title><EMBEDDEDDATA mmedaddress="0x300" mmedelementsizebits="8"
 mmedmajorstridebits="24"/><MATH equation="X"><VAR id="X"/></MATH></XDFCONSTANT>
<XDFCHECKSUM><title>Sum</title><REGION><datastart>0x0</datastart><dataend>0x7FF</dataend>
<storeaddress>0x800</storeaddress><datasizebits>16</datasizebits></REGION></XDFCHECKSUM>
<XDFCHECKSUM><title>Other</title><REGION><datastart>0x0</datastart><dataend>0xF</dataend>
<storeaddress>0x10</storeaddress><pluginmoduleid>0x99</pluginmoduleid></REGION></XDFCHECKSUM>
</XDFFORMAT>
)";

struct XdfEditor : EditorHarness {
    explicit XdfEditor(const QByteArray& xdf = kXdf)
        : EditorHarness(image(4096, {{0x100, 0x81}, {0x110, 0xFF}, {0x111, 0x7F}, {0x202, 0x01}}), {}) {
        fx.state.EcuPath = fx.writeFile(QStringLiteral("rom.xdf"), xdf);
    }
    ItemTab* tab(const char* name) const { return find<ItemTab>(QLatin1String(name)); }
    // Shows the tab and chooses its first item of this title.
    ItemTab* show(const char* name, const QString& title) const {
        ItemTab* t = tab(name);
        find<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentWidget(t);
        auto* list = child<QComboBox>(*t, QStringLiteral("cmbItem"));
        const int i = list->findText(title, Qt::MatchStartsWith);
        list->setCurrentIndex(i);
        emit list->activated(i);
        return t;
    }
};

// The action, the bytes it covers (address, count) before and after it.
const std::tuple<const char*, std::function<void(XdfEditor&)>, int, int, QString, QString> kEdits[] = {
    {"ticking a flag sets its mask",
     [](XdfEditor& h) { child<QCheckBox>(*h.show("tabItemFlags", "Fan"), "chkItem")->click(); }, 0x100, 1,
     "81", "87"},
    {"typing a value stores the nearest raw value",
     [](XdfEditor& h) {
         h.show("tabItemValues", "Trim");
         h.type("txtItemValue", "-1.6");
     },
     0x110, 2, "FF7F", "FDFF"},
    {"typing a raw value",
     [](XdfEditor& h) {
         h.show("tabItemValues", "Trim");
         h.type("txtItemRaw", "-32768");
     },
     0x110, 2, "FF7F", "0080"},
    {"one count down",
     [](XdfEditor& h) { child<QPushButton>(*h.show("tabItemValues", "Trim"), "cmdItemMinus")->click(); },
     0x110, 2, "FF7F", "FE7F"},
    {"a cell stepped up",
     [](XdfEditor& h) {
         ItemTab* t = h.show("tabItemMaps", "Map");
         t->grid()->setFocus();
         t->grid()->selectionModel()->select(t->grid()->model()->index(2, 2), QItemSelectionModel::Select);
         QTest::keyClick(t->grid(), Qt::Key_Equal);
     },
     0x200, 12, "000001000000000000000000", "000001000001000000000000"},
    {"a block pasted",
     [](XdfEditor& h) {
         ItemTab* t = h.show("tabItemMaps", "Map");
         t->grid()->setCurrentIndex(t->grid()->model()->index(1, 1));
         QGuiApplication::clipboard()->setText("1.5\t2.5\n0.1\t");
         t->tableEditing()->paste();
     },
     0x200, 12, "000001000000000000000000", "0001000F0000001900000000"},
};

// A data stream of three values: the map's axes follow the first two (idhash 0x10, 0x11).
std::shared_ptr<const AdxDefinition> stream() {
    auto d = std::make_shared<AdxDefinition>();
    for (auto [title, hash] : {std::pair("X", 0x10), std::pair("Y", 0x11), std::pair("BLM", 0x12)}) {
        AdxValue v;
        v.title = QString::fromLatin1(title);
        v.idhash = quint64(hash);
        d->fields.push_back({false, int(d->values.size())});
        d->values.push_back(v);
    }
    return d;
}

AdxDecoded cycle(double x, double y, double blm) {
    AdxDecoded d;
    for (double v : {x, y, blm})
        d.values.push_back({true, 0, v, {}, {}});
    return d;
}

} // namespace

class TestItemTabs : public QObject {
    Q_OBJECT
private slots:
    void editsReachTheirBytesAndUndo_data() { rows(kEdits); }
    void editsReachTheirBytesAndUndo() {
        const auto& [name, act, address, count, before, after] = fetch(kEdits);
        XdfEditor h;
        QVERIFY(h.open());
        QCOMPARE(h.bytes(address, count), before);
        act(h);
        QCOMPARE(h.fx.prompt.texts(), QStringList());
        QCOMPARE(h.bytes(address, count), after);
        QVERIFY(!h.editor->isSaved());
        h.editor->undo();
        QCOMPARE(h.bytes(address, count), before);
        h.fx.prompt.answers = {false, false};
        h.editor->reject();
    }

    // Copy gives the grid as shown (last row on top) with the axes' headings, raw or calculated.
    void copyGivesTheShownTable() {
        XdfEditor h;
        QVERIFY(h.open());
        ItemTab* t = h.show("tabItemMaps", "Map");
        t->grid()->selectAll();
        t->tableEditing()->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), "\t10\t20\t30\n200\t25.6\t0\t0\n100\t0\t0\t0\n");
        child<QCheckBox>(*t, "chkItemRaw")->setChecked(true);
        t->tableEditing()->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), "\t10\t20\t30\n200\t256\t0\t0\n100\t0\t0\t0\n");
        h.fx.prompt.answers = {false};
        h.editor->reject();
    }

    // What cannot be done writes nothing and says why.
    void refusals() {
        XdfEditor h;
        QVERIFY(h.open());
        h.show("tabItemValues", "Trim");
        h.type("txtItemValue", "99999");
        QVERIFY(h.fx.prompt.onlyCritical().contains("the reachable range is -16384.0 to 16383.5"));
        QCOMPARE(h.bytes(0x110, 2), "FF7F");
        QCOMPARE(h.text("txtItemValue"), "16383.5");
        ItemTab* odd = h.show("tabItemValues", "Odd");
        QVERIFY(!child<QLineEdit>(*odd, "txtItemValue")->isEnabled());
        QVERIFY(child<QLabel>(*odd, "lblItemInfo")->text().contains("Read-only: "));
        QCOMPARE(h.pendingCount(), 0);
        h.fx.prompt.answers = {false};
        h.editor->reject();
    }

    void unreadableDefinitionsCloseTheEditor_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("broken XML") << QByteArray("<XDFFORMAT>\n<XDFTABLE>\n</XDFFORMAT>")
                                    << "rom.xdf cannot be read: Line 3";
        QTest::newRow("locked") << QByteArray("\x05\x22\x97\x00zz", 6) << "rom.xdf is a locked definition";
    }
    void unreadableDefinitionsCloseTheEditor() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        XdfEditor h(content);
        QCOMPARE(h.editor->Form_Load().outcome, OpeningResult::Outcome::ClosedItself);
        QVERIFY2(h.fx.prompt.onlyCritical().startsWith(message), qPrintable(h.fx.prompt.last()));
    }

    // Logged data: the operating point with its tail on the grid, then the averages of the block
    // learn corrected into the cells with enough samples, as one undo step.
    void traceAndCorrection() {
        XdfEditor h;
        QVERIFY(h.open());
        ItemTab* t = h.show("tabItemMaps", "Map");
        const auto def = stream();
        const auto fill = [&](int row, int col) {
            return t->grid()
                ->model()
                ->data(t->grid()->model()->index(row, col), Qt::BackgroundRole)
                .value<QColor>();
        };
        t->takeCycle(def, cycle(12, 140, 128), 0);
        t->takeCycle(def, cycle(26, 190, 128), 0.1);
        // Grid row 1 shows table row 1 (the last on top).
        QCOMPARE(fill(1, 3), QColor(0x15, 0x65, 0xC0));
        QVERIFY(fill(2, 1).isValid() && fill(2, 1) != fill(1, 3));
        QVERIFY(!fill(1, 1).isValid());

        child<QCheckBox>(*t, "chkItemAverages")->setChecked(true);
        child<QLineEdit>(*t, "txtItemFilters")->setText("X>=15");
        emit child<QLineEdit>(*t, "txtItemFilters")->editingFinished();
        child<QSpinBox>(*t, "spnItemMinCount")->setValue(2);
        for (double blm : {150.0, 170.0, 90.0})
            t->takeCycle(def, cycle(20, 110, blm), 1); // cell (row 0, column 1): stored at 0x204
        t->takeCycle(def, cycle(10, 110, 200), 1);     // filtered out
        t->takeCycle(def, cycle(30, 200, 200), 1);     // one sample: too few
        h.edit(0x205, 100);                            // 10.0
        child<QPushButton>(*t, "cmdItemCorrect")->click();
        QCOMPARE(h.fx.prompt.texts(), QStringList());
        // 10.0 x mean 136.67 / 128 = 10.68 -> raw 107; no other cell changes.
        QCOMPARE(h.bytes(0x200, 12), "00000100006B000000000000");
        h.editor->undo();
        QCOMPARE(h.bytes(0x204, 2), "0064");
        h.fx.prompt.answers = {false, false};
        h.editor->reject();
    }

    // A replayed log drives the same trace and averages; a seek skips the rows before it.
    void replayedLog() {
        XdfEditor h;
        QVERIFY(h.open());
        ItemTab* t = h.show("tabItemMaps", "Map");
        child<QCheckBox>(*t, "chkItemAverages")->setChecked(true);
        LogReplay replay(h.services);
        const auto def = stream();
        QObject::connect(&replay, &LogReplay::rowPlayed, t,
                         [&](const QStringList& labels, const auto& row) { t->takeRow(labels, row, def); });
        const QString log = h.fx.writeFile("run.csv", "Time (s),X,Y,BLM\n0,30,200,999\n0.1,20,110,140\n"
                                                      "0.2,20,110,150\n0.3,10,190,128\n");
        QVERIFY(replay.open(log));
        t->takeRow(replay.log()->labels, replay.log()->rows[0],
                   def); // the first data sets the default filters
        child<QLineEdit>(*t, "txtItemFilters")->setText("");
        emit child<QLineEdit>(*t, "txtItemFilters")->editingFinished();
        replay.seek(1);
        child<QComboBox>(replay, "cmbReplaySpeed")->setCurrentIndex(3);
        replay.play(true);
        QTRY_COMPARE(replay.position(), 4);
        QCOMPARE(
            t->grid()->model()->data(t->grid()->model()->index(1, 1), Qt::BackgroundRole).value<QColor>(),
            QColor(0x15, 0x65, 0xC0));
        child<QSpinBox>(*t, "spnItemMinCount")->setValue(1);
        QVERIFY(h.fx.prompt.texts().isEmpty());
        h.edit(0x205, 128); // 12.8: x 145 / 128 = 14.5
        child<QPushButton>(*t, "cmdItemCorrect")->click();
        QCOMPARE(h.bytes(0x204, 2), "0091");
        h.fx.prompt.answers = {false, false};
        h.editor->reject();
    }

    // An array averages along its one axis, whatever follows the other.
    void arrayAverages() {
        XdfEditor h;
        QVERIFY(h.open());
        ItemTab* t = h.show("tabItemArrays", "Row");
        const auto def = stream();
        t->takeCycle(def, cycle(19, 0, 128), 0); // the first data sets the default filters
        child<QLineEdit>(*t, "txtItemFilters")->setText("");
        emit child<QLineEdit>(*t, "txtItemFilters")->editingFinished();
        child<QCheckBox>(*t, "chkItemAverages")->setChecked(true);
        child<QSpinBox>(*t, "spnItemMinCount")->setValue(1);
        t->takeCycle(def, cycle(19, 0, 256), 1);
        h.edit(0x221, 10);
        child<QPushButton>(*t, "cmdItemCorrect")->click();
        QCOMPARE(h.bytes(0x220, 2), "0014");
        h.fx.prompt.answers = {false, false};
        h.editor->reject();
    }

    // Without links, the logged values picked for the axes are remembered for the item.
    void pickedAxesAreRemembered() {
        XdfEditor h;
        QVERIFY(h.open());
        ItemTab* t = h.show("tabItemMaps", "Map");
        t->takeRow({"Time (s)", "A", "B"}, {0, 1, 2}, nullptr);
        auto* x = child<QComboBox>(*t, "cmbItemTraceX");
        auto* y = child<QComboBox>(*t, "cmbItemTraceY");
        QCOMPARE(x->currentText() + y->currentText(), "(none)(none)");
        for (auto [box, i] : {std::pair(x, 2), std::pair(y, 1)}) {
            box->setCurrentIndex(i);
            emit box->activated(i);
        }
        t->takeRow({"Time (s)", "C", "A", "B"}, {0, 1, 2, 3}, nullptr); // another stream: the same picks
        QCOMPARE(x->currentText() + y->currentText(), "BA");
        h.fx.prompt.answers = {false};
        h.editor->reject();
    }

    // The byte sum is offered and stored as one undo step; the plug-in is named, never run.
    void checksums() {
        XdfEditor h;
        QVERIFY(h.open());
        // The item tabs take the place of the .ecu tabs.
        auto* tabs = h.find<QTabWidget>("SSTab1");
        QStringList shown;
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->isTabVisible(i)) shown << tabs->tabText(i);
        QCOMPARE(shown.join('|'), "Flags|Values|Arrays|3D Maps|Hex");
        QCOMPARE(tabs->currentWidget(), h.tab("tabItemFlags"));
        h.fx.prompt.answers = {true};
        click(*h.editor, "cmdChkSum");
        const QString sum = QString::number(0x81 + 0xFF + 0x7F + 0x01, 16).rightJustified(4, '0');
        QCOMPARE(h.fx.prompt.texts(),
                 QStringList({"Sum: Save Chksum = " + sum,
                              "Other: method 0 (plug-in 0x99) is not supported by Korvel"}));
        QCOMPARE(h.bytes(0x800, 2), sum);
        h.editor->undo();
        QCOMPARE(h.bytes(0x800, 2), "0000");
        h.fx.prompt.answers = {false, false};
        h.editor->reject();
    }
};

QTEST_MAIN(TestItemTabs)
#include "test_item_tabs.moc"
