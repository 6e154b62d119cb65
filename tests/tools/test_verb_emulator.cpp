// korvel-cli emulator verify and check against korvel-romsim, both run as separate
// processes: a script reads the same closing result the window shows.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestVerbEmulator : public QObject {
    Q_OBJECT
private slots:
    void printsTheClosingLabel_data();
    void printsTheClosingLabel();
};

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
    for (const auto& [path, bytes] : {std::pair{imagePath, image}, std::pair{memoryPath, memory}}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }

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

QTEST_MAIN(TestVerbEmulator)
#include "test_verb_emulator.moc"
