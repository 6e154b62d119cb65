// Table editing: cells as text both ways, typed values back to raw bytes, pasting and table math.
#include "core/table_edit.h"
#include "core_fixture.h"

#include <QRegularExpression>

using namespace korvel;
using namespace korvel::test;

namespace {

EcuItem tableItem(int conversion = 0, double factor = 1, double offset = 0) {
    EcuItem it = item("10", 4, 3, 1, 0, conversion, factor, offset);
    it.XAxis = QStringLiteral("  4  8 12 16");
    it.YAxis = QStringLiteral(" 500 1000 1500");
    return it;
}

// A 4 x 3 table at 10h; rows listed first row first. The grid shows the last row on top.
struct Table {
    std::unique_ptr<AppState> state = imageOf(
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 40, 50, 99, 99, 80, 90, 7, 7, 120}, 64);
    TableSpan span{0x10, 4, 3};
    ValueMatrix values;
    Table() { loadTable(*state, span, values); }
    // The table as the grid shows it, rows joined by "/".
    QString shown() const {
        ValueMatrix now;
        loadTable(*state, span, now);
        return tableText(now, ShownValues(tableItem(), TableKind::Map, false), {0, 0, 3, 2}, ' ', false)
            .trimmed()
            .replace('\n', '/');
    }
    int pendingCount() const {
        return int(std::count_if(state->PendingChanges.begin(), state->PendingChanges.end(),
                                 [](const BinCell& c) { return !c.isEmpty(); }));
    }
};

CellSelection cells(const std::vector<CellRect>& rects) {
    CellSelection s(4, 3);
    for (const CellRect& rect : rects)
        s.add(rect);
    return s;
}

} // namespace

TEST(TableText, CopiedCellsRunTopRowFirstWithHeadingsForTheWholeTable) {
    EcuItem headed = tableItem(0, 0.5), separators = tableItem();
    headed.XAxis = QStringLiteral("  4 8,12 16");
    separators.XAxis = QStringLiteral("  4a;ba\tb 16");
    const std::tuple<const char*, EcuItem, bool, CellRect, char, bool, const char*> cases[] = {
        {"whole table, raw",
         tableItem(),
         false,
         {0, 0, 3, 2},
         '\t',
         true,
         "\t4\t8\t12\t16\n1500\t90\t7\t7\t120\n1000\t50\t99\t99\t80\n500\t10\t0\t0\t40\n"},
        {"part, raw", tableItem(), false, {1, 1, 2, 2}, '\t', false, "7\t7\n99\t99\n"},
        {"calculated halves", tableItem(0, 0.5), true, {0, 0, 3, 0}, ',', false, "5,0,0,20\n"},
        {"no value for raw 0", tableItem(1, 1000), true, {0, 0, 1, 0}, ',', false, "100,\n"},
        {"offset below zero", tableItem(0, 0.25, -40), true, {0, 2, 0, 2}, ',', false, "-17.5\n"},
        {"heading with the separator quoted", headed, true, {1, 0, 2, 0}, ',', true, ",\"8,\",12\n500,0,0\n"},
        {"headings with any other separator quoted",
         separators,
         false,
         {1, 0, 2, 0},
         ',',
         true,
         ",\"a;b\",\"a\tb\"\n500,0,0\n"}};
    for (const auto& [name, it, calculated, rect, sep, headings, expected] : cases) {
        Table t;
        EXPECT_EQ(tableText(t.values, ShownValues(it, TableKind::Map, calculated), rect, QLatin1Char(sep),
                            headings),
                  QLatin1String(expected))
            << name;
    }
}

TEST(TableText, PastedTextSplitsAsItsSeparatorsAndDecimalCommasSay) {
    const std::tuple<const char*, TextSource, const char*> cases[] = {
        // text, source, lines joined by "/" and fields by "|"
        // "!": refused as ambiguous
        {"1,5\t2\r\n3\t4,25\r\n\r\n", TextSource::Clipboard, "1,5|2/3|4,25"},
        {"\t4\t8\n\t\t\n", TextSource::Clipboard, "|4|8/||"},
        {"1,5", TextSource::Clipboard, "!"},
        {"100,200\n150,250\n", TextSource::Clipboard, "!"},
        {"1,000", TextSource::Clipboard, "!"},
        {"1,2,3", TextSource::Clipboard, "1|2|3"},
        {"1, 2, 3", TextSource::Clipboard, "1| 2| 3"},
        {"1,5\n2,5,0", TextSource::Clipboard, "1|5/2|5|0"},
        {" 1.5   2,5 \n7", TextSource::Clipboard, "1.5|2,5/7"},
        {"1;2,5", TextSource::Clipboard, "1|2,5"},
        {"1,5", TextSource::Csv, "1|5"},
        {",\"8,1\",\"a\"\"b\"\n", TextSource::Csv, "|8,1|a\"b"},
        {",\"a;b\", \"a\tb\"\n500,0,0", TextSource::Csv, "|a;b|a\tb/500|0|0"}};
    for (const auto& [text, source, expected] : cases) {
        const TextBlock block = splitText(QString::fromLatin1(text), source);
        QStringList lines;
        for (const QStringList& l : block.lines)
            lines << l.join('|');
        EXPECT_EQ(block.problem.isEmpty() ? lines.join('/') : QStringLiteral("!") + lines.join('/'),
                  QLatin1String(expected))
            << text;
    }
    const std::pair<const char*, std::optional<double>> numbers[] = {
        {" 12.5 ", 12.5},   {"1,25", 1.25},         {"-3", -3},  {"+4.", 4},  {".5", 0.5},  {"1e2", 100},
        {"1,2.5", {}},      {"1,2,3", {}},          {"inf", {}}, {"nan", {}}, {"0x10", {}}, {"12 kPa", {}},
        {"", std::nullopt}, {"1.5.2", std::nullopt}};
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(readNumber(QString::fromLatin1(text)), value) << text;
    for (const auto& [text, grouped] : {std::pair{"1,000", true},
                                        {" -12,500 ", true},
                                        {"60,5", false},
                                        {"1,0000", false},
                                        {",000", false},
                                        {"1.000", false}})
        EXPECT_EQ(commaMayGroupThousands(QString::fromLatin1(text)), grouped) << text;
}

TEST(TableText, EveryCalculatedTextIsPlainAndReadsBackToItsByte) {
    const QRegularExpression plain(QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]*[1-9])?$"));
    const std::tuple<int, double, double> conversions[] = {{0, 0.1, 0},   {0, 0.37, -40}, {0, 1.0 / 3, 0},
                                                           {1, 1000, 0},  {1, 0.5, 2},    {0, 1e-7, 0},
                                                           {0, -2.5, 300}};
    for (const auto& [conversion, factor, offset] : conversions) {
        const ShownValues shown(tableItem(conversion, factor, offset), TableKind::Map, true);
        for (int raw = conversion == 1 ? 1 : 0; raw < 256; ++raw) {
            const QString text = shown.text(raw);
            ASSERT_TRUE(plain.match(text).hasMatch()) << text.toStdString();
            const auto back = shown.nearestByte(*readNumber(text));
            ASSERT_TRUE(back && back->raw == raw && !back->beyond) << factor << " " << text.toStdString();
        }
    }
    // The fewest places that read back: halves need one, a Factor of 0.1 one.
    EXPECT_EQ(ShownValues(tableItem(0, 0.5), TableKind::Map, true).text(3), QStringLiteral("1.5"));
    EXPECT_EQ(ShownValues(tableItem(0, 0.1), TableKind::Map, true).text(7), QStringLiteral("0.7"));
    EXPECT_EQ(ShownValues(tableItem(0, 2, -40), TableKind::Map, true).text(0), QStringLiteral("-40"));
}

TEST(TableText, TypedValuesTakeTheByteShowingTheNearestValueOrTheNearestEnd) {
    const std::tuple<int, double, double, double, int, bool> cases[] = {
        // conversion, factor, offset, typed calculated value, raw byte, beyond what the bytes show
        {0, 0.5, 0, 12.6, 25, false},  {0, 0.5, 0, 12.8, 26, false},   {0, 0.1, -40, -40, 0, false},
        {0, 0.1, -40, -40.1, 0, true}, {0, 0.5, 0, 127.5, 255, false}, {0, 0.5, 0, 128, 255, true},
        {0, -1, 255, 0, 255, false},   {1, 1000, 0, 250, 4, false},    {1, 1000, 0, 300, 3, false},
        {1, 1000, 0, 700, 2, false},   {1, -1000, 0, -700, 2, false},  {1, 1000, 0, 1200, 1, false},
        {1, 1000, 0, 3000, 1, true},   {1, 1000, 0, 3.92, 255, false}, {1, 1000, 0, 0, 255, true},
        {1, 1000, 5, 5, 255, true},    {1, 1000, 0, -250, 255, true},  {1, -1000, 0, 5, 255, true}};
    for (const auto& [conversion, factor, offset, typed, raw, beyond] : cases) {
        const auto byte =
            ShownValues(tableItem(conversion, factor, offset), TableKind::Map, true).nearestByte(typed);
        ASSERT_TRUE(byte) << conversion << " " << factor << " " << typed;
        EXPECT_EQ(std::pair(byte->raw, byte->beyond), std::pair(raw, beyond))
            << conversion << " " << factor << " " << typed;
    }
    EXPECT_EQ(ShownValues(tableItem(1, 1000), TableKind::Map, true).reach(), QStringLiteral("3.92 to 1000"));
    EXPECT_EQ(ShownValues(tableItem(0, -0.5, 40), TableKind::Map, true).reach(),
              QStringLiteral("-87.5 to 40"));
    EXPECT_EQ(ShownValues(tableItem(1, 1000), TableKind::Map, false).reach(), QStringLiteral("0 to 255"));
}

TEST(TableMath, EachOperationRoundsClampsAndCounts) {
    const CellRect all{0, 0, 3, 2};
    // clang-format off
    const std::tuple<const char*, TableOp, double, CellRect, EcuItem, bool, const char*, int> cases[] = {
        // name, operation, operand, selection, item, calculated, table after (top row first), clamped
        {"set", TableOp::Set, 7, {1, 0, 2, 1}, tableItem(), false, "90 7 7 120/50 7 7 80/10 7 7 40", 0},
        {"set above a byte", TableOp::Set, 300, {0, 0, 0, 0}, tableItem(), false, "90 7 7 120/50 99 99 80/255 0 0 40", 1},
        {"add below zero", TableOp::Add, -15, {0, 0, 3, 0}, tableItem(), false, "90 7 7 120/50 99 99 80/0 0 0 25", 3},
        {"percent", TableOp::Percent, 150, {0, 2, 3, 2}, tableItem(), false, "135 11 11 180/50 99 99 80/10 0 0 40", 0},
        {"percent clamped", TableOp::Percent, 250, {0, 2, 3, 2}, tableItem(), false, "225 18 18 255/50 99 99 80/10 0 0 40", 1},
        {"along rows", TableOp::InterpolateRows, 0, all, tableItem(), false, "90 100 110 120/50 60 70 80/10 20 30 40", 0},
        {"along columns", TableOp::InterpolateColumns, 0, all, tableItem(), false, "90 7 7 120/50 4 4 80/10 0 0 40", 0},
        {"both, two rows", TableOp::InterpolateBoth, 0, {0, 1, 3, 2}, tableItem(), false, "90 100 110 120/50 60 70 80/10 0 0 40", 0},
        {"both, edges from the corners", TableOp::InterpolateBoth, 0, {1, 0, 2, 2}, tableItem(), false, "90 7 7 120/50 4 4 80/10 0 0 40", 0},
        {"smooth one cell", TableOp::Smooth, 0, {1, 1, 1, 1}, tableItem(), false, "90 7 7 120/50 40 99 80/10 0 0 40", 0},
        {"add in calculated values", TableOp::Add, 5, {0, 0, 0, 0}, tableItem(0, 0.5, 10), true, "90 7 7 120/50 99 99 80/20 0 0 40", 0},
        {"percent in calculated values", TableOp::Percent, 50, {3, 2, 3, 2}, tableItem(0, 0.5, 10), true, "90 7 7 50/50 99 99 80/10 0 0 40", 0},
        {"calculated rows through cells without a value", TableOp::InterpolateRows, 0, {0, 0, 3, 0}, tableItem(1, 1000), true,
         "90 7 7 120/50 99 99 80/10 13 20 40", 0},
        {"set past the top of Factor / raw", TableOp::Set, 3000, {0, 0, 0, 0}, tableItem(1, 1000), true, "90 7 7 120/50 99 99 80/1 0 0 40", 1},
        {"add below the Offset of Factor / raw", TableOp::Add, -200, {0, 0, 3, 0}, tableItem(1, 1000), true, "90 7 7 120/50 99 99 80/255 0 0 255", 2},
        {"percent below the Offset of Factor / raw", TableOp::Percent, -50, {0, 1, 3, 1}, tableItem(1, 1000), true, "90 7 7 120/255 255 255 255/10 0 0 40", 4}};
    // clang-format on
    for (const auto& [name, op, operand, rect, it, calculated, after, clamped] : cases) {
        Table t;
        const TableChange change = planMath(op, operand, t.values, t.span,
                                            ShownValues(it, TableKind::Map, calculated), cells({rect}));
        applyChange(*t.state, t.span, t.values, change);
        EXPECT_EQ(t.shown(), QLatin1String(after)) << name;
        EXPECT_EQ(change.clamped, clamped) << name;
        EXPECT_TRUE(change.refusal.isEmpty()) << name;
    }
}

TEST(TablePaste, WritesTheWholeBlockOrNothingNamingTheFirstBadCell) {
    // clang-format off
    const std::tuple<const char*, const char*, EcuItem, bool, int, int, std::vector<CellRect>, const char*> cases[] = {
        // name, text, item, calculated, anchor column and row, selection, table after or the refusal
        {"block on the top row", "1\t2\n3\t4\n", tableItem(), false, 1, 2, {}, "90 1 2 120/50 3 4 80/10 0 0 40"},
        {"one value fills the selection", "5", tableItem(), false, 0, 0, {{0, 0, 1, 0}}, "90 7 7 120/50 99 99 80/5 5 0 40"},
        {"one value fills separate cells", "5", tableItem(), false, 0, 0, {{0, 0, 0, 0}, {2, 0, 2, 0}}, "90 7 7 120/50 99 99 80/5 0 5 40"},
        {"a block on separate cells", "5\t6", tableItem(), false, 0, 0, {{0, 0, 0, 0}, {2, 0, 2, 0}}, "the selected cells do not form one rectangle"},
        {"empty fields keep their cells", "1\t\t3", tableItem(), false, 0, 1, {}, "90 7 7 120/1 99 3 80/10 0 0 40"},
        {"decimal commas, calculated", "1,5\t2,4", tableItem(0, 0.5), true, 0, 2, {}, "3 5 7 120/50 99 99 80/10 0 0 40"},
        {"past the last column", "1\t2\t3", tableItem(), false, 2, 2, {}, "row 1, column 5 lies outside the table of 3 rows and 4 columns."},
        {"past the first row", "1\n2\n3\n4", tableItem(), false, 0, 2, {}, "row 4, column 1 lies outside"},
        {"not a number after good ones", "1\t2\n3\tx", tableItem(), false, 0, 2, {}, "row 2, column 2: \"x\" is not a number."},
        {"raw above a byte", "256", tableItem(), false, 3, 0, {}, "row 3, column 4: 256 is outside the values a cell can hold (0 to 255)."},
        {"calculated above a byte", "200", tableItem(0, 0.5), true, 0, 0, {}, "200 is outside the values a cell can hold (0 to 127.5)"},
        {"Factor / raw, nearest", "1100\t700", tableItem(1, 1000), true, 0, 0, {}, "90 7 7 120/50 99 99 80/1 2 0 40"},
        {"Factor / raw, out of reach", "5000", tableItem(1, 1000), true, 0, 0, {}, "5000 is outside the values a cell can hold (3.92 to 1000)"},
        {"commas either way", "100,200\n150,250", tableItem(), false, 0, 2, {}, "in \"100,200\" a comma could separate two values or be a decimal comma"},
        {"no inverse", "1", tableItem(3), true, 0, 0, {}, "cannot be turned back"},
        {"a map with Factor 0 has no inverse", "1", tableItem(0, 0), true, 0, 0, {}, "cannot be turned back"}};
    // clang-format on
    for (const auto& [name, text, it, calculated, c, r, rects, expected] : cases) {
        Table t;
        const TableChange change =
            planPaste(splitText(QString::fromLatin1(text), TextSource::Clipboard), t.span,
                      ShownValues(it, TableKind::Map, calculated), c, r, cells(rects));
        applyChange(*t.state, t.span, t.values, change);
        if (change.refusal.isEmpty()) {
            EXPECT_EQ(t.shown(), QLatin1String(expected)) << name;
            EXPECT_EQ(t.pendingCount(), int(change.writes.size())) << name;
        } else {
            EXPECT_TRUE(change.refusal.contains(QLatin1String(expected)))
                << name << ": " << change.refusal.toStdString();
            EXPECT_EQ(t.pendingCount(), 0) << name;
        }
    }
}
