// korvel-cli on an XDF definition written here, with an image of counting bytes: the items'
// JSON, the table round trip, refusals, the checksum and a verb that does not read XDF yet; and
// the sample .ecu definition's items in the same JSON.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Base offset 16: every address of the file lies 16 bytes further in the image.
const char kXdf[] = R"(<?xml version="1.0"?>
<XDFFORMAT version="1.60"><XDFHEADER><deftitle>Bench</deftitle><BASEOFFSET offset="16" subtract="0"/>
<CATEGORY index="0x0" name="Fuel"/><CATEGORY index="0x1" name="Spark"/></XDFHEADER>
<XDFFLAG uniqueid="0x1"><title>Fan</title><CATEGORYMEM index="0" category="1"/><EMBEDDEDDATA mmedaddress="0x0"/><mask>0x04</mask></XDFFLAG>
<XDFCONSTANT uniqueid="0x2"><title>Trim</title><units>kPa</units><EMBEDDEDDATA mmedaddress="0x2" mmedelementsizebits="16" mmedtypeflags="0x03"/><MATH equation="X*0.5"><VAR id="X"/></MATH></XDFCONSTANT>
<XDFTABLE uniqueid="0x3"><title>Spark</title><XDFAXIS id="x"><LABEL index="0" value="1000"/><LABEL index="1" value="2000"/><LABEL index="2" value="3000"/></XDFAXIS>
<XDFAXIS id="y"><indexcount>2</indexcount><EMBEDDEDDATA mmedaddress="0x40"/><MATH equation="X*10"><VAR id="X"/></MATH></XDFAXIS>
<XDFAXIS id="z"><EMBEDDEDDATA mmedaddress="0x20" mmedrowcount="2" mmedcolcount="3" mmedtypeflags="0x04"/><MATH equation="X*0.75-10"><VAR id="X"/></MATH></XDFAXIS></XDFTABLE>
<XDFTABLE uniqueid="0x4"><title>Odd</title><XDFAXIS id="z"><EMBEDDEDDATA mmedaddress="0x20" mmedrowcount="2" mmedcolcount="3" mmedmajorstridebits="64"/></XDFAXIS></XDFTABLE>
<XDFTABLE uniqueid="0x5"><title>Far</title><XDFAXIS id="z"><EMBEDDEDDATA mmedaddress="0xF0" mmedelementsizebits="16" mmedrowcount="1" mmedcolcount="2"/></XDFAXIS></XDFTABLE>
<XDFTABLE uniqueid="0x6"><title>Gears</title><XDFAXIS id="x"><LABEL index="0" value="low"/><LABEL index="1" value="top, 5th"/></XDFAXIS><XDFAXIS id="z"><decimalpl>1</decimalpl><EMBEDDEDDATA mmedaddress="0x50" mmedelementsizebits="32" mmedrowcount="1" mmedcolcount="2" mmedtypeflags="0x03"/><MATH equation="X/1000"><VAR id="X"/></MATH></XDFAXIS></XDFTABLE>
<XDFCONSTANT uniqueid="0x7"><title>Twin</title><EMBEDDEDDATA mmedaddress="0x8"/></XDFCONSTANT><XDFCONSTANT uniqueid="0x8"><title>Twin</title><EMBEDDEDDATA mmedaddress="0x9"/></XDFCONSTANT>
<XDFCHECKSUM><title>Sum</title><REGION><datastart>0x60</datastart><dataend>0x6F</dataend><storeaddress>0x70</storeaddress><datasizebits>16</datasizebits></REGION></XDFCHECKSUM>
<XDFCHECKSUM><title>Other</title><REGION><datastart>0x0</datastart><dataend>0x1F</dataend><storeaddress>0x7E</storeaddress><calculationmethod>3</calculationmethod></REGION></XDFCHECKSUM>
</XDFFORMAT>)";

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(data);
}

// 256 counting bytes; the flag's byte is 0C, the 16-bit value's bytes 30 FF (-208, LSB first).
QByteArray image() {
    QByteArray b(256, 0);
    for (int i = 0; i < b.size(); ++i)
        b[i] = char(i);
    b[0x10] = 0x0C;
    b[0x12] = 0x30;
    b[0x13] = char(0xFF);
    return b;
}

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

struct Files {
    QTemporaryDir dir;
    QString xdf = dir.filePath("t.xdf"), bin = dir.filePath("t.bin"), csv = dir.filePath("t.csv");
    Files() {
        write(xdf, kXdf);
        write(bin, image());
    }
    Outcome run(const QStringList& args) const {
        QProcess p;
        p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + "/korvel-cli/korvel-cli", args);
        if (!p.waitForFinished(30000)) return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }
};

QJsonValue json(const char* text) {
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0);
}

} // namespace

TEST(VerbXdf, ItemsGiveTheValuesTheDefinitionDescribes) {
    Files f;
    const Outcome r = f.run({"items", f.xdf, "--bin", f.bin, "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::map<QString, QJsonObject> items;
    for (const QJsonValue& v : QJsonDocument::fromJson(r.out.toUtf8())["items"].toArray())
        items[v["id"].toString()] = v.toObject();
    // clang-format off
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"0x1", "class", "\"flag\""}, {"0x1", "set", "true"}, {"0x1", "raw", "[12]"},
        {"0x1", "category", "\"Fuel\""}, {"0x1", "address", "\"0x10\""},
        {"0x2", "class", "\"value\""}, {"0x2", "raw", "[-208]"}, {"0x2", "values", "[-104]"},
        {"0x2", "units", "\"kPa\""},
        {"0x3", "class", "\"map\""}, {"0x3", "rows", "2"}, {"0x3", "columns", "3"},
        {"0x3", "raw", "[48, 50, 52, 49, 51, 53]"}, {"0x3", "values", "[26, 27.5, 29, 26.75, 28.25, 29.75]"},
        {"0x3", "xLabels", "[1000, 2000, 3000]"}, {"0x3", "yLabels", "[800, 810]"},
        {"0x4", "readOnly", "\"a major stride of 64 bits is not supported\""}, {"0x4", "raw", "null"},
        {"0x5", "error", "\"its 4 bytes from 0x100 lie past the image\""}, {"0x5", "raw", "null"},
        {"0x6", "class", "\"array\""}, {"0x6", "xLabels", "[\"low\", \"top, 5th\"]"}};
    // clang-format on
    for (const auto& [id, field, expected] : cases) {
        const QJsonValue got = items[id].value(field);
        EXPECT_EQ(got.isUndefined() ? QJsonValue() : got, json(expected)) << id << " " << field;
    }
}

TEST(VerbXdf, EcuItemsGiveTheirCategoryValuesAndLabelsInTheSameJson) {
    const QString examples = qEnvironmentVariable("KORVEL_EXAMPLES");
    const Outcome r =
        Files().run({"items", examples + "/sample.ecu", "--bin", examples + "/sample.bin", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::map<QString, QJsonObject> items;
    for (const QJsonValue& v : QJsonDocument::fromJson(r.out.toUtf8())["items"].toArray())
        items[v["id"].toString()] = v.toObject();
    const std::function<QJsonValue(double)> none;
    const std::tuple<const char*, const char*, std::function<QJsonValue(double)>, int> cases[] = {
        // id, category, the value of a raw number (none: no values), y labels
        {"1", "Flags", none, 0},
        {"4", "Values", [](double raw) { return QJsonValue(raw * 12.5); }, 0},
        {"5", "Values", [](double raw) { return raw ? QJsonValue(1e6 / raw) : QJsonValue(); }, 0},
        {"6", "Values", [](double) { return QJsonValue(); }, 0},
        {"7", "Arrays", [](double raw) { return QJsonValue(raw - 40); }, 8},
        {"9", "Maps", [](double raw) { return QJsonValue(raw * 0.5 - 10); }, 8}};
    for (const auto& [id, category, value, yLabels] : cases) {
        const QJsonObject& o = items[id];
        EXPECT_EQ(o["category"].toString(), category) << id;
        EXPECT_EQ(o["yLabels"].toArray().size(), yLabels) << id;
        if (!value) {
            EXPECT_FALSE(o.contains("values")) << id;
            continue;
        }
        const QJsonArray raw = o["raw"].toArray(), values = o["values"].toArray();
        ASSERT_EQ(values.size(), raw.size()) << id;
        for (qsizetype i = 0; i < raw.size(); ++i)
            EXPECT_EQ(values[i], value(raw[i].toDouble())) << id << " cell " << i;
    }
    // The grid's headings: the y axis text in fields of five characters.
    EXPECT_EQ(items["7"]["yLabels"][1].toString(), items["7"]["yAxis"].toString().mid(5, 5));
}

TEST(VerbXdf, APrintedTableStoresBackByteForByteThroughItsLayout) {
    const std::tuple<QStringList, int, int> cases[] = {
        // the table and options, its first byte and byte count (cleared before storing)
        {{"Spark"}, 0x30, 6},
        {{"Spark", "--calculated"}, 0x30, 6},
        {{"0x6", "--calculated"}, 0x60, 8},
        {{"0x6"}, 0x60, 8}};
    for (const auto& [args, address, count] : cases) {
        Files f;
        const QByteArray original = readAll(f.bin);
        const Outcome printed = f.run(QStringList{"table", f.xdf, f.bin} + args);
        ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
        write(f.csv, printed.out.toUtf8());
        write(f.bin, QByteArray(original).replace(address, count, QByteArray(count, 0)));
        const Outcome stored = f.run(QStringList{"table", f.bin, f.xdf} + args + QStringList{"--set", f.csv});
        EXPECT_EQ(stored.exitCode, 0) << stored.err.toStdString();
        EXPECT_EQ(readAll(f.bin).toHex().toStdString(), original.toHex().toStdString())
            << args.join(' ').toStdString();
    }
}

TEST(VerbXdf, RefusalsNameTheReasonAndWriteNothing) {
    // clang-format off
    const std::tuple<QStringList, QByteArray, const char*> cases[] = {
        {{"table", "Spark", "--calculated"}, ",1000,2000,3000\n810,1,2,3\n800,4,5,500\n",
         "nothing was written: row 2, column 3: No raw value gives 500.00; the reachable range is -10.00 to 181.25."},
        {{"table", "Spark"}, "1,2,3\n4,5,-1\n", "row 2, column 3: -1 is outside the values a cell can hold (0 to 255)."},
        {{"table", "Odd"}, "", "\"Odd\" (item 0x4) is read-only: a major stride of 64 bits is not supported"},
        {{"table", "Twin"}, "", "\"Twin\" names several items (0x7 \"Twin\", 0x8 \"Twin\")"},
        {{"set", "0x2", "8000"}, "", "\"8000\" does not fit \"Trim\" (item 0x2) (-8000 to 7FFF)"},
        {{"render-map", "Odd", "t.png"}, "", "render-map: \"Odd\" (item 0x4) is read-only: a major stride"}};
    // clang-format on
    for (const auto& [args, csv, expected] : cases) {
        Files f;
        write(f.csv, csv);
        const Outcome r = f.run(QStringList{args[0], f.bin, f.xdf} + args.mid(1) +
                                (csv.isEmpty() ? QStringList() : QStringList{"--set", f.csv}));
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(expected))) << r.err.toStdString();
        EXPECT_EQ(readAll(f.bin), image()) << args.join(' ').toStdString();
    }
    Files f;
    write(f.xdf, QByteArray("\x05\x22\x97\x00", 4));
    EXPECT_EQ(f.run({"items", f.xdf}).err.trimmed(),
              "t.xdf is a locked definition; save it unlocked as XML in the program that locked it.");
}

TEST(VerbXdf, SetStoresAValueThroughItsLayoutAndDiffShowsIt) {
    Files f;
    const Outcome r = f.run({"set", f.bin, f.xdf, "Trim", "-3"});
    EXPECT_EQ(r.out, "\"Trim\" (item 0x2)\nraw: -3\ncalculated: -1.5 kPa\n") << r.err.toStdString();
    EXPECT_EQ(readAll(f.bin).toHex().toStdString(),
              QByteArray(image()).replace(0x12, 2, "\xFD\xFF").toHex().toStdString());
    const QString before = f.dir.filePath("a.bin");
    write(before, QByteArray(image()).replace(0xF0, 1, "\x01"));
    const Outcome diff = f.run({"diff", f.xdf, before, f.bin});
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_EQ(diff.out, "  0x2 value Trim at 0x12: -208 (-104) -> -3 (-1.5)\nunlisted bytes: 0xF0\n");
}

TEST(VerbXdf, ChecksumMethodZeroIsFixedMostSignificantByteFirstAndOthersOnlyReported) {
    Files f;
    const Outcome checked = f.run({"checksum", f.xdf, f.bin});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_EQ(checked.out, "Sum: stored 8081 computed 0778\nOther: method 3 is not supported by Korvel\n");
    const Outcome fixed = f.run({"checksum", f.bin, f.xdf, "--fix"});
    EXPECT_EQ(fixed.exitCode, 0) << fixed.err.toStdString();
    // 0x70..0x7F sum to 0x778, stored at 0x80; the unsupported region's bytes stay.
    EXPECT_EQ(readAll(f.bin).toHex().toStdString(),
              QByteArray(image()).replace(0x80, 2, "\x07\x78").toHex().toStdString());
    EXPECT_EQ(f.run({"checksum", f.bin, f.xdf}).exitCode, 0);
}

TEST(VerbXdf, HistogramBinsOnTheAxisValuesAndCorrectsThroughTheSetPath) {
    Files f;
    write(f.csv, "rpm,load,blm\n1400,640,140\n1600,650,120\n3100,660,100\n");
    const QStringList columns{"--x", "rpm", "--y", "load", "--z", "blm", "--min-count", "1"};
    const Outcome r = f.run(QStringList{"histogram", f.csv, f.bin, f.xdf, "Spark", "--correct"} + columns);
    EXPECT_EQ(r.out, ",1000,2000,3000\n810,,,\n800,140,120,100\n\"Spark\" (item 0x3): 3 cells written\n")
        << r.err.toStdString();
    // From 26, 27.5 and 29: x 140, 120 and 100 / 128, each to the nearest value 0.75 x raw - 10 reaches.
    EXPECT_EQ(f.run({"table", f.xdf, f.bin, "Spark", "--calculated"}).out,
              ",1000,2000,3000\n810,26.75,28.25,29.75\n800,28.25,26,23\n");
    const Outcome text = f.run(QStringList{"histogram", f.csv, f.bin, f.xdf, "Gears"} + columns);
    EXPECT_EQ(text.exitCode, 2);
    EXPECT_EQ(text.err.trimmed(),
              "Cannot bin into \"Gears\" (item 0x6): its column heading 1 (\"low\") is not a number.");
}
