// The diagnostic-line engine against frames built here, and the simulated ECU through it.
#include "emulator/aldl_link.h"
#include "emulator/qt_serial_port.h"
#include "emulator/simulated_ecu.h"
#include "emulator_fixture.h"

#include <QCoreApplication>
#include <QTemporaryDir>

using namespace korvel;

namespace {

// Answers every write with the next scripted reply (nothing once they run out).
class ScriptedDevice : public LineDevice {
public:
    std::vector<QByteArray> replies;
    QByteArray receive(const QByteArray&, double) override {
        if (replies.empty()) return {};
        QByteArray r = replies.front();
        replies.erase(replies.begin());
        return r;
    }
};

const QByteArray kRequest = QByteArray::fromHex("F4570100B4");

// The mode 1 reply: F4 95 01, 63 data bytes (RPM 0x0C80 / 4 = 800 first), checksum.
QByteArray reply() {
    QByteArray data(63, '\x11');
    data[0] = char(0x0C);
    data[1] = char(0x80);
    return SimulatedEcu::framed(QByteArray::fromHex("F49501") + data);
}

AdxDefinition definition(bool echo, bool header) {
    const QString text =
        QStringLiteral(R"(<ADXFORMAT><ADXHEADER><flags>%1</flags><monitorcmd>M</monitorcmd></ADXHEADER>
<ADXCSENDCOMMAND id="Q" title="request"><bytestring>F4570100</bytestring><SNDCMDCHECKSUM type="2"/></ADXCSENDCOMMAND>
<ADXCLISTENPACKET id="R" title="reply" idhash="0x2" flags="1"><headerstring>%2</headerstring>
<packetbodylength>%3</packetbodylength><packetoffsetinbody>%4</packetoffsetinbody><packetsize>63</packetsize>
<listentimeout>300</listentimeout></ADXCLISTENPACKET>
<ADXMACRO id="M"><NODE commandID="Q"/><NODE commandID="R"/></ADXMACRO>
<ADXVALUE title="RPM" idhash="0x3"><sizeinbits>16</sizeinbits><MATH equation="X/4"/></ADXVALUE></ADXFORMAT>)")
            .arg(echo ? 1 : 0)
            .arg(header ? "F495" : "")
            .arg(header ? 65 : 67)
            .arg(header ? 1 : 3);
    const AdxReadResult r = readAdx(text.toUtf8());
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return *r.definition;
}

struct Case {
    const char* name;
    bool echo, header;
    QByteArray answer;  // what the device sends after the request
    QByteArray echoed;  // what the cable returns instead of the request (empty: the request)
    const char* reason; // empty: the cycle succeeds
};

class AldlCycleCase : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(AldlCycleCase, RunsOrFailsWithReason) {
    const Case& c = GetParam();
    ScriptedDevice device;
    ManualTicker clock;
    SimulatedLine line(device, clock);
    line.echo = c.echo && c.echoed.isEmpty();
    device.replies = {c.echoed + c.answer};
    SimulatedLinePort port(line);
    const AdxDefinition def = definition(c.echo, c.header);
    ASSERT_TRUE(port.open("sim", AldlLink::settingsFor(def)));
    AldlLink link(port, clock, def);
    const AldlCycle cycle = link.monitor();
    ASSERT_EQ(line.writes, std::vector<QByteArray>{kRequest});
    EXPECT_EQ(cycle.reason.toStdString(), c.reason);
    EXPECT_EQ(cycle.ok, QByteArray(c.reason).isEmpty());
    if (!cycle.ok) return;
    EXPECT_DOUBLE_EQ(decodeAdx(def, cycle.payloads).values[0].value, 800);
    EXPECT_EQ(cycle.payloads.at(0).size(), 63);
}

static QByteArray badSum() {
    QByteArray r = reply();
    r[10] = char(r[10] ^ 0x40);
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, AldlCycleCase,
    ::testing::Values(
        Case{"echo", true, true, reply(), {}, ""}, Case{"noEcho", false, true, reply(), {}, ""},
        Case{"noHeaderString", true, false, reply(), {}, ""},
        Case{"noiseFirst", true, true, QByteArray::fromHex("00F4FF95") + reply(), {}, ""},
        Case{"badChecksum", true, true, badSum(), {}, "\"reply\": the reply's checksum is wrong"},
        Case{"shortReply",
             true,
             true,
             reply().left(40),
             {},
             "\"reply\": the reply ended after 38 of 65 bytes"},
        Case{"silentEcu", true, true, {}, {}, "\"reply\": no reply within 300 ms"},
        Case{"badEcho", true, true, reply(), QByteArray::fromHex("F4570000B4"),
             "\"request\": the line echoed F4 57 00 00 B4 instead of F4 57 01 00 B4"},
        Case{"noEchoCame",
             true,
             true,
             {},
             QByteArray::fromHex("F457"),
             "\"request\": the line echoed F4 57 instead of F4 57 01 00 B4"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AldlLink, FailedPortStopsTheCycle) {
    ScriptedDevice device;
    ManualTicker clock;
    SimulatedLine line(device, clock);
    SimulatedLinePort port(line);
    const AdxDefinition def = definition(true, true);
    port.open("sim", AldlLink::settingsFor(def));
    line.failed = true;
    const AldlCycle cycle = AldlLink(port, clock, def).monitor();
    EXPECT_FALSE(cycle.ok);
    EXPECT_TRUE(cycle.portFailed);
}

static AdxDefinition sampleStream() {
    QFile file(qEnvironmentVariable("KORVEL_EXAMPLES") + "/sample.adx");
    const AdxReadResult r = readAdx(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.ok() ? *r.definition : AdxDefinition{};
}

static double field(const AdxDefinition& def, const AdxDecoded& d, const char* id) {
    for (size_t k = 0; k < def.values.size(); ++k)
        if (def.values[k].id == QLatin1String(id)) return d.values[k].valid ? d.values[k].value : -1e9;
    return -1e9;
}

// The simulated ECU through the sample stream: the drive cycle decodes, and BLM follows
// the VE table in memory (a leaner table makes the ECU add fuel: BLM above 128).
TEST(SimulatedEcu, AnswersTheSampleStreamAndFollowsMemory) {
    const AdxDefinition def = sampleStream();

    QByteArray memory(0x8000, '\0');
    for (int k = 0; k < 144; ++k)
        memory[0x500 + k] = char(160); // 80 %
    SimulatedEcu ecu([&](int a) { return a >= 0 && a < memory.size() ? int(quint8(memory[a])) : -1; });
    ManualTicker clock;
    SimulatedLine line(ecu, clock);
    SimulatedLinePort port(line);
    port.open("sim", AldlLink::settingsFor(def));
    EXPECT_EQ(port.settings(), "8192,N,8,1");
    // Mode 8 is acknowledged; another ID, a bad checksum or a half frame left standing is not answered.
    EXPECT_EQ(ecu.receive(QByteArray::fromHex("F45608"), 0), QByteArray());
    EXPECT_EQ(ecu.receive(QByteArray::fromHex("AE"), 0), QByteArray::fromHex("F45608AE"));
    EXPECT_EQ(ecu.receive(QByteArray::fromHex("80560822 F45608AF F457"), 0), QByteArray());
    EXPECT_EQ(ecu.receive(QByteArray::fromHex("0100B4"), 1), QByteArray());
    AldlLink link(port, clock, def);

    const auto field = [&](const AdxDecoded& d, const char* id) { return ::field(def, d, id); };
    AdxDecoded first = decodeAdx(def, link.monitor().payloads);
    EXPECT_NEAR(field(first, "RPM"), 800, 1);
    EXPECT_NEAR(field(first, "CTS"), 20, 1);
    EXPECT_EQ(field(first, "BLM"), 128); // cold: open loop

    clock.now += 600; // warm, somewhere in the drive cycle
    const AldlCycle warm = link.monitor();
    ASSERT_TRUE(warm.ok) << warm.reason.toStdString();
    const AdxDecoded d = decodeAdx(def, warm.payloads);
    EXPECT_NEAR(field(d, "CTS"), 90, 1);
    EXPECT_NEAR(field(d, "VE"), 80, 0.01);
    EXPECT_TRUE(d.bitmasks[1].state);
    const double blm = field(d, "BLM");
    EXPECT_NEAR(blm,
                std::clamp(std::round(128 * SimulatedEcu::trueVe(field(d, "RPM"), field(d, "MAP")) / 80),
                           64.0, 192.0),
                3);
    EXPECT_NEAR(field(d, "VEL"), 80 * blm / 128, 1e-9);

    // The table corrected by what was learned: BLM comes back to 128 there.
    for (int k = 0; k < 144; ++k)
        memory[0x500 + k] = char(std::lround(2 * 80 * blm / 128));
    const AdxDecoded corrected = decodeAdx(def, link.monitor().payloads);
    EXPECT_NEAR(field(corrected, "BLM"), 128, 4);
}

// End to end: korvel-romsim's ECU line through a real pseudo-terminal, its VE read from the
// emulator's memory as the emulator's own line changes it.
TEST(SimulatedEcu, ServesTheLineBesideTheEmulator) {
    static int argc = 1;
    static char name[] = "test_aldl", *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    test::Romsim sim;
    QByteArray memory(0x8000, '\0');
    memory.replace(0x500, 144, QByteArray(144, char(160)));
    ASSERT_EQ(sim.start(dir.path(), memory, {QStringLiteral("--ecu")}), QString());
    while (!sim.p.canReadLine() && sim.p.waitForReadyRead(5000)) {
    }
    const QString ecuDevice = QString::fromLocal8Bit(sim.p.readLine()).trimmed();
    ASSERT_TRUE(ecuDevice.startsWith('/'));

    const AdxDefinition def = sampleStream();
    QtSerialPort line;
    ASSERT_TRUE(line.open(ecuDevice, AldlLink::settingsFor(def))) << line.errorString().toStdString();
    EventLoopTicker ticker;
    AldlLink link(line, ticker, def);
    AldlCycle cycle = link.monitor();
    ASSERT_TRUE(cycle.ok) << cycle.reason.toStdString();
    EXPECT_NEAR(field(def, decodeAdx(def, cycle.payloads), "VE"), 80, 0.01);

    QtSerialPort emulator;
    ASSERT_TRUE(emulator.open(sim.device, QStringLiteral("115200,N,8,1")));
    for (int a = 0x500; a < 0x500 + 144; ++a)
        emulator.write(QByteArray("W") + char(a >> 8) + char(a & 0xFF) + char(200) + '\r');
    QByteArray echoes;
    while (echoes.size() < 144 && emulator.waitForInput(2) > 0)
        echoes += emulator.read(0);
    EXPECT_EQ(echoes, QByteArray(144, char(200)));
    cycle = link.monitor();
    ASSERT_TRUE(cycle.ok) << cycle.reason.toStdString();
    EXPECT_NEAR(field(def, decodeAdx(def, cycle.payloads), "VE"), 100, 0.01);
    line.close();
    emulator.close();
    QByteArray dumped;
    EXPECT_EQ(sim.finish(dumped, 0x8000), QString());
}

// A macro repeats its nodes and itself; a silence waits out the chatter after each request
// (40 bytes, about 49 ms at 8192 baud) or fails when the line stays busy past its total time.
TEST(AldlLink, MacroRepeatsAndSilence) {
    const struct {
        int silenceMs, totalMs, nodeRepeat, macroRepeat;
        bool ok;
        size_t writes;
    } rows[] = {{20, 200, 1, 1, true, 1},
                {20, 30, 1, 1, false, 1},
                {10, 200, 2, 3, true, 6},
                {10, 200, 0, 3, true, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.writes);
        const AdxReadResult r =
            readAdx(QStringLiteral(R"(<ADXFORMAT><ADXHEADER><monitorcmd>M</monitorcmd></ADXHEADER>
<ADXCSENDCOMMAND id="Q"><bytestring>01</bytestring></ADXCSENDCOMMAND>
<ADXCLISTENSILENCE id="S" title="quiet"><silencelen>%1</silencelen><totaltimeout>%2</totaltimeout></ADXCLISTENSILENCE>
<ADXMACRO id="M" repeatcount="%4"><NODE commandID="Q" repeatcount="%3"/><NODE commandID="S"/></ADXMACRO></ADXFORMAT>)")
                        .arg(row.silenceMs)
                        .arg(row.totalMs)
                        .arg(row.nodeRepeat)
                        .arg(row.macroRepeat)
                        .toUtf8());
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        ScriptedDevice device;
        device.replies.assign(6, QByteArray(40, '\x55'));
        ManualTicker clock;
        SimulatedLine line(device, clock);
        line.echo = false;
        SimulatedLinePort port(line);
        port.open("sim", AldlLink::settingsFor(*r.definition));
        const AldlCycle cycle = AldlLink(port, clock, *r.definition).monitor();
        EXPECT_EQ(cycle.ok, row.ok) << cycle.reason.toStdString();
        EXPECT_EQ(line.writes.size(), row.writes);
        EXPECT_EQ(cycle.reason, row.ok ? "" : "\"quiet\": the line did not fall quiet");
        if (row.ok && row.writes == 1) {
            EXPECT_GE(clock.now, 0.005 + 40 * line.byteTime + 0.020);
        }
    }
}
