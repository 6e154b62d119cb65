// The stream definition reader and the decoder.
#include "core/adx_decoder.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

// A small stream: one request, one 8-byte payload, values of every kind. The root closes
// early and the lookup table follows it, as some files are written.
const char* kStream = R"(<?xml version="1.0"?>
<ADXFORMAT version="1.01">
  <ADXHEADER><baud>8192</baud><flags>0x1</flags><monitorcmd>Poll</monitorcmd>
    <DEFAULTS datasizeinbits="8" sigdigits="1" outputtype="3"/></ADXHEADER>
  <ADXCSENDCOMMAND id="Req" idhash="0x00000A01" title="Request">
    <bytestring>805601</bytestring><SNDCMDCHECKSUM type="2"/></ADXCSENDCOMMAND>
  <ADXCLISTENPACKET id="Rep" idhash="0X0000a02" flags="0x1">
    <packetbodylength>12</packetbodylength><packetoffsetinbody>3</packetoffsetinbody>
    <packetsize>8</packetsize><listentimeout>100</listentimeout></ADXCLISTENPACKET>
  <ADXMACRO id="Poll" idhash="0x0A03" repeatcount="1">
    <NODE commandID="Req" repeatcount="1"/><NODE commandID="0x00000A02" repeatcount="1"/></ADXMACRO>
  <ADXVALUE id="rpm" idhash="0x10" title="RPM"><flags>0x4</flags><sizeinbits>16</sizeinbits>
    <packetoffset>0x00</packetoffset><alarms low="0" high="5000"/><outputtype>1</outputtype>
    <MATH equation="x*0.25"><VAR varID="x" type="native"/></MATH></ADXVALUE>
  <ADXVALUE id="le" idhash="0x11"><flags>0x3</flags><sizeinbits>16</sizeinbits><packetoffset>2</packetoffset>
    <outputtype>0</outputtype></ADXVALUE>
  <ADXVALUE id="adv" idhash="0x12"><flags>0x9</flags><packetoffset>4</packetoffset><digcount>2</digcount>
    <alarms low="-5" high="0"/><MATH equation="X/2"/></ADXVALUE>
  <ADXVALUE id="clt" idhash="0x13"><packetoffset>5</packetoffset>
    <MATH equation="X-40" lookupidhash="0x0000B001"><VAR varID="X" type="native"/></MATH></ADXVALUE>
  <ADXVALUE id="mix" idhash="0x14" title="Mix">
    <MATH equation="R/T ^ 1"><VAR varID="R" type="link" linkIDHash="0x10"/>
      <VAR varID="T" type="link" linkIDHash="0x00000013"/></MATH></ADXVALUE>
  <ADXBITMASK id="cl" idhash="0x20"><packetoffset>6</packetoffset><operand>0x80</operand></ADXBITMASK>
  <ADXBITMASK id="lo" idhash="0x21"><packetoffset>6</packetoffset><operand>0x03</operand><result>0x01</result>
    <bitop>AND</bitop></ADXBITMASK>
  <ADXHISTOGRAM id="h" idhash="0x30"><colval index="1" val="2000"/><colval index="0" val="1000"/>
    <rowval index="0" val="20"/><xidhash>0x10</xidhash><zidhash>0x13</zidhash></ADXHISTOGRAM>
</ADXFORMAT>
<ADXLOOKUPTABLE id="t" idhash="0xb001"><tableentry input="100" output="60"/>
  <tableentry input="0" output="0"/><tableentry input="200" output="100"/></ADXLOOKUPTABLE>
)";

AdxDefinition stream() {
    const AdxReadResult r = readAdx(QByteArray("\xEF\xBB\xBF") + kStream); // with a byte-order mark
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.ok() ? *r.definition : AdxDefinition{};
}

} // namespace

TEST(AdxReader, ReadsObjectsAndLinksByStoredHash) {
    const AdxDefinition d = stream();
    ASSERT_EQ(d.values.size(), 5u);
    EXPECT_TRUE(d.header.echoes());
    EXPECT_EQ(d.commands[0].bytes, QByteArray::fromHex("80560129"));
    EXPECT_EQ(d.monitor.kind, AdxStep::Kind::Macro);
    ASSERT_EQ(d.macros[0].nodes.size(), 2u);
    EXPECT_EQ(d.macros[0].nodes[1].kind, AdxStep::Kind::Listen); // named by its idhash, other case
    EXPECT_EQ(d.values[0].packet, 0);                            // implicit: the one decoding packet
    EXPECT_EQ(d.values[3].lookup, 0);                            // the table after the closed root
    EXPECT_EQ(d.values[4].links, (std::vector<int>{0, 3}));
    EXPECT_EQ(d.values[2].digits, 2);
    EXPECT_EQ(d.values[3].digits, 1); // from DEFAULTS
    EXPECT_EQ(d.bitmasks[0].result, 0x80u);
    EXPECT_EQ(d.histograms[0].columns, (std::vector<double>{1000, 2000}));
    EXPECT_EQ(d.histograms[0].y, -1);
    EXPECT_EQ(d.histograms[0].z, 3);
    ASSERT_EQ(d.fields.size(), 7u);
    EXPECT_EQ(d.fields[5], (std::pair<bool, int>{true, 0}));
}

class AdxRefusal : public ::testing::TestWithParam<std::tuple<const char*, int, const char*>> {};

TEST_P(AdxRefusal, NamesLineAndReason) {
    const auto& [text, line, reason] = GetParam();
    const AdxReadResult r = readAdx(text);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.line, line) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(QLatin1String(reason))) << r.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Broken, AdxRefusal,
    ::testing::Values(
        std::make_tuple("<XDFFORMAT/>", 1, "root element is not ADXFORMAT"),
        std::make_tuple("<ADXFORMAT>\n<ADXVALUE>\n</ADXFORMAT>", 3, "column"),
        std::make_tuple(
            "<ADXFORMAT>\n<ADXCSENDCOMMAND><bytestring>80G</bytestring></ADXCSENDCOMMAND></ADXFORMAT>", 2,
            "hexadecimal bytes"),
        std::make_tuple("<ADXFORMAT><ADXHEADER>\n<monitorcmd>Nope</monitorcmd></ADXHEADER></ADXFORMAT>", 1,
                        "names no command"),
        std::make_tuple(
            "<ADXFORMAT><ADXCLISTENPACKET idhash='0x1'><packetsize>2</packetsize></ADXCLISTENPACKET>\n"
            "<ADXVALUE title='V'><parentcmdidhash>0x1</parentcmdidhash><sizeinbits>16</sizeinbits>"
            "<packetoffset>1</packetoffset></ADXVALUE></ADXFORMAT>",
            2, "\"V\": bytes 1 to 2 lie outside the 2-byte payload"),
        std::make_tuple(
            "<ADXFORMAT><ADXCLISTENPACKET idhash='0x1'><packetsize>2</packetsize></ADXCLISTENPACKET>\n"
            "<ADXVALUE><parentcmdidhash>0x1</parentcmdidhash><sizeinbits>24</sizeinbits></ADXVALUE>"
            "</ADXFORMAT>",
            2, "not 8, 16 or 32"),
        std::make_tuple(
            "<ADXFORMAT>\n<ADXVALUE id='a' idhash='0x5'><MATH equation='A+1'><VAR varID='A' type='link' "
            "linkIDHash='0x5'/></MATH></ADXVALUE></ADXFORMAT>",
            2, "lead back to itself"),
        std::make_tuple(
            "<ADXFORMAT>\n<ADXVALUE><MATH equation='B*2'><VAR varID='A' type='link' linkIDHash='0x9'/>"
            "</MATH></ADXVALUE></ADXFORMAT>",
            2, "linkIDHash 0x9 names no value"),
        std::make_tuple("<ADXFORMAT>\n<ADXVALUE><MATH equation='X*(2'/></ADXVALUE></ADXFORMAT>", 2,
                        "equation"),
        std::make_tuple("<ADXFORMAT>\n<ADXMACRO id='m'><NODE commandID='m'/></ADXMACRO></ADXFORMAT>", 2,
                        "runs itself")));

// Payload: RPM 0x1F40 (8000 -> 2000 rpm), LSB-first signed 0xFFFE (-2), signed 0xF6 (-10 -> -5.0),
// 0x32 (50 -> lookup 30 -> -10), status 0x81.
TEST(AdxDecoder, DecodesEveryKindOfField) {
    const AdxDefinition d = stream();
    const AdxDecoded out = decodeAdx(d, {{0, QByteArray::fromHex("1f40feff f63281 00")}});
    const struct {
        int k;
        qint64 raw;
        double value;
        const char* text;
        AdxAlarm alarm;
    } rows[] = {
        {0, 8000, 2000, "2000", AdxAlarm::None}, {1, -2, -2, "-0x2", AdxAlarm::None},
        {2, -10, -5, "-5.00", AdxAlarm::None},   {3, 50, -10, "-10.0", AdxAlarm::None},
        {4, 0, -199, "-199.0", AdxAlarm::None}, // (2000 / -10) xor 1
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.k);
        const AdxDecodedValue& v = out.values[size_t(row.k)];
        ASSERT_TRUE(v.valid);
        EXPECT_EQ(v.raw, row.raw);
        EXPECT_DOUBLE_EQ(v.value, row.value);
        EXPECT_EQ(v.text, row.text);
        EXPECT_EQ(v.alarm, row.alarm);
    }
    EXPECT_TRUE(out.bitmasks[0].valid && out.bitmasks[0].state);
    EXPECT_TRUE(out.bitmasks[1].state);

    // 0x5000 -> 5120 rpm: high alarm; -12 -> -6: low alarm; 0x60 -> 96 -> 57.6 -> 17.6.
    const AdxDecoded alarmed = decodeAdx(d, {{0, QByteArray::fromHex("5000 0000 f4 60 02 00")}});
    EXPECT_EQ(alarmed.values[0].alarm, AdxAlarm::High);
    EXPECT_EQ(alarmed.values[2].alarm, AdxAlarm::Low);
    EXPECT_NEAR(alarmed.values[3].value, 17.6, 1e-9);
    EXPECT_FALSE(alarmed.bitmasks[0].state);
    EXPECT_FALSE(alarmed.bitmasks[1].state);

    // A lookup clamps outside its entries; a missing packet leaves every field out.
    EXPECT_DOUBLE_EQ(decodeAdx(d, {{0, QByteArray::fromHex("0000 0000 00 ff 00 00")}}).values[3].value, 60);
    const AdxDecoded none = decodeAdx(d, {});
    EXPECT_FALSE(none.values[4].valid);
    EXPECT_FALSE(none.bitmasks[0].valid);
}
