// The image file, the settings file, the ECU definition reader, and the wait.
#include "core/bin_image.h"
#include "core/ecu_reader.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "core_fixture.h"

#include <QDir>

using namespace korvel;
using korvel::test::readFile;
using korvel::test::writeFile;
using Outcome = EcuReadResult::Outcome;

static QByteArray pattern(int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return b;
}

// The read fills whole 16-byte blocks and notices the end only on a short read; Save
// writes the cells below BinSize - 16 back over the file without changing its length.
TEST(BinFile, ReadsWholeBlocksAndSavesInPlace) {
    for (const auto& [length, binSize] : {std::pair{0, 16}, {16, 32}, {100, 112}, {655343, 655344}}) {
        QTemporaryDir dir;
        const QByteArray data = pattern(length);
        AppState state;
        state.BinPath = writeFile(dir, QStringLiteral("rom.bin"), data);
        for (int i = length; i <= binSize; ++i)
            state.BinImage[size_t(i)].setValue(0x77); // left over from a longer image
        ASSERT_TRUE(ReadBinFile(state).ok());
        ASSERT_EQ(state.BinSize, binSize);
        for (int i = 0; i < binSize; ++i)
            ASSERT_EQ(state.BinImage[size_t(i)].byte(), i < length ? quint8(data[i]) : 0) << i;
        EXPECT_EQ(state.BinImage[size_t(binSize)].byte(), 0x77)
            << "the cell past the last block is untouched";
        EXPECT_EQ(state.BinImage[size_t(binSize - 1)].addressText(),
                  QString::number(binSize - 1, 16).rightJustified(6, '0').toUpper());
        for (int i = 0; i < binSize - 16; ++i)
            state.BinImage[size_t(i)].setValue(0xEE);
        ASSERT_TRUE(WriteBinFile(state).ok());
        const QByteArray after = readFile(state.BinPath);
        EXPECT_EQ(after.size(), length);
        EXPECT_EQ(after.left(binSize - 16), QByteArray(binSize - 16, '\xEE'));
        EXPECT_EQ(after.mid(binSize - 16), data.mid(binSize - 16)) << "bytes of a short last block stay";
    }
}

TEST(BinFile, FailuresNameTheFileAndChangeNothing) {
    QTemporaryDir dir;
    AppState state;
    state.BinPath = writeFile(dir, QStringLiteral("big.bin"), pattern(655344));
    Status s = ReadBinFile(state);
    EXPECT_TRUE(!s.ok() && s.error().contains(state.BinPath) && s.error().contains(QStringLiteral("655343")));
    EXPECT_TRUE(state.BinSize == 0 && state.BinImage[0].isEmpty());
    state.BinPath = dir.filePath(QStringLiteral("missing.bin"));
    s = ReadBinFile(state);
    EXPECT_TRUE(!s.ok() && s.error().startsWith(state.BinPath));
    state.BinPath = writeFile(dir, QStringLiteral("rom.bin"), pattern(32));
    ASSERT_TRUE(ReadBinFile(state).ok());
    for (const QString& path : {dir.filePath(QStringLiteral("gone/rom.bin")), QStringLiteral("/dev/full")}) {
        state.BinPath = path;
        s = WriteBinFile(state);
        EXPECT_TRUE(!s.ok() && s.error().startsWith(path)) << s.error().toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("gone/rom.bin"))))
        << "a missing file is never made";
}

TEST(SettingsFile, ReadsOneSectionWithoutRegardToCase) {
    QTemporaryDir dir;
    SettingsFile file(dir.filePath(QStringLiteral("sub/korvel.ini")), QStringLiteral("korvel"));
    EXPECT_EQ(file.ReadSetting(QStringLiteral("Port")), QString()); // no file yet
    QDir().mkpath(dir.filePath(QStringLiteral("sub")));
    writeFile(dir, QStringLiteral("sub/korvel.ini"),
              "[Other]\nBIN Location=/wrong\nPort=9\n[KORVEL]\n  bin location  =   /data/rom.bin  \n"
              "Upload Execute=\nPorts=1\nPort = 3 with text\r\nLong=" +
                  QByteArray(300, 'x') + "\n[last]\nECU Location=/x.ecu\n");
    const std::pair<const char*, QString> cases[] = {{"BIN Location", QStringLiteral("/data/rom.bin")},
                                                     {"Upload Execute", QString()},
                                                     {"PORT", QStringLiteral("3 with text")},
                                                     {"Long", QString(254, QLatin1Char('x'))},
                                                     {"ECU Location", QString()}};
    for (const auto& [key, value] : cases)
        EXPECT_EQ(file.ReadSetting(QLatin1String(key)), value) << key;
}

TEST(SettingsFile, WritesTheKeyAndKeepsEverythingElse) {
    QTemporaryDir dir;
    SettingsFile file(dir.filePath(QStringLiteral("sub/korvel.ini")), QStringLiteral("korvel"));
    ASSERT_TRUE(file.WriteSetting(QStringLiteral("Numeric Format"), QStringLiteral("##.##")));
    EXPECT_EQ(readFile(file.path()), QByteArray("[korvel]\nNumeric Format=##.##\n"));
    writeFile(dir, QStringLiteral("sub/korvel.ini"),
              "; comment\n[other]\nPort=9\n[korvel]\nPort=4\nECU Location=/a.ecu\n\n[last]\nx=1\n");
    ASSERT_TRUE(file.WriteSetting(QStringLiteral("port"), QStringLiteral("2")));
    ASSERT_TRUE(file.WriteSetting(QStringLiteral("BIN Location"), QStringLiteral("/b.bin")));
    EXPECT_EQ(readFile(file.path()),
              QByteArray("; comment\n[other]\nPort=9\n[korvel]\nport=2\nECU Location=/a.ecu\n"
                         "BIN Location=/b.bin\n\n[last]\nx=1\n"));
    SettingsFile nowhere(QStringLiteral("/proc/korvel-test/korvel.ini"), QStringLiteral("korvel"));
    EXPECT_FALSE(nowhere.WriteSetting(QStringLiteral("Port"), QStringLiteral("1")));
}

TEST(WaitSeconds, WaitsAtLeastTheTimeAndPumpsMeanwhile) {
    struct Counting : ManualTicker {
        int pumps = 0;
        void onPump() override { ++pumps; }
    };
    for (double wait : {0.0, 0.05, 3.0}) {
        Counting ticker;
        ticker.step = 0.01;
        ticker.now = 1000;
        WaitSeconds(wait, ticker);
        EXPECT_GE(ticker.now - 1000, wait);
        EXPECT_LT(ticker.now - 1000, wait + 0.011);
        EXPECT_EQ(ticker.pumps == 0, wait == 0);
    }
}

// A definition with the header and `count` items as given.
static QByteArray ecu(int count, const QByteArray& items, const char* first = "ECU FORMAT\r\n") {
    return first +
           QByteArray(
               "{\r\nHeader = Test ECU\r\nVersion = -32768\r\nChecksumAddress = 7FFE\r\nChecksumSize = 2\r\n"
               "ChecksumStart = 0\r\nChecksumEnd = 7FFD\r\nItems = ") +
           QByteArray::number(count) + "\r\n}\r\n" + items;
}

static QByteArray item(const char* address = "1", int columns = 1, int rows = 1, int kind = 0,
                       const char* title = " Item") {
    return QStringLiteral(
               "{\r\nAddress = %1\r\nColumns = %2\r\nRows = %3\r\nByteSize = 1\r\nKind = %4\r\n"
               "Offset = -40.5\r\nConversion = 0\r\nFactor = 0.5, scale\r\nTitle =%5\r\nYLabel = Y=y\r\n"
               "YAxis = a    b\r\nXLabel = X\r\nXAxis = 1  2  3\r\n}\r\n")
        .arg(QLatin1String(address))
        .arg(columns)
        .arg(rows)
        .arg(kind)
        .arg(QLatin1String(title))
        .toLatin1();
}

struct Reading {
    AppState state;
    EcuReadResult result;
    explicit Reading(const QByteArray& content) : result(readEcuData(state, content)) {}
    const EcuItem& item(int n) const { return state.EcuItemTable[size_t(n)]; }
};

TEST(ReadEcu, ReadsHeaderAndItemsByPosition) {
    QTemporaryDir dir;
    AppState state;
    state.EcuPath =
        writeFile(dir, QStringLiteral("t.ecu"),
                  ecu(2, item("0100", 1, 1, 80, " Flags A") + item("0400", 16, 32767, 0, " Spark, deg")));
    const EcuReadResult result = ReadEcuFile(state);
    ASSERT_EQ(result.outcome, Outcome::Read) << result.detail.toStdString();
    const EcuHeader& h = state.ecuHeader;
    EXPECT_EQ(QStringList({h.HeaderText, h.ChecksumAddress, h.ChecksumSize, h.ChecksumStart, h.ChecksumEnd}),
              QStringList({" Test ECU", " 7FFE", " 2", " 0", " 7FFD"}));
    EXPECT_TRUE(h.HeaderNumber == -32768 && h.ItemCount == 2);
    const EcuItem &a = state.EcuItemTable[1], &b = state.EcuItemTable[2];
    EXPECT_EQ(QStringList({a.Id, a.Address, a.Title, b.Id, b.Title, b.YLabel, b.YAxis, b.XLabel, b.XAxis}),
              QStringList({"1", " 0100", " Flags A", "2", " Spark", " Y=y", " a    b", " X", " 1  2  3"}));
    EXPECT_TRUE(b.Columns == 16 && b.Rows == 32767 && b.ByteSize == 1 && b.Kind == 0 && a.Kind == 80);
    EXPECT_TRUE(b.Offset == -40.5 && b.Factor == 0.5 && b.Conversion == 0);
    state.EcuPath = dir.filePath(QStringLiteral("missing.ecu"));
    EXPECT_EQ(ReadEcuFile(state).outcome, Outcome::HeaderError);
}

TEST(ReadEcu, LayoutRules) {
    const std::tuple<const char*, QByteArray, int> cases[] = {
        {"format word anywhere, any case", ecu(1, item(), "ecu format, second issue\r\n"), 1},
        {"empty lines before the format line", "\r\n\n\r\n" + ecu(1, item()), 1},
        {"lone LF ends lines", ecu(1, item()).replace("\r\n", "\n"), 1},
        {"other lines between blocks",
         ecu(2, "\r\n   \r\n; comment\r\n" + item() + "  \r\n// more\r\n" + item()), 2},
        {"blank line inside a block", ecu(1, item().replace("Rows", "\r\n  \r\nRows")), 1},
        {"a fourteenth value line", ecu(1, item().replace("}", "Extra = 9\r\n}")), 1},
        {"item count 0", ecu(0, ""), 0},
        {"lines after the last item", ecu(1, item() + "junk\r\n{\r\n"), 1}};
    for (const auto& [name, content, items] : cases) {
        Reading r(content);
        EXPECT_EQ(r.result.outcome, Outcome::Read) << name << ": " << r.result.detail.toStdString();
        EXPECT_EQ(r.state.ecuHeader.ItemCount, items) << name;
        EXPECT_EQ(r.item(items).XLabel, items ? QStringLiteral(" X") : QString()) << name;
    }
}

TEST(ReadEcu, ErrorsStopTheReadingWhereTheyAre) {
    const QByteArray one = item();
    const std::tuple<const char*, QByteArray, Outcome, int> cases[] = {
        // Items read before an item error stay; a header error stops the opening.
        {"file ends before a block", ecu(2, one), Outcome::ItemError, 1},
        {"file ends inside a block", ecu(2, one + one.left(one.indexOf("Kind"))), Outcome::ItemError, 1},
        {"number does not convert", ecu(2, one + item().replace("Rows = 1", "Rows = x")), Outcome::ItemError,
         1},
        {"number beyond 16 bits", ecu(2, one + item().replace("Rows = 1", "Rows = 32768")),
         Outcome::ItemError, 1},
        {"fraction in a whole number", ecu(2, one + item().replace("Rows = 1", "Rows = 1.5")),
         Outcome::ItemError, 1},
        {"double does not convert", ecu(1, item().replace("Offset = -40.5", "Offset = abc")),
         Outcome::ItemError, 0},
        {"line without equals", ecu(1, item().replace("Kind", "Kind 0\r\nKind")), Outcome::ItemError, 0},
        {"empty file", "", Outcome::HeaderError, 0},
        {"ends before the header", "FORMAT\r\nnothing\r\n", Outcome::HeaderError, 0},
        {"ends inside the header", "FORMAT\r\n{\r\nHeader = a\r\n", Outcome::HeaderError, 0},
        {"header number", ecu(1, one).replace("Version = -32768", "Version = seven"), Outcome::HeaderError,
         0},
        {"item count", ecu(1, "").replace("Items = 1", "Items = many"), Outcome::HeaderError, 0},
        {"no format word first", ecu(1, one, "[header]\r\nFORMAT\r\n"), Outcome::IncorrectFormat, 0}};
    for (const auto& [name, content, outcome, complete] : cases) {
        Reading r(content);
        EXPECT_EQ(r.result.outcome, outcome) << name;
        if (outcome == Outcome::ItemError) {
            EXPECT_EQ(r.result.message, QStringLiteral("ECU File Error")) << name;
            EXPECT_GT(r.result.line, 0) << name;
            EXPECT_EQ(r.item(1).XAxis, complete ? QStringLiteral(" 1  2  3") : QString()) << name;
        }
        EXPECT_FALSE(r.result.message.isEmpty()) << name;
        if (outcome == Outcome::IncorrectFormat) {
            EXPECT_EQ(r.result.message, QStringLiteral("Incorrect ECU Format"));
            EXPECT_TRUE(r.state.ecuHeader.ItemCount == 0 && r.state.ecuHeader.HeaderText.isEmpty());
        }
    }
}

TEST(ReadEcu, ThreeHundredItemsFitAndTheTextIsWindows1252) {
    QByteArray blocks;
    for (int n = 1; n <= 301; ++n)
        blocks += item("10", 1, 1, 0,
                       n == 300 ? " \x80 \xB0"
                                  "C"
                                : " Item");
    Reading full(ecu(300, blocks));
    EXPECT_EQ(full.result.outcome, Outcome::Read);
    EXPECT_EQ(full.item(300).Title, QString::fromUtf8(" € °C"));
    EXPECT_EQ(Reading(ecu(301, blocks)).result.outcome, Outcome::ItemError);
}

TEST(ItemClass, SortsByKindAndShape) {
    const std::tuple<qint16, qint16, qint16, ItemClass> cases[] = {
        {1, 1, 80, ItemClass::Flag},  {1, 1, 0, ItemClass::Value},      {1, 8, 0, ItemClass::Array},
        {16, 1, 0, ItemClass::Array}, {16, 8, 0, ItemClass::Map},       {16, 8, 7, ItemClass::Map},
        {1, 1, 5, ItemClass::None},   {2, 2, 80, ItemClass::Ambiguous}, {0, 0, 0, ItemClass::None},
        {1, 8, 3, ItemClass::None}};
    for (const auto& [columns, rows, kind, expected] : cases) {
        EcuItem it;
        std::tie(it.Columns, it.Rows, it.Kind) = std::tie(columns, rows, kind);
        EXPECT_EQ(classOf(it), expected) << columns << "x" << rows << " kind " << kind;
    }
}
