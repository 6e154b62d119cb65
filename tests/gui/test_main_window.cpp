#include "core/version.h"
#include "main_window/frm_main.h"
#include "support/gui_fixture.h"
#include "support/modal.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace korvel;
using namespace korvel::test;

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void captionAndBoxesComeFromTheSettings() {
        GuiFixture f;
        f.settings.WriteSetting(QStringLiteral("BIN Location"), QStringLiteral("/data/rom.bin"));
        Services s = f.services();
        frmMain w(s);
        QCOMPARE(w.windowTitle(), QStringLiteral("Korvel Version ") + versionText());
        QCOMPARE(box(w, "txtBIN")->text(), QStringLiteral("/data/rom.bin"));
        QCOMPARE(box(w, "txtECU")->text(), QString());
    }

    void checksBeforeOpening_data() {
        QTest::addColumn<QString>("bin");
        QTest::addColumn<QString>("ecu");
        QTest::addColumn<QString>("message");
        QTest::newRow("both empty") << ""
                                    << ""
                                    << "A BIN File, and An ECU File are required";
        QTest::newRow("ecu empty") << "sample.bin"
                                   << ""
                                   << "A BIN File, and An ECU File are required";
        QTest::newRow("bin missing") << "missing.bin"
                                     << "sample.ecu"
                                     << "BIN File Not Found";
        QTest::newRow("ecu missing") << "sample.bin"
                                     << "missing.ecu"
                                     << "ECU File Not Found";
        QTest::newRow("ecu extension") << "sample.bin"
                                       << "engine.txt"
                                       << "ECU file is not correct.";
    }
    void checksBeforeOpening() {
        QFETCH(QString, bin);
        QFETCH(QString, ecu);
        QFETCH(QString, message);
        GuiFixture f;
        f.useSample();
        f.writeFile(QStringLiteral("engine.txt"), "ECU FORMAT\n");
        f.state.BinPath.clear();
        f.state.EcuPath.clear();
        Services s = f.services();
        frmMain w(s);
        box(w, "txtBIN")->setText(bin.isEmpty() ? bin : f.path(bin));
        box(w, "txtECU")->setText(ecu.isEmpty() ? ecu : f.path(ecu));
        click(w, "cmdECU_Edit");
        QCOMPARE(f.prompt.texts(), QStringList{message});
        QVERIFY2(f.state.BinPath.isEmpty() && f.state.EcuPath.isEmpty(), "a refused opening sets no paths");
        QVERIFY(f.settings.ReadSetting(QStringLiteral("BIN Location")).isEmpty());
    }

    void anEcuExtensionInAnyCaseOpensTheEditor() {
        GuiFixture f;
        f.useSample();
        QFile::rename(f.path(QStringLiteral("sample.ecu")), f.path(QStringLiteral("ENGINE.Ecu")));
        Services s = f.services();
        frmMain w(s);
        box(w, "txtBIN")->setText(f.path(QStringLiteral("sample.bin")));
        box(w, "txtECU")->setText(f.path(QStringLiteral("ENGINE.Ecu")));
        QString opened;
        onNextModal([&](QWidget* modal) { opened = modal->objectName(); });
        click(w, "cmdECU_Edit");
        QCOMPARE(opened, QStringLiteral("frmEditor"));
        QVERIFY(f.prompt.shown.empty());
        QCOMPARE(f.state.EcuPath, f.path(QStringLiteral("ENGINE.Ecu")));
        // Opening stored both paths and the editor wrote its defaults.
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("ECU Location")),
                 f.path(QStringLiteral("ENGINE.Ecu")));
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("Numeric Format")), QStringLiteral("##.##"));
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("Port")), QStringLiteral("1"));
    }

    void anErrorWhileTheEditorLoadsIsReportedHere() {
        GuiFixture f;
        f.useSample();
        f.writeFile(QStringLiteral("broken.ecu"), "ECU FORMAT\n{\nHeader = x\nVersion = seven\n");
        Services s = f.services();
        frmMain w(s);
        box(w, "txtBIN")->setText(f.path(QStringLiteral("sample.bin")));
        box(w, "txtECU")->setText(f.path(QStringLiteral("broken.ecu")));
        click(w, "cmdECU_Edit");
        QCOMPARE(f.prompt.shown.size(), size_t{1});
        QVERIFY(f.prompt.last().contains(QStringLiteral("seven")));
        QVERIFY(!QApplication::overrideCursor());
    }

    void browsing_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("after");
        QTest::newRow("chosen") << "/data/old.bin"
                                << "/data/new.bin"
                                << "/data/"
                                << "/data/new.bin";
        QTest::newRow("cancelled") << "/data/old.bin"
                                   << ""
                                   << "/data/"
                                   << "/data/old.bin";
        QTest::newRow("windows path") << "C:\\data\\rom.bin"
                                      << ""
                                      << "C:\\data\\"
                                      << "C:\\data\\rom.bin";
        QTest::newRow("no folder") << "rom.bin"
                                   << ""
                                   << ""
                                   << "rom.bin";
    }
    void browsing() {
        QFETCH(QString, start);
        QFETCH(QString, chosen);
        QFETCH(QString, folder);
        QFETCH(QString, after);
        GuiFixture f;
        Services s = f.services();
        frmMain w(s);
        box(w, "txtBIN")->setText(start);
        f.prompt.chooseFile(chosen);
        click(w, "cmdBIN");
        QCOMPARE(f.prompt.dialogTitles, QStringList{QStringLiteral("Select BIN File")});
        QCOMPARE(f.prompt.dialogFolders, QStringList{folder});
        QCOMPARE(box(w, "txtBIN")->text(), after);
    }

    void closingStoresTheBoxesEvenUnused() {
        GuiFixture f;
        Services s = f.services();
        {
            frmMain w(s);
            box(w, "txtBIN")->setText(QStringLiteral("typed.bin"));
            box(w, "txtECU")->setText(QStringLiteral("typed.ecu"));
            w.close();
        }
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("BIN Location")), QStringLiteral("typed.bin"));
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("ECU Location")), QStringLiteral("typed.ecu"));
    }

private:
    static QLineEdit* box(QWidget& w, const char* name) {
        return w.findChild<QLineEdit*>(QLatin1String(name));
    }
    static void click(QWidget& w, const char* name) {
        auto* b = w.findChild<QPushButton*>(QLatin1String(name));
        QVERIFY(b);
        b->click();
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
