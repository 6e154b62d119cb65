// korvel-cli diff, run as a separate process on a definition and images written here.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Items as "address kind columns rows bytesize title"; Factor 0.5 for each.
QByteArray definition(const QStringList& items) {
    QByteArray s = "ECU FORMAT\n{\nHeader = t\nVersion = 1\nChecksumAddress = 3E\nChecksumSize = 2\n"
                   "ChecksumStart = 0\nChecksumEnd = 3D\nItems = " +
                   QByteArray::number(items.size()) + "\n}\n";
    for (const QString& item : items) {
        const QStringList f = item.split(QLatin1Char(' '));
        s += QStringLiteral(
                 "{\nAddress = %1\nColumns = %3\nRows = %4\nByteSize = %5\nKind = %2\nOffset = 0\n"
                 "Conversion = 0\nFactor = 0.5\nTitle = %6\nYLabel =\nYAxis =\nXLabel =\nXAxis =\n}\n")
                 .arg(f[0], f[1], f[2], f[3], f[4], f[5])
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

} // namespace

class TestVerbDiff : public QObject {
    Q_OBJECT
private slots:
    void diff_data();
    void diff();
};

void TestVerbDiff::diff_data() {
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b"); // empty: no file B
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("json"); // compact JSON on success, part of stderr otherwise
    const QStringList defs{"10 0 1 1 2 Rev", "20 0 2 2 1 Fuel", "00 80 1 1 1 Options"};
    QTest::newRow("equal") << defs << image() << image() << 0 << R"({"items":[],"unlisted":[]})";
    QTest::newRow("value and bytes of no item")
        << defs << image() << changed(image(), 0x11, "\x40") << 1
        << R"({"items":[{"address":" 10","after":{"raw":[4160],"text":["2080."]},)"
           R"("before":{"raw":[4113],"text":["2056.5"]},"class":"value","id":"1","title":" Rev"}],"unlisted":[]})";
    QTest::newRow("table cell and checksum")
        << defs << image() << changed(changed(image(), 0x21, "\x02"), 0x3F, QByteArray(1, 0)) << 1
        << R"({"items":[{"address":" 20","after":{"raw":[32,2,34,35],"text":["16.","1.","17.","17.5"]},)"
           R"("before":{"raw":[32,33,34,35],"text":["16.","16.5","17.","17.5"]},"class":"map","id":"2",)"
           R"("title":" Fuel"}],"unlisted":["003F"]})";
    QTest::newRow("longer B, same bytes")
        << defs << image() << image(80) << 1 << R"({"items":[],"unlisted":[]})";
    QTest::newRow("refused item")
        << QStringList{"1X 0 1 1 1 Bad"} << image() << image() << 0
        << R"({"items":[{"address":" 1X","class":"value","error":"Cannot show \"Bad\" )"
           R"((item 1): its address \"1X\" is not hexadecimal.","id":"1","title":" Bad"}],)"
           R"("unlisted":[]})";
    QTest::newRow("missing image") << defs << image() << QByteArray() << 2 << "b.bin";
}

void TestVerbDiff::diff() {
    QFETCH(QStringList, items);
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, exitCode);
    QFETCH(QString, json);
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& content) {
        QFile f(dir.filePath(QLatin1String(name)));
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
    };
    QVERIFY(write("t.ecu", definition(items)));
    QVERIFY(write("a.bin", a));
    if (!b.isEmpty()) QVERIFY(write("b.bin", b));

    QProcess p;
    p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"),
            {QStringLiteral("diff"), dir.filePath(QStringLiteral("t.ecu")),
             dir.filePath(QStringLiteral("a.bin")), dir.filePath(QStringLiteral("b.bin")),
             QStringLiteral("--json")});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    const QByteArray out = p.readAllStandardOutput();
    if (exitCode == 2) {
        QVERIFY(out.isEmpty());
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(json));
        return;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &error); // fails on anything after the document
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(QString::fromUtf8(doc.toJson(QJsonDocument::Compact)), json);
}

QTEST_GUILESS_MAIN(TestVerbDiff)
#include "test_verb_diff.moc"
