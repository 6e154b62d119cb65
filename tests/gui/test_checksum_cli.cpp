// korvel-cli checksum: compares, fixes with --fix, and refuses bad headers without
// touching the image.
#include "support/gui_fixture.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace korvel;
using namespace korvel::test;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run cli(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"),
            QStringList{QStringLiteral("checksum")} + args);
    if (!p.waitForFinished(30000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

constexpr int kChecksumAt = 0x7FFE;

} // namespace

class TestChecksumCli : public QObject {
    Q_OBJECT

private slots:
    void comparesAndFixes_data() {
        QTest::addColumn<QByteArray>("stored"); // the two checksum bytes put into the copy; empty: as made
        QTest::addColumn<bool>("fix");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("correct") << QByteArray() << false << 0;
        QTest::newRow("cleared") << QByteArray(2, '\0') << false << 1;
        QTest::newRow("cleared, fixed") << QByteArray(2, '\0') << true << 0;
        QTest::newRow("correct, fixed") << QByteArray() << true << 0;
    }
    void comparesAndFixes() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, fix);
        QFETCH(int, exitCode);
        GuiFixture f;
        f.useSample();
        const QByteArray sample = fileBytes(f.state.BinPath);
        const QString right = QString::fromLatin1(sample.mid(kChecksumAt, 2).toHex().toUpper());
        QByteArray copy = sample;
        if (!stored.isEmpty()) copy.replace(kChecksumAt, 2, stored);
        f.writeFile(QStringLiteral("sample.bin"), copy);
        const QString was = QString::fromLatin1(copy.mid(kChecksumAt, 2).toHex().toUpper());

        QStringList args{f.state.BinPath, f.state.EcuPath};
        if (fix) args << QStringLiteral("--fix");
        const Run r = cli(args);
        QCOMPARE(r.exitCode, exitCode);
        QStringList lines{QStringLiteral("stored %1 computed %2").arg(was, right)};
        if (fix) lines << QStringLiteral("updated");
        QCOMPARE(r.out.trimmed().split(QLatin1Char('\n')), lines);
        QCOMPARE(fileBytes(f.state.BinPath), fix ? sample : copy);
    }

    void refusesBadHeadersAndArguments_data() {
        QTest::addColumn<QString>("checksumEnd");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("message");
        QTest::newRow("end past the image") << "8000" << QStringList{"--fix"} << "ChecksumEnd";
        QTest::newRow("end not hex") << "ZZ" << QStringList{} << "ChecksumEnd";
        QTest::newRow("an argument too many") << "7FFD" << QStringList{"more"} << "usage";
    }
    void refusesBadHeadersAndArguments() {
        QFETCH(QString, checksumEnd);
        QFETCH(QStringList, extra);
        QFETCH(QString, message);
        GuiFixture f;
        f.useSample();
        const QString ecu =
            f.writeFile(QStringLiteral("bad.ecu"), ecuText({}, QStringLiteral("7FFE"), QStringLiteral("2"),
                                                           QStringLiteral("0"), checksumEnd));
        const QByteArray before = fileBytes(f.state.BinPath);
        const Run r = cli(QStringList{f.state.BinPath, ecu} + extra);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(fileBytes(f.state.BinPath), before);
    }
};

QTEST_MAIN(TestChecksumCli)
#include "test_checksum_cli.moc"
