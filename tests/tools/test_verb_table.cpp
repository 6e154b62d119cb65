// korvel-cli table, run as a separate process on a copy of the sample calibration.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

// A copy of the sample image and definition in a folder of its own.
struct Sample {
    QTemporaryDir dir;
    QString bin = dir.filePath(QStringLiteral("t.bin")), ecu = dir.filePath(QStringLiteral("t.ecu")),
            csv = dir.filePath(QStringLiteral("t.csv"));
    Sample() {
        const QString examples = qEnvironmentVariable("KORVEL_EXAMPLES");
        QFile::copy(examples + QStringLiteral("/sample.bin"), bin);
        QFile::copy(examples + QStringLiteral("/sample.ecu"), ecu);
        QFile(bin).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    Outcome table(const QStringList& args) const {
        QProcess p;
        p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"),
                QStringList{QStringLiteral("table"), bin, ecu} + args);
        if (!p.waitForFinished(30000)) return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }
    void writeCsv(const QByteArray& text) const {
        QFile f(csv);
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }
};

} // namespace

TEST(VerbTable, PrintedTablesReadBackUnchanged) {
    for (const QStringList& args : {QStringList{"Spark advance", "--calculated"},
                                    {"Volumetric efficiency"},
                                    {"Coolant enrichment", "--calculated"},
                                    {"Cranking fuel", "--calculated"}}) {
        Sample s;
        const QByteArray image = readAll(s.bin);
        const Outcome printed = s.table(args);
        ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
        s.writeCsv(printed.out.toUtf8());
        const Outcome stored = s.table(args + QStringList{"--set", s.csv});
        EXPECT_EQ(stored.exitCode, 0) << stored.err.toStdString();
        EXPECT_TRUE(stored.out.endsWith(QLatin1String(" cells written\n"))) << stored.out.toStdString();
        EXPECT_EQ(readAll(s.bin).toHex(), image.toHex()) << args.join(' ').toStdString();
    }
}

TEST(VerbTable, StoresEveryCellOrRefusesTheFileNamingTheFirstBadCell) {
    // clang-format off
    const std::tuple<const char*, QStringList, QByteArray, int, const char*> cases[] = {
        // name, ITEM and options, the file, exit code, the table's bytes at 300h or a part of stderr
        {"raw, no headings, top row is the last", {"Coolant enrichment"}, "1\n2\n3\n4\n5\n6\n7\n8\n", 0, "0807060504030201"},
        {"calculated with headings", {"Coolant enrichment", "--calculated"},
         ",\n100,-40\n80,-39.6\n60,-30\n40,0\n20,1e1\n0,60\n-20,80\n-40,215\n", 0, "FF786432280A0000"},
        {"a value too large", {"Coolant enrichment", "--calculated"}, "0\n0\n0\n0\n0\n0\n216\n0\n", 2,
         "row 7, column 1: 216 is outside the values a cell can hold (-40 to 215)."},
        {"not a number", {"Coolant enrichment"}, "1\n2\nthree\n4\n5\n6\n7\n8\n", 2, "row 3, column 1: \"three\""},
        {"a missing cell", {"Spark advance"}, "1,2\n", 2, "row 1, column 3 is missing"},
        {"a value past the table", {"Coolant enrichment"}, "1,2\n2\n3\n4\n5\n6\n7\n8\n", 2, "row 1, column 2 lies outside"},
        {"not a table", {"Rev limit"}, "1\n", 2, "is not a table or a map"},
        {"a pattern cannot be read back", {"Coolant enrichment", "--calculated", "--format", "##"}, "1\n", 2, "usage"}};
    // clang-format on
    for (const auto& [name, args, csv, exitCode, expected] : cases) {
        Sample s;
        QByteArray image = readAll(s.bin);
        s.writeCsv(csv);
        const Outcome r = s.table(args + QStringList{"--set", s.csv});
        EXPECT_EQ(r.exitCode, exitCode) << name << ": " << r.err.toStdString();
        if (exitCode == 0) {
            const QByteArray table = QByteArray::fromHex(expected);
            image.replace(0x300, table.size(), table);
        } else {
            EXPECT_TRUE(r.out.isEmpty() && r.err.contains(QLatin1String(expected)))
                << name << ": " << r.err.toStdString();
        }
        EXPECT_EQ(readAll(s.bin).toHex(), image.toHex()) << name << ": a refused file changes nothing";
    }
}
