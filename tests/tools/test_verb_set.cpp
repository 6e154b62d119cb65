// korvel-cli set, run as a separate process on a copy of the sample calibration.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A definition of one-value items: address, byte size, kind and title per item.
QByteArray definition(const QStringList& items) {
    QByteArray s = "ECU FORMAT\n{\nHeader = t\nVersion = 1\nChecksumAddress = 7FFE\nChecksumSize = 2\n"
                   "ChecksumStart = 0\nChecksumEnd = 7FFD\nItems = " +
                   QByteArray::number(items.size()) + "\n}\n";
    for (const QString& item : items) {
        const QStringList f = item.split(QLatin1Char(' '));
        s += QStringLiteral(
                 "{\nAddress = %1\nColumns = 1\nRows = 1\nByteSize = %2\nKind = %3\nOffset = 0\n"
                 "Conversion = 0\nFactor = 1\nTitle = %4\nYLabel =\nYAxis =\nXLabel =\nXAxis =\n}\n")
                 .arg(f[0], f[1], f[2], f[3])
                 .toLatin1();
    }
    return s;
}

} // namespace

class TestVerbSet : public QObject {
    Q_OBJECT
private slots:
    void set_data();
    void set();
};

void TestVerbSet::set_data() {
    QTest::addColumn<QByteArray>("ecu");   // empty: the sample definition
    QTest::addColumn<QStringList>("args"); // ITEM RAW
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("address"); // where `bytes` land on success
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("output"); // the end of stdout on success, part of stderr on failure
    const QByteArray sample;
    QTest::newRow("value by title") << sample << QStringList{"Rev limit", "1b58"} << 0 << 0x200
                                    << QByteArray::fromHex("1b58") << "raw: 1B58\ncalculated: 7000.\n";
    QTest::newRow("by number, short") << sample << QStringList{"3", "5"} << 0 << 0x200
                                      << QByteArray::fromHex("0005") << "raw: 5\ncalculated: 5.\n";
    QTest::newRow("trimmed title, clamped") << sample << QStringList{" Idle speed ", "1ff"} << 0 << 0x202
                                            << QByteArray::fromHex("ff") << "raw: FF\ncalculated: 3187.5\n";
    QTest::newRow("conversion 1 at 0") << sample << QStringList{"Injector constant", "0"} << 0 << 0x203
                                       << QByteArray::fromHex("0000") << "raw: 0\ncalculated: \n";
    QTest::newRow("flag") << sample << QStringList{"1", "91"} << 0 << 0x100 << QByteArray::fromHex("91")
                          << "raw: 91\nbits: 1001 0001\n";
    QTest::newRow("flag above FF") << sample << QStringList{"1", "100"} << 2 << 0 << QByteArray()
                                   << "at most FF";
    QTest::newRow("table") << sample << QStringList{"Coolant enrichment", "5"} << 2 << 0 << QByteArray()
                           << "Coolant enrichment";
    QTest::newRow("unknown item") << sample << QStringList{"Boost", "5"} << 2 << 0 << QByteArray() << "Boost";
    QTest::newRow("not hex") << sample << QStringList{"3", "12g"} << 2 << 0 << QByteArray() << "hexadecimal";
    QTest::newRow("empty raw") << sample << QStringList{"3", ""} << 2 << 0 << QByteArray() << "hexadecimal";
    QTest::newRow("missing argument") << sample << QStringList{"3"} << 2 << 0 << QByteArray() << "usage";
    QTest::newRow("not an ECU file") << QByteArray("HEADER\n") << QStringList{"1", "5"} << 2 << 0
                                     << QByteArray() << "Incorrect ECU Format";
    QTest::newRow("item of no kind") << definition({"0200 1 5 Odd"}) << QStringList{"1", "5"} << 2 << 0
                                     << QByteArray() << "Error in ECU File";
    QTest::newRow("nine bytes") << definition({"0200 9 0 Wide"}) << QStringList{"Wide", "5"} << 2 << 0
                                << QByteArray() << "Wide";
    QTest::newRow("past the last saved byte")
        << definition({"7FFF 2 0 Late"}) << QStringList{"Late", "5"} << 2 << 0 << QByteArray() << "Late";
    QTest::newRow("address not hex") << definition({"02X0 1 80 Bad"}) << QStringList{"Bad", "5"} << 2 << 0
                                     << QByteArray() << "02X0";
    QTest::newRow("shared title") << definition({"0200 1 0 Twin", "0201 1 0 Twin"})
                                  << QStringList{"Twin", "5"} << 2 << 0 << QByteArray() << "items 1, 2";
}

void TestVerbSet::set() {
    QFETCH(QByteArray, ecu);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(int, address);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, output);
    QTemporaryDir dir;
    const QString examples = qEnvironmentVariable("KORVEL_EXAMPLES");
    const QString bin = dir.filePath(QStringLiteral("t.bin")), def = dir.filePath(QStringLiteral("t.ecu"));
    QVERIFY(QFile::copy(examples + QStringLiteral("/sample.bin"), bin));
    QFile(bin).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QFile f(def);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ecu.isEmpty() ? readAll(examples + QStringLiteral("/sample.ecu")) : ecu);
    f.close();
    QByteArray expected = readAll(bin);

    QProcess p;
    p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"),
            QStringList{QStringLiteral("set"), bin, def} + args);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    if (exitCode == 0) {
        QVERIFY2(out.endsWith(output), qPrintable(out));
        expected.replace(address, bytes.size(), bytes);
    } else {
        QVERIFY2(err.contains(output), qPrintable(err));
        QCOMPARE(out, QString());
    }
    // Only the item's bytes change; an error leaves the image as it was.
    QCOMPARE(readAll(bin).toHex(), expected.toHex());
}

QTEST_GUILESS_MAIN(TestVerbSet)
#include "test_verb_set.moc"
