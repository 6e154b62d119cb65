// korvel-cli diff, run as a separate process on a definition and images written here.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Items as "address kind columns rows bytesize title [factor]"; Factor 0.5 unless given.
QByteArray definition(const QStringList& items) {
    QByteArray s = "ECU FORMAT\n{\nHeader = t\nVersion = 1\nChecksumAddress = 3E\nChecksumSize = 2\n"
                   "ChecksumStart = 0\nChecksumEnd = 3D\nItems = " +
                   QByteArray::number(items.size()) + "\n}\n";
    for (const QString& item : items) {
        const QStringList f = item.split(QLatin1Char(' '));
        s += QStringLiteral(
                 "{\nAddress = %1\nColumns = %3\nRows = %4\nByteSize = %5\nKind = %2\nOffset = 0\n"
                 "Conversion = 0\nFactor = %7\nTitle = %6\nYLabel =\nYAxis =\nXLabel =\nXAxis =\n}\n")
                 .arg(f[0], f[1], f[2], f[3], f[4], f[5], f.value(6, QStringLiteral("0.5")))
                 .toLatin1();
    }
    return s;
}

QByteArray image(int length = 64) {
    QByteArray b(length, '\0');
    for (int i = 0; i < length; ++i)
        b[i] = static_cast<char>(i);
    return b;
}

QByteArray changed(QByteArray b, int at, const QByteArray& bytes) {
    return b.replace(at, bytes.size(), bytes);
}

struct Outcome {
    int exitCode = -1;
    QByteArray out, err;
};

// Runs diff on the definition and images written to a new folder; no file B when `b` is empty.
Outcome diff(const QByteArray& ecu, const QByteArray& a, const QByteArray& b, const QStringList& options) {
    QTemporaryDir dir;
    for (const auto& [name, content] : {std::pair{"t.ecu", ecu}, {"a.bin", a}, {"b.bin", b}}) {
        QFile f(dir.filePath(QLatin1String(name)));
        if (!content.isEmpty() && !(f.open(QIODevice::WriteOnly) && f.write(content) == content.size()))
            return {};
    }
    QProcess p;
    p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"),
            QStringList{QStringLiteral("diff"), dir.filePath(QStringLiteral("t.ecu")),
                        dir.filePath(QStringLiteral("a.bin")), dir.filePath(QStringLiteral("b.bin"))} +
                options);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

} // namespace

class TestVerbDiff : public QObject {
    Q_OBJECT
private slots:
    void diff_data();
    void diff();
    void textShowsTheCalculatedValuesTheEditorShows();
};

void TestVerbDiff::diff_data() {
    QTest::addColumn<QByteArray>("ecu");
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b"); // empty: no file B
    QTest::addColumn<int>("exitCode");
    // Compact JSON on success (empty: not compared), part of stderr otherwise.
    QTest::addColumn<QString>("json");
    QTest::addColumn<QStringList>("exact"); // texts the JSON output holds as they stand
    const QByteArray defs = definition({"10 0 1 1 2 Rev", "20 0 2 2 1 Fuel", "00 80 1 1 1 Options"});
    QTest::newRow("equal") << defs << image() << image() << 0 << R"({"items":[],"unlisted":[]})"
                           << QStringList();
    QTest::newRow("value and bytes of no item")
        << defs << image() << changed(image(), 0x11, "\x40") << 1
        << R"({"items":[{"address":" 10","after":{"raw":[4160],"text":["2080."]},)"
           R"("before":{"raw":[4113],"text":["2056.5"]},"class":"value","id":"1","title":" Rev"}],"unlisted":[]})"
        << QStringList();
    QTest::newRow("table cell and checksum")
        << defs << image() << changed(changed(image(), 0x21, "\x02"), 0x3F, QByteArray(1, 0)) << 1
        << R"({"items":[{"address":" 20","after":{"raw":[32,2,34,35],"text":["16.","1.","17.","17.5"]},)"
           R"("before":{"raw":[32,33,34,35],"text":["16.","16.5","17.","17.5"]},"class":"map","id":"2",)"
           R"("title":" Fuel"}],"unlisted":["003F"]})"
        << QStringList();
    QTest::newRow("longer B, same bytes")
        << defs << image() << image(80) << 1 << R"({"items":[],"unlisted":[]})" << QStringList();
    QTest::newRow("only the last part block differs")
        << defs << image(56) << changed(image(56), 0x35, "\x01") << 1 << R"({"items":[],"unlisted":["0035"]})"
        << QStringList();
    QTest::newRow("8-byte raw values, exact")
        << definition({"30 0 1 1 8 Big"}) << changed(image(), 0x30, QByteArray(8, '\xFF'))
        << changed(image(), 0x30, QByteArray(7, '\xFF') + '\xFE') << 1 << QString()
        << QStringList{"18446744073709551615\n", "18446744073709551614\n"};
    QTest::newRow("refused item")
        << definition({"1X 0 1 1 1 Bad"}) << image() << image() << 0
        << R"({"items":[{"address":" 1X","class":"value","error":"Cannot show \"Bad\" )"
           R"((item 1): its address \"1X\" is not hexadecimal.","id":"1","title":" Bad"}],)"
           R"("unlisted":[]})"
        << QStringList();
    QTest::newRow("missing image") << defs << image() << QByteArray() << 2 << "b.bin" << QStringList();
    // The editor refuses a negative item count; so does every verb.
    QTest::newRow("negative item count") << definition({}).replace("Items = 0", "Items = -1") << image()
                                         << image() << 2 << "Error in ECU File" << QStringList();
}

void TestVerbDiff::diff() {
    QFETCH(QByteArray, ecu);
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, exitCode);
    QFETCH(QString, json);
    QFETCH(QStringList, exact);
    const Outcome r = ::diff(ecu, a, b, {QStringLiteral("--json")});
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode == 2) {
        QVERIFY(r.out.isEmpty());
        QVERIFY(QString::fromUtf8(r.err).contains(json));
        return;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error); // fails on anything after the document
    QCOMPARE(error.error, QJsonParseError::NoError);
    if (!json.isEmpty()) QCOMPARE(QString::fromUtf8(doc.toJson(QJsonDocument::Compact)), json);
    for (const QString& text : exact)
        QVERIFY2(r.out.contains(text.toUtf8()), r.out.constData());
}

// A value whose Factor is 0 shows no calculated value in the editor, and none here.
void TestVerbDiff::textShowsTheCalculatedValuesTheEditorShows() {
    const QByteArray b = changed(image(), 0x11, "\x40");
    const Outcome shown = ::diff(definition({"10 0 1 1 2 Rev"}), image(), b, {});
    const Outcome none = ::diff(definition({"10 0 1 1 2 Rev 0"}), image(), b, {});
    QCOMPARE(shown.out + none.out, QByteArray("  1 value Rev at 10: 4113 -> 4160 (2056.5 -> 2080.)\n"
                                              "  1 value Rev at 10: 4113 -> 4160\n"));
}

QTEST_GUILESS_MAIN(TestVerbDiff)
#include "test_verb_diff.moc"
