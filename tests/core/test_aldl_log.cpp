// Stream logs: the CSV writer and reader, and the cell averages a log gives a table.
#include "core/aldl_log.h"
#include "core/cell_averages.h"
#include "core/log_trace.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvel;

namespace {

AdxValue value(const char* id, const char* title, const char* units) {
    AdxValue v;
    v.id = QString::fromUtf8(id);
    v.title = QString::fromUtf8(title);
    v.units = QString::fromUtf8(units);
    return v;
}

// Values and a bitmask in the file's order, with every kind of label.
AdxDefinition labelled() {
    AdxDefinition d;
    d.values = {value("rpm", "Engine speed", "RPM"), value("le", "", ""), value("map", "MAP", "kPa"),
                value("map2", "MAP", "kPa"), value("q", "Say \"hi\", then", "")};
    AdxBitmask b;
    b.id = QStringLiteral("cl");
    b.title = QStringLiteral("MAP (kPa)");
    d.bitmasks = {b};
    d.fields = {{false, 0}, {false, 1}, {false, 2}, {true, 0}, {false, 3}, {false, 4}};
    return d;
}

} // namespace

TEST(AldlLogWriter, LabelsTitlesWithUnitsNumbersRepeatsAndQuotes) {
    EXPECT_EQ(
        AldlLogWriter(labelled()).heading().toStdString(),
        "Time (s),Engine speed (RPM),le,MAP (kPa),MAP (kPa) [2],MAP (kPa) [3],\"Say \"\"hi\"\", then\"\n");
}

TEST(AldlLogWriter, LeavesFailedValuesEmptyAndReadsBack) {
    const AdxDefinition d = labelled();
    AdxDecoded decoded;
    decoded.values.resize(5);
    decoded.values[0] = {true, 0, 1500, QStringLiteral("1500")};
    decoded.values[1] = {true, 0, 26, QStringLiteral("0x1A")};
    decoded.values[2] = {false, 0, 0, {}}; // its packet failed
    decoded.values[3] = {true, 0, NAN, QStringLiteral("NaN")};
    decoded.values[4] = {true, 0, -2.5, QStringLiteral("-2.50")};
    decoded.bitmasks = {{true, true}};
    const AldlLogWriter w(d);
    const QString row = w.row(12.34567, decoded);
    EXPECT_EQ(row.toStdString(), "12.346,1500,0x1A,,1,,-2.50\n");
    decoded.bitmasks = {{false, true}};
    EXPECT_EQ(w.row(0, decoded).toStdString(), "0.000,1500,0x1A,,,,-2.50\n");

    const AldlLogReadResult r = readAldlLog((w.heading() + row).toUtf8());
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.log->labels.size(), 7);
    EXPECT_EQ(r.log->column(QStringLiteral("Say \"hi\", then")), 6);
    const std::vector<std::optional<double>> expected{12.346, 1500, 26, std::nullopt, 1, std::nullopt, -2.5};
    EXPECT_EQ(r.log->rows, std::vector<std::vector<std::optional<double>>>{expected});
}

TEST(AldlLogReader, TakesCrLfQuotedNumbersNegativeHexAndTrailingBlankLines) {
    const AldlLogReadResult r = readAldlLog("\"a\nb\",c\r\n\"1.5\",-0x10\r\n,\n\n\n");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.log->labels, (QStringList{"a\nb", "c"}));
    EXPECT_EQ(r.log->rows,
              (std::vector<std::vector<std::optional<double>>>{{1.5, -16}, {std::nullopt, std::nullopt}}));
}

class AldlLogRefusal : public ::testing::TestWithParam<std::tuple<const char*, int, const char*>> {};

TEST_P(AldlLogRefusal, NamesLineAndReason) {
    const auto& [text, line, reason] = GetParam();
    const AldlLogReadResult r = readAldlLog(text);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.line, line) << r.error.toStdString();
    EXPECT_TRUE(r.error.startsWith(QStringLiteral("Line %1: ").arg(line))) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(QString::fromUtf8(reason))) << r.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Logs, AldlLogRefusal,
    ::testing::Values(std::tuple{"", 1, "no heading"}, std::tuple{"\n\n", 1, "no heading"},
                      std::tuple{"a,a\n", 1, "names \"a\" twice"},
                      std::tuple{"a,b\n1,2\n3\n", 3, "1 fields where the heading has 2"},
                      std::tuple{"\"x\ny\",b\n1,2\n1,2,3\n", 4, "3 fields"}, // a quoted line break counts
                      std::tuple{"a,b\n1,x\n", 2, "\"x\" under \"b\" is not a number"},
                      std::tuple{"a,b\n1,0x\n", 2, "not a number"},
                      std::tuple{"a,b\n1,1e999\n", 2, "not a number"},
                      std::tuple{"a,b\n1,\"2\n", 2, "not closed"},
                      std::tuple{"a,b\n1,\"2\"3\n", 2, "text follows"},
                      std::tuple{"a,b\n1,2\"\n", 2, "a quote inside a field"}));

class NearestBreakpoint : public ::testing::TestWithParam<std::tuple<std::vector<double>, double, int>> {};

TEST_P(NearestBreakpoint, TiesGoToTheLowerAndOutsideToTheEdge) {
    const auto& [breakpoints, v, index] = GetParam();
    EXPECT_EQ(CellAverages::nearest(breakpoints, v), index);
}

INSTANTIATE_TEST_SUITE_P(Axes, NearestBreakpoint,
                         ::testing::Values(std::tuple{std::vector<double>{10, 20, 30}, 15.0, 0},
                                           std::tuple{std::vector<double>{10, 20, 30}, 15.01, 1},
                                           std::tuple{std::vector<double>{10, 20, 30}, 25.0, 1},
                                           std::tuple{std::vector<double>{10, 20, 30}, -1e9, 0},
                                           std::tuple{std::vector<double>{10, 20, 30}, 31.0, 2},
                                           std::tuple{std::vector<double>{30, 20, 10}, 15.0, 2},
                                           std::tuple{std::vector<double>{30, 20, 10}, 25.0, 1},
                                           std::tuple{std::vector<double>{30, 20, 10}, 99.0, 0},
                                           std::tuple{std::vector<double>{30, 20, 10}, 0.0, 2},
                                           std::tuple{std::vector<double>{10, 20}, double(NAN), -1},
                                           std::tuple{std::vector<double>{}, 1.0, -1}));

class LogFilters : public ::testing::TestWithParam<std::tuple<const char*, double, bool>> {};

TEST_P(LogFilters, ReadAndPass) {
    const auto& [text, v, passes] = GetParam();
    QString error;
    const auto f = readLogFilter(QString::fromUtf8(text), {"MAP", "MAP (kPa)", "Coolant (C)"}, error);
    ASSERT_TRUE(f) << error.toStdString();
    EXPECT_EQ(f->column, QString::fromUtf8(text).startsWith("Coolant") ? 2 : 1);
    std::vector<std::optional<double>> row(3);
    row[size_t(f->column)] = v;
    EXPECT_EQ(f->passes(row), passes);
    row[size_t(f->column)].reset();
    EXPECT_FALSE(f->passes(row)); // a missing value passes nothing
}

INSTANTIATE_TEST_SUITE_P(
    Ops, LogFilters,
    ::testing::Values(std::tuple{"Coolant (C)>=80", 80.0, true}, std::tuple{"Coolant (C)>=80", 79.9, false},
                      std::tuple{"MAP (kPa) <= 50", 50.0, true}, std::tuple{"MAP (kPa)<=50", 51.0, false},
                      std::tuple{"MAP (kPa)>50", 50.0, false}, std::tuple{"MAP (kPa)<50", 49.0, true},
                      std::tuple{"MAP (kPa)=0x20", 32.0, true}, std::tuple{"MAP (kPa)!=32", 32.0, false},
                      std::tuple{"MAP (kPa)!=32", 31.0, true}));

TEST(LogFilters, RefuseUnknownColumnsMissingOperatorsAndBadValues) {
    for (const char* text : {"RPM>=1", "MAP (kPa)", "MAP (kPa)=>1", "MAP (kPa)>=high"}) {
        QString error;
        EXPECT_FALSE(readLogFilter(QString::fromUtf8(text), {"MAP (kPa)"}, error)) << text;
        EXPECT_TRUE(error.startsWith(QStringLiteral("\"%1\"").arg(text))) << error.toStdString();
    }
}

TEST(CellAverages, BinsFilteredRowsAndCorrectsCellsWithEnoughSamples) {
    AldlLog log;
    log.labels = {"x", "y", "z", "cl"};
    log.rows = {{1, 100, 130, 1}, {1.4, 90, 134, 1},         {2, 100, 120, 1},
                {1, 100, 999, 0}, {1, std::nullopt, 999, 1}, {3, 40, 64, 1}};
    CellAverages a({1, 2, 3}, {100, 50}); // rows descending
    a.add(log, 0, 1, 2, {{3, LogFilter::Op::Equal, 1}});
    EXPECT_EQ(a.count(0, 0), 2);
    EXPECT_EQ(a.mean(0, 0, 2), 132);
    EXPECT_EQ(a.mean(1, 0, 2), std::nullopt); // one sample below the minimum
    EXPECT_EQ(a.mean(1, 0, 1), 120);
    EXPECT_EQ(a.mean(2, 1, 0), 64);
    EXPECT_EQ(a.mean(1, 1, 0), std::nullopt); // no samples at all

    const std::vector<std::optional<double>> cells{50, std::nullopt, 70, 80, 85, 90};
    const auto byDefault = a.corrected(cells, 2);
    EXPECT_DOUBLE_EQ(*byDefault[0], 50 * 132 / 128.0);
    EXPECT_EQ(
        std::count_if(byDefault.cbegin(), byDefault.cend(), [](const auto& v) { return v.has_value(); }), 1);
    const auto typed = a.corrected(cells, 1, 0.01);
    EXPECT_DOUBLE_EQ(*typed[0], 50 * 132 * 0.01);
    EXPECT_DOUBLE_EQ(*typed[5], 90 * 64 * 0.01);
    EXPECT_EQ(typed[1], std::nullopt); // samples, but no value to correct
    EXPECT_EQ(typed[4], std::nullopt); // a value, but no samples
}

// The operating point on a table: the nearest breakpoint on each axis, an axis of one
// breakpoint always at 0, nothing where a needed value or breakpoint is missing.
TEST(LogTrace, OperatingCellLinksRowsAndDefaults) {
    using V = std::vector<std::optional<double>>;
    const V cols{600, 1100, 1600}, rows{100, 60, 20};
    EXPECT_EQ(operatingCell(cols, rows, 1350, 45, 3, 3), (TableCell{1, 1})); // a tie on x
    EXPECT_EQ(operatingCell(cols, rows, 9000, 5, 3, 3), (TableCell{2, 2}));
    EXPECT_EQ(operatingCell(cols, {}, 700, std::nullopt, 3, 1), (TableCell{0, 0}));
    EXPECT_EQ(operatingCell(cols, rows, std::nullopt, 40, 3, 3), std::nullopt);
    EXPECT_EQ(operatingCell(V{600, std::nullopt, 1600}, rows, 700, 40, 3, 3), std::nullopt);

    AdxDefinition d = labelled();
    d.values[2].idhash = 0x4B0C0103;
    d.values[3].idhash = 0x10;
    EXPECT_EQ(linkedColumn(d, "0X4b0c0103"), 3); // after the time and two values
    EXPECT_EQ(linkedColumn(d, "0x10"), 5);       // the bitmask before it takes a column too
    EXPECT_EQ(linkedColumn(d, "0x11"), -1);
    EXPECT_EQ(linkedColumn(d, ""), -1);

    AdxDecoded decoded;
    decoded.values.resize(5);
    decoded.values[2] = {true, 0, 61.5, {}, {}};
    decoded.bitmasks = {{true, true}};
    const auto row = logRow(d, decoded, 2.5);
    EXPECT_EQ(row, (std::vector<std::optional<double>>{2.5, std::nullopt, std::nullopt, 61.5, 1.0,
                                                       std::nullopt, std::nullopt}));
    EXPECT_EQ(defaultAverageFilters({"Coolant (C)", "Closed loop", "Engine speed (rpm)", "BLM"}),
              QStringList({"Coolant (C)>=70", "Closed loop=1", "Engine speed (rpm)>=500", "Time (s)>=30"}));
}
