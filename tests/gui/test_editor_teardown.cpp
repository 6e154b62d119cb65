// An editor destroyed while it is still shown, with the focus in one of its boxes: the
// box's focus-out handler runs as the window goes, and must find the window's state
// still there (before, it ran against the freed state; the sanitizer build aborts on
// that). Destroying the window is not closing it: nothing of the image changes, and
// text typed into the raw box is not committed (closing commits it, asking first).
#include "core/app_state.h"
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace korvel;
using namespace korvel::test;

class TestEditorTeardown : public QObject {
    Q_OBJECT

private slots:
    void destroyedWhileABoxHasTheFocus_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::newRow("Hex start") << 4 << "txtStart"
                                   << "1F";
        QTest::newRow("Hex columns") << 4 << "txtCols"
                                     << "7";
        QTest::newRow("Hex rows") << 4 << "txtRows"
                                  << "300";
        QTest::newRow("Values raw") << 1 << "txtValue_Raw"
                                    << "1";
    }

    void destroyedWhileABoxHasTheFocus() {
        QFETCH(int, tab);
        QFETCH(QString, box);
        QFETCH(QString, typed);
        GuiFixture f;
        f.useSample();
        Services services = f.services();
        auto editor = std::make_unique<frmEditor>(services);
        QVERIFY(editor->Form_Load().outcome == OpeningResult::Outcome::Opened);
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(tab);
        // The Values tab shows the first single value (0x200, 2 bytes).
        auto* list = editor->findChild<QComboBox*>(QStringLiteral("cmb0Dim"));
        list->setCurrentIndex(0);
        emit list->activated(0);
        const std::vector<BinCell> before = f.state.BinImage;

        auto* text = editor->findChild<QLineEdit*>(box);
        QVERIFY(text);
        QTest::mouseClick(text, Qt::LeftButton);
        QVERIFY(text->hasFocus());
        QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(text, typed);
        editor.reset();

        for (int a = 0; a < f.state.BinSize; ++a)
            QVERIFY2(f.state.BinImage[static_cast<size_t>(a)].Value == before[static_cast<size_t>(a)].Value,
                     qPrintable(QStringLiteral("byte %1 changed").arg(a)));
    }
};

QTEST_MAIN(TestEditorTeardown)
#include "test_editor_teardown.moc"
