// korvel-cli set, run as a separate process on copies of the sample calibration.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run runSet(const QStringList& args) {
    QProcess p;
    p.setProgram(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"));
    p.setArguments(QStringList{QStringLiteral("set")} + args);
    p.start();
    Run r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// One item block of a definition.
QByteArray itemBlock(const char* address, int columns, int rows, int byteSize, int kind, const char* title) {
    return QStringLiteral("{\nAddress = %1\nColumns = %2\nRows = %3\nByteSize = %4\nKind = %5\nOffset = 0\n"
                          "Conversion = 0\nFactor = 1\nTitle = %6\nYLabel =\nYAxis =\nXLabel =\nXAxis =\n}\n")
        .arg(QLatin1String(address))
        .arg(columns)
        .arg(rows)
        .arg(byteSize)
        .arg(kind)
        .arg(QLatin1String(title))
        .toLatin1();
}

QByteArray definition(const QList<QByteArray>& items) {
    QByteArray s = "ECU FORMAT\n{\nHeader = t\nVersion = 1\nChecksumAddress = 7FFE\nChecksumSize = 2\n"
                   "ChecksumStart = 0\nChecksumEnd = 7FFD\nItems = " +
                   QByteArray::number(items.size()) + "\n}\n";
    for (const QByteArray& i : items)
        s += i;
    return s;
}

} // namespace

class TestVerbSet : public QObject {
    Q_OBJECT
private slots:
    void init();
    void sample_data();
    void sample();
    void definitionAndItemErrors_data();
    void definitionAndItemErrors();

private:
    QTemporaryDir m_dir;
    QString m_bin, m_ecu;
    QByteArray m_original;
};

void TestVerbSet::init() {
    const QString examples = qEnvironmentVariable("KORVEL_EXAMPLES");
    m_bin = m_dir.filePath(QStringLiteral("sample.bin"));
    m_ecu = m_dir.filePath(QStringLiteral("sample.ecu"));
    QFile::remove(m_bin);
    QFile::remove(m_ecu);
    QVERIFY(QFile::copy(examples + QStringLiteral("/sample.bin"), m_bin));
    QVERIFY(QFile::copy(examples + QStringLiteral("/sample.ecu"), m_ecu));
    QFile(m_bin).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    m_original = readAll(m_bin);
    QCOMPARE(m_original.size(), 32768);
}

void TestVerbSet::sample_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("address"); // first byte expected to change (success only)
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("output"); // expected in stdout on success, in stderr on failure
    QTest::newRow("value by title") << "Rev limit"
                                    << "1b58" << 0 << 0x200 << QByteArray::fromHex("1b58")
                                    << "raw: 1B58\ncalculated: 7000.\n";
    QTest::newRow("value by number, short text")
        << "3"
        << "5" << 0 << 0x200 << QByteArray::fromHex("0005") << "raw: 5\ncalculated: 5.\n";
    QTest::newRow("title compared trimmed, oversize clamped")
        << "  Idle speed "
        << "1ff" << 0 << 0x202 << QByteArray::fromHex("ff") << "raw: FF\ncalculated: 3187.5\n";
    QTest::newRow("conversion 1 at raw 0")
        << "Injector constant"
        << "0" << 0 << 0x203 << QByteArray::fromHex("0000") << "raw: 0\ncalculated: \n";
    QTest::newRow("factor 0") << "Fuel pump prime"
                              << "21" << 0 << 0x205 << QByteArray::fromHex("21") << "raw: 21\ncalculated: \n";
    QTest::newRow("flag") << "1"
                          << "91" << 0 << 0x100 << QByteArray::fromHex("91") << "raw: 91\nbits: 1001 0001\n";
    QTest::newRow("flag 00") << "Diagnostic switches"
                             << "0" << 0 << 0x101 << QByteArray::fromHex("00")
                             << "raw: 00\nbits: 0000 0000\n";
    QTest::newRow("flag above FF") << "1"
                                   << "100" << 2 << 0 << QByteArray() << "at most FF";
    QTest::newRow("table") << "Coolant enrichment"
                           << "5" << 2 << 0 << QByteArray() << "Coolant enrichment";
    QTest::newRow("map") << "9"
                         << "5" << 2 << 0 << QByteArray() << "Spark advance";
    QTest::newRow("unknown item") << "Boost"
                                  << "5" << 2 << 0 << QByteArray() << "Boost";
    QTest::newRow("not hex") << "Rev limit"
                             << "12g" << 2 << 0 << QByteArray() << "not a hexadecimal";
    QTest::newRow("empty raw") << "Rev limit"
                               << "" << 2 << 0 << QByteArray() << "not a hexadecimal";
}

void TestVerbSet::sample() {
    QFETCH(QString, item);
    QFETCH(QString, raw);
    QFETCH(int, exitCode);
    QFETCH(int, address);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, output);
    const Run r = runSet({m_bin, m_ecu, item, raw});
    QCOMPARE(r.exitCode, exitCode);
    QByteArray expected = m_original;
    if (exitCode == 0) {
        QVERIFY2(r.out.endsWith(output), qPrintable(r.out));
        expected.replace(address, bytes.size(), bytes);
    } else {
        QVERIFY2(r.err.contains(output), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }
    // Only the item's bytes change; an error leaves the file as it was.
    QCOMPARE(readAll(m_bin).toHex(), expected.toHex());
}

void TestVerbSet::definitionAndItemErrors_data() {
    QTest::addColumn<QByteArray>("ecu");
    QTest::addColumn<QStringList>("args"); // ITEM RAW, or fewer to test the usage
    QTest::addColumn<QString>("error");
    QTest::newRow("not an ECU file") << QByteArray("HEADER\n{\n") << QStringList{"1", "5"}
                                     << "Incorrect ECU Format";
    QTest::newRow("item of no kind") << definition({itemBlock("0200", 1, 1, 1, 5, "Odd")})
                                     << QStringList{"1", "5"} << "Error in ECU File";
    QTest::newRow("item block cut short")
        << definition({itemBlock("0200", 1, 1, 1, 0, "A")}).replace("Factor = 1", "Factor = x")
        << QStringList{"1", "5"} << "ECU File Error";
    QTest::newRow("value of nine bytes")
        << definition({itemBlock("0200", 1, 1, 9, 0, "Wide")}) << QStringList{"Wide", "5"} << "Wide";
    QTest::newRow("past the last saved byte")
        << definition({itemBlock("7FFF", 1, 1, 2, 0, "Late")}) << QStringList{"Late", "5"} << "Late";
    QTest::newRow("address not hex") << definition({itemBlock("02X0", 1, 1, 1, 80, "Bad")})
                                     << QStringList{"Bad", "5"} << "02X0";
    QTest::newRow("title shared by two items")
        << definition({itemBlock("0200", 1, 1, 1, 0, "Twin"), itemBlock("0201", 1, 1, 1, 0, "Twin")})
        << QStringList{"Twin", "5"} << "items 1, 2";
    QTest::newRow("missing argument")
        << definition({itemBlock("0200", 1, 1, 1, 0, "A")}) << QStringList{"A"} << "usage";
}

void TestVerbSet::definitionAndItemErrors() {
    QFETCH(QByteArray, ecu);
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    writeAll(m_ecu, ecu);
    const Run r = runSet(QStringList{m_bin, m_ecu} + args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
    QCOMPARE(readAll(m_bin), m_original);
}

QTEST_GUILESS_MAIN(TestVerbSet)
#include "test_verb_set.moc"
