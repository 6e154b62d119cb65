// korvel-cli emulator verify, check and watch against korvel-romsim, both run as separate
// processes: a script reads the same closing result the window shows, and a watched file
// reaches the emulator as it is saved.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestVerbEmulator : public QObject {
    Q_OBJECT
private slots:
    void printsTheClosingLabel_data();
    void printsTheClosingLabel();
    void watchSendsWhatChangesUntilTerminated_data();
    void watchSendsWhatChangesUntilTerminated();
};

namespace {

// Reads stderr until a line holding `text` comes, for at most ten seconds.
bool waitForLine(QProcess& p, QString& seen, const QString& text) {
    for (int i = 0; i < 100 && !seen.contains(text); ++i) {
        p.waitForReadyRead(100);
        seen += QString::fromLocal8Bit(p.readAllStandardError());
    }
    return seen.contains(text);
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

void TestVerbEmulator::printsTheClosingLabel_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("spoiled"); // an address the emulator holds differently, or -1
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("verify, same bytes") << "verify" << -1 << 0 << "No Errors";
    QTest::newRow("verify, one byte differs") << "verify" << 7 << 1 << "Total Errors : 1";
    QTest::newRow("check") << "check" << -1 << 0 << "No Errors";
}

void TestVerbEmulator::printsTheClosingLabel() {
    QFETCH(QString, action);
    QFETCH(int, spoiled);
    QFETCH(int, exitCode);
    QFETCH(QString, lastLine);
    QTemporaryDir dir;
    QByteArray image(32, '\0');
    for (int a = 0; a < image.size(); ++a)
        image[a] = static_cast<char>(a * 5 + 1);
    QByteArray memory = image;
    if (spoiled >= 0) memory[spoiled] = static_cast<char>(~memory[spoiled]);
    const QString imagePath = dir.filePath(QStringLiteral("image.bin"));
    const QString memoryPath = dir.filePath(QStringLiteral("memory.bin"));
    QVERIFY(writeBytes(imagePath, image) && writeBytes(memoryPath, memory));

    const QString tools = qEnvironmentVariable("KORVEL_TOOLS_DIR");
    QProcess sim;
    sim.start(tools + QStringLiteral("/korvel-romsim/korvel-romsim"),
              {QStringLiteral("--image"), memoryPath});
    QVERIFY(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    QStringList args{QStringLiteral("emulator"), action};
    if (action == QLatin1String("verify")) args << imagePath;
    QProcess cli;
    cli.start(tools + QStringLiteral("/korvel-cli/korvel-cli"), args << QStringLiteral("--device") << device);
    QVERIFY(cli.waitForFinished(30000));
    sim.terminate();
    sim.waitForFinished(5000);
    const QString out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    QCOMPARE(cli.exitCode(), exitCode);
    QVERIFY2(out.endsWith(lastLine + QLatin1Char('\n')), qPrintable(out));
}

void TestVerbEmulator::watchSendsWhatChangesUntilTerminated_data() {
    QTest::addColumn<QStringList>("simOptions");
    QTest::newRow("emulator answers") << QStringList();
    QTest::newRow("emulator silent") << QStringList{"--silent"};
    QTest::newRow("stopped while sending") << QStringList{"--baud", "300"}; // 0.2 s a byte
}

void TestVerbEmulator::watchSendsWhatChangesUntilTerminated() {
    QFETCH(QStringList, simOptions);
    QTemporaryDir dir;
    const QString imagePath = dir.filePath(QStringLiteral("image.bin"));
    const QString dumpPath = dir.filePath(QStringLiteral("dump.bin"));
    QByteArray image(64, '\x11');
    QByteArray memory = image;
    memory[5] = '\x55';
    const QString memoryPath = dir.filePath(QStringLiteral("memory.bin"));
    QVERIFY(writeBytes(imagePath, image) && writeBytes(memoryPath, memory));
    const QString tools = qEnvironmentVariable("KORVEL_TOOLS_DIR");
    QProcess sim;
    sim.start(tools + QStringLiteral("/korvel-romsim/korvel-romsim"),
              QStringList{QStringLiteral("--image"), memoryPath, QStringLiteral("--dump"), dumpPath} +
                  simOptions);
    QVERIFY(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QProcess cli;
    cli.start(
        tools + QStringLiteral("/korvel-cli/korvel-cli"),
        {QStringLiteral("emulator"), QStringLiteral("watch"), imagePath, QStringLiteral("--device"), device});
    QString seen;
    QVERIFY2(waitForLine(cli, seen, QStringLiteral("watching")), qPrintable(seen));

    const bool slow = simOptions.contains("--baud");
    // Saved as editors do: a new file renamed over the old one.
    if (slow) image.fill('\x22');
    image[3] = '\x33';
    image[40] = '\x0D';
    QVERIFY(writeBytes(imagePath + QStringLiteral(".new"), image));
    QVERIFY(QFile::remove(imagePath) && QFile::rename(imagePath + QStringLiteral(".new"), imagePath));
    if (simOptions.contains("--silent")) {
        QVERIFY(cli.waitForFinished(20000));
        QCOMPARE(cli.exitCode(), 1);
        const QByteArray said = cli.readAllStandardError();
        QVERIFY(said.contains("Error writing to Ram at Address 3\nNo reply"));
        QVERIFY(said.contains("2 bytes still to be sent: the emulator differs from image.bin"));
        return;
    }
    int unsent = 0; // bytes a stop left unsent: the last ones of the save
    if (slow) {
        QVERIFY2(waitForLine(cli, seen, QStringLiteral("changed: 64 bytes to send")), qPrintable(seen));
        cli.terminate();
        QVERIFY2(waitForLine(cli, seen, QStringLiteral("not sent")), qPrintable(seen));
        static const QRegularExpression stop(
            QStringLiteral("stopped with (\\d+) bytes not sent: the emulator differs from image.bin"));
        unsent = stop.match(seen).captured(1).toInt();
        QVERIFY2(unsent > 0 && !seen.contains("in step"), qPrintable(seen));
    } else {
        QVERIFY2(waitForLine(cli, seen, QStringLiteral("in step: 2 bytes sent")), qPrintable(seen));
        // Rewritten in place.
        image[3] = '\x34';
        QVERIFY(writeBytes(imagePath, image));
        QVERIFY2(waitForLine(cli, seen, QStringLiteral("changed: 1 byte to send")), qPrintable(seen));
        QVERIFY2(waitForLine(cli, seen, QStringLiteral("in step: 3 bytes sent")), qPrintable(seen));
        // Shortened, then deleted: the emulator keeps what it holds.
        QVERIFY(writeBytes(imagePath, image.left(32)));
        QVERIFY2(waitForLine(cli, seen, QStringLiteral("is shorter: 32 bytes instead of 64 bytes")),
                 qPrintable(seen));
        QVERIFY(QFile::remove(imagePath));
        QVERIFY2(waitForLine(cli, seen, QStringLiteral("image.bin is gone")), qPrintable(seen));
        cli.terminate();
    }
    QVERIFY(cli.state() == QProcess::NotRunning || cli.waitForFinished(5000));
    QVERIFY(cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0);
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QFile dump(dumpPath);
    QVERIFY(dump.open(QIODevice::ReadOnly));
    if (!slow) image[5] = memory[5]; // the file as it was at the start is taken as what the emulator holds
    QCOMPARE(dump.read(64).toHex(), (image.left(64 - unsent) + memory.mid(64 - unsent)).toHex());
}

QTEST_MAIN(TestVerbEmulator)
#include "test_verb_emulator.moc"
