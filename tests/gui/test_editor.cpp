// The editor as a whole: opening and its caption, the port setting, saving and its failures,
// the questions on closing, the checksum button, and a window destroyed while shown.
#include "core/version.h"
#include "support/editor_harness.h"

#include <QComboBox>

using namespace korvel;
using namespace korvel::test;
using Outcome = OpeningResult::Outcome;

namespace {

const QString kSaveQuestion = QStringLiteral("BIN File has been changed. Would you like to save it now?");

QString entries(const QComboBox* c) {
    QString t;
    for (int i = 0; i < c->count(); ++i)
        t += c->itemText(i) + "|";
    return t;
}

// The checksum stored in the sample, which is right for it.
QString sampleChecksum() {
    const QByteArray sample = fileBytes(qEnvironmentVariable("KORVEL_EXAMPLES") + "/sample.bin");
    return sample.mid(0x7FFE, 2).toHex().toUpper();
}

const QByteArray kShortCount = // an item error leaves the count short
    ecuText({{.address = "10"}, {.address = "11", .kind = 80}})
        .replace("Rows = 1\r\nByteSize = 1\r\nKind = 80", "Rows = x");
const std::tuple<const char*, QByteArray, Outcome, QStringList> kDefinitions[] = {
    {"item of no class",
     ecuText({{.address = "10", .kind = 5}}),
     Outcome::ClosedItself,
     {"Error in ECU File"}},
    {"wrong format", "[header]\n", Outcome::ClosedItself, {"Incorrect ECU Format"}},
    {"an item error", kShortCount, Outcome::ClosedItself, {"ECU File Error", "Error in ECU File"}},
    {"broken header", "FORMAT\n{\nHeader = a\n", Outcome::Failed, {}}};

// The setting, the port taken.
const std::tuple<const char*, const char*, int> kPorts[] = {
    {"missing", "", 1}, {"4", "4", 4}, {"COM2", "COM2", 1}, {"12", "12", 1}, {"3 and more", "3x", 3}};

// Saved to, in the folder unless absolute.
const std::tuple<const char*, const char*, const char*> kFailures[] = {
    {"folder gone", "gone/sample.bin", "No such file or directory"},
    {"a folder in its place", "folder.bin", "Is a directory"},
    {"device full", "/dev/full", "No space left on device"}};

// "store": an edit of 0x202; "type": raw box text.
const std::tuple<const char*, QString, bool> kClosings[] = {{"no edit", "", false},
                                                            {"edit, not saved", "store", false},
                                                            {"edit, saved", "store", true},
                                                            {"text in the raw box", "type", false}};

// Address, size, start, end.
const std::tuple<const char*, QStringList, const char*> kHeaders[] = {
    {"start not hex", {"7FFE", "2", "X0", "7FFD"}, "ChecksumStart"},
    {"stored bytes past the image", {"7FFF", "2", "0", "7FFD"}, "ChecksumAddress"}};

const std::tuple<const char*, int, const char*, const char*> kBoxes[] = {
    {"Hex start", 4, "txtStart", "1F"},
    {"Hex columns", 4, "txtCols", "7"},
    {"Hex rows", 4, "txtRows", "300"},
    {"Values raw", 1, "txtValue_Raw", "1"}};

} // namespace

class TestEditor : public QObject {
    Q_OBJECT

private slots:
    void opensTheSampleWithItsListsAndCaption() {
        EditorHarness h;
        QCOMPARE(h.editor->windowTitle(), QStringLiteral("Korvel Version ?.??"));
        QVERIFY(h.open());
        QCOMPARE(h.editor->windowTitle(),
                 QStringLiteral("Korvel Version %1     File Size: 32K").arg(versionText()));
        QCOMPARE(entries(h.find<QComboBox>("cmbFlag")) + entries(h.find<QComboBox>("cmb1Dim")) +
                     entries(h.find<QComboBox>("cmb2Dim")),
                 QStringLiteral(" Engine options| Diagnostic switches| Coolant enrichment| Cranking fuel|"
                                " Spark advance| Volumetric efficiency|"));
        QCOMPARE(h.find<QComboBox>("cmb0Dim")->count(), 4);
        QCOMPARE(h.editor->vars().MapItems, (std::vector<int>{9, 10}));
        for (const char* b : {"cmdComplete", "cmdUpload", "cmdDownload", "cmdBatch", "cmdCheck"})
            QVERIFY2(!h.find(b)->isEnabled(), b); // no emulator answered
        QVERIFY(h.fx.prompt.shown.empty());
    }

    void definitionsThatDoNotOpen_data() { rows(kDefinitions); }
    void definitionsThatDoNotOpen() {
        const auto& [tag, ecu, outcome, messages] = fetch(kDefinitions);
        EditorHarness h(image(64), {});
        h.fx.writeFile(QStringLiteral("rom.ecu"), ecu);
        const OpeningResult r = h.editor->Form_Load();
        QCOMPARE(r.outcome, outcome);
        QCOMPARE(r.error.isEmpty(), r.outcome != Outcome::Failed);
        QCOMPARE(h.fx.prompt.texts(), messages);
        if (messages.contains(QStringLiteral("Incorrect ECU Format")))
            QCOMPARE(h.fx.prompt.shown.front().second, Prompt::Icon::Critical);
        h.editor->reject(); // a window that did not open asks nothing when it goes
        QCOMPARE(h.fx.prompt.texts(), messages);
    }

    void portSetting_data() { rows(kPorts); }
    void portSetting() {
        const auto& [tag, stored, port] = fetch(kPorts);
        EditorHarness h;
        if (*stored) h.fx.settings.WriteSetting(QStringLiteral("Port"), stored);
        QVERIFY(h.open());
        QCOMPARE(int(h.fx.state.PortNumber), port);
        QCOMPARE(h.fx.settings.ReadSetting(QStringLiteral("Port")), QString::number(port));
    }

    void aFailedSaveLosesNothing_data() { rows(kFailures); }
    void aFailedSaveLosesNothing() {
        const auto& [tag, path, reason] = fetch(kFailures);
        EditorHarness h;
        QVERIFY(h.open());
        h.edit(0x202, 0x99);
        QDir(h.fx.dir.path()).mkdir(QStringLiteral("folder.bin"));
        h.fx.state.BinPath = *path == '/' ? QString(path) : h.fx.path(path);
        click(*h.editor, QStringLiteral("cmdSave"));
        const QString text = h.fx.prompt.onlyCritical();
        QVERIFY2(text.contains(h.fx.state.BinPath) && text.contains(reason), qPrintable(h.fx.prompt.last()));
        QVERIFY(!h.editor->isSaved());
        QCOMPARE(h.bytes(0x202) + h.pending(0x202), QStringLiteral("9999"));
        // Closing offers the save again; when that fails too the window stays open with the edit.
        h.fx.prompt.answers = {false, true}; // the checksum not updated, the save tried again
        h.editor->reject();
        QVERIFY(h.editor->isVisible());
        QVERIFY(!h.editor->isSaved());
        QCOMPARE(h.fx.prompt.unexpected, 0);
    }

    void closingAsksOnlyWhenUnsaved_data() { rows(kClosings); }
    void closingAsksOnlyWhenUnsaved() {
        const auto& [tag, edit, save] = fetch(kClosings);
        EditorHarness h;
        QVERIFY(h.open(1));
        const QByteArray before = fileBytes(h.fx.state.BinPath);
        if (edit == QLatin1String("store")) h.edit(0x202, 0x7E);
        if (edit == QLatin1String("type")) {
            h.choose(QStringLiteral("cmb0Dim"), 1); // Idle speed, one byte at 0202
            h.type(QStringLiteral("txtValue_Raw"), QStringLiteral("7e"), 0);
        }
        if (!edit.isEmpty()) h.fx.prompt.answers = {false, save}; // the edit spoilt the checksum: not updated
        h.editor->reject();
        QVERIFY(!h.editor->isVisible());
        QCOMPARE(h.fx.prompt.unexpected, 0);
        const QStringList texts = h.fx.prompt.texts();
        QCOMPARE(texts.size(), edit.isEmpty() ? 0 : save ? 3 : 2);
        if (!edit.isEmpty()) QVERIFY(texts[0].startsWith(QStringLiteral("Checksum has changed from ")));
        if (!edit.isEmpty()) QCOMPARE(texts[1], kSaveQuestion);
        QCOMPARE(h.bytes(0x202) + h.pending(0x202),
                 edit.isEmpty() ? QStringLiteral("40") : QStringLiteral("7E7E"));
        QCOMPARE(fileBytes(h.fx.state.BinPath) == before, !save);
        QCOMPARE(fileBytes(h.fx.state.BinPath).at(0x202), save ? '\x7E' : '\x40');
    }

    void closingOffersTheNewChecksumBeforeTheSave_data() {
        QTest::addColumn<bool>("update");
        QTest::addColumn<bool>("save");
        QTest::newRow("update and save") << true << true;
        QTest::newRow("update, do not save") << true << false;
        QTest::newRow("no update") << false << false;
    }
    void closingOffersTheNewChecksumBeforeTheSave() {
        QFETCH(bool, update);
        QFETCH(bool, save);
        EditorHarness h;
        const QByteArray sample = fileBytes(h.fx.state.BinPath);
        const QByteArray cleared = QByteArray(sample).replace(0x7FFE, 2, QByteArray(2, '\0'));
        h.fx.writeFile(QStringLiteral("sample.bin"), cleared);
        QVERIFY(h.open());
        const QString right = sampleChecksum();
        h.fx.prompt.answers = {update, save};
        h.editor->reject();
        QStringList expected{QStringLiteral("Checksum has changed from 0000 to %1 Update?").arg(right)};
        if (update) expected << kSaveQuestion;
        if (save) expected << h.fx.state.BinPath.toUpper() + QStringLiteral(" Saved.");
        QCOMPARE(h.fx.prompt.texts(), expected);
        QCOMPARE(h.fx.prompt.unexpected, 0);
        QCOMPARE(h.bytes(0x7FFE, 2), update ? right : QStringLiteral("0000"));
        QCOMPARE(h.pending(0x7FFE, 2), update ? right : QString()); // for the emulator, saved or not
        QCOMPARE(fileBytes(h.fx.state.BinPath), save ? sample : cleared);
    }

    void theChecksumButtonOffersTheRightSum() {
        EditorHarness h;
        h.fx.writeFile(QStringLiteral("sample.bin"),
                       fileBytes(h.fx.state.BinPath).replace(0x7FFE, 2, QByteArray::fromHex("1234")));
        QVERIFY(h.open());
        const QString question = QStringLiteral("Save Chksum = ") + sampleChecksum();
        h.fx.prompt.answers = {false};
        click(*h.editor, QStringLiteral("cmdChkSum"));
        QCOMPARE(h.fx.prompt.texts(), QStringList{question});
        QVERIFY(h.editor->isSaved());
        QCOMPARE(h.bytes(0x7FFE, 2) + h.pending(0x7FFE, 2), QStringLiteral("1234"));
        h.fx.prompt.answers = {true};
        click(*h.editor, QStringLiteral("cmdChkSum"));
        QVERIFY(!h.editor->isSaved());
        QCOMPARE(h.bytes(0x7FFE, 2) + h.pending(0x7FFE, 2), sampleChecksum().repeated(2));
        QCOMPARE(h.fx.state.PendingChanges[0x7FFE].addressText(), QStringLiteral("007FFE"));
        // Right now, it is still offered; closing goes straight to the save question.
        h.fx.prompt.shown.clear();
        h.fx.prompt.answers = {false};
        click(*h.editor, QStringLiteral("cmdChkSum"));
        h.fx.prompt.answers = {false};
        h.editor->reject();
        QCOMPARE(h.fx.prompt.texts(), (QStringList{question, kSaveQuestion}));
    }

    void headersThatDoNotFitAreRefusedByBothChecks_data() { rows(kHeaders); }
    void headersThatDoNotFitAreRefusedByBothChecks() {
        const auto& [tag, header, fault] = fetch(kHeaders);
        EditorHarness h;
        h.fx.writeFile(QStringLiteral("sample.ecu"), ecuText({}, header));
        QVERIFY(h.open());
        const QByteArray before = fileBytes(h.fx.state.BinPath);
        click(*h.editor, QStringLiteral("cmdChkSum"));
        const QString refusal = h.fx.prompt.onlyCritical();
        QVERIFY2(refusal.contains(fault), qPrintable(h.fx.prompt.last()));
        QVERIFY(h.editor->isSaved());
        // On closing the same message takes the question's place, and closing goes on.
        h.editor->vars().IsSaved = false;
        h.fx.prompt.answers = {false};
        h.editor->reject();
        QCOMPARE(h.fx.prompt.texts(), (QStringList{refusal, refusal, kSaveQuestion}));
        QCOMPARE(h.fx.prompt.unexpected + h.pendingCount(), 0);
        QCOMPARE(fileBytes(h.fx.state.BinPath), before);
    }

    // A shown window destroyed with the focus in a box runs the box's focus-out handler as it
    // goes: the handler must find the window's state still there, and change nothing.
    void destroyedWhileABoxHasTheFocus_data() { rows(kBoxes); }
    void destroyedWhileABoxHasTheFocus() {
        const auto& [tag, tab, box, typed] = fetch(kBoxes);
        EditorHarness h;
        QVERIFY(h.open(tab));
        h.choose(QStringLiteral("cmb0Dim"), 0); // the first value: 0x200, 2 bytes
        const QString before = h.bytes(0, h.fx.state.BinSize);
        QTest::mouseClick(h.find(box), Qt::LeftButton);
        QVERIFY(h.find(box)->hasFocus());
        h.type(box, typed, 0);
        h.editor.reset();
        QVERIFY(h.bytes(0, h.fx.state.BinSize) == before);
        QCOMPARE(h.pendingCount(), 0);
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
