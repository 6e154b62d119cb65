// The 3D Maps tab driven through its real controls: choice, grid, keys, divisors,
// raw/calculated switch, steppers, mouse, refusals and the editor's reset.
#include "core/map_surface.h"
#include "editor/frm_editor.h"
#include "editor/maps_tab.h"
#include "support/gui_fixture.h"
#include "widgets/picture_box.h"
#include "widgets/table_grid.h"

#include <QComboBox>
#include <QItemSelectionModel>
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

constexpr int kImageLength = 4096;

// An editor opened on a made-up image: `bytes` are put at their addresses, the rest 0.
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
    TableGrid* grid() const { return find<TableGrid>("grdMap"); }
    PictureBox* picture() const { return find<PictureBox>("picMap"); }
    EditorState& vars() const { return editor->vars(); }
    void choose(int index) const {
        auto* combo = find<QComboBox>("cmb2Dim");
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

ItemSpec map(const QString& address, int cols, int rows, const QString& title = QStringLiteral(" Spark")) {
    ItemSpec m;
    m.address = address;
    m.columns = cols;
    m.rows = rows;
    m.title = title;
    m.xLabel = QStringLiteral(" rpm");
    m.yLabel = QStringLiteral(" load");
    return m;
}

void compareWindow(const PictureWindow& w, float left, float top, float width, float height) {
    QCOMPARE(w.left, left);
    QCOMPARE(w.top, top);
    QCOMPARE(w.width, width);
    QCOMPARE(w.height, height);
}

} // namespace

class TestMapsTab : public QObject {
    Q_OBJECT

private slots:
    void choosingAMapFillsGridBoxesAndDivisors() {
        ItemSpec m = map(QStringLiteral("0400"), 16, 8);
        m.xAxis = QStringLiteral("  4  8 12 16 20 24 28 32 36 40 44 48 52 56 60 64");
        m.yAxis = QStringLiteral(" 500 1000 1500 2000 2500 3000 3500 4000");
        Opened o({m}, {{0x400, 0x11}, {0x40F, 0x22}, {0x470, 0x33}, {0x47F, 0x44}});
        o.choose(0);
        TableGrid* g = o.grid();
        QCOMPARE(g->rows(), 9);
        QCOMPARE(g->cols(), 17);
        QCOMPARE(g->text(8, 1), QStringLiteral("17"));  // byte at A: bottom row, first column
        QCOMPARE(g->text(8, 16), QStringLiteral("34")); // end of the first row
        QCOMPARE(g->text(1, 1), QStringLiteral("51"));  // last row at the top
        QCOMPARE(g->text(1, 16), QStringLiteral("68"));
        QCOMPARE(g->text(0, 1), QStringLiteral("  4"));
        QCOMPARE(g->text(0, 3), QStringLiteral(" 12"));
        QCOMPARE(g->text(0, 16), QStringLiteral(" 64"));
        QCOMPARE(g->text(8, 0), QStringLiteral(" 500 ")); // first row heading at the bottom
        QCOMPARE(g->text(7, 0), QStringLiteral("1000 "));
        QCOMPARE(g->text(0, 0), QString());
        QCOMPARE(o.find<QLineEdit>("txtRow3D")->text(), QStringLiteral("8"));
        QCOMPARE(o.find<QLineEdit>("txtCol3D")->text(), QStringLiteral("16"));
        QCOMPARE(o.find<QLineEdit>("txtStart3D")->text().trimmed(), QStringLiteral("0400"));
        QCOMPARE(o.find<QLabel>("lblMap_Xlabel")->text(), QStringLiteral(" rpm"));
        QCOMPARE(o.find<QLabel>("lblMap_Ylabel")->text(), QStringLiteral(" load"));
        QCOMPARE(o.find<QLabel>("lblMap_Zlabel")->text(), QStringLiteral("Raw Values"));
        QCOMPARE(o.vars().MapXMax, 15.0);
        QCOMPARE(o.vars().MapYMax, 7.0);
        QCOMPARE(o.vars().MapZMax, 68.0);
        // The surface: three axes, 128 circles, 8 x 15 + 7 x 16 mesh lines.
        QCOMPARE(o.picture()->surface().circleCount(), 128);
        QCOMPARE(o.picture()->surface().lineCount(), 3 + 120 + 112);
        compareWindow(o.picture()->scaleWindow(), -51, -151, 202, 202);
    }

    void keysStepSelectedCellsAndRewriteTheMap_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QList<int>>("expect"); // the three selected cells after the key
        QTest::newRow("equal") << int(Qt::Key_Equal) << 0 << QList<int>{1, 129, 255};
        QTest::newRow("plus") << int(Qt::Key_Plus) << 0 << QList<int>{1, 129, 255};
        QTest::newRow("minus") << int(Qt::Key_Minus) << 0 << QList<int>{0, 127, 254};
        QTest::newRow("shifted minus")
            << int(Qt::Key_Underscore) << int(Qt::ShiftModifier) << QList<int>{0, 127, 254};
        QTest::newRow("keypad plus") << int(Qt::Key_Plus) << int(Qt::KeypadModifier)
                                     << QList<int>{0, 128, 255};
        QTest::newRow("keypad minus")
            << int(Qt::Key_Minus) << int(Qt::KeypadModifier) << QList<int>{0, 128, 255};
        QTest::newRow("arrow") << int(Qt::Key_Up) << 0 << QList<int>{0, 128, 255};
        QTest::newRow("letter") << int(Qt::Key_Q) << 0 << QList<int>{0, 128, 255};
    }
    void keysStepSelectedCellsAndRewriteTheMap() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QList<int>, expect);
        // A 3 x 2 map at 0x200: row 0 = 0, 128, 255; row 1 = 7, 8, 9.
        Opened o({map(QStringLiteral("0200"), 3, 2)},
                 {{0x200, 0}, {0x201, 128}, {0x202, 255}, {0x203, 7}, {0x204, 8}, {0x205, 9}});
        o.choose(0);
        QVERIFY(o.vars().IsSaved);
        for (int c = 1; c <= 3; ++c)
            o.select(2, c); // the bottom grid row is table row 0
        QTest::keyClick(o.grid(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(o.byte(0x200 + c), expect[c]);
            QCOMPARE(o.grid()->text(2, c + 1), QString::number(expect[c]));
        }
        QCOMPARE(o.byte(0x203), 7); // not selected
        QCOMPARE(o.grid()->text(1, 1), QStringLiteral("7"));
        // Whatever the key, every cell of the map is stored and recorded, and the image is unsaved.
        for (int a = 0x200; a < 0x206; ++a)
            QVERIFY2(o.pending(a), qPrintable(QString::number(a, 16)));
        QVERIFY(!o.pending(0x1FF));
        QVERIFY(!o.pending(0x206));
        QVERIFY(!o.vars().IsSaved);
    }

    void divisorsAreOnlyRaisedByEdits() {
        Opened o({map(QStringLiteral("0300"), 2, 2)}, {{0x300, 200}, {0x301, 50}, {0x302, 10}, {0x303, 20}});
        o.choose(0);
        QCOMPARE(o.vars().MapZMax, 200.0);
        o.select(2, 1);
        QTest::keyClick(o.grid(), Qt::Key_Equal);
        QCOMPARE(o.byte(0x300), 201);
        QCOMPARE(o.vars().MapZMax, 201.0);
        QTest::keyClick(o.grid(), Qt::Key_Minus);
        QTest::keyClick(o.grid(), Qt::Key_Minus);
        QCOMPARE(o.byte(0x300), 199);
        QCOMPARE(o.vars().MapZMax, 201.0);
        // Choosing the map again takes the divisors afresh.
        o.choose(0);
        QCOMPARE(o.vars().MapZMax, 199.0);
    }

    void keyboardAndMouseSelectSeveralCells() {
        Opened o({map(QStringLiteral("0300"), 3, 3)}, {});
        o.choose(0);
        TableGrid* g = o.grid();
        g->setFocus();
        const QRect first = g->visualRect(g->model()->index(3, 1));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, first.center());
        QTest::keyClick(g, Qt::Key_Right, Qt::ShiftModifier);
        const QRect third = g->visualRect(g->model()->index(1, 3));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier, third.center());
        QVERIFY(g->isCellSelected(3, 1));
        QVERIFY(g->isCellSelected(3, 2));
        QVERIFY(g->isCellSelected(1, 3));
        QVERIFY(!g->isCellSelected(2, 2));
        QTest::keyClick(g, Qt::Key_Equal);
        QCOMPARE(o.byte(0x300), 1);
        QCOMPARE(o.byte(0x301), 1);
        QCOMPARE(o.byte(0x308), 1);
        QCOMPARE(o.byte(0x304), 0);
        // Heading cells cannot be selected.
        o.select(0, 1);
        QVERIFY(!g->isCellSelected(0, 1));
    }

    void rawAndCalculatedSwitchNeverTouchesTheImage_data() {
        QTest::addColumn<int>("conversion");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QStringList>("calculated"); // cells of raw 0, 4, 200
        QTest::newRow("multiply") << 0 << 0.5 << QStringList{"1.", "3.", "101."};
        QTest::newRow("divide, raw 0 empty") << 1 << 1000.0 << QStringList{"", "251.", "6."};
        QTest::newRow("factor 0") << 0 << 0.0 << QStringList{".", ".", "."};
        QTest::newRow("conversion 2") << 2 << 3.0 << QStringList{".", ".", "."};
    }
    void rawAndCalculatedSwitchNeverTouchesTheImage() {
        QFETCH(int, conversion);
        QFETCH(double, factor);
        QFETCH(QStringList, calculated);
        ItemSpec m = map(QStringLiteral("0500"), 3, 2, QStringLiteral(" Fuel map"));
        m.conversion = conversion;
        m.factor = factor;
        m.offset = 1;
        Opened o({m}, {{0x500, 0}, {0x501, 4}, {0x502, 200}});
        o.choose(0);
        const auto before = o.f.state.BinImage;
        auto* button = o.find<QPushButton>("cmdShowIn_2");
        QCOMPARE(button->text(), QStringLiteral("Show in Calculated Values"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Show Raw Values"));
        QCOMPARE(o.find<QLabel>("lblMap_Zlabel")->text(), QStringLiteral(" Fuel map"));
        for (int c = 0; c < 3; ++c)
            QCOMPARE(o.grid()->text(2, c + 1), calculated[c]);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Show in Calculated Values"));
        QCOMPARE(o.find<QLabel>("lblMap_Zlabel")->text(), QStringLiteral("Raw Values"));
        QCOMPARE(o.grid()->text(2, 3), QStringLiteral("200"));
        for (int a = 0; a < kImageLength; ++a)
            QVERIFY(o.f.state.BinImage[size_t(a)].Value == before[size_t(a)].Value);
        for (int a = 0; a < kImageLength; ++a)
            QVERIFY(!o.pending(a));
        QVERIFY(o.vars().IsSaved);
    }

    void steppersMoveTheViewAndRestAtZero() {
        Opened o({map(QStringLiteral("0100"), 2, 2)}, {});
        compareWindow(o.picture()->scaleWindow(), -121, -191, 202, 202); // before any choice
        o.choose(0);
        auto* zoom = o.find<QScrollBar>("scrZoom");
        for (int i = 0; i < 3; ++i)
            zoom->setValue(1);
        QCOMPARE(zoom->value(), 0);
        compareWindow(o.picture()->scaleWindow(), -54, -150.625f, 205, 205);
        auto* panHor = o.find<QScrollBar>("scrPanHor");
        auto* panVer = o.find<QScrollBar>("scrPanVer");
        panHor->setValue(-1);
        panVer->setValue(1);
        QCOMPARE(panHor->value(), 0);
        QCOMPARE(panVer->value(), 0);
        compareWindow(o.picture()->scaleWindow(), -53, -151.625f, 205, 205);

        auto* rotate = o.find<QScrollBar>("scrRotAngle");
        o.vars().RotationAngle = 0;
        rotate->setValue(1);
        QCOMPARE(o.vars().RotationAngle, qint16(360));
        rotate->setValue(1);
        QCOMPARE(o.vars().RotationAngle, qint16(359));
        o.vars().RotationAngle = 360;
        rotate->setValue(-1);
        QCOMPARE(o.vars().RotationAngle, qint16(0));
        QCOMPARE(rotate->value(), 0);

        // The next choice resets the view and the angle.
        o.choose(0);
        QCOMPARE(o.vars().RotationAngle, qint16(30));
        compareWindow(o.picture()->scaleWindow(), -51, -151, 202, 202);
        for (const char* s : {"scrRotAngle", "scrZoom", "scrPanHor", "scrPanVer"})
            QCOMPARE(o.find<QScrollBar>(s)->value(), 0);
    }

    void stepperRedrawsAtTheNewAngle() {
        Opened o({map(QStringLiteral("0100"), 2, 2)}, {});
        o.choose(0);
        o.find<QScrollBar>("scrRotAngle")->setValue(-1); // 31 degrees
        const auto& axes = o.picture()->surface().batches().front();
        QCOMPARE(axes.lines.size(), size_t(3));
        QVERIFY(qAbs(axes.lines[0].p2().x() - 100 * std::cos(31 * 0.0174538)) < 1e-9);
    }

    void zoomingInToNothingIsRefused() {
        Opened o({map(QStringLiteral("0100"), 2, 2)}, {});
        o.choose(0);
        auto* zoom = o.find<QScrollBar>("scrZoom");
        for (int i = 0; i < 250; ++i)
            zoom->setValue(-1);
        QCOMPARE(zoom->value(), 0);
        QCOMPARE(o.picture()->scaleWindow().width, 1.0f);
        QCOMPARE(o.picture()->scaleWindow().height, 1.0f);
    }

    void dragTurnsAndWheelZoomsThroughTheSteppers() {
        Opened o({map(QStringLiteral("0100"), 2, 2)}, {});
        o.choose(0);
        PictureBox* p = o.picture();
        QTest::mousePress(p, Qt::LeftButton, {}, QPoint(10, 50));
        QTest::mouseMove(p, QPoint(40, 52)); // 30 pixels to the right
        QTest::mouseRelease(p, Qt::LeftButton, {}, QPoint(40, 52));
        QVERIFY(o.vars().RotationAngle > 30);
        QCOMPARE(o.find<QScrollBar>("scrRotAngle")->value(), 0);
        QWheelEvent wheel(QPointF(50, 50), p->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 240),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(p, &wheel);
        compareWindow(p->scaleWindow(), -49, -151.25f, 200, 200); // two zoom-in steps
    }

    void beforeAnyChoiceAKeyStoresNothingButMarksUnsaved() {
        Opened o({map(QStringLiteral("0100"), 2, 2)}, {});
        QTest::keyClick(o.grid(), Qt::Key_Equal);
        for (int a = 0; a < kImageLength; ++a)
            QVERIFY(!o.pending(a));
        QVERIFY(!o.vars().IsSaved);
        QCOMPARE(o.picture()->surface().lineCount(), 3); // axes only
        QCOMPARE(o.picture()->surface().circleCount(), 0);
    }

    void refusedMapsShowAndWriteNothing_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("rows");
        QTest::newRow("past the image") << QStringLiteral("0FF0") << 8 << 4;
        QTest::newRow("too wide") << QStringLiteral("0000") << 502 << 2;
        QTest::newRow("not hexadecimal") << QStringLiteral("04G0") << 2 << 2;
    }
    void refusedMapsShowAndWriteNothing() {
        QFETCH(QString, address);
        QFETCH(int, cols);
        QFETCH(int, rows);
        Opened o({map(QStringLiteral("0100"), 2, 2), map(address, cols, rows, QStringLiteral(" Bad map"))},
                 {{0x100, 9}});
        o.choose(0);
        QCOMPARE(o.grid()->text(2, 1), QStringLiteral("9"));
        o.choose(1);
        QCOMPARE(o.f.prompt.shown.size(), size_t(1));
        QVERIFY(o.f.prompt.shown[0].icon == Prompt::Icon::Critical);
        QVERIFY(o.f.prompt.last().contains(QStringLiteral("Bad map")));
        QCOMPARE(o.grid()->rows(), 2);
        QCOMPARE(o.grid()->cols(), 2);
        QCOMPARE(o.grid()->text(1, 1), QString());
        QCOMPARE(o.find<QLineEdit>("txtRow3D")->text(), QString());
        QCOMPARE(o.vars().MapCols, 0);
        QCOMPARE(o.picture()->surface().circleCount(), 0);
        o.select(1, 1);
        QTest::keyClick(o.grid(), Qt::Key_Equal);
        for (int a = 0; a < kImageLength; ++a)
            QVERIFY(!o.pending(a));
    }

    void editorResetEmptiesTheTab() {
        Opened o({map(QStringLiteral("0100"), 3, 3)}, {{0x100, 5}});
        o.choose(0);
        o.find<QScrollBar>("scrZoom")->setValue(1);
        o.editor->ClearVars();
        QCOMPARE(o.find<QComboBox>("cmb2Dim")->currentText(), QString());
        QCOMPARE(o.grid()->rows(), 2);
        QCOMPARE(o.grid()->cols(), 2);
        QCOMPARE(o.grid()->text(1, 1), QString());
        QCOMPARE(o.grid()->text(0, 1), QString());
        for (const char* l : {"lblMap_Xlabel", "lblMap_Ylabel", "lblMap_Zlabel"})
            QCOMPARE(o.find<QLabel>(l)->text(), QString());
        QCOMPARE(o.vars().MapCols, 0);
        QCOMPARE(o.vars().MapRows, 0);
        QCOMPARE(o.vars().MapXMax, 0.0);
        QCOMPARE(o.vars().MapYMax, 0.0);
        QCOMPARE(o.vars().RotationAngle, qint16(30));
        // With no rows and columns the redraw shows the axes only.
        o.editor->findChild<MapsTab*>()->redrawMap();
        QCOMPARE(o.picture()->surface().circleCount(), 0);
    }

    void highlightFollowsFocusAndTabChanges() {
        Opened o({map(QStringLiteral("0100"), 2, 2)}, {});
        auto* tabs = o.find<QTabWidget>("SSTab1");
        tabs->setCurrentIndex(3);
        QApplication::setActiveWindow(o.editor.get());
        QVERIFY(QTest::qWaitForWindowActive(o.editor.get()));
        o.choose(0);
        QVERIFY(!o.grid()->selectionHighlight()); // off since the editor opened
        o.grid()->setFocus();
        QTRY_VERIFY(o.grid()->selectionHighlight());
        o.find<QPushButton>("cmdShowIn_2")->setFocus();
        QTRY_VERIFY(!o.grid()->selectionHighlight());
        o.grid()->setFocus();
        QTRY_VERIFY(o.grid()->selectionHighlight());
        tabs->setCurrentIndex(2);
        QVERIFY(!o.grid()->selectionHighlight());
    }
};

QTEST_MAIN(TestMapsTab)
#include "test_maps_tab.moc"
