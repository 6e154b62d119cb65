#include "core/app_state.h"
#include "core/ecu_reader.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;
using Outcome = EcuReadResult::Outcome;

namespace {

const char* kHeader =
    "{\r\nHeader = Test ECU\r\nVersion = 7\r\nChecksumAddress = 7FFE\r\nChecksumSize = 2\r\n"
    "ChecksumStart = 0\r\nChecksumEnd = 7FFD\r\n";

QByteArray item(const char* address, int columns, int rows, int kind, const char* title = " Item") {
    return QStringLiteral(
               "{\r\nAddress = %1\r\nColumns = %2\r\nRows = %3\r\nByteSize = 1\r\nKind = %4\r\n"
               "Offset = -40.5\r\nConversion = 0\r\nFactor = 0.5, scale\r\nTitle =%5\r\nYLabel = Y\r\n"
               "YAxis = a    b\r\nXLabel = X\r\nXAxis = 1  2  3\r\n}\r\n")
        .arg(QLatin1String(address))
        .arg(columns)
        .arg(rows)
        .arg(kind)
        .arg(QLatin1String(title))
        .toLatin1();
}

QByteArray file(int count, const QByteArray& items, const char* first = "ECU FORMAT\r\n") {
    return QByteArray(first) + kHeader + "Items = " + QByteArray::number(count) + "\r\n}\r\n" + items;
}

struct Reading {
    QTemporaryDir dir;
    AppState state;
    EcuReadResult result;
    explicit Reading(const QByteArray& content) {
        QFile f(dir.filePath(QStringLiteral("test.ecu")));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        f.close();
        state.EcuPath = f.fileName();
        result = ReadEcuFile(state);
    }
    const EcuItem& item(int n) const { return state.EcuItemTable[n]; }
};

TEST(ValueAfterEquals, TakesEverythingAfterTheFirstEqualsUpToAComma) {
    const std::pair<const char*, const char*> cases[] = {{"Title = Idle speed, rpm", " Idle speed"},
                                                         {"Factor = 0.5, scale", " 0.5"},
                                                         {"Note = a=b", " a=b"},
                                                         {"Address=1A2F", "1A2F"},
                                                         {"no equals here", ""},
                                                         {"Empty =", ""},
                                                         {"=,", ""}};
    for (const auto& [line, value] : cases)
        EXPECT_EQ(ValueAfterEquals(QLatin1String(line)), QLatin1String(value)) << line;
}

TEST(ReadEcu, ReadsHeaderAndItemsByPosition) {
    Reading r(file(2, item("0100", 1, 1, 80, " Flags A") + item("0400", 16, 8, 0, " Spark, deg")));
    ASSERT_EQ(r.result.outcome, Outcome::Read) << r.result.detail.toStdString();
    const EcuHeader& h = r.state.ecuHeader;
    EXPECT_EQ(h.HeaderText, QStringLiteral(" Test ECU"));
    EXPECT_EQ(h.HeaderNumber, 7);
    EXPECT_EQ(h.ChecksumAddress, QStringLiteral(" 7FFE"));
    EXPECT_EQ(h.ChecksumSize, QStringLiteral(" 2"));
    EXPECT_EQ(h.ItemCount, 2);
    EXPECT_EQ(r.item(1).Id, QStringLiteral("1"));
    EXPECT_EQ(r.item(1).Kind, 80);
    EXPECT_EQ(r.item(1).Title, QStringLiteral(" Flags A")) << "the space after '=' is kept";
    EXPECT_EQ(r.item(2).Title, QStringLiteral(" Spark")) << "a comma ends the value";
    EXPECT_EQ(r.item(2).Columns, 16);
    EXPECT_EQ(r.item(2).Rows, 8);
    EXPECT_DOUBLE_EQ(r.item(2).Offset, -40.5);
    EXPECT_DOUBLE_EQ(r.item(2).Factor, 0.5);
    EXPECT_EQ(r.item(2).YAxis, QStringLiteral(" a    b"));
    EXPECT_EQ(classOf(r.item(1)), ItemClass::Flag);
    EXPECT_EQ(classOf(r.item(2)), ItemClass::Map);
}

TEST(ReadEcu, LayoutRules) {
    struct Case {
        const char* name;
        QByteArray content;
        int items;
    };
    const Case cases[] = {
        {"format word anywhere, any case", file(1, item("1", 1, 1, 0), "ecu format, second issue\r\n"), 1},
        {"empty lines before the format line", "\r\n\n\r\n" + file(1, item("1", 1, 1, 0)), 1},
        {"lone LF ends lines", file(1, item("1", 1, 1, 0)).replace("\r\n", "\n"), 1},
        {"blank, space-only and comment lines between blocks",
         file(2, "\r\n   \r\n; comment\r\nanything\r\n" + item("1", 1, 1, 0) + "  \r\n// more\r\n" +
                     item("2", 1, 1, 0)),
         2},
        {"blank line inside a block is skipped",
         file(1, item("1", 1, 1, 0).replace("Rows", "\r\n  \r\nRows")), 1},
        {"a fourteenth value line is ignored", file(1, item("1", 1, 1, 0).replace("}", "Extra = 9\r\n}")), 1},
        {"item count 0", file(0, ""), 0},
        {"lines after the last item are ignored", file(1, item("1", 1, 1, 0) + "junk\r\n{\r\n"), 1},
    };
    for (const Case& c : cases) {
        Reading r(c.content);
        EXPECT_EQ(r.result.outcome, Outcome::Read) << c.name << ": " << r.result.detail.toStdString();
        EXPECT_EQ(r.state.ecuHeader.ItemCount, c.items) << c.name;
        if (c.items > 0) {
            EXPECT_EQ(r.item(c.items).XLabel, QStringLiteral(" X")) << c.name;
        }
    }
}

TEST(ReadEcu, AFirstLineWithoutFormatIsRefusedAndStoresNothing) {
    Reading r(file(1, item("1", 1, 1, 0), "[header]\r\nFORMAT\r\n"));
    EXPECT_EQ(r.result.outcome, Outcome::IncorrectFormat);
    EXPECT_EQ(r.result.message, QStringLiteral("Incorrect ECU Format"));
    EXPECT_EQ(r.state.ecuHeader.ItemCount, 0);
    EXPECT_TRUE(r.state.ecuHeader.HeaderText.isEmpty());
}

TEST(ReadEcu, ItemErrorsKeepTheItemsReadBefore) {
    struct Case {
        const char* name;
        QByteArray content;
        int complete; // items fully read before the error
    };
    const QByteArray one = item("1", 1, 1, 0);
    const Case cases[] = {
        {"file ends before a block", file(2, one), 1},
        {"file ends inside a block", file(2, one + one.left(one.indexOf("Kind"))), 1},
        {"number does not convert", file(2, one + item("2", 1, 1, 0).replace("Rows = 1", "Rows = x")), 1},
        {"number does not fit 16 bits", file(2, one + item("2", 1, 1, 0).replace("Rows = 1", "Rows = 40000")),
         1},
        {"double does not convert", file(1, item("1", 1, 1, 0).replace("Offset = -40.5", "Offset = abc")), 0},
        {"line without equals inside a block", file(1, item("1", 1, 1, 0).replace("Kind", "Kind 0\r\nKind")),
         0},
    };
    for (const Case& c : cases) {
        Reading r(c.content);
        EXPECT_EQ(r.result.outcome, Outcome::ItemError) << c.name;
        EXPECT_EQ(r.result.message, QStringLiteral("ECU File Error")) << c.name;
        EXPECT_GT(r.result.line, 0) << c.name;
        if (c.complete > 0) {
            EXPECT_EQ(r.item(c.complete).XAxis, QStringLiteral(" 1  2  3")) << c.name;
        }
    }
}

TEST(ReadEcu, ThreeHundredItemsFitAndTheThreeHundredFirstIsAnError) {
    QByteArray blocks;
    for (int n = 1; n <= 301; ++n)
        blocks += item("10", 1, 1, 0);
    Reading full(file(300, blocks));
    EXPECT_EQ(full.result.outcome, Outcome::Read);
    EXPECT_EQ(full.item(300).Id, QStringLiteral("300"));
    Reading over(file(301, blocks));
    EXPECT_EQ(over.result.outcome, Outcome::ItemError);
    EXPECT_EQ(over.item(300).Id, QStringLiteral("300"));
}

TEST(ReadEcu, HeaderErrorsStopTheOpening) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty file", ""},
        {"ends before the header block", "FORMAT\r\nnothing\r\n"},
        {"ends inside the header", "FORMAT\r\n{\r\nHeader = a\r\n"},
        {"header number does not convert",
         file(1, item("1", 1, 1, 0)).replace("Version = 7", "Version = seven")},
        {"item count does not convert", file(1, "").replace("Items = 1", "Items = many")},
    };
    for (const auto& [name, content] : cases) {
        Reading r(content);
        EXPECT_EQ(r.result.outcome, Outcome::HeaderError) << name;
        EXPECT_FALSE(r.result.message.isEmpty()) << name;
    }
}

TEST(ReadEcu, TextIsWindows1252) {
    Reading r(file(1, item("1", 1, 1, 0,
                           " \x80 \xB0"
                           "C")));
    ASSERT_EQ(r.result.outcome, Outcome::Read);
    EXPECT_EQ(r.item(1).Title, QString::fromUtf8(" € °C"));
}

TEST(ItemClass, SortsByKindAndShape) {
    struct Case {
        int columns, rows, kind;
        ItemClass expected;
    };
    const Case cases[] = {
        {1, 1, 80, ItemClass::Flag},  {1, 1, 0, ItemClass::Value},      {1, 8, 0, ItemClass::Array},
        {16, 1, 0, ItemClass::Array}, {16, 8, 0, ItemClass::Map},       {16, 8, 7, ItemClass::Map},
        {1, 1, 5, ItemClass::None},   {2, 2, 80, ItemClass::Ambiguous}, {0, 0, 0, ItemClass::None},
        {1, 8, 3, ItemClass::None},
    };
    for (const Case& c : cases) {
        EcuItem it;
        it.Columns = static_cast<qint16>(c.columns);
        it.Rows = static_cast<qint16>(c.rows);
        it.Kind = static_cast<qint16>(c.kind);
        EXPECT_EQ(classOf(it), c.expected) << c.columns << "x" << c.rows << " kind " << c.kind;
    }
}

} // namespace
