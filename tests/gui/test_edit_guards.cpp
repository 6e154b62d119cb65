// The editor never writes what the user did not mean: a grid shows the bytes as they are now,
// Esc and the wheel change nothing, a failed save at closing keeps the tables, the main window
// opens one window at a time; definitions that cannot be counted or have no checksum, and a
// port that cannot be used, are handled; every byte change can be taken back and made again.
#include "main_window/frm_main.h"
#include "support/editor_harness.h"
#include "transfer/frm_download.h"
#include "widgets/table_grid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

using namespace korvel;
using namespace korvel::test;

namespace {

const QStringList kNoChecksum = {"7FE", "0", "0", "7FD"};

// A value at 0301 inside a 4 x 1 table at 0300 and a 16 x 16 map at 0400, on 2 KiB; no checksum.
struct Guarded : EditorHarness {
    Guarded() : EditorHarness(image(2048, {{0x301, 0x20}}), {}) {
        fx.writeFile("rom.ecu", ecuText({{.address = "0301", .title = "Idle"},
                                         {.address = "0300", .columns = 4, .title = "Enrich"},
                                         {.address = "0400", .columns = 16, .rows = 16, .title = "Fuel"}},
                                        kNoChecksum));
        if (!open(1)) qFatal("the editor did not open");
    }
    void showTab(int i) const { find<QTabWidget>("SSTab1")->setCurrentIndex(i); }
};

// The tab, the list chosen in it and the control that has the focus when Enter is pressed.
const std::tuple<const char*, int, const char*, const char*> kEnters[] = {
    {"Arrays grid", 2, "cmb1Dim", "grdLine"},
    {"Arrays list", 2, "cmb1Dim", "cmb1Dim"},
    {"Maps grid", 3, "cmb2Dim", "grdMap"},
    {"Values raw box", 1, "cmb0Dim", "txtValue_Raw"}};

} // namespace

class TestEditGuards : public QObject {
    Q_OBJECT

private slots:
    void aTableShownAgainShowsWhatAnotherTabWrote() {
        Guarded h;
        h.showTab(2);
        h.choose("cmb1Dim", 0);
        h.showTab(1);
        h.choose("cmb0Dim", 0);
        h.type("txtValue_Raw", "7F");
        h.showTab(2);
        QCOMPARE(h.find<TableGrid>("grdLine")->text(1, 2), QStringLiteral("127"));
        h.editor->vars().IsSaved = true;
        QTest::keyClick(h.find<TableGrid>("grdLine"), Qt::Key_Right); // no edit key: nothing written
        QVERIFY(h.editor->isSaved());
        QCOMPARE(h.bytes(0x300, 4), QStringLiteral("007F0000"));
    }

    void undoAndRedoTakeBackEachActionAsAnEdit() {
        Guarded h;
        h.choose("cmb0Dim", 0);
        h.type("txtValue_Raw", "7F", 0);
        h.find<QScrollBar>("scrValue")->setFocus(); // leaving the box commits: one action
        h.showTab(3);
        h.choose("cmb2Dim", 0);
        h.select("grdMap", {{16, 1}, {16, 2}, {15, 1}});
        QTest::keyClick(h.find<TableGrid>("grdMap"), Qt::Key_Equal); // one action for the selection
        QCOMPARE(h.bytes(0x301) + h.bytes(0x400, 2) + h.bytes(0x410), QStringLiteral("7F010101"));
        h.fx.state.PendingChanges = std::vector<BinCell>(h.fx.state.PendingChanges.size());
        h.editor->vars().IsSaved = true;
        QTest::keySequence(h.editor.get(), QKeySequence::Undo);
        QCOMPARE(h.bytes(0x400, 2) + h.bytes(0x410) + h.find<TableGrid>("grdMap")->text(16, 1),
                 QStringLiteral("0000000"));
        QCOMPARE(h.pending(0x400, 2) + h.pending(0x410), QStringLiteral("000000")); // the next download too
        QVERIFY(!h.editor->isSaved());
        QTest::keySequence(h.editor.get(), QKeySequence::Undo);
        QCOMPARE(h.bytes(0x301), QStringLiteral("20"));
        QTest::keyClick(h.editor.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(h.bytes(0x301) + h.bytes(0x400), QStringLiteral("7F00"));
        QTest::keySequence(h.editor.get(), QKeySequence::Save);
        QCOMPARE(fileBytes(h.fx.state.BinPath).mid(0x301, 1), QByteArray("\x7F"));
        QVERIFY(h.editor->isSaved());
    }

    void enterPressesNoButton_data() { rows(kEnters); }
    void enterPressesNoButton() {
        const auto& [tag, tab, list, control] = fetch(kEnters);
        Guarded h;
        h.showTab(tab);
        h.choose(list, 0);
        int pressed = 0;
        for (QPushButton* b : h.editor->findChildren<QPushButton*>()) {
            QVERIFY2(!b->isDefault(), qPrintable(b->objectName()));
            QObject::connect(b, &QPushButton::clicked, [&pressed] { ++pressed; });
        }
        h.find(control)->setFocus();
        for (const auto key : {Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(h.find(control), key);
        QCOMPARE(pressed, 0);
        QVERIFY(h.editor->vars().ArrayShowRaw && h.editor->vars().MapShowRaw);
    }

    // Ctrl+S saves a value typed and not yet committed; opening an item from the Changes view
    // commits it first; the editor's undo and redo win in the raw box once its text is committed.
    void typedValuesAreCommittedBeforeSaveOpenAndUndo() {
        Guarded h;
        h.choose("cmb0Dim", 0);
        h.type("txtValue_Raw", "7F", 0);
        QTest::keySequence(h.editor.get(), QKeySequence::Save);
        QCOMPARE(fileBytes(h.fx.state.BinPath).mid(0x301, 1), QByteArray("\x7F"));
        QVERIFY(h.editor->isSaved());
        h.type("txtValue_Raw", "55", 0);
        h.editor->openItem(1); // a row of the Changes view
        QCOMPARE(h.bytes(0x301) + h.text("txtValue_Raw"), QStringLiteral("5555"));
        h.type("txtValue_Raw", "66"); // Return commits; the box keeps the focus
        auto* box = h.find<QLineEdit>("txtValue_Raw");
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.bytes(0x301) + h.text("txtValue_Raw"), QStringLiteral("5555"));
        QTest::keyClick(box, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(h.bytes(0x301) + h.text("txtValue_Raw"), QStringLiteral("6666"));
        h.type("txtValue_Raw", "7", 0); // typing: the box's own undo
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.bytes(0x301), QStringLiteral("66"));
    }

    void escAndTheWheelChangeNothing() {
        Guarded h;
        h.choose("cmb0Dim", 0);
        h.type("txtValue_Raw", "99", 0);
        QTest::keyClick(h.find<QLineEdit>("txtValue_Raw"), Qt::Key_Escape);
        QCOMPARE(h.text("txtValue_Raw"), QStringLiteral("20"));
        QTest::keyClick(h.editor.get(), Qt::Key_Escape);
        QVERIFY(h.editor->isVisible());
        auto* stepper = h.find<QScrollBar>("scrValue");
        const QPointF centre = stepper->rect().center();
        QWheelEvent wheel(centre, stepper->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(stepper, &wheel);
        QCOMPARE(h.bytes(0x301) + h.text("txtValue_Raw"), QStringLiteral("2020"));
        QVERIFY(h.editor->isSaved());
        h.editor->close(); // nothing changed: no question
        QCOMPARE(h.fx.prompt.shown.size(), size_t{0});
    }

    void aFailedSaveAtClosingKeepsTheTables() {
        Guarded h;
        h.showTab(3);
        h.choose("cmb2Dim", 0);
        h.select("grdMap", {{16, 1}});
        QTest::keyClick(h.find<TableGrid>("grdMap"), Qt::Key_Equal);
        QVERIFY(QFile::remove(h.fx.state.BinPath)); // the save will fail
        h.fx.prompt.answers = {true};
        h.editor->close();
        QVERIFY(h.editor->isVisible());
        QTest::keyClick(h.find<TableGrid>("grdMap"), Qt::Key_Equal);
        QCOMPARE(h.bytes(0x400), QStringLiteral("02"));
    }

    void headingsStayInViewWhenTheCellsScroll() {
        Guarded h;
        h.showTab(3);
        h.choose("cmb2Dim", 0);
        auto* grid = h.find<TableGrid>("grdMap");
        grid->scrollToBottom();
        QVERIFY(grid->horizontalHeader()->isVisible() && grid->verticalHeader()->isVisible());
        QVERIFY(grid->isRowHidden(0) && grid->isColumnHidden(0));
        QCOMPARE(grid->model()->headerData(16, Qt::Vertical).toString(), grid->text(16, 0));
        // A heading cannot be selected, nor the whole table through the corner.
        QVERIFY(!grid->horizontalHeader()->sectionsClickable() && !grid->isCornerButtonEnabled());
    }

    void aDefinitionWithoutChecksumSaysSoOnceAsked() {
        Guarded h;
        click(*h.editor, "cmdChkSum");
        h.editor->close();
        QCOMPARE(h.fx.prompt.texts(), QStringList{"The definition has no checksum."});
        QVERIFY(!h.editor->isVisible());
    }

    void aNegativeItemCountIsAnError() {
        EditorHarness h(image(256), {});
        h.fx.writeFile("rom.ecu", ecuText({}).replace("Items = 0", "Items = -1"));
        QVERIFY(!h.open());
        QCOMPARE(h.fx.prompt.texts(), QStringList{"Error in ECU File"});
    }

    void theMainWindowOpensOneWindowAtATime() {
        GuiFixture f;
        f.useSample();
        Services s = f.services();
        frmMain w(s);
        setText(w, "txtBIN", f.state.BinPath);
        setText(w, "txtECU", f.state.EcuPath);
        int editors = 0;
        bool clickedAgain = false;
        f.ticker.hook = [&] { // while the editor looks for the emulator
            editors = std::max(editors, int(w.findChildren<frmEditor*>().size()));
            if (!std::exchange(clickedAgain, true)) click(w, "cmdECU_Edit");
        };
        onNextModal([](QWidget*) {});
        click(w, "cmdECU_Edit");
        QVERIFY(clickedAgain);
        QCOMPARE(editors, 1);
    }

    void anUnusablePortSaysWhyAndLeavesTheTransfersOff() {
        EditorHarness h;
        h.fx.state.EmulatorFound = true; // left over from an earlier editor
        h.fx.settings.WriteSetting("Port 1 Device", "/dev/ttyGone");
        h.fx.wire.openError = QStringLiteral("no such device");
        QVERIFY(h.open());
        QCOMPARE(
            h.fx.prompt.texts(),
            QStringList{"Error finding Usable Port.\nCannot open /dev/ttyGone: no such device\n\nThe editor "
                        "works without an emulator; only the transfers need one. \"Port…\" in the start "
                        "window chooses its device."});
        for (const char* name : {"cmdComplete", "cmdUpload", "cmdDownload", "cmdBatch", "cmdCheck"})
            QVERIFY2(!h.find(name)->isEnabled(), name);
        // A transfer window whose run fails before its first byte shows no design captions.
        frmDownload d(h.services);
        d.start();
        QCOMPARE(text(d, "lblWhat") + text(d, "lblWhere"), QString());
    }
};

QTEST_MAIN(TestEditGuards)
#include "test_edit_guards.moc"
