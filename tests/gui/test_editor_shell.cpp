#include "core/values.h"
#include "core/version.h"
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace korvel;
using namespace korvel::test;
using Outcome = OpeningResult::Outcome;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QStringList listTitles(frmEditor& e, const char* name) {
    QStringList titles;
    auto* c = e.findChild<QComboBox*>(QLatin1String(name));
    for (int i = 0; c && i < c->count(); ++i)
        titles << c->itemText(i);
    return titles;
}

} // namespace

class TestEditorShell : public QObject {
    Q_OBJECT

private slots:
    void opensTheSampleWithItsListsAndCaption() {
        GuiFixture f;
        f.useSample();
        Services s = f.services();
        frmEditor e(s);
        QCOMPARE(e.windowTitle(), QStringLiteral("Korvel Version ?.??"));
        QCOMPARE(e.Form_Load().outcome, Outcome::Opened);
        QCOMPARE(e.windowTitle(), QStringLiteral("Korvel Version %1     File Size: 32K").arg(versionText()));
        QCOMPARE(listTitles(e, "cmbFlag"), (QStringList{" Engine options", " Diagnostic switches"}));
        QCOMPARE(listTitles(e, "cmb0Dim").size(), 4);
        QCOMPARE(listTitles(e, "cmb1Dim"), (QStringList{" Coolant enrichment", " Cranking fuel"}));
        QCOMPARE(listTitles(e, "cmb2Dim"), (QStringList{" Spark advance", " Volumetric efficiency"}));
        QCOMPARE(e.vars().MapItems, (std::vector<int>{9, 10}));
        auto* tabs = e.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions, (QStringList{"Flags", "Values", "Arrays", "3D Maps", "Hex"}));
        // No emulator attached: the five transfer buttons stay disabled.
        for (const char* b : {"cmdComplete", "cmdUpload", "cmdDownload", "cmdBatch", "cmdCheck"})
            QVERIFY2(!e.findChild<QPushButton*>(QLatin1String(b))->isEnabled(), b);
        QVERIFY(f.prompt.shown.empty());
    }

    void captionShowsTheSizeWithTheDecimalsItNeeds_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("size");
        QTest::newRow("100 bytes") << 100 << "0.09375K";
        QTest::newRow("64 KiB") << 65536 << "64K";
        QTest::newRow("empty") << 0 << "0K";
    }
    void captionShowsTheSizeWithTheDecimalsItNeeds() {
        QFETCH(int, length);
        QFETCH(QString, size);
        GuiFixture f;
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), QByteArray(length, '\x01'));
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecuText({}));
        Services s = f.services();
        frmEditor e(s);
        QCOMPARE(e.Form_Load().outcome, Outcome::Opened);
        QVERIFY(e.windowTitle().endsWith(QStringLiteral("     File Size: ") + size));
    }

    void definitionsThatDoNotOpen_data() {
        QTest::addColumn<QByteArray>("ecu");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("item of no class") << ecuText({ItemSpec{.address = "10", .kind = 5}})
                                          << int(Outcome::ClosedItself) << QStringList{"Error in ECU File"};
        QTest::newRow("wrong format")
            << QByteArray("[header]\n") << int(Outcome::ClosedItself) << QStringList{"Incorrect ECU Format"};
        QTest::newRow("item error leaves the count short")
            << ecuText({ItemSpec{.address = "10"}, ItemSpec{.address = "11"}})
                   .replace("Rows = 1\r\nByteSize = 1\r\nKind = 0\r\nOffset = 0\r\nConversion = 0"
                            "\r\nFactor = 1\r\nTitle =\r\nYLabel =\r\nYAxis =\r\nXLabel =\r\n"
                            "XAxis =\r\n}\r\n{\r\nAddress = 11",
                            "Rows = x\r\n")
            << int(Outcome::ClosedItself) << QStringList{"ECU File Error", "Error in ECU File"};
        QTest::newRow("broken header")
            << QByteArray("FORMAT\n{\nHeader = a\n") << int(Outcome::Failed) << QStringList{};
    }
    void definitionsThatDoNotOpen() {
        QFETCH(QByteArray, ecu);
        QFETCH(int, outcome);
        QFETCH(QStringList, messages);
        GuiFixture f;
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), QByteArray(64, '\0'));
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecu);
        Services s = f.services();
        frmEditor e(s);
        const OpeningResult r = e.Form_Load();
        QCOMPARE(int(r.outcome), outcome);
        QCOMPARE(f.prompt.texts(), messages);
        if (r.outcome == Outcome::Failed) QVERIFY(!r.error.isEmpty());
        if (messages.contains(QStringLiteral("Incorrect ECU Format")))
            QCOMPARE(f.prompt.shown.front().icon, Prompt::Icon::Critical);
        // A window that did not open asks nothing when it goes away.
        e.reject();
        QCOMPARE(f.prompt.texts(), messages);
    }

    void portSetting_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("port");
        QTest::newRow("missing") << "" << 1;
        QTest::newRow("4") << "4" << 4;
        QTest::newRow("COM2") << "COM2" << 1;
        QTest::newRow("12") << "12" << 1;
        QTest::newRow("3 and more") << "3x" << 3;
    }
    void portSetting() {
        QFETCH(QString, stored);
        QFETCH(int, port);
        GuiFixture f;
        f.useSample();
        if (!stored.isEmpty()) f.settings.WriteSetting(QStringLiteral("Port"), stored);
        Services s = f.services();
        frmEditor e(s);
        e.Form_Load();
        QCOMPARE(int(f.state.PortNumber), port);
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("Port")), QString::number(port));
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("Upload Execute")), QString());
    }

    void saveWritesTheImageAndSaysSo() {
        GuiFixture f;
        f.useSample();
        Services s = f.services();
        frmEditor e(s);
        e.Form_Load();
        StoreByte(f.state, 0x10, 0xAB);
        e.vars().IsSaved = false;
        e.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
        QCOMPARE(f.prompt.texts(), QStringList{f.state.BinPath.toUpper() + QStringLiteral(" Saved.")});
        QVERIFY(e.isSaved());
        QCOMPARE(fileBytes(f.state.BinPath).at(0x10), '\xAB');
        QCOMPARE(fileBytes(f.state.BinPath).size(), 32768);
    }

    void aFailedSaveKeepsTheEditorUnsavedAndOpen() {
        GuiFixture f;
        f.useSample();
        Services s = f.services();
        frmEditor e(s);
        e.Form_Load();
        StoreByte(f.state, 0x10, 0xAB);
        e.vars().IsSaved = false;
        f.state.BinPath = f.path(QStringLiteral("vanished/sample.bin"));
        e.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
        QCOMPARE(f.prompt.shown.size(), size_t{1});
        QVERIFY(!f.prompt.last().contains(QStringLiteral("Saved.")));
        QVERIFY(f.prompt.last().contains(QStringLiteral("vanished")));
        QCOMPARE(f.prompt.shown.front().icon, Prompt::Icon::Critical);
        QVERIFY(!e.isSaved());
        QCOMPARE(f.state.BinImage[0x10].byte(), 0xAB);

        // Closing offers the save; when it fails again the window stays open with the edit.
        e.show();
        f.prompt.clear();
        f.prompt.answerNo(); // the edit spoilt the checksum: not updated
        f.prompt.answerYes();
        e.reject();
        QVERIFY(e.isVisible());
        QVERIFY(!e.isSaved());
    }

    void textTypedIntoTheRawBoxIsNotDroppedOnClosing() {
        GuiFixture f;
        f.useSample();
        Services s = f.services();
        frmEditor e(s);
        e.Form_Load();
        e.show();
        QVERIFY(QTest::qWaitForWindowActive(&e));
        e.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
        auto* list = e.findChild<QComboBox*>(QStringLiteral("cmb0Dim"));
        list->setCurrentIndex(1); // Idle speed, one byte at 0202
        emit list->activated(1);
        auto* raw = e.findChild<QLineEdit*>(QStringLiteral("txtValue_Raw"));
        raw->setFocus();
        raw->selectAll();
        QTest::keyClicks(raw, QStringLiteral("7e"));
        f.prompt.answerNo(); // the edit spoilt the checksum: not updated
        f.prompt.answerNo();
        e.reject();
        QCOMPARE(f.state.BinImage[0x202].valueText(), QStringLiteral("7E"));
        QCOMPARE(f.prompt.texts().size(), 2);
        QVERIFY(f.prompt.texts().front().startsWith(QStringLiteral("Checksum has changed from ")));
        QCOMPARE(f.prompt.texts().back(),
                 QStringLiteral("BIN File has been changed. Would you like to save it now?"));
    }

    void closingAsksOnlyWhenUnsaved_data() {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("answer");
        QTest::newRow("no edit") << false << false;
        QTest::newRow("edit, No") << true << false;
        QTest::newRow("edit, Yes") << true << true;
    }
    void closingAsksOnlyWhenUnsaved() {
        QFETCH(bool, edited);
        QFETCH(bool, answer);
        GuiFixture f;
        f.useSample();
        const QByteArray before = fileBytes(f.state.BinPath);
        Services s = f.services();
        frmEditor e(s);
        e.Form_Load();
        e.show();
        if (edited) {
            StoreByte(f.state, 0x20, 0x5A);
            e.vars().IsSaved = false;
            f.prompt.answerNo(); // the edit spoilt the checksum: not updated
            answer ? f.prompt.answerYes() : f.prompt.answerNo();
        }
        e.reject();
        QVERIFY(!e.isVisible());
        QCOMPARE(f.prompt.unexpected, 0);
        if (!edited)
            QVERIFY(f.prompt.shown.empty());
        else
            QCOMPARE(f.prompt.shown.at(1).text,
                     QStringLiteral("BIN File has been changed. Would you like to save it now?"));
        QCOMPARE(fileBytes(f.state.BinPath) == before, !(edited && answer));
        // Pending changes for the emulator stay whatever the answer.
        QCOMPARE(f.state.PendingChanges[0x20].isEmpty(), !edited);
    }
};

QTEST_MAIN(TestEditorShell)
#include "test_editor_shell.moc"
