// korvel-cli set, run as a separate process on a copy of the sample calibration.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

static QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A definition of one-value items, each {address, byteSize, kind, title}.
static QByteArray definition(const QList<QStringList>& items) {
    QString s = "ECU FORMAT\n{\nHeader = t\nVersion = 1\nChecksumAddress = 7FFE\nChecksumSize = "
                "2\nChecksumStart = 0\n";
    s += QStringLiteral("ChecksumEnd = 7FFD\nItems = %1\n}\n").arg(items.size());
    for (const QStringList& f : items)
        s += QStringLiteral("{\nAddress = %1\nColumns = 1\nRows = 1\nByteSize = %2\nKind = %3\nOffset = 0\n")
                 .arg(f[0], f[1], f[2]) +
             "Conversion = 0\nFactor = 1\nTitle = " + f[3] + "\nYLabel =\nYAxis =\nXLabel =\nXAxis =\n}\n";
    return s.toLatin1();
}

TEST(VerbSet, StoresOnlyTheItemsBytesOrRefusesWithTheReason) {
    const QByteArray sample, twins = definition({{"0200", "1", "0", "Twin"}, {"0201", "1", "0", "Twin"}});
    // clang-format off
    const std::tuple<QByteArray, QStringList, int, int, const char*, const char*> cases[] = {
        // definition (empty: the sample's), ITEM RAW, exit code, address and hex bytes stored,
        // the end of stdout on success or a part of stderr on failure
        {sample, {"Rev limit", "1b58"}, 0, 0x200, "1b58", "raw: 1B58\ncalculated: 7000.\n"},
        {sample, {" Idle speed ", "1ff"}, 0, 0x202, "ff", "raw: FF\ncalculated: 3187.5\n"},
        {sample, {"Injector constant", "0"}, 0, 0x203, "0000", "raw: 0\ncalculated: \n"},
        {sample, {"1", "91"}, 0, 0x100, "91", "raw: 91\nbits: 1001 0001\n"},
        {sample, {"1", "100"}, 2, 0, "", "at most FF"}, {sample, {"3", "12g"}, 2, 0, "", "hexadecimal"},
        {sample, {"Coolant enrichment", "5"}, 2, 0, "", "Coolant enrichment"},
        {sample, {"3"}, 2, 0, "", "usage"}, {"HEADER\n", {"1", "5"}, 2, 0, "", "Incorrect ECU Format"},
        {definition({{"0200", "1", "5", "Odd"}}), {"1", "5"}, 2, 0, "", "Error in ECU File"},
        {twins, {"Twin", "5"}, 2, 0, "", "items 1, 2"}};
    // clang-format on
    const QString examples = qEnvironmentVariable("KORVEL_EXAMPLES");
    for (const auto& [ecu, args, exitCode, address, hex, output] : cases) {
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("t.bin")),
                      def = dir.filePath(QStringLiteral("t.ecu"));
        ASSERT_TRUE(QFile::copy(examples + QStringLiteral("/sample.bin"), bin));
        QFile(bin).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QFile f(def);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ecu.isEmpty() ? readAll(examples + QStringLiteral("/sample.ecu")) : ecu);
        f.close();
        QByteArray expected = readAll(bin);
        expected.replace(address, qsizetype(strlen(hex) / 2), QByteArray::fromHex(hex));
        QProcess p;
        p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"),
                QStringList{QStringLiteral("set"), bin, def} + args);
        ASSERT_TRUE(p.waitForFinished(30000));
        const std::string where = args.join('|').toStdString();
        EXPECT_EQ(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, exitCode) << where;
        const QString out = p.readAllStandardOutput(), err = p.readAllStandardError();
        EXPECT_TRUE(exitCode ? out.isEmpty() && err.contains(QLatin1String(output))
                             : out.endsWith(QLatin1String(output)))
            << where << ": " << (out + err).toStdString();
        EXPECT_EQ(readAll(bin).toHex(), expected.toHex())
            << "only the item's bytes change; an error changes none";
    }
}
