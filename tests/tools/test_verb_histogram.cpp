// korvel-cli histogram on a copy of the sample calibration: the means it prints and the
// corrections it writes into the volumetric efficiency table (12 x 12 bytes at 500h, value =
// byte x 0.5).
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Cell (0, 0) takes three samples (8.5 lies half-way between 6 and 11, 19 below the first
// row), cell (11, 11) one; the cold one is filtered out.
const char kLog[] = "Time (s),RPM x 100,MAP (kPa),Block learn,Coolant (C)\n"
                    "0.000,6,20,140,90\n"
                    "0.100,8.5,22,144,90\n"
                    "0.200,7,19,138,90\n"
                    "0.300,61,108,100,90\n"
                    "0.400,6,20,50,20\n";
constexpr int kTable = 0x500;

} // namespace

TEST(VerbHistogram, PrintsMeansAndCorrectsCellsWithEnoughSamples) {
    // clang-format off
    const std::tuple<QStringList, int, const char*, const char*, double, double> cases[] = {
        // options, exit code, first grid row (table row 11), last grid row, factor of cell (0, 0), of cell (11, 11)
        {{"--min-count", "3"}, 0, "108,,,,,,,,,,,,", "20,140.67,,,,,,,,,,,", 1, 1},
        {{"--min-count", "1"}, 0, "108,,,,,,,,,,,,100", "20,140.67,,,,,,,,,,,", 1, 1},
        {{"--min-count", "3", "--correct"}, 0, "108,,,,,,,,,,,,", "20,140.67,,,,,,,,,,,", 422.0 / 3 / 128, 1},
        {{"--min-count", "1", "--correct", "--factor", "0.005"}, 0, "108,,,,,,,,,,,,100", "20,140.67,,,,,,,,,,,",
         422.0 / 3 * 0.005, 0.5},
        {{"--factor", "2"}, 2, "", "", 1, 1}}; // a factor without --correct
    // clang-format on
    for (const auto& [options, exitCode, top, bottom, first, last] : cases) {
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("t.bin")),
                      log = dir.filePath(QStringLiteral("log.csv"));
        const QString examples = qEnvironmentVariable("KORVEL_EXAMPLES");
        QFile::copy(examples + QStringLiteral("/sample.bin"), bin);
        QFile(bin).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(kLog) > 0);
        f.close();
        const QByteArray before = readAll(bin);
        QProcess p;
        p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"),
                QStringList{"histogram", log, bin, examples + "/sample.ecu", "Volumetric efficiency", "--x",
                            "RPM x 100", "--y", "MAP (kPa)", "--z", "Block learn", "--where",
                            "Coolant (C)>=80"} +
                    options);
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString out = p.readAllStandardOutput(), err = p.readAllStandardError();
        const std::string name = options.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), exitCode) << name << err.toStdString();
        const QByteArray after = readAll(bin);
        if (exitCode != 0) {
            EXPECT_TRUE(err.startsWith("usage:")) << name;
            EXPECT_EQ(after, before);
            continue;
        }
        const QStringList lines = out.split('\n');
        ASSERT_GE(lines.size(), 13) << out.toStdString();
        EXPECT_EQ(lines[0], ",6,11,16,21,26,31,36,41,46,51,56,61");
        EXPECT_EQ(lines[1], top) << name;
        EXPECT_EQ(lines[12], bottom) << name;
        // The new byte is the one nearest old value x factor; every other byte stays.
        QByteArray expected = before;
        const int lastCell = kTable + 12 * 11 + 11;
        expected[kTable] = char(std::lround(quint8(before[kTable]) * first));
        expected[lastCell] = char(std::lround(quint8(before[lastCell]) * last));
        EXPECT_EQ(after.toHex(), expected.toHex()) << name;
        EXPECT_EQ(out.endsWith(" cells written\n"), options.contains("--correct"))
            << name << out.toStdString();
    }
}
