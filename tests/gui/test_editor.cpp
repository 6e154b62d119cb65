// The editor through its real controls: opening, saving, closing and the checksum; the Flags and
// Values tabs; and korvel-cli, whose map picture must be the editor's.
#include "core/bin_image.h"
#include "core/version.h"
#include "support/editor_harness.h"
#include "widgets/picture_box.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

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
    {"item of no class", ecuText({{"10", 1, 1, 1, 5}}), Outcome::ClosedItself, {"Error in ECU File"}},
    {"wrong format", "[header]\n", Outcome::ClosedItself, {"Incorrect ECU Format"}},
    {"an item error", kShortCount, Outcome::ClosedItself, {"ECU File Error", "Error in ECU File"}},
    {"broken header", "FORMAT\n{\nHeader = a\n", Outcome::Failed, {}}};

// The editor's menus as they open on the Values tab without an emulator ("-": not usable now).
const QString kMenus =
    "&File| &Save Ctrl+S| Save &As... Ctrl+Shift+S| Compare with… | -Compare with opened image |"
    " Changes… | &Browse Items… Ctrl+B| Calculate CheckSum |&Edit| &Undo Ctrl+Z| &Redo Ctrl+Y| -&Copy Ctrl+C|"
    " -&Paste Ctrl+V| -Set to Value... Ctrl+E| -Add Value... Ctrl+D|"
    " -Multiply by Percentage... Ctrl+P| -Interpolate Along Rows Ctrl+H|"
    " -Interpolate Along Columns Ctrl+J| -Interpolate Both Ways Ctrl+I| -Smooth Ctrl+M|"
    "E&mulator| -Standard Download File | -Verify File | -Batch Download File |"
    " -Check File | -Download Changes | -Live | &Data… ";

// The setting, the port taken.
const std::tuple<const char*, const char*, int> kPorts[] = {
    {"missing", "", 1}, {"4", "4", 4}, {"COM2", "COM2", 1}, {"3 and more", "3x", 3}};

// Saved to, in the folder unless absolute.
const std::tuple<const char*, const char*, const char*> kFailures[] = {
    {"folder gone", "gone/sample.bin", "No such file or directory"},
    {"device full", "/dev/full", "No space left on device"}};

// The edit before closing (of 0x202, typed into the raw box, or the stored checksum cleared), the
// answers, the start of each text shown, the image and pending cells at 202 and 7FFE, the file there.
const QString kChanged = QStringLiteral("Checksum has changed from "), kSave = "|" + kSaveQuestion;
const QString kUpdate = kChanged + "0000 to SUM Update?";
const std::tuple<const char*, QString, std::deque<bool>, QString, QString, QString> kClosings[] = {
    {"no edit", "", {}, "", "40|SUM", "40SUM"},
    {"edit, not saved", "store", {false, false}, kChanged + kSave, "7E7E|SUM", "40SUM"},
    {"edit, saved", "store", {false, true}, kChanged + kSave + "|/", "7E7E|SUM", "7ESUM"},
    {"text in the raw box", "type", {false, false}, kChanged + kSave, "7E7E|SUM", "40SUM"},
    {"checksum updated, saved", "cleared", {true, true}, kUpdate + kSave + "|/", "40|SUMSUM", "40SUM"},
    {"checksum updated, not saved", "cleared", {true, false}, kUpdate + kSave, "40|SUMSUM", "400000"},
    {"checksum not updated", "cleared", {false}, kUpdate, "40|0000", "400000"}};

// Address, size, start, end.
const std::tuple<const char*, QStringList, const char*> kHeaders[] = {
    {"start not hex", {"7FFE", "2", "X0", "7FFD"}, "ChecksumStart"},
    {"stored bytes past the image", {"7FFF", "2", "0", "7FFD"}, "ChecksumAddress"}};

const std::tuple<const char*, int, const char*, const char*> kBoxes[] = {
    {"Hex start", 4, "txtStart", "1F"},
    {"Hex columns", 4, "txtCols", "7"},
    {"Hex rows", 4, "txtRows", "300"},
    {"Values raw", 1, "txtValue_Raw", "1"}};

ItemSpec flag(const QString& address, const QString& title, const QString& yAxis = {}) {
    return {address, 1, 1, 1, 80, 0, 0, 1, title, " Option", yAxis, " Bits", " Set = fitted"};
}

// Two flags over 4 KiB of 5A: " Options" at 0100 holding `byte` with bit labels `yAxis`, and
// " Switches" at `addressB`.
struct Flags : EditorHarness {
    Flags(int byte, const QString& yAxis, const QString& addressB = QStringLiteral("0101"))
        : EditorHarness(image(4096, {{0x100, byte}}, 0x5A),
                        {flag("0100", " Options", yAxis), flag(addressB, " Switches")}) {
        if (!open(0)) qFatal("the editor did not open");
    }
    QCheckBox* box(int i) const { return find<QCheckBox>(QStringLiteral("chkFlag%1").arg(i)); }
    QString shown() const { // the byte the boxes show (box 0, at the top, is weight 128), then the labels
        int b = 0;
        for (int i = 0; i < 8; ++i)
            b |= box(i)->isChecked() ? 1 << (7 - i) : 0;
        QString t = hexByte(b) + text("lblFlag_Xaxis") + text("lblFlag_Xlabel") + text("lblFlag_Ylabel");
        for (int i = 0; i < 8; ++i)
            t += "|" + text(QStringLiteral("lblFlag_Yaxis%1").arg(i));
        return t;
    }
};

// Start, boxes clicked, byte after each.
const std::tuple<const char*, int, QList<int>, QList<int>> kClicks[] = {
    {"81: box 3 twice, back to 81", 0x81, {3, 3}, {0x91, 0x81}},
    {"00: boxes from the top", 0x00, {0, 1, 6, 7}, {0x80, 0xC0, 0xC2, 0xC3}},
    {"FF: bottom box, then top box", 0xFF, {7, 0}, {0xFE, 0x7E}}};

ItemSpec value(const QString& address, int byteSize, const QString& title, double factor = 1) {
    return {.address = address, .byteSize = byteSize, .factor = factor, .title = title};
}

// An editor over 4 KiB of 3C with the bytes of `hex` from 0x200 on, open on the Values tab.
struct Values : EditorHarness {
    Values(const std::vector<ItemSpec>& items, const QString& hex, const QString& format = {})
        : EditorHarness(
              image(4096, {}, 0x3C).replace(0x200, int(hex.size()) / 2, QByteArray::fromHex(hex.toLatin1())),
              items) {
        if (!format.isEmpty()) fx.settings.WriteSetting(QStringLiteral("Numeric Format"), format);
        if (!open(1)) qFatal("the editor did not open");
    }
    QComboBox* list() const { return find<QComboBox>("cmb0Dim"); }
    QLineEdit* raw() const { return find<QLineEdit>("txtValue_Raw"); }
    QScrollBar* stepper() const { return find<QScrollBar>("scrValue"); }
    // Picks entry `index` from the list's popup, which `openIt` opens (a click by default).
    void pick(int index, const std::function<void()>& openIt = {}) const {
        openIt ? openIt() : QTest::mouseClick(list(), Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return list()->view()->isVisible(); })) qFatal("the list did not open");
        list()->view()->setCurrentIndex(list()->view()->model()->index(index, 0));
        QTest::keyClick(list()->view(), Qt::Key_Return);
        if (!QTest::qWaitFor([&] { return !list()->view()->isVisible(); })) qFatal("the list did not close");
    }
    void step(bool up) const { // the stepper's up arrow adds one
        stepper()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(stepper(), up ? Qt::Key_Up : Qt::Key_Down);
    }
};

// Byte size, start, actions (u / d: the up / down arrow; tTEXT / rTEXT: TEXT typed, then Tab /
// Return), the bytes and the raw box after them, whether they were written.
const std::tuple<const char*, int, QString, QString, QString, QString, bool> kEdits[] = {
    {"1 byte: 7E up twice", 1, "7e", "u,u", "80", "80", true},
    {"2 bytes: 00FF up", 2, "00ff", "u", "0100", "100", true},
    {"2 bytes: FFFF up refused", 2, "ffff", "u", "FFFF", "FFFF", false},
    {"2 bytes: 0000 down refused", 2, "0000", "d", "0000", "0000", false},
    {"8 bytes: carry through all", 8, "7fffffffffffffff", "u", "8000000000000000", "8000000000000000", true},
    {"typed oversize", 1, "12", "t1ff", "FF", "FF", true},
    {"typed past 64 bits", 8, "1234", "t1ffffffffffffffff", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", true},
    {"typed, Return, step", 2, "1234", "r1f4,u", "01F5", "1F5", true},
    {"unchanged text stored again", 2, "1234", "t1234", "1234", "1234", true},
    {"empty, then a step", 2, "1234", "t,u", "1234", "1234", false},
    {"typed not hex, Return", 2, "1234", "r12g", "1234", "1234", false}};

// Numeric Format (empty: "##.##"), conversion, factor, offset, raw, the calculated text, after a step up.
const std::tuple<const char*, QString, int, double, double, QString, QString, QString> kCalculations[] = {
    {"default, negative", "", 0, 0.5, -2, "0002", "-1.", "-.5"},
    {"factor 0 empties the box", "", 0, 0, 3, "0020", "", ""},
    {"0.000", "0.000", 0, 12.5, 0, "0040", "800.000", "812.500"}};

// Address (empty: nothing chosen), byte size.
const std::tuple<const char*, QString, int> kRefusals[] = {
    {"no choice", "", 1}, {"no bytes", "0201", 0}, {"nine bytes", "0201", 9}, {"past the end", "0FFF", 2}};

int cli(const QStringList& args) { // korvel-cli's exit code
    QProcess p;
    p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + "/korvel-cli/korvel-cli", args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT

private slots:
    // The editor as a whole: opening and its caption, the port setting, saving and its failures,
    // the questions on closing, the checksum button, and a window destroyed while shown.
    void opensTheSampleWithItsListsAndCaption() {
        EditorHarness h;
        QVERIFY(h.open());
        QCOMPARE(h.editor->windowTitle(),
                 QStringLiteral("Korvel Version %1     File Size: 32K").arg(versionText()));
        QCOMPARE(entries(h.find<QComboBox>("cmbFlag")) + entries(h.find<QComboBox>("cmb1Dim")) +
                     entries(h.find<QComboBox>("cmb2Dim")),
                 QStringLiteral(" Engine options| Diagnostic switches| Coolant enrichment| Cranking fuel|"
                                " Spark advance| Volumetric efficiency|"));
        QCOMPARE(h.find<QComboBox>("cmb0Dim")->count(), 4);
        for (const char* b : {"cmdComplete", "cmdUpload", "cmdDownload", "cmdBatch", "cmdCheck"})
            QVERIFY2(!h.find(b)->isEnabled(), b); // no emulator answered
        QVERIFY(h.fx.prompt.shown.empty());
    }

    // Every command is in the menu bar with its keys, usable where its button is; an entry
    // commits typed text first, as a click on a button does.
    void theMenusHoldEveryCommandWithItsKeys() {
        EditorHarness h;
        QVERIFY(h.open(1));
        QStringList entries;
        for (QAction* menu : h.find<QMenuBar>("mnuEditor")->actions()) {
            entries << menu->text();
            for (QAction* a : menu->menu()->actions())
                if (!a->isSeparator() && a->isVisible())
                    entries << (a->isEnabled() ? " " : " -") + a->text() + " " + a->shortcut().toString();
        }
        QCOMPARE(entries.join('|'), kMenus);
        h.choose("cmb0Dim", 1); // Idle speed, one byte at 0202
        h.type("txtValue_Raw", "7e", 0);
        child<QAction>(*h.editor, "actSave")->trigger();
        QCOMPARE(fileBytes(h.fx.state.BinPath).mid(0x202, 1), QByteArray("\x7E"));
        h.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
        QVERIFY(child<QAction>(*h.editor, "actCopy")->isEnabled());
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
        h.editor->reject(); // a window that did not open asks nothing when it goes
        QCOMPARE(h.fx.prompt.texts(), messages);
    }

    void portSetting_data() { rows(kPorts); }
    void portSetting() {
        const auto& [tag, stored, port] = fetch(kPorts);
        EditorHarness h;
        if (*stored) h.fx.settings.WriteSetting(QStringLiteral("Port"), stored);
        QVERIFY(h.open());
        QCOMPARE(QString::number(h.fx.state.PortNumber) + h.fx.settings.ReadSetting("Port"),
                 QString::number(port).repeated(2));
    }

    void aFailedSaveLosesNothing_data() { rows(kFailures); }
    void aFailedSaveLosesNothing() {
        const auto& [tag, path, reason] = fetch(kFailures);
        EditorHarness h;
        QVERIFY(h.open());
        h.edit(0x202, 0x99);
        h.fx.state.BinPath = *path == '/' ? QString(path) : h.fx.path(path);
        click(*h.editor, QStringLiteral("cmdSave"));
        const QString text = h.fx.prompt.onlyCritical();
        QVERIFY2(text.contains(h.fx.state.BinPath) && text.contains(reason), qPrintable(h.fx.prompt.last()));
        QVERIFY(!h.editor->isSaved());
        QCOMPARE(h.bytes(0x202) + h.pending(0x202), QStringLiteral("9999"));
        // Closing offers the save again; when that fails too the window stays open with the edit.
        h.fx.prompt.answers = {false, true}; // the checksum not updated, the save tried again
        h.editor->reject();
        QVERIFY(h.editor->isVisible() && !h.editor->isSaved() && h.fx.prompt.unexpected == 0);
    }

    // A file that cannot be written says so; Save offers Save As, and editing goes on in the new file.
    void aReadOnlyImageIsSavedAsAnotherFile() {
        const QByteArray opened = image(100, {{0x10, 0x11}, {0x62, 0x5A}}); // ends in a short block
        EditorHarness h(opened, {{.address = "0010"}});
        h.fx.state.DataFolder = h.fx.dir.path(); // as the installed sample's folder
        QVERIFY(h.open(1));
        QVERIFY(h.editor->windowTitle().endsWith("(read-only)") && h.find("lblReadOnly")->isVisible());
        h.choose("cmb0Dim", 0);
        h.type("txtValue_Raw", "99", 0);
        QTemporaryDir elsewhere;
        const QString copy = elsewhere.filePath("copy.bin");
        h.fx.prompt.answers = {true};
        h.fx.prompt.files = {copy};
        QTest::keySequence(h.editor.get(), QKeySequence::Save);
        QCOMPARE(h.fx.prompt.dialogs, QStringList{"Save BIN File As|" + QDir::homePath()});
        QCOMPARE(fileBytes(copy), QByteArray(opened).replace(0x10, 1, "\x99"));
        QCOMPARE(fileBytes(h.fx.path("rom.bin")), opened);
        QVERIFY(h.fx.state.BinPath == copy && h.fx.settings.ReadSetting("BIN Location") == copy);
        QVERIFY(h.editor->isSaved() && !h.editor->windowTitle().endsWith("(read-only)"));
        QVERIFY(!h.find("lblReadOnly")->isVisible());
        // Save writes the new file from now on; the marks still compare with the image as opened.
        h.type("txtValue_Raw", "11");
        QTest::keySequence(h.editor.get(), QKeySequence::Save);
        QCOMPARE(fileBytes(copy), opened);
        QVERIFY(!h.find("txtValue_Raw")->property("changed").toBool()); // as opened again
        h.fx.prompt.files = {h.fx.path("elsewhere.bin")}; // Save As into the installed data: refused
        QTest::keySequence(h.editor.get(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
        QVERIFY(h.fx.prompt.last().contains("read-only") && !QFile::exists(h.fx.path("elsewhere.bin")));
        QCOMPARE(h.fx.prompt.unexpected, 0);
    }

    void closingAsksAboutTheChecksumAndTheSave_data() { rows(kClosings); }
    void closingAsksAboutTheChecksumAndTheSave() {
        const auto& [tag, edit, answers, texts, cells, file] = fetch(kClosings);
        EditorHarness h;
        const QByteArray sample = fileBytes(h.fx.state.BinPath);
        if (edit == "cleared")
            h.fx.writeFile(QStringLiteral("sample.bin"),
                           QByteArray(sample).replace(0x7FFE, 2, QByteArray(2, 0)));
        QVERIFY(h.open(1));
        if (edit == "store") h.edit(0x202, 0x7E);
        if (edit == "type") h.choose(QStringLiteral("cmb0Dim"), 1); // Idle speed, one byte at 0202
        if (edit == "type") h.type(QStringLiteral("txtValue_Raw"), QStringLiteral("7e"), 0);
        h.fx.prompt.answers = answers;
        h.editor->reject();
        QVERIFY(!h.editor->isVisible() && h.fx.prompt.unexpected == 0);
        const QString want = QString(texts).replace("SUM", sampleChecksum());
        QString shown; // the start of each text
        for (int i = 0; i < h.fx.prompt.texts().size(); ++i)
            shown += (i ? "|" : "") + h.fx.prompt.texts()[i].left(want.section('|', i, i).size());
        QCOMPARE(shown, want);
        // The image and the pending changes (which wait for the emulator whatever the answers), and the file.
        QCOMPARE(h.bytes(0x202) + h.pending(0x202) + "|" + h.bytes(0x7FFE, 2) + h.pending(0x7FFE, 2),
                 QString(cells).replace("SUM", sampleChecksum()));
        const QByteArray saved = fileBytes(h.fx.state.BinPath);
        QCOMPARE(QString(saved.mid(0x202, 1).toHex() + saved.mid(0x7FFE, 2).toHex()).toUpper(),
                 QString(file).replace("SUM", sampleChecksum()));
        QCOMPARE(saved.size(), sample.size());
    }

    void theChecksumButtonOffersTheRightSum() {
        EditorHarness h;
        h.fx.writeFile(QStringLiteral("sample.bin"),
                       fileBytes(h.fx.state.BinPath).replace(0x7FFE, 2, QByteArray::fromHex("1234")));
        QVERIFY(h.open());
        const QString question = QStringLiteral("Save Chksum = ") + sampleChecksum();
        h.fx.prompt.answers = {false};
        click(*h.editor, QStringLiteral("cmdChkSum"));
        QCOMPARE(h.fx.prompt.texts(), QStringList{question}); // offered even when the stored sum is kept
        QVERIFY(h.editor->isSaved() && h.bytes(0x7FFE, 2) + h.pending(0x7FFE, 2) == "1234");
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
        QVERIFY2(refusal.contains(fault) && h.editor->isSaved(), qPrintable(h.fx.prompt.last()));
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

    // The Flags and Values tabs through their real controls: what a choice shows, the bytes each
    // click, step and typed text stores, the calculated text, and items they refuse.

    void eachFlagClickStoresTheByteOfAllBoxes_data() { rows(kClicks); }
    void eachFlagClickStoresTheByteOfAllBoxes() {
        const auto& [tag, start, boxes, bytes] = fetch(kClicks);
        Flags h(start, {});
        h.choose("cmbFlag", 0);
        for (qsizetype k = 0; k < boxes.size(); ++k) {
            QTest::keyClick(h.box(boxes[k]), Qt::Key_Space);
            // Recorded every time, even when the byte is back to what the file holds.
            QCOMPARE(h.bytes(0x100) + h.pending(0x100), hexByte(bytes[k]).repeated(2));
            QVERIFY(!h.editor->isSaved());
        }
        QCOMPARE(h.fx.state.PendingChanges[0x100].addressText() + h.bytes(0x101) + h.pending(0x101),
                 "0001005A");
    }

    void flagClicksReachNothingBeforeAChoiceOrForARefusedItem() {
        Flags h(0x81, QStringLiteral("abcde"), QStringLiteral("1000")); // past the last byte Save writes
        QTest::keyClick(h.box(2), Qt::Key_Space);
        QVERIFY(h.box(2)->isChecked());
        h.choose("cmbFlag", 0);
        h.choose("cmbFlag", 1);
        QVERIFY(h.fx.prompt.onlyCritical().contains(QStringLiteral("Switches")));
        QCOMPARE(h.shown(), QStringLiteral("00||||||||"));
        QTest::keyClick(h.box(0), Qt::Key_Space);
        QVERIFY(h.pendingCount() == 0 && h.editor->isSaved());
    }

    void valueEdits_data() { rows(kEdits); }
    void valueEdits() {
        const auto& [tag, byteSize, start, actions, cells, shown, written] = fetch(kEdits);
        Values h({value("0200", byteSize, " Limit")}, start);
        h.pick(0);
        for (const QString& a : actions.split(',')) {
            if (a == "u" || a == "d") h.step(a == "u");
            if (a != "u" && a != "d")
                h.type("txtValue_Raw", a.mid(1), a[0] == 'r' ? Qt::Key_Return : Qt::Key_Tab);
            if (a[0] != 'u' && a[0] != 'd') QCOMPARE(h.raw()->hasFocus(), a[0] == 'r');
            QCOMPARE(h.stepper()->value(), 0); // back at rest, so the next arrow steps again
        }
        QCOMPARE(h.bytes(0x200, byteSize) + "|" + h.raw()->text(), cells + "|" + shown);
        QCOMPARE(h.editor->isSaved(), !written);
        QCOMPARE(h.pending(0x200, byteSize + 1), written ? cells : QString());
    }

    void theValuesBoxesKeepTheirPlaceWhenAnEditMarksThem() {
        Values h({value("0200", 2, " Limit")}, "1234");
        h.pick(0);
        const auto places = [&] {
            QApplication::processEvents();
            return QList<QRect>{h.raw()->geometry(), h.find("txtValue_Calc")->geometry(),
                                h.stepper()->geometry()};
        };
        const QList<QRect> before = places();
        h.step(true);
        QVERIFY(h.raw()->property("changed").toBool());
        QCOMPARE(places(), before);
    }

    void typedValueGoesToTheShownItemWhenTheListOpens() {
        for (int way : {0, 1, 2}) { // a click, a click on a list that takes no focus, back-tab and F4
            Values h({value("0200", 2, " Limit"), value("0202", 1, " Idle", 12.5)}, "1a9040");
            h.pick(0);
            h.type("txtValue_Raw", QStringLiteral("1b58"), 0);
            if (way == 1) h.list()->setFocusPolicy(Qt::TabFocus);
            h.pick(1, [&] {
                if (way != 2) return QTest::mouseClick(h.list(), Qt::LeftButton);
                QTest::keyClick(h.raw(), Qt::Key_Backtab);
                QTest::keyClick(h.list(), Qt::Key_F4);
            });
            QCOMPARE(h.pending(0x200, 3), QStringLiteral("1B58"));
            QCOMPARE(h.raw()->text() + h.text("txtValue_Calc"), QStringLiteral("40800."));
        }
    }

    void calculatedValue_data() { rows(kCalculations); }
    void calculatedValue() {
        const auto& [tag, format, conversion, factor, offset, raw, shown, afterUp] = fetch(kCalculations);
        ItemSpec item = value("0200", 2, " Item", factor);
        item.offset = offset;
        item.conversion = conversion;
        item.xLabel = QStringLiteral(" rpm");
        Values h({item, value("0202", 1, " Idle", 12.5)}, raw + "40", format);
        h.pick(1); // a calculated text that the next choice must replace
        QVERIFY(!h.text("txtValue_Calc").isEmpty());
        h.pick(0);
        QCOMPARE(h.text("txtValue_Calc") + "|" + h.text("lblValue_Xlabel"), shown + "| rpm");
        QVERIFY(h.editor->isSaved() && h.pendingCount() == 0); // choosing writes nothing
        h.step(true);
        QCOMPARE(h.text("txtValue_Calc"), afterUp);
    }

    void refusedValuesAndNoChoiceReachNothing_data() { rows(kRefusals); }
    void refusedValuesAndNoChoiceReachNothing() {
        const auto& [tag, address, byteSize] = fetch(kRefusals);
        Values h({value("0200", 1, " Good", 2), value(address, byteSize, " Odd")}, "10");
        if (!address.isEmpty()) {
            h.pick(0);
            h.pick(1);
            QVERIFY(h.fx.prompt.onlyCritical().contains(QStringLiteral("Odd")));
            QCOMPARE(h.raw()->text() + h.text("txtValue_Calc") + h.text("lblValue_Xlabel"), QString());
        }
        h.step(true);
        QCOMPARE(h.stepper()->value(), 0);
        h.type("txtValue_Raw", QStringLiteral("5"), Qt::Key_Tab);
        QVERIFY(h.editor->isSaved() && h.pendingCount() == 0);
        h.pick(0); // shows the image, not what was typed
        QCOMPARE(h.raw()->text(), QStringLiteral("10"));
    }

    // korvel-cli render-map, run as a process, draws what the Maps tab draws.

    void renderMapDrawsWhatTheMapsTabDraws() {
        EditorHarness h;
        QVERIFY(h.open());
        for (auto [item, index, angle] :
             {std::tuple{"Spark advance", 0, 30}, {"10", 1, 75}}) { // by title, by id
            const QString png = h.fx.path(QStringLiteral("map.png"));
            QCOMPARE(cli({"render-map", h.fx.state.BinPath, h.fx.state.EcuPath, item, png, "--angle",
                          QString::number(angle), "--size", "300"}),
                     0);
            h.choose(QStringLiteral("cmb2Dim"), index);
            while (h.editor->vars().RotationAngle != angle)
                h.find<QScrollBar>("scrRotAngle")->setValue(h.editor->vars().RotationAngle < angle ? -1 : 1);
            QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32),
                     h.find<PictureBox>("picMap")->renderImage(QSize(300, 300)));
        }
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
