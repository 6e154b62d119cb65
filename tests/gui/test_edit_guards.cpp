// The editor never writes what the user did not mean: a grid shows and steps the bytes as
// they are now, Esc and the wheel change nothing, a failed save at closing keeps the
// tables, the main window opens one window at a time, and definitions that cannot be
// counted or have no checksum are handled.
#include "editor/frm_editor.h"
#include "main_window/frm_main.h"
#include "support/gui_fixture.h"
#include "widgets/table_grid.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

ItemSpec item(const char* address, int cols, int rows, const char* title) {
    ItemSpec s;
    s.address = QLatin1String(address);
    s.columns = cols;
    s.rows = rows;
    s.title = QLatin1String(title);
    return s;
}

// An editor on a 2 KiB image: a value at 0301 inside a 4 x 1 table at 0300 and a 16 x 16
// map at 0400; no checksum unless asked for.
struct Editor {
    GuiFixture f;
    std::unique_ptr<Services> services;
    std::unique_ptr<frmEditor> editor;

    explicit Editor(const QString& checksumSize = QStringLiteral("0")) {
        QByteArray image(2048, '\0');
        image[0x301] = 0x20;
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), image);
        f.state.EcuPath = f.writeFile(
            QStringLiteral("rom.ecu"),
            ecuText({item("0301", 1, 1, "Idle"), item("0300", 4, 1, "Enrich"), item("0400", 16, 16, "Fuel")},
                    QStringLiteral("7FE"), checksumSize, QStringLiteral("0"), QStringLiteral("7FD")));
        services = std::make_unique<Services>(f.services());
        editor = std::make_unique<frmEditor>(*services);
        if (editor->Form_Load().outcome != OpeningResult::Outcome::Opened) qFatal("the editor did not open");
        editor->show();
    }
    template <typename T> T* find(const char* name) const {
        T* w = editor->findChild<T*>(QLatin1String(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    void choose(const char* list, int index) const {
        auto* combo = find<QComboBox>(list);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void showTab(int index) const { find<QTabWidget>("SSTab1")->setCurrentIndex(index); }
    int byte(int address) const { return f.state.byteAt(address); }
    bool pending(int address) const { return !f.state.PendingChanges[static_cast<size_t>(address)].isEmpty(); }
};

} // namespace

class TestEditGuards : public QObject {
    Q_OBJECT

private slots:
    void gridKeysStepTheImageAsItIsNow() {
        Editor e;
        e.showTab(2);
        e.choose("cmb1Dim", 0);
        auto* grid = e.find<TableGrid>("grdLine");
        // The Values tab changes a byte the table shares.
        e.showTab(1);
        e.choose("cmb0Dim", 0);
        auto* raw = e.find<QLineEdit>("txtValue_Raw");
        raw->setFocus();
        raw->setText(QStringLiteral("7F"));
        QTest::keyClick(raw, Qt::Key_Return);
        QCOMPARE(e.byte(0x301), 0x7F);
        e.showTab(2);
        QCOMPARE(grid->text(1, 2), QStringLiteral("127"));
        for (int a = 0x300; a < 0x304; ++a)
            e.f.state.PendingChanges[static_cast<size_t>(a)] = {};
        e.editor->vars().IsSaved = true;

        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Right);
        QVERIFY(e.editor->vars().IsSaved);
        grid->selectionModel()->select(grid->model()->index(1, 3), QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(grid, Qt::Key_Equal);
        QCOMPARE(e.byte(0x302), 1);
        QCOMPARE(e.byte(0x301), 0x7F);
        QVERIFY(e.pending(0x302));
        QVERIFY(!e.pending(0x301) && !e.pending(0x300) && !e.pending(0x303));
        QVERIFY(!e.editor->vars().IsSaved);
    }

    void escAndTheWheelChangeNothing() {
        Editor e;
        e.showTab(1);
        e.choose("cmb0Dim", 0);
        auto* raw = e.find<QLineEdit>("txtValue_Raw");
        raw->setFocus();
        raw->selectAll();
        QTest::keyClicks(raw, QStringLiteral("99"));
        QTest::keyClick(raw, Qt::Key_Escape);
        QCOMPARE(raw->text(), QStringLiteral("20"));
        QTest::keyClick(e.editor.get(), Qt::Key_Escape);
        QVERIFY(e.editor->isVisible());

        auto* stepper = e.find<QScrollBar>("scrValue");
        const QPoint centre = stepper->rect().center();
        QWheelEvent wheel(centre, stepper->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(stepper, &wheel);
        QCOMPARE(e.byte(0x301), 0x20);
        QCOMPARE(raw->text(), QStringLiteral("20"));
        QVERIFY(e.editor->vars().IsSaved);
        e.editor->close(); // nothing changed: no question
        QCOMPARE(e.f.prompt.unexpected, 0);
    }

    void aFailedSaveAtClosingKeepsTheTables() {
        Editor e;
        e.showTab(3);
        e.choose("cmb2Dim", 0);
        auto* grid = e.find<TableGrid>("grdMap");
        grid->selectionModel()->select(grid->model()->index(16, 1), QItemSelectionModel::Select);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Equal);
        QVERIFY(QFile::remove(e.f.state.BinPath)); // the save will fail
        e.f.prompt.answerYes();
        e.editor->close();
        QVERIFY(e.editor->isVisible());
        QCOMPARE(e.editor->vars().MapCols, 16);
        QTest::keyClick(grid, Qt::Key_Equal);
        QCOMPARE(e.byte(0x400), 2);
    }

    void headingsStayInViewWhenTheCellsScroll() {
        Editor e;
        e.showTab(3);
        e.choose("cmb2Dim", 0);
        auto* grid = e.find<TableGrid>("grdMap");
        grid->resize(200, 120);
        grid->scrollToBottom();
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
        QVERIFY(grid->horizontalHeader()->isVisible() && grid->verticalHeader()->isVisible());
        QVERIFY(grid->isRowHidden(0) && grid->isColumnHidden(0));
        QCOMPARE(grid->model()->headerData(3, Qt::Horizontal).toString(), grid->text(0, 3));
        QCOMPARE(grid->model()->headerData(16, Qt::Vertical).toString(), grid->text(16, 0));
        // A heading cannot be selected, nor the whole table through the corner.
        QVERIFY(!grid->horizontalHeader()->sectionsClickable() && !grid->isCornerButtonEnabled());
    }

    void aDefinitionWithoutChecksumSaysSoOnceAsked() {
        Editor e;
        e.find<QPushButton>("cmdChkSum")->click();
        QCOMPARE(e.f.prompt.texts(), QStringList{QStringLiteral("The definition has no checksum.")});
        e.editor->close();
        QCOMPARE(e.f.prompt.texts().size(), 1);
        QVERIFY(!e.editor->isVisible());
    }

    void aNegativeItemCountIsAnError() {
        GuiFixture f;
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), QByteArray(256, '\0'));
        QByteArray ecu = ecuText({});
        ecu.replace("Items = 0", "Items = -1");
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecu);
        Services s = f.services();
        frmEditor editor(s);
        QCOMPARE(editor.Form_Load().outcome, OpeningResult::Outcome::ClosedItself);
        QCOMPARE(f.prompt.last(), QStringLiteral("Error in ECU File"));
    }

    void theMainWindowOpensOneWindowAtATime() {
        GuiFixture f;
        f.useSample();
        Services s = f.services();
        frmMain w(s);
        w.findChild<QLineEdit*>(QStringLiteral("txtBIN"))->setText(f.state.BinPath);
        w.findChild<QLineEdit*>(QStringLiteral("txtECU"))->setText(f.state.EcuPath);
        auto* edit = w.findChild<QPushButton*>(QStringLiteral("cmdECU_Edit"));
        int editors = 0;
        bool clickedAgain = false;
        f.ticker.hook = [&] {
            editors = std::max(editors, static_cast<int>(w.findChildren<frmEditor*>().size()));
            if (!std::exchange(clickedAgain, true)) edit->click(); // the second click of a double-click
        };
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* m = QApplication::activeModalWidget()) m->close();
        });
        closer.start(5);
        f.prompt.answerNo(); // the sample's checksum question at closing, if any
        edit->click();
        QVERIFY(clickedAgain);
        QCOMPARE(editors, 1);
    }
};

QTEST_MAIN(TestEditGuards)
#include "test_edit_guards.moc"
