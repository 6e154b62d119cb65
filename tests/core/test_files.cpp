// The image file, the settings file and the ECU definition reader.
#include "core/bin_image.h"
#include "core/bin_save.h"
#include "core/ecu_reader.h"
#include "core/settings_file.h"
#include "core_fixture.h"

#include <QDir>

using namespace korvel;
using namespace korvel::test;
using Outcome = EcuReadResult::Outcome;

// Reads fill whole 16-byte blocks up to a short one; Save writes cells below BinSize - 16 back in place.
TEST(BinFile, ReadsWholeBlocksAndSavesInPlace) {
    for (const auto& [length, binSize] : {std::pair{0, 16}, {16, 32}, {100, 112}, {655343, 655344}}) {
        QTemporaryDir dir;
        const QByteArray data = QByteArray("\x03\x0A\x11\xFF\x00", 5).repeated(length / 5 + 1).left(length);
        AppState state;
        state.BinPath = writeFile(dir, QStringLiteral("rom.bin"), data);
        for (int i = length; i <= binSize; ++i)
            state.BinImage[size_t(i)].setValue(0x77); // left over from a longer image
        ASSERT_TRUE(ReadBinFile(state).ok());
        ASSERT_TRUE(state.BinSize == binSize && state.fileLength == length) << length;
        for (int i = 0; i < binSize; ++i)
            ASSERT_EQ(state.BinImage[size_t(i)].byte(), i < length ? quint8(data[i]) : 0) << i;
        EXPECT_EQ(state.BinImage[size_t(binSize)].byte(), 0x77); // the cell past the last block stays
        for (int i = 0; i < binSize - 16; ++i)
            state.BinImage[size_t(i)].setValue(0xEE);
        ASSERT_TRUE(WriteBinFile(state).ok());
        EXPECT_EQ(readFile(state.BinPath), QByteArray(binSize - 16, '\xEE') + data.mid(binSize - 16));
    }
    QTemporaryDir dir; // failures name the file and change nothing
    AppState state;
    state.BinPath = writeFile(dir, QStringLiteral("big.bin"), QByteArray(655344, '\1'));
    Status s = ReadBinFile(state);
    EXPECT_TRUE(!s.ok() && s.error().contains(state.BinPath) && s.error().contains(QStringLiteral("655343")));
    EXPECT_TRUE(state.BinSize == 0 && state.BinImage[0].isEmpty());
    state.BinPath = dir.filePath(QStringLiteral("missing.bin"));
    EXPECT_TRUE(ReadBinFile(state).error().startsWith(state.BinPath));
    state.BinPath = writeFile(dir, QStringLiteral("rom.bin"), QByteArray(32, '\1'));
    ASSERT_TRUE(ReadBinFile(state).ok());
    for (const QString& path : {dir.filePath(QStringLiteral("gone/rom.bin")), QStringLiteral("/dev/full")}) {
        state.BinPath = path;
        s = WriteBinFile(state);
        EXPECT_TRUE(!s.ok() && s.error().startsWith(path)) << s.error().toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("gone/rom.bin")))); // a missing file is never made
}

// Save As: the image as a save writes it plus the file's short last block, through a temporary file
// that replaces the target only when complete; files of the installed data folder are never written.
TEST(BinFile, SavesAsAnotherFileAndKnowsWhatIsReadOnly) {
    QTemporaryDir dir;
    const QByteArray data = QByteArray("\x01\x02\x03\x04\x05", 5).repeated(20); // 100 bytes: a short block
    AppState state;
    state.BinPath = writeFile(dir, QStringLiteral("rom.bin"), data);
    ASSERT_TRUE(ReadBinFile(state).ok());
    state.BinImage[0].setValue(0xEE);
    const QString copy = dir.filePath(QStringLiteral("copy.bin"));
    ASSERT_TRUE(WriteBinFileAs(state, copy).ok());
    EXPECT_EQ(readFile(copy), "\xEE" + data.mid(1));
    EXPECT_EQ(readFile(state.BinPath), data); // the file as opened stays
    const QString missing = dir.filePath(QStringLiteral("gone/copy.bin"));
    const Status s = WriteBinFileAs(state, missing);
    EXPECT_TRUE(!s.ok() && s.error().startsWith(missing)) << s.error().toStdString();
    EXPECT_FALSE(QFile::exists(missing));

    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("share/korvel/examples")));
    const QString sample = writeFile(dir, QStringLiteral("share/korvel/examples/sample.bin"), data);
    EXPECT_FALSE(binFileReadOnly(copy, dir.filePath(QStringLiteral("share/korvel"))));
    EXPECT_TRUE(binFileReadOnly(sample, dir.filePath(QStringLiteral("share/korvel"))));
    EXPECT_TRUE(binFileReadOnly(dir.filePath(QStringLiteral("share/korvel/new.bin")),
                                dir.filePath(QStringLiteral("share/korvel"))));
    EXPECT_FALSE(binFileReadOnly(sample, QString()));
}

// One section, keys of any case, values trimmed to 254 characters; a write keeps everything else.
TEST(SettingsFile, ReadsAndWritesOneSectionWithoutRegardToCase) {
    QTemporaryDir dir;
    SettingsFile file(dir.filePath(QStringLiteral("sub/korvel.ini")), QStringLiteral("korvel"));
    EXPECT_EQ(file.ReadSetting(QStringLiteral("Port")), QString()); // no file yet
    ASSERT_TRUE(file.WriteSetting(QStringLiteral("Numeric Format"), QStringLiteral("##.##")));
    EXPECT_EQ(readFile(file.path()), QByteArray("[korvel]\nNumeric Format=##.##\n"));
    QByteArray text = "[Other]\nBIN Location=/wrong\nPort=9\n[KORVEL]\n  bin location  =   /data/rom.bin  \n";
    text += "Upload Execute=\nPorts=1\nPort = 3 with text\r\nLong=" + QByteArray(300, 'x') +
            "\n\n[last]\nECU Location=/x.ecu\n";
    writeFile(dir, QStringLiteral("sub/korvel.ini"), text);
    const std::pair<const char*, const char*> cases[] = {{"BIN Location", "/data/rom.bin"},
                                                         {"Upload Execute", ""},
                                                         {"PORT", "3 with text"},
                                                         {"ECU Location", ""}};
    for (const auto& [key, value] : cases)
        EXPECT_EQ(file.ReadSetting(QLatin1String(key)), QLatin1String(value)) << key;
    EXPECT_EQ(file.ReadSetting(QStringLiteral("long")), QString(254, 'x'));
    ASSERT_TRUE(file.WriteSetting(QStringLiteral("port"), QStringLiteral("2")));
    ASSERT_TRUE(file.WriteSetting(QStringLiteral("ECU Location"), QStringLiteral("/b.ecu")));
    EXPECT_EQ(readFile(file.path()),
              text.replace("Port = 3 with text\r", "port=2").replace("\n\n", "\nECU Location=/b.ecu\n\n"));
    SettingsFile nowhere(QStringLiteral("/proc/korvel-test/korvel.ini"), QStringLiteral("korvel"));
    EXPECT_FALSE(nowhere.WriteSetting(QStringLiteral("Port"), QStringLiteral("1")));
}

// A definition: the format line, the header with `count` items, and the items' blocks.
static QByteArray ecu(int count, const QByteArray& items, const QByteArray& first = "ECU FORMAT\r\n") {
    const QByteArray header =
        "{\r\nHeader = Test ECU\r\nVersion = -32768\r\nChecksumAddress = 7FFE\r\nChecksumSize = 2\r\n";
    return first + header +
           "ChecksumStart = 0\r\nChecksumEnd = 7FFD\r\nItems = " + QByteArray::number(count) + "\r\n}\r\n" +
           items;
}

static QByteArray block(const char* address = "1", int columns = 1, int rows = 1, int kind = 0,
                        const char* title = " Item") {
    const QString text =
        QStringLiteral("{\r\nAddress = %1\r\nColumns = %2\r\nRows = %3\r\nByteSize = 1\r\nKind = %4\r\n");
    return (text +
            "Offset = -40.5\r\nConversion = 0\r\nFactor = 0.5, scale\r\nTitle =%5\r\nYLabel = Y=y\r\n" +
            "YAxis = a    b\r\nXLabel = X\r\nXAxis = 1  2  3\r\n}\r\n")
        .arg(address, QString::number(columns), QString::number(rows), QString::number(kind),
             QString::fromLatin1(title))
        .toLatin1();
}

TEST(ReadEcu, ReadsHeaderAndItemsByPosition) {
    QTemporaryDir dir;
    AppState state;
    state.EcuPath =
        writeFile(dir, QStringLiteral("t.ecu"),
                  ecu(2, block("0100", 1, 1, 80, " Flags A") + block("0400", 16, 32767, 0, " Spark, deg")));
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

TEST(ReadEcu, LayoutRulesAndErrors) {
    const QByteArray one = block();
    const Outcome read = Outcome::Read, itemError = Outcome::ItemError, headerError = Outcome::HeaderError;
    // clang-format off
    const std::tuple<const char*, QByteArray, Outcome, int> cases[] = { // what, file, outcome, items read
        {"format word anywhere, any case", ecu(1, one, "ecu format, second issue\r\n"), read, 1},
        {"empty lines before the format line", "\r\n\n\r\n" + ecu(1, one), read, 1},
        {"lone LF ends lines", ecu(1, one).replace("\r\n", "\n"), read, 1},
        {"other lines", ecu(2, "\r\n   \r\n; comment\r\n" + one + "  \r\n// more\r\n" + one), read, 2},
        {"blank line inside a block", ecu(1, block().replace("Rows", "\r\n  \r\nRows")), read, 1},
        {"a fourteenth value line", ecu(1, block().replace("}", "Extra = 9\r\n}")), read, 1},
        {"item count 0", ecu(0, ""), read, 0},
        {"lines after the last item", ecu(1, one + "junk\r\n{\r\n"), read, 1},
        {"file ends before a block", ecu(2, one), itemError, 1},
        {"file ends inside a block", ecu(2, one + one.left(one.indexOf("Kind"))), itemError, 1},
        {"number does not convert", ecu(2, one + block().replace("Rows = 1", "Rows = x")), itemError, 1},
        {"number beyond 16 bits", ecu(2, one + block().replace("Rows = 1", "Rows = 32768")), itemError, 1},
        {"fraction in a whole number", ecu(2, one + block().replace("Rows = 1", "Rows = 1.5")), itemError, 1},
        {"double does not convert", ecu(1, block().replace("Offset = -40.5", "Offset = abc")), itemError, 0},
        {"line without equals", ecu(1, block().replace("Kind", "Kind 0\r\nKind")), itemError, 0},
        {"text line without equals", ecu(1, block().replace("Title", "Title x\r\nTitle")), itemError, 0},
        {"empty file", "", headerError, 0},
        {"ends before the header", "FORMAT\r\nnothing\r\n", headerError, 0},
        {"ends inside the header", "FORMAT\r\n{\r\nHeader = a\r\n", headerError, 0},
        {"header number", ecu(1, one).replace("Version = -32768", "Version = seven"), headerError, 0},
        {"item count", ecu(1, "").replace("Items = 1", "Items = many"), headerError, 0},
        {"no format word first", ecu(1, one, "[header]\r\nFORMAT\r\n"), Outcome::IncorrectFormat, 0}};
    // clang-format on
    for (const auto& [name, content, outcome, items] : cases) {
        AppState state;
        const EcuReadResult r = readEcuData(state, content);
        EXPECT_EQ(r.outcome, outcome) << name << ": " << r.detail.toStdString();
        EXPECT_EQ(state.EcuItemTable[size_t(items)].XAxis, items ? QStringLiteral(" 1  2  3") : QString())
            << name;
        EXPECT_TRUE(state.EcuItemTable[size_t(items) + 1].XAxis.isEmpty()) << name;
        EXPECT_TRUE(outcome != read || state.ecuHeader.ItemCount == items) << name;
        const QStringList messages{"", "Incorrect ECU Format", "ECU File Error", "ECU header"}; // by outcome
        EXPECT_EQ(r.message.left(messages[int(outcome)].size()), messages[int(outcome)]) << name;
        EXPECT_TRUE(outcome != itemError || r.line > 0) << name;
    }
    QByteArray blocks;
    for (int n = 1; n <= 301; ++n)
        blocks += block("10", 1, 1, 0, n == 300 ? " \x80\xB0" : " Item");
    AppState state;
    EXPECT_EQ(readEcuData(state, ecu(300, blocks)).outcome, Outcome::Read);
    EXPECT_EQ(state.EcuItemTable[300].Title, QString::fromUtf8(" €°"));
    EXPECT_EQ(readEcuData(state, ecu(301, blocks)).outcome, Outcome::ItemError);
}

// The editor and the command line open a definition only when this holds.
TEST(ItemClass, ADefinitionSortsWhenEachCountedItemHasOneClass) {
    const std::tuple<int, int, bool> cases[] = {// ItemCount, Kind of item 2, sorts
                                                {2, 0, true},  {300, 0, true}, {0, 5, true},   {1, 5, true},
                                                {2, 5, false}, {-1, 0, false}, {301, 0, false}};
    for (const auto& [count, kind, sorts] : cases) {
        EcuHeader header;
        header.ItemCount = qint16(count);
        EcuItemArray items;
        items.fill(item("0"));
        items[2].Kind = qint16(kind);
        EXPECT_EQ(itemsSort(header, items), sorts) << count << " items, kind " << kind;
    }
}

TEST(ItemClass, SortsByKindAndShape) {
    using C = ItemClass;
    // clang-format off
    const std::tuple<int, int, int, ItemClass> cases[] = { // columns, rows, kind, class
        {1, 1, 80, C::Flag}, {1, 1, 0, C::Value}, {1, 8, 0, C::Array}, {16, 1, 0, C::Array},
        {1, 1, 5, C::None}, {16, 8, 0, C::Map}, {16, 8, 7, C::Map}, {2, 2, 80, C::Ambiguous},
        {0, 0, 0, C::None}, {1, 8, 3, C::None}};
    // clang-format on
    for (const auto& [cols, rows, kind, expected] : cases)
        EXPECT_EQ(classOf(item("0", cols, rows, 1, kind)), expected)
            << cols << "x" << rows << " kind " << kind;
}
