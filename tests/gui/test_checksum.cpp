// The editor's checksum: "Calculate CheckSum" and the check before the save question
// when the window closes, on the sample calibration (whose checksum is correct) and on
// copies of it with the checksum bytes cleared or the header spoilt.
#include "core/app_state.h"
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

constexpr int kChecksumAt = 0x7FFE; // the sample stores two bytes here, high byte first

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

// The checksum text the sample generator stored: the right answer for the sample.
QString sampleChecksum() {
    const QByteArray b = fileBytes(qEnvironmentVariable("KORVEL_EXAMPLES") + QStringLiteral("/sample.bin"));
    return QString::fromLatin1(b.mid(kChecksumAt, 2).toHex().toUpper());
}

bool noPendingChanges(const AppState& s) {
    return std::all_of(s.PendingChanges.begin(), s.PendingChanges.end(),
                       [](const BinCell& c) { return c.isEmpty(); });
}

struct Editor {
    GuiFixture f;
    Services s = f.services();
    std::unique_ptr<frmEditor> e;

    // The sample, with the checksum bytes set to `stored` (two bytes) when given.
    explicit Editor(const QByteArray& stored = {}) {
        f.useSample();
        if (!stored.isEmpty()) {
            QByteArray bin = fileBytes(f.state.BinPath);
            bin.replace(kChecksumAt, 2, stored);
            writeBytes(f.state.BinPath, bin);
        }
        open();
    }
    void open() {
        e = std::make_unique<frmEditor>(s);
        QVERIFY(e->Form_Load().outcome == OpeningResult::Outcome::Opened);
    }
    void clickChkSum() {
        QTest::mouseClick(e->findChild<QPushButton*>(QStringLiteral("cmdChkSum")), Qt::LeftButton);
    }
    QString imageChecksum() const {
        return f.state.BinImage[kChecksumAt].valueText() + f.state.BinImage[kChecksumAt + 1].valueText();
    }
};

const QString kSaveQuestion = QStringLiteral("BIN File has been changed. Would you like to save it now?");

} // namespace

class TestChecksum : public QObject {
    Q_OBJECT

private slots:
    void aCorrectChecksumClosesWithoutAQuestion() {
        Editor ed;
        const QByteArray before = fileBytes(ed.f.state.BinPath);
        ed.e->reject();
        QCOMPARE(ed.f.prompt.texts(), QStringList());
        QCOMPARE(fileBytes(ed.f.state.BinPath), before);
        QVERIFY(noPendingChanges(ed.f.state));
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
        Editor ed(QByteArray(2, '\0'));
        const QByteArray cleared = fileBytes(ed.f.state.BinPath);
        const QString right = sampleChecksum();
        update ? ed.f.prompt.answerYes() : ed.f.prompt.answerNo();
        if (update) save ? ed.f.prompt.answerYes() : ed.f.prompt.answerNo();
        ed.e->reject();

        QStringList expected{QStringLiteral("Checksum has changed from 0000 to %1 Update?").arg(right)};
        if (update) expected << kSaveQuestion;
        if (save) expected << ed.f.state.BinPath.toUpper() + QStringLiteral(" Saved.");
        QCOMPARE(ed.f.prompt.texts(), expected);
        QCOMPARE(ed.f.prompt.unexpected, 0);
        QCOMPARE(ed.imageChecksum(), update ? right : QStringLiteral("0000"));
        // The new bytes wait for the emulator whether or not the file was saved.
        QCOMPARE(ed.f.state.PendingChanges[kChecksumAt].valueText() +
                     ed.f.state.PendingChanges[kChecksumAt + 1].valueText(),
                 update ? right : QString());
        // Saved, the file is the sample again; otherwise it is as it was.
        const QByteArray sample =
            fileBytes(qEnvironmentVariable("KORVEL_EXAMPLES") + QStringLiteral("/sample.bin"));
        QCOMPARE(fileBytes(ed.f.state.BinPath), save ? sample : cleared);
    }

    void saveChksumAsksEvenWhenItIsRightAndNoChangesNothing() {
        Editor ed;
        ed.f.prompt.answerNo();
        ed.clickChkSum();
        QCOMPARE(ed.f.prompt.texts(), QStringList{QStringLiteral("Save Chksum = ") + sampleChecksum()});
        QVERIFY(ed.e->isSaved());
        QVERIFY(noPendingChanges(ed.f.state));
        QCOMPARE(ed.imageChecksum(), sampleChecksum());
    }

    void saveChksumYesStoresItAsAnEdit() {
        Editor ed(QByteArray::fromHex("1234"));
        ed.f.prompt.answerNo();
        ed.clickChkSum();
        QVERIFY(ed.e->isSaved()); // No
        QCOMPARE(ed.imageChecksum(), QStringLiteral("1234"));
        ed.f.prompt.answerYes();
        ed.clickChkSum();
        QCOMPARE(ed.f.prompt.texts().last(), QStringLiteral("Save Chksum = ") + sampleChecksum());
        QVERIFY(!ed.e->isSaved());
        QCOMPARE(ed.imageChecksum(), sampleChecksum());
        QCOMPARE(ed.f.state.PendingChanges[kChecksumAt].addressText(), QStringLiteral("007FFE"));
        QCOMPARE(ed.f.state.PendingChanges[kChecksumAt + 1].valueText(), sampleChecksum().right(2));
        // Closing finds the checksum right and goes straight to the save question.
        ed.f.prompt.clear();
        ed.f.prompt.answerNo();
        ed.e->reject();
        QCOMPARE(ed.f.prompt.texts(), QStringList{kSaveQuestion});
    }

    void headersThatDoNotFitAreRefusedByBothChecks_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("fault");
        auto row = [](const char* name, const char* address, const char* size, const char* start,
                      const char* end, const char* fault) {
            QTest::newRow(name) << QString(address) << QString(size) << QString(start) << QString(end)
                                << QString(fault);
        };
        row("start not hex", "7FFE", "2", "X0", "7FFD", "ChecksumStart");
        row("stored bytes past the image", "7FFF", "2", "0", "7FFD", "ChecksumAddress");
    }
    void headersThatDoNotFitAreRefusedByBothChecks() {
        QFETCH(QString, address);
        QFETCH(QString, size);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, fault);
        Editor ed;
        ed.e.reset();
        writeBytes(ed.f.state.EcuPath, ecuText({}, address, size, start, end));
        ed.open();
        const QByteArray before = fileBytes(ed.f.state.BinPath);

        ed.clickChkSum();
        QCOMPARE(ed.f.prompt.shown.size(), size_t(1));
        const ScriptedPrompt::Shown refusal = ed.f.prompt.shown.front();
        QVERIFY(!refusal.question);
        QCOMPARE(refusal.icon, Prompt::Icon::Critical);
        QVERIFY2(refusal.text.contains(fault), qPrintable(refusal.text));
        QVERIFY(ed.e->isSaved());
        QVERIFY(noPendingChanges(ed.f.state));

        // At closing the same message takes the question's place and closing goes on.
        ed.e->vars().IsSaved = false;
        ed.f.prompt.answerNo();
        ed.e->reject();
        QCOMPARE(ed.f.prompt.texts(), (QStringList{refusal.text, refusal.text, kSaveQuestion}));
        QCOMPARE(ed.f.prompt.unexpected, 0);
        QVERIFY(noPendingChanges(ed.f.state));
        QCOMPARE(fileBytes(ed.f.state.BinPath), before);
    }
};

QTEST_MAIN(TestChecksum)
#include "test_checksum.moc"
