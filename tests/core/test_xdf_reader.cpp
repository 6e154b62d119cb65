// The XDF readers (XML and the text form) filling the item model, and every refusal.
#include "core/definition_reader.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

QByteArray xml(const QString& body, const QString& header = {}) {
    return QStringLiteral(
               "<?xml version=\"1.0\"?>\n<XDFFORMAT version=\"1.60\">\n<XDFHEADER><deftitle>T</deftitle>"
               "<CATEGORY index=\"0x0\" name=\"Fuel\"/><CATEGORY index=\"0x1\" name=\"Spark\"/>%1"
               "</XDFHEADER>\n%2\n</XDFFORMAT>\n")
        .arg(header, body)
        .toUtf8();
}

// A constant at 0x100 whose EMBEDDEDDATA carries `attributes` after the address.
QString constant(const QString& attributes, const QString& more = {}, const QString& id = "0x10") {
    return QStringLiteral(
               "<XDFCONSTANT uniqueid=\"%3\"><title>C%3</title><EMBEDDEDDATA mmedaddress=\"0x100\" %1/>"
               "%2</XDFCONSTANT>")
        .arg(attributes, more, id);
}

QString table(const QString& z, const QString& axes = {}) {
    return QStringLiteral(
               "<XDFTABLE uniqueid=\"0x20\"><title>Map</title>%2<XDFAXIS id=\"z\">%1</XDFAXIS></XDFTABLE>")
        .arg(z, axes);
}

// The last item read (a copy: the result is a temporary).
CalItem only(const DefinitionRead& r) {
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.ok() && !r.definition->items.empty() ? r.definition->items.back() : CalItem();
}

} // namespace

TEST(XdfXml, TypeFlagsGiveSignByteOrderAndStorage) {
    const std::tuple<const char*, bool, ByteOrder, StorageOrder, const char*> cases[] = {
        {"0x0", false, ByteOrder::MsbFirst, StorageOrder::RowMajor, ""},
        {"0x01", true, ByteOrder::MsbFirst, StorageOrder::RowMajor, ""},
        {"0x02", false, ByteOrder::LsbFirst, StorageOrder::RowMajor, ""},
        {"0x04", false, ByteOrder::MsbFirst, StorageOrder::ColumnMajor, ""},
        {"0x07", true, ByteOrder::LsbFirst, StorageOrder::ColumnMajor, ""},
        {"0x08", false, ByteOrder::MsbFirst, StorageOrder::RowMajor, "mmedtypeflags 0x8 holds flags"}};
    for (const auto& [flags, isSigned, order, storage, reason] : cases) {
        const CalItem t = only(readXdfXml(
            xml(table(QStringLiteral("<EMBEDDEDDATA mmedaddress=\"0x10\" mmedelementsizebits=\"16\" "
                                     "mmedrowcount=\"2\" mmedcolcount=\"3\" "
                                     "mmedtypeflags=\"%1\"/>")
                          .arg(flags)))));
        EXPECT_EQ(std::tuple(t.layout.isSigned, t.layout.order, t.storage, t.layout.bytes),
                  std::tuple(isSigned, order, storage, 2))
            << flags;
        EXPECT_EQ(t.readOnlyReason.left(int(strlen(reason))), QLatin1String(reason)) << flags;
        EXPECT_EQ(t.itemClass(), ItemClass::Map);
    }
}

TEST(XdfXml, StridesThatMeanSideBySideAreReadAndOthersAreNot) {
    // 16-bit cells, 2 rows x 3 columns: one element is 16 bits, one row 48.
    const std::tuple<const char*, bool> cases[] = {
        {"", true},
        {"mmedmajorstridebits=\"0\" mmedminorstridebits=\"0\"", true},
        {"mmedmajorstridebits=\"-32\"", true},
        {"mmedmajorstridebits=\"16\" mmedminorstridebits=\"16\"", true},
        {"mmedmajorstridebits=\"48\"", true},
        {"mmedmajorstridebits=\"64\"", false},
        {"mmedminorstridebits=\"24\"", false}};
    for (const auto& [strides, readable] : cases) {
        const CalItem t = only(readXdfXml(
            xml(table(QStringLiteral("<EMBEDDEDDATA mmedaddress=\"0x10\" mmedelementsizebits=\"16\" "
                                     "mmedrowcount=\"2\" mmedcolcount=\"3\" %1/>")
                          .arg(QLatin1String(strides))))));
        EXPECT_EQ(t.readOnlyReason.isEmpty(), readable) << strides << " " << t.readOnlyReason.toStdString();
    }
    EXPECT_EQ(only(readXdfXml(xml(constant("mmedelementsizebits=\"24\"")))).readOnlyReason,
              "elements of 24 bits are not supported");
}

TEST(XdfXml, BaseOffsetBothFormsCategoriesAndClasses) {
    const std::tuple<const char*, qint64> offsets[] = {{"<baseoffset>-256</baseoffset>", 0x0},
                                                       {"<BASEOFFSET offset=\"0x100\" subtract=\"1\"/>", 0x0},
                                                       {"<BASEOFFSET offset=\"256\" subtract=\"0\"/>", 0x200},
                                                       {"", 0x100}};
    for (const auto& [header, address] : offsets)
        EXPECT_EQ(only(readXdfXml(xml(constant({}), QLatin1String(header)))).address, address) << header;
    EXPECT_TRUE(only(readXdfXml(xml(constant({}), "<baseoffset>-257</baseoffset>")))
                    .readOnlyReason.contains("before the start"));

    const std::tuple<const char*, const char*> categories[] = {{"1", "Fuel"}, {"2", "Spark"}, {"3", ""}};
    for (const auto& [n, name] : categories)
        EXPECT_EQ(only(readXdfXml(xml(constant(
                           {}, QStringLiteral("<CATEGORYMEM index=\"0\" category=\"%1\"/>").arg(n)))))
                      .category,
                  QLatin1String(name));

    const std::tuple<int, int, ItemClass> shapes[] = {
        {1, 1, ItemClass::Value}, {1, 8, ItemClass::Array}, {8, 1, ItemClass::Array}, {4, 4, ItemClass::Map}};
    for (const auto& [rows, cols, cls] : shapes)
        EXPECT_EQ(
            only(readXdfXml(xml(table(QStringLiteral("<EMBEDDEDDATA mmedaddress=\"0x10\" mmedrowcount=\"%1\" "
                                                     "mmedcolcount=\"%2\"/>")
                                          .arg(rows)
                                          .arg(cols)))))
                .itemClass(),
            cls);
    const CalItem& flag =
        only(readXdfXml(xml("<XDFFLAG uniqueid=\"0x5\"><title>F</title><EMBEDDEDDATA mmedaddress="
                            "\"0x7\" mmedelementsizebits=\"16\"/><mask>0x8000</mask></XDFFLAG>")));
    EXPECT_EQ(std::tuple(flag.flagSet(0x7FFF), flag.flagSet(0x8001), flag.withFlag(0x0F0F, true),
                         flag.withFlag(0x8F0F, false)),
              std::tuple(false, true, quint64(0x8F0F), quint64(0x0F0F)));
    EXPECT_EQ(std::tuple(flag.itemClass(), flag.mask, flag.layout.bytes, flag.id),
              std::tuple(ItemClass::Flag, quint64(0x8000), 2, QString("0x5")));
    EXPECT_EQ(only(readXdfXml(xml("<XDFFLAG><title>F</title><EMBEDDEDDATA mmedaddress=\"0x7\"/></XDFFLAG>")))
                  .readOnlyReason,
              "the flag has no mask");
}

TEST(XdfXml, ValuesUnitsLimitsAndEquations) {
    const CalItem c = only(readXdfXml(xml(constant(
        "mmedelementsizebits=\"16\" mmedtypeflags=\"0x03\"",
        "<units>kPa</units><decimalpl>1</decimalpl><rangelow>-5</rangelow><max>99.5</max><outputtype>1</"
        "outputtype>"
        "<MATH equation=\"(X-&#13;&#10;40)*0.5\"><VAR id=\"X\"/></MATH><description>Boost</description>"))));
    EXPECT_EQ(std::tuple(c.units, c.decimals, c.min, c.max, c.description, c.outputType),
              std::tuple(QString("kPa"), 1, std::optional(-5.0), std::optional(99.5), QString("Boost"), 1));
    EXPECT_EQ(c.conversion.toShown(100), 30);
    const std::tuple<const char*, const char*> broken[] = {
        {"<MATH equation=\"X*SQRT(2)\"><VAR id=\"X\"/></MATH>",
         "equation error at character 3: unknown function SQRT"},
        {"<MATH equation=\"X*B\"><VAR id=\"X\"/></MATH>",
         "the equation uses B, which names nothing Korvel reads"},
        {"<MATH equation=\"X\"/><MATH row=\"1\" equation=\"X*2\"/>",
         "equations per row or cell are not supported"},
        {"<MATH equation=\"X*B\"><VAR id=\"B\" type=\"link\" linkid=\"0x99\"/></MATH>",
         "the link to 0x99 does not resolve"},
        {"<MATH equation=\"X*B\"><VAR id=\"B\" type=\"link\" linkid=\"0x20\"/></MATH>",
         "the link to 0x20 names an item that is not one value"},
        {"<MATH equation=\"X*B\"><VAR id=\"B\" type=\"table\"/></MATH>",
         "a variable of type \"table\" is not supported"}};
    for (const auto& [math, reason] : broken) {
        const auto r =
            readXdfXml(xml(table("<EMBEDDEDDATA mmedaddress=\"0\" mmedrowcount=\"2\" mmedcolcount=\"2\"/>") +
                           constant({}, QLatin1String(math))));
        EXPECT_EQ(only(r).readOnlyReason, QLatin1String(reason)) << math;
    }
}

TEST(XdfXml, LinksAndAddressVariablesAreBoundToValues) {
    const auto r = readXdfXml(
        xml(constant("mmedtypeflags=\"0x01\"", "<MATH equation=\"X*2\"/>", "0x0A") +
            constant({}, "<MATH equation=\"X + k*1000 + A\"><VAR id=\"X\"/><VAR id=\"K\" type=\"link\" "
                         "linkid=\"0xa\"/><VAR id=\"A\" type=\"address\" address=\"0x101\"/></MATH>")));
    const CalItem& c = only(r);
    ASSERT_TRUE(c.readOnlyReason.isEmpty()) << c.readOnlyReason.toStdString();
    const ImageBytes image = [](qint64 a) { return a == 0x100 ? 0xFE : a == 0x101 ? 7 : a < 0x200 ? 0 : -1; };
    const auto values = boundValues(*r.definition, c.conversion, image);
    ASSERT_TRUE(values);
    EXPECT_EQ(*values, (std::vector<double>{-4, 7})); // the signed constant 0xFE = -2, times 2
    EXPECT_EQ(c.conversion.toShown(0xFE, {0, 0, *values}), 254 - 4000 + 7);
}

TEST(XdfXml, AxesFromTheImageLabelsTextsAndLinks) {
    const auto r = readXdfXml(xml(
        constant({}, {}, "0x30") +
        table(
            "<EMBEDDEDDATA mmedaddress=\"0x40\" mmedrowcount=\"2\" mmedcolcount=\"3\"/>",
            "<XDFAXIS id=\"x\"><units>rpm</units><DALINK index=\"0\" objidhash=\"0X4b0C0101\"/>"
            "<indexcount>3</indexcount><EMBEDDEDDATA "
            "mmedaddress=\"0x50\" "
            "mmedelementsizebits=\"16\" mmedtypeflags=\"0x02\"/><MATH equation=\"X*25\"/></XDFAXIS>"
            "<XDFAXIS id=\"y\"><EMBEDDEDDATA mmedmajorstridebits=\"-32\"/><LABEL index=\"1\" value=\"High\"/>"
            "<LABEL index=\"0\" value=\"Low\"/></XDFAXIS>") +
        table(
            "<EMBEDDEDDATA mmedaddress=\"0x60\" mmedcolcount=\"2\"/>",
            "<XDFAXIS id=\"x\"><LABEL index=\"0\" value=\"1.5\"/><LABEL index=\"1\" value=\"-2\"/></XDFAXIS>"
            "<XDFAXIS id=\"y\"><embedinfo type=\"3\" linkobjid=\"0x30\"/></XDFAXIS>") +
        table("<EMBEDDEDDATA mmedaddress=\"0x60\" mmedcolcount=\"2\"/>",
              "<XDFAXIS id=\"x\"><embedinfo type=\"3\" linkobjid=\"0x31\"/></XDFAXIS>")));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const auto& items = r.definition->items;
    const CalAxis& x = items[1].x;
    EXPECT_EQ(std::tuple(x.source, x.address, x.count, x.layout.bytes, x.layout.order, x.units, x.logLink),
              std::tuple(CalAxis::Source::Image, qint64(0x50), 3, 2, ByteOrder::LsbFirst, QString("rpm"),
                         QString("0X4b0C0101")));
    EXPECT_EQ(x.conversion.toShown(4), 100);
    EXPECT_EQ(std::tuple(items[1].y.source, items[1].y.texts),
              std::tuple(CalAxis::Source::Texts, QStringList{"Low", "High"}));
    EXPECT_EQ(std::tuple(items[2].x.source, items[2].x.numbers),
              std::tuple(CalAxis::Source::Numbers, std::vector<double>{1.5, -2}));
    EXPECT_EQ(std::tuple(items[2].y.source, items[2].y.linkId, items[2].readOnlyReason),
              std::tuple(CalAxis::Source::Link, QString("0x30"), QString()));
    EXPECT_EQ(items[3].readOnlyReason, "the link to 0x31 does not resolve");
}

TEST(XdfXml, ChecksumRegionsOfMethodZeroOnly) {
    const auto r = readXdfXml(
        xml("<XDFCHECKSUM "
            "uniqueid=\"0x1\"><title>Sum</title><REGION><datastart>0x8</datastart><dataend>0x3FFF</dataend>"
            "<storeaddress>0x6</storeaddress><datasizebits>0x10</datasizebits><calculationmethod>0x0</"
            "calculationmethod>"
            "</REGION><REGION datastart=\"0\" dataend=\"1\" storeaddress=\"2\" calculationmethod=\"0x1\"/>"
            "<REGION><pluginmoduleid>ABC</pluginmoduleid><datastart>0</datastart><dataend>1</"
            "dataend><storeaddress>2"
            "</storeaddress></REGION></XDFCHECKSUM>"));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const auto& c = r.definition->checksums;
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(std::tuple(c[0].start, c[0].end, c[0].store, c[0].sizeBits, c[0].supported(), c[0].title),
              std::tuple(qint64(8), qint64(0x3FFF), qint64(6), 16, true, QString("Sum")));
    EXPECT_EQ(std::tuple(c[1].unsupportedReason, c[2].unsupportedReason, c[2].plugin),
              std::tuple(QString(kChecksumNotSupported), QString(kChecksumNotSupported), QString("ABC")));
}

TEST(Definitions, FormatByContentAndEveryRefusal) {
    const std::tuple<QByteArray, DefinitionFormat> formats[] = {
        {"\xEF\xBB\xBF  <XDFFORMAT/>", DefinitionFormat::XdfXml},
        {"\r\nXDF\r\n1.110000\r\n", DefinitionFormat::XdfText},
        {QByteArray("\x05\x22\x97\x00<x", 5), DefinitionFormat::Locked},
        {"FORMAT\n{\n", DefinitionFormat::Ecu},
        {"XDFX\n", DefinitionFormat::Ecu}};
    for (const auto& [data, format] : formats)
        EXPECT_EQ(detectDefinitionFormat(data), format) << data.toStdString();
    EXPECT_EQ(readDefinitionData("FORMAT\n").format, DefinitionFormat::Ecu);
    const std::tuple<QByteArray, const char*> refusals[] = {
        {QByteArray("\x05\x22\x97\x00", 4), kLockedDefinitionText},
        {"<XDFFORMAT>\n<XDFHEADER>\n</XDFFORMAT>", "Line 3, column "},
        {"<?xml version=\"1.0\"?>\n<other/>", "Line 2: the file is not an XDF definition"},
        {xml(constant("mmedelementsizebits=\"sixteen\"")),
         "Line 4, item \"C0x10\": mmedelementsizebits \"sixteen\" is not a whole number"},
        {xml(constant({}, "<rangelow>low</rangelow>")),
         "Line 4, item \"C0x10\": rangelow \"low\" is not a number"},
        {"XDF\n2.0\n", "Line 2: XDF text version \"2.0\" is not supported"},
        {"XDF\n1.110000\n%%CONSTANT%%\n 020005 Title =\"A\"\n",
         "Line 3: %%CONSTANT%% is not closed by %%END%%"},
        {"XDF\n1.110000\n%%CONSTANT%%\nTitle A\n%%END%%\n",
         "Line 4: a field line (number, key, =value) is expected"},
        {"XDF\n1.110000\n%%FLAG%%\n%%TABLE%%\n", "Line 4: %%TABLE%% begins before %%FLAG%% (line 3) ends"},
        {"XDF\n1.110000\n%%END%%\n", "Line 3: %%END%% without a section"},
        {"XDF\n1.110000\n%%TABLE%%\n 040005 Title =\"Map\"\n 040300 Rows =0xZ\n 040100 Address "
         "=0x1\n%%END%%\n",
         "Line 5, item \"Map\": rows \"0xZ\" is not a whole number"}};
    for (const auto& [data, message] : refusals) {
        const auto r = readDefinitionData(data);
        EXPECT_FALSE(r.ok()) << message;
        EXPECT_TRUE(r.error.startsWith(QLatin1String(message))) << r.error.toStdString();
    }
}

TEST(XdfText, TheOlderFormFillsTheSameModel) {
    const auto r = readXdfText(
        "XDF\r\n1.110000\r\n\r\nDO NOT HAND EDIT\r\n%%HEADER%%\r\n\t001005 DefTitle =\"Old\"\r\n\t001010 "
        "Author =\"me\"\r\n"
        "\t001035 BaseOffset =-16\r\n\t002000 Category0 =\"Fuel\"\r\n\t002001 Category1 "
        "=\"Spark\"\r\n%%END%%\r\n"
        "%%CHECKSUM%%\r\n\t010010 DataStart =0x8\r\n\t010015 DataEnd =0x3FFF\r\n\t010025 StoreAddr =0x6\r\n"
        "\t010030 CalcMethod =0x0\r\n%%END%%\r\n"
        "%%CONSTANT%%\r\n\t000002 UniqueID =0x1\r\n\t020005 Title =\"   Idle\"\r\n\t020100 Address "
        "=0x0\r\n%%END%%\r\n"
        "%%CONSTANT%%\r\n\t000002 UniqueID =0x2\r\n\t020005 Title =\"Bias\"\r\n\t020050 SizeInBits =0x10\r\n"
        "\t020150 Flags =0x1\r\n\t020100 Address =0x20\r\n\t020200 Equation =0.5 * X + "
        "1.000000,TH|0|0|0|0|\r\n"
        "\t020020 Units =\"F\"\r\n\t020999 Mystery =7\r\n%%END%%\r\n"
        "%%FLAG%%\r\n\t000002 UniqueID =0x3\r\n\t000100 Cat0ID =0x2\r\n\t030005 Title =\"Manual\"\r\n"
        "\t030100 Address =0x17\r\n\t030200 BitNumber =0x7\r\n%%END%%\r\n"
        "%%TABLE%%\r\n\t000002 UniqueID =0x4\r\n\t040005 Title =\"VE\"\r\n\t040100 Address =0x366\r\n"
        "\t040200 ZEq =X/2.56,TH|0|0|0|0|\r\n\t040300 Rows =0x2\r\n\t040305 Cols =0x3\r\n\t040310 PopByCol "
        "=0x1\r\n"
        "\t040350 XLabels =60,70,80\r\n\t040360 YLabels =Low,High\r\n\t040330 ZUnits =\"%\"\r\n%%END%%\r\n"
        "%%TABLE%%\r\n\t040005 Title =\"Axis\"\r\n\t040100 Address =0x40\r\n\t040305 Cols =0x2\r\n"
        "\t040600 XAddress =0x50\r\n\t040610 XDataSize =0x2\r\n\t040354 XEq =X*10,TH|0|0|0|0|\r\n"
        "\t040700 YAddress =0x60\r\n\t040710 YDataSize =0x1\r\n\t040720 YAddrStep =2\r\n\t040200 ZEq "
        "=TH|0|0|0|0|\r\n"
        "%%END%%\r\n%%PATCH%%\r\n\t050005 Title =\"skipped\"\r\n%%END%%\r\n");
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const Definition& d = *r.definition;
    EXPECT_EQ(std::tuple(d.title, d.author, d.categories, d.format),
              std::tuple(QString("Old"), QString("me"), QStringList{"Fuel", "Spark", "Idle"},
                         Definition::Format::XdfText));
    ASSERT_EQ(d.items.size(), 4u);
    ASSERT_EQ(d.checksums.size(), 1u);
    EXPECT_EQ(
        std::tuple(d.checksums[0].start, d.checksums[0].end, d.checksums[0].store, d.checksums[0].sizeBits),
        std::tuple(qint64(8 - 16), qint64(0x3FFF - 16), qint64(6 - 16), 16));
    const CalItem &bias = d.items[0], &flag = d.items[1], &ve = d.items[2], &axes = d.items[3];
    EXPECT_EQ(
        std::tuple(bias.address, bias.layout, bias.category, bias.units, bias.conversion.toShown(4)),
        std::tuple(qint64(0x10), ElementLayout{2, true}, QString("Idle"), QString("F"), std::optional(3.0)));
    EXPECT_EQ(std::tuple(flag.mask, flag.category, flag.itemClass()),
              std::tuple(quint64(0x80), QString("Spark"), ItemClass::Flag));
    EXPECT_EQ(std::tuple(ve.rows, ve.columns, ve.storage, ve.units, ve.x.numbers, ve.y.texts,
                         ve.conversion.toShown(256)),
              std::tuple(2, 3, StorageOrder::ColumnMajor, QString("%"), std::vector<double>{60, 70, 80},
                         QStringList{"Low", "High"}, std::optional(100.0)));
    EXPECT_EQ(std::tuple(axes.x.source, axes.x.address, axes.x.layout.bytes, axes.x.conversion.toShown(3),
                         axes.conversion.isIdentity()),
              std::tuple(CalAxis::Source::Image, qint64(0x40), 2, std::optional(30.0), true));
    EXPECT_EQ(axes.readOnlyReason, "an axis step of 2 bytes over 1-byte values is not supported");
}
