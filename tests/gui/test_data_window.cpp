// The data window against an ECU on a simulated diagnostic line: its own thread reads the
// line, the dashboard, chart and status line show what came, the log keeps it.
#include "data_window/frm_data.h"
#include "data_window/strip_chart.h"
#include "emulator/simulated_ecu.h"
#include "support/editor_harness.h"

#include <QAction>
#include <QSignalSpy>
#include <QTableWidget>

using namespace korvel;
using namespace korvel::test;

namespace {

constexpr int kWait = 20000; // ms for frames to come from the line's thread

// The line's ports and clock; used on the logging thread only while the line runs.
struct Line : SerialPortFactory {
    explicit Line(LineDevice& device) : line(device, clock) {}
    ManualTicker clock;
    SimulatedLine line;
    int writesLeft = -1; // the cable goes after this many writes (-1: never)
    std::unique_ptr<SerialPort> create() override { return std::make_unique<Port>(*this); }
    struct Port : SimulatedLinePort {
        explicit Port(Line& l) : SimulatedLinePort(l.line), l(l) {}
        bool write(const QByteArray& bytes) override {
            if (l.writesLeft >= 0 && l.writesLeft-- == 0) l.line.failed = true;
            return SimulatedLinePort::write(bytes);
        }
        Line& l;
    };
};

// Answers every request with the same bytes.
// Answers the first request with `first` (when set), every request after it with `reply`.
struct Fixed : LineDevice {
    std::optional<QByteArray> first;
    QByteArray reply;
    QByteArray receive(const QByteArray&, double) override {
        return first ? *std::exchange(first, std::nullopt) : reply;
    }
};

// The mode 1 reply of the sample stream: 63 data bytes, 0 but for the (offset, byte) pairs given.
QByteArray mode1(const std::vector<std::pair<int, int>>& bytes, bool badSum = false) {
    QByteArray data(63, '\0');
    data[1] = char(0x80); // 128 / 4 = 32 RPM
    for (const auto& [offset, byte] : bytes)
        data[offset] = char(byte);
    QByteArray frame = SimulatedEcu::framed(QByteArray::fromHex("F49501") + data);
    if (badSum) frame[frame.size() - 1] = char(frame.back() ^ 1);
    return frame;
}

const QString kSample = qEnvironmentVariable("KORVEL_EXAMPLES") + "/sample.adx";

struct Rig : GuiFixture {
    explicit Rig(LineDevice& device, DataLog::Format format = {}) : line(device) {
        settings.WriteSetting("ALDL Device", "/dev/ttyECU");
        settings.WriteSetting("ADX Location", kSample);
        w = std::make_unique<frmData>(s, std::vector<SerialDeviceInfo>{},
                                      frmData::Wiring{&line, &line.clock, std::move(format)});
    }
    Line line;
    Services s = services();
    std::unique_ptr<frmData> w;
    // The row of a value or bitmask by its id.
    int row(const QString& id) const {
        auto* t = child<QTableWidget>(*w, "tblValues");
        for (int r = 0; r < t->rowCount(); ++r)
            if (t->item(r, 1)->toolTip() == id) return r;
        qFatal("no row %s", qPrintable(id));
    }
    QTableWidgetItem* cell(const QString& id, int column) const {
        return child<QTableWidget>(*w, "tblValues")->item(row(id), column);
    }
    // Connects and runs the line until `frames` frames came (good or failed); `running` sees
    // the window then, before Stop, which waits for the line's end.
    void run(int frames, const std::function<void()>& running = {}) {
        click(*w, "cmdConnect");
        QSignalSpy taken(w->findChild<AldlSession*>(), &AldlSession::frame);
        QTRY_VERIFY_WITH_TIMEOUT(taken.count() >= frames, kWait);
        if (running) running();
        click(*w, "cmdStop");
        QTRY_VERIFY_WITH_TIMEOUT(!w->connected(), kWait);
    }
};

// The first answer, the later ones, the last failure. Noise that outlasts a request's wait
// fails that request only: it is let pass before the next one goes out, so it cannot pass for
// the next echo or reply (each of which would bring more bytes to wait for).
const std::tuple<const char*, QByteArray, QByteArray, QString, bool> kFailures[] = {
    {"bad checksum", mode1({}, true), mode1({}, true), "\"Mode 1 reply\": the reply's checksum is wrong",
     false},
    {"silent ECU", {}, {}, "\"Mode 1 reply\": no reply within 500 ms", false},
    {"noise past the wait", QByteArray(600, '\0'), mode1({}), "\"Mode 1 reply\": no reply within 500 ms",
     true}};

// Value, its offset and byte, alarm (0 none, 1 low, 2 high). Coolant (0 to 110 C) only has a
// high alarm, block learn (110 to 146) both.
const std::tuple<const char*, QString, int, int, int> kAlarms[] = {
    {"within limits", "CTS", 2, 100, 0},
    {"below the low alarm", "BLM", 5, 100, 1},
    {"above the high alarm", "CTS", 2, 255, 2}};

} // namespace

class TestDataWindow : public QObject {
    Q_OBJECT

private slots:
    void connectShowsValues() {
        QByteArray memory(0x8000, char(160));
        SimulatedEcu ecu([&](int a) { return a >= 0 && a < memory.size() ? int(quint8(memory[a])) : -1; });
        Rig r(ecu);
        QCOMPARE(text(*r.w, "lblAdx"), QStringLiteral("sample.adx")); // the last definition, opened again
        const AdxDefinition& def = *r.w->definition();
        r.cell("RPM", 0)->setCheckState(Qt::Checked);
        setText(*r.w, "cmbAldlDevice", "/dev/ttyUSB1");
        QSignalSpy decoded(r.w.get(), &frmData::cycleDecoded);
        r.run(12, [&] {
            QVERIFY(!child<QAbstractButton>(*r.w, "cmdConnect")->isEnabled());
            // About 93 ms a cycle at 8192 baud: echoed request, answer delay and 67-byte reply.
            const QString status = text(*r.w, "lblStatus");
            QVERIFY2(status.endsWith(" frames/s   Failed frames: 0"), qPrintable(status));
            QVERIFY2(qAbs(status.section(' ', 0, 0).toDouble() - 10.76) < 0.1, qPrintable(status));
        });

        const auto last = decoded.last().at(0).value<AdxDecoded>();
        QCOMPARE(last.values.size(), def.values.size());
        QCOMPARE(decoded.first().at(0).value<AdxDecoded>().values[0].text, QStringLiteral("800")); // idling
        QCOMPARE(r.cell("RPM", 2)->text(), last.values[0].text);
        QCOMPARE(r.cell("RPM", 3)->text(), QStringLiteral("RPM"));
        QCOMPARE(r.cell("CL", 2)->text(), QStringLiteral("Open")); // cold: open loop
        // One chart point per good frame, in the value's own units while it is drawn alone.
        auto* chart = r.w->findChild<StripChart*>();
        QCOMPARE(chart->points(0).size(), decoded.count());
        QCOMPARE(chart->points(0).last().y(), last.values[0].value);
        QCOMPARE(chart->axisTitle(), QStringLiteral("Engine speed (RPM)"));
        QCOMPARE(text(*r.w, "lblStatus"), QStringLiteral("Stopped.   0.0 frames/s   Failed frames: 0"));
        QCOMPARE(r.line.line.writes.size(), size_t(decoded.count()));
        QVERIFY(r.prompt.shown.empty());
        QCOMPARE(r.settings.ReadSetting("ALDL Device"), QStringLiteral("/dev/ttyUSB1"));
    }

    void failedFramesSayWhy_data() { rows(kFailures); }
    void failedFramesSayWhy() {
        const auto& [tag, first, reply, reason, laterGood] = fetch(kFailures);
        Fixed ecu;
        ecu.first = first;
        ecu.reply = reply;
        Rig r(ecu);
        QSignalSpy decoded(r.w.get(), &frmData::cycleDecoded);
        r.run(6);
        const qsizetype requests = r.line.line.writes.size();
        QCOMPARE(decoded.count(), laterGood ? requests - 1 : 0);
        QCOMPARE(r.cell("RPM", 2)->text(), decoded.isEmpty() ? QStringLiteral("–") : QStringLiteral("32"));
        const QString status = text(*r.w, "lblStatus");
        QVERIFY2(status.startsWith("Stopped.   0.0 frames/s   Failed frames: " +
                                   QString::number(requests - decoded.count())),
                 qPrintable(status));
        QVERIFY2(status.endsWith(" (last: " + reason + ")"), qPrintable(status));
        QVERIFY(r.prompt.shown.empty());
    }

    void alarmColours_data() { rows(kAlarms); }
    void alarmColours() {
        const auto& [tag, id, offset, byte, alarm] = fetch(kAlarms);
        Fixed ecu;
        ecu.reply = mode1({{offset, byte}});
        Rig r(ecu);
        r.run(1);
        const QTableWidgetItem* value = r.cell(id, 2);
        const QColor bg = value->background().color(), fg = value->foreground().color();
        QCOMPARE(value->background().style() != Qt::NoBrush, alarm != 0);
        if (alarm) {
            QVERIFY(alarm == 1 ? bg.blue() > 2 * bg.red() : bg.red() > 2 * bg.blue());
            QCOMPARE(fg, QColor(Qt::white)); // readable on either
        }
        QCOMPARE(r.cell("RPM", 2)->background().style(), Qt::NoBrush);
    }

    void brokenAdxRefusedGoodOneRemembered() {
        Fixed ecu;
        Rig r(ecu);
        // The sample with its first 16-bit value made 12 bits wide.
        QByteArray sample = fileBytes(kSample);
        const qsizetype at = sample.indexOf("<sizeinbits>16");
        const QString line =
            QString::number(sample.left(sample.lastIndexOf("<ADXVALUE", at)).count('\n') + 1);
        r.prompt.files = {r.writeFile("broken.adx", sample.replace(at + 12, 2, "12"))};
        click(*r.w, "cmdOpenAdx");
        QCOMPARE(r.prompt.dialogs,
                 QStringList{"Open Data Stream Definition|" + QFileInfo(kSample).absolutePath()});
        QVERIFY2(r.prompt.onlyCritical().endsWith("\nLine " + line +
                                                  ": \"Engine speed\": sizeinbits 12 is not 8, 16 or 32"),
                 qPrintable(r.prompt.last()));
        // The definition open before stays, and stays the one remembered.
        QCOMPARE(text(*r.w, "lblAdx"), QStringLiteral("sample.adx"));
        QCOMPARE(r.settings.ReadSetting("ADX Location"), kSample);
        QVERIFY(child<QAbstractButton>(*r.w, "cmdConnect")->isEnabled());
        const QString good = r.writeFile("good.adx", fileBytes(kSample));
        r.prompt.files = {good};
        click(*r.w, "cmdOpenAdx");
        QCOMPARE(text(*r.w, "lblAdx"), QStringLiteral("good.adx"));
        QCOMPARE(r.settings.ReadSetting("ADX Location"), good);
    }

    // Start log connects and writes a row per good frame; the cable pulled stops the line with
    // a message and leaves the rows logged in the file.
    void unpluggedKeepsTheLog() {
        Fixed ecu;
        ecu.reply = mode1({{2, 100}});
        Rig r(ecu,
              {[] { return QStringLiteral("seconds,CTS"); },
               [](double s, const AdxDecoded& d) { return QString::number(s) + "," + d.values[1].text; }});
        r.line.writesLeft = 4;
        const QString csv = r.path("run.csv");
        r.prompt.files = {csv};
        QStringList onDisk; // the file as each frame is shown: every row is there at once
        connect(r.w.get(), &frmData::cycleDecoded, [&] { onDisk << QString::fromUtf8(fileBytes(csv)); });
        click(*r.w, "cmdStartLog");
        QTRY_VERIFY_WITH_TIMEOUT(!r.w->connected(), kWait);
        QCOMPARE(onDisk.size(), 4);
        QCOMPARE(onDisk[0].count('\n'), 2);
        QCOMPARE(r.prompt.onlyCritical(), "The ALDL line stopped: \"Mode 1 request\": Device disconnected\n"
                                          "What was logged is kept in " +
                                              csv + ".");
        const QStringList lines = QString::fromUtf8(fileBytes(csv)).split('\n');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QStringLiteral("seconds,CTS"));
        QCOMPARE(lines[1], QStringLiteral("0,35.0"));
        QVERIFY(lines[4].section(',', 0, 0).toDouble() > 0.25 && lines[5].isEmpty());
        QCOMPARE(text(*r.w, "lblLog"), QStringLiteral("Logged 4 rows to run.csv"));
        QVERIFY(child<QAbstractButton>(*r.w, "cmdConnect")->isEnabled());
    }

    // The editor opens the window from its menu, with or without the emulator.
    void openedFromTheEditorWithoutEmulator() {
        EditorHarness h;
        QVERIFY(h.open());
        QVERIFY(!h.fx.state.EmulatorFound);
        h.find<QAction>("actData")->trigger();
        QVERIFY(h.editor->findChild<frmData*>()->isVisible());
    }
};

QTEST_MAIN(TestDataWindow)
#include "test_data_window.moc"
