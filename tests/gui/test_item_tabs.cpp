// The editor on an XDF definition: its items on tabs of their own, edits reaching exactly the
// bytes of multi-byte cells in either byte and storage order, one undo step each, refusals
// that write nothing, and its checksums.
#include "core/definition_reader.h"
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
<XDFTABLE uniqueid="0x3"><title>Map</title><XDFAXIS id="x"><indexcount>3</indexcount><LABEL index="0" value="10"/>
<LABEL index="1" value="20"/><LABEL index="2" value="30"/></XDFAXIS><XDFAXIS id="y"><indexcount>2</indexcount></XDFAXIS>
<XDFAXIS id="z"><EMBEDDEDDATA mmedaddress="0x200" mmedelementsizebits="16" mmedrowcount="2" mmedcolcount="3"
 mmedtypeflags="0x04"/><decimalpl>1</decimalpl><MATH equation="X/10"><VAR id="X"/></MATH></XDFAXIS></XDFTABLE>
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

    // The byte sum is offered and stored as one undo step; the plug-in is named, never run.
    void checksums() {
        XdfEditor h;
        QVERIFY(h.open());
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
