// The windows around the editor: the main window, the transfer windows, the viewer and the comm test.
#include "comm_test/frm_comm_test.h"
#include "core/bin_image.h"
#include "core/version.h"
#include "emulator/frames.h"
#include "emulator/qt_serial_port.h"
#include "main_window/frm_main.h"
#include "support/editor_harness.h"
#include "transfer/frm_batch_download.h"
#include "transfer/frm_check.h"
#include "transfer/frm_download.h"
#include "transfer/frm_verify.h"
#include "viewer/frm_view.h"
#include "widgets/busy_pointer.h"

#include <QProcess>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kRequired = QStringLiteral("A BIN File, and An ECU File are required");
// BIN, ECU, message (empty: opens).
const std::tuple<const char*, QString, QString, QString> kOpenings[] = {
    {"both empty", "", "", kRequired},
    {"bin missing", "missing.bin", "sample.ecu", "BIN File Not Found"},
    {"ecu missing", "sample.bin", "missing.ecu", "ECU File Not Found"},
    {"not an ecu extension", "sample.bin", "engine.txt", "ECU file is not correct."},
    {"an error while the editor loads", "sample.bin", "broken.ecu", "seven"},
    {"ecu extension in any case", "sample.bin", "ENGINE.Ecu", ""},
    {"an XDF definition, told by its content", "sample.bin", "engine.def", ""},
    {"a locked definition, whatever its extension", "sample.bin", "locked.ecu",
     "locked.ecu is a locked definition; save it unlocked as XML in the program that locked it."}};

// A loaded image of `length` counting bytes and an emulator that answers.
void loadImage(GuiFixture& f, int length) {
    QByteArray data(length, '\0');
    for (int i = 0; i < length; ++i)
        data[i] = char(i * 13 + 1);
    f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), data);
    if (!ReadBinFile(f.state).ok()) qFatal("the image did not load");
    f.emulator.setFaults({});
}

std::unique_ptr<TransferWindow> transferWindow(const QString& kind, Services& s) {
    if (kind == "download") return std::make_unique<frmDownload>(s);
    if (kind == "verify") return std::make_unique<frmVerify>(s);
    if (kind == "batch") return std::make_unique<frmBatchDownload>(s);
    return std::make_unique<frmCheck>(s);
}

// The window, its caption, what it says, the start of each message.
const std::tuple<const char*, QString, QString, QString, QString> kTransfers[] = {
    {"download", "download", "Download File to ECU", "", "Download Time = "},
    {"verify", "verify", "Verify Download", "No Errors", "Download Time = "},
    {"batch", "batch", "Batch Download File to ECU", "", "Download Time = "},
    {"check", "check", "Check Download", "No Errors", "K|Download Time = "},
    {"port that cannot open", "verify", "Verify Download", "", "Cannot open "}};

struct Viewer : GuiFixture {
    explicit Viewer(const QByteArray& bin, const QByteArray& ecu = ecuText({})) {
        state.BinPath = writeFile(QStringLiteral("rom.bin"), bin);
        state.EcuPath = writeFile(QStringLiteral("rom.ecu"), ecu);
    }
    Services s = services();
    frmView v{s};
};

// Box, typed, shown after.
const std::tuple<const char*, QString, QString, QString> kViewerBoxes[] = {
    {"start past the image", "txtStart", "8010", "35"},   {"start near the end", "txtStart", "7FF0", "7FF0"},
    {"start fits", "txtStart", "7f00", "7F00"},           {"run not a number", "txtCols", "lots", "140"},
    {"run of 501 is corrected", "txtCols", "501", "500"}, {"run of 1 is corrected", "txtCols", "1", "2"}};

QString caption(const QString& delay, int port, int baud) {
    return "Comm Test " + versionText() +
           QString("     Delay %1     Com %2  %3 Baud ").arg(delay).arg(port).arg(baud);
}

// A comm test window on the in-process emulator, or on the given clock and ports.
struct Comm : GuiFixture {
    Comm(Ticker* clock = nullptr, SerialPortFactory* factory = nullptr)
        : s{state, settings, prompt, clock ? *clock : ticker, factory ? *factory : ports} {}
    Services s;
    frmCommTest w{s};
    // Fills boxes ("box=value;box=value"), then clicks `button` (when given).
    void press(const QString& pairs, const char* button = nullptr) {
        for (const QString& p : pairs.split(';', Qt::SkipEmptyParts))
            setText(w, p.section('=', 0, 0), p.section('=', 1));
        if (button) click(w, button);
    }
    // The texts of boxes, as "box=text;box=text" for the names in `pairs`.
    QString shown(const QString& pairs) const {
        QStringList t;
        for (const QString& p : pairs.split(';', Qt::SkipEmptyParts))
            t << p.section('=', 0, 0) + "=" + text(w, p.section('=', 0, 0));
        return t.join(';');
    }
    bool enabled(const QString& name) { return child(w, name)->isEnabled(); }
    QList<QByteArray> pieces() const { return {wire.writes.begin(), wire.writes.end()}; } // writes as made
};

// The boxes typed, the "Port 1 Device" setting, the port opened, the delay waited, the caption.
const std::tuple<const char*, QString, const char*, QString, double, QString> kConfigs[] = {
    {"port 2", "cmbPort=2;cmbBaud=9600;txtDelay=0.1", "", "/dev/ttyUSB1 9600,N,8,1", 0.1,
     caption("0.1", 2, 9600)},
    {"port rounded", "cmbPort=3.6;txtDelay=0", "", "/dev/ttyUSB3 115200,N,8,1", 0, caption("0", 4, 115200)},
    {"device from settings", "", "/dev/pts/9", "/dev/pts/9 115200,N,8,1", 0.3, caption("0.3", 1, 115200)},
    {"device chosen over settings", "cmbDevice=/dev/ttyACM2", "/dev/pts/9", "/dev/ttyACM2 115200,N,8,1", 0.3,
     caption("0.3", 1, 115200)},
    {"fast rate", "cmbBaud=1000000", "", "/dev/ttyUSB0 1000000,N,8,1", 0.3, caption("0.3", 1, 1000000)}};

// The boxes typed, the button, the emulator, the bytes sent, boxes shown after (box=text), a
// part of the one message shown.
enum Emulator { Off, On, Fails }; // silent, answering, its port cannot open
const std::tuple<const char*, QString, const char*, Emulator, QByteArray, QString, QString> kPresses[] = {
    {"get", "txtGetHigh=12;txtGetLow=34", "cmdGet", On, "R\x12\x34\r\r", "txtGetResult=A;txtGetAscii=65", ""},
    {"empty boxes are 00", "", "cmdGet", Off, QByteArray("R\0\0\r\r", 5), "txtGetAscii=;txtGetBin=", ""},
    {"put", "txtPutHigh=0;txtPutLow=ff;txtPutData=H", "cmdPut", On, QByteArray("W\0\xFFH\r", 5),
     "txtPutResult=H;txtPutAscii=72;txtPutBin=0100 1000;txtPutWant=0100 1000", ""},
    {"put, 0D is data", "txtPutHigh=7F;txtPutData=\r", "cmdPut", Off, QByteArray("W\x7F\0\r\r", 5),
     "txtPutResult=***;txtPutWant=0000 1101", ""},
    {"command V", "", "cmdCommand", On, "V\r\x1F\x17\x20",
     "txtCommandResult=Korvel ROM Emulator Firmware 1.00", ""},
    {"port fails: fill", "", "cmdFill", Fails, "", "txtFillResult=", "Permission denied"},
    {"port fails: command", "", "cmdCommand", Fails, "", "txtCommandResult=***", "Permission denied"},
    {"baud fraction", "cmbBaud=9600.5", "cmdPort", On, "", "", "Baud box"},
    {"size past 16 bits", "txtSize=65537", "cmdRead", On, "", "", "Size box"},
    {"high byte too big", "txtGetHigh=1FF", "cmdGet", On, "", "", "High Byte box"},
    {"text Hello", "txtConvert=Hello", "cmdASCII", Off, "",
     "txtConvert=H;txtASCII=72;txtHEX=48;txtBinary=0100 1000", ""},
    {"beyond 8 bits goes as ?", "txtConvert=\u20AC", "cmdASCII", Off, "", "txtASCII=63;txtBinary=0011 1111",
     ""},
    {"code 256 ignored", "txtASC=256", "cmdText", Off, "", "txtConvert=old", ""}};

// Typed, the delay, the pieces sent after the frame, the answer shown (null: not checked).
const std::tuple<const char*, QString, QString, QList<QByteArray>, QString> kAldl[] = {
    {"inner space kept", "AB CD", "0", {"AB", " C", "D"}, "AB CD"},
    {"surrounding spaces dropped", "  AB  ", "0", {"AB"}, "AB"},
    {"blank", "   ", "0.3", {}, "***"}};

// Size, every Nth echo wrong, silent after this many "W" (-1 never), echoes later than the delay,
// the addresses of the frames sent (re-sends included), then txtFillResult|lblWhere|the message.
const std::tuple<const char*, int, int, int, bool, QList<int>, QString> kFills[] = {
    {"three clean", 3, 0, -1, false, {0, 1, 2}, "0|" + addressBits(2) + "|"},
    {"every second echo wrong", 3, 2, -1, false, {0, 1, 1, 2, 2}, "2|" + addressBits(2) + "|"},
    {"silent", 3, 0, 0, false, {0, 0, 0, 0}, "0||Error writing to Ram at Address 0"},
    {"falls silent", 5, 0, 4, false, {0, 1, 2, 3, 4, 4, 4, 4}, "0||Error writing to Ram at Address 4"},
    // Each echo comes after its frame's wait: it is dropped, never taken for the re-send's.
    {"echoes too late", 3, 0, -1, true, {0, 0, 0, 0}, "0||Error writing to Ram at Address 0"}};

// Addresses that do not hold "U", whether the emulator answers, the count shown.
const std::tuple<const char*, QList<int>, bool, QString> kReads[] = {
    {"all match", {}, true, "0"},
    {"three differ, the last included", {0, 0x80, 0xFF}, true, "3"},
    {"nothing answers", {}, false, "256"}};

const std::tuple<const char*, QString, QString> kStops[] = {
    {"fill, Stop", "cmdFill", "stop"}, {"read, Esc", "cmdRead", "esc"}, {"fill, close", "cmdFill", "close"}};

} // namespace

class TestWindows : public QObject {
    Q_OBJECT

private slots:
    // The main window, the transfer windows with the editor's link to the emulator, and the viewer.

    void mainWindowChecksBeforeTheEditorOpens_data() { rows(kOpenings); }
    void mainWindowChecksBeforeTheEditorOpens() {
        const auto& [tag, bin, ecu, message] = fetch(kOpenings);
        GuiFixture f;
        f.useSample();
        for (const char* name : {"engine.txt", "ENGINE.Ecu"})
            f.writeFile(name, fileBytes(f.state.EcuPath));
        f.writeFile(QStringLiteral("broken.ecu"), "ECU FORMAT\n{\nHeader = x\nVersion = seven\n");
        f.writeFile(QStringLiteral("engine.def"), "<XDFFORMAT version=\"1.60\"/>\n");
        f.writeFile(QStringLiteral("locked.ecu"), QByteArray("\x05\x22\x97\x00", 4));
        f.state.BinPath.clear();
        f.state.EcuPath.clear();
        Services s = f.services();
        frmMain w(s);
        setText(w, "txtBIN", bin.isEmpty() ? bin : f.path(bin));
        setText(w, "txtECU", ecu.isEmpty() ? ecu : f.path(ecu));
        QString opened;
        if (message.isEmpty()) onNextModal([&](QWidget* modal) { opened = modal->objectName(); });
        click(w, "cmdECU_Edit");
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(opened, message.isEmpty() ? QStringLiteral("frmEditor") : QString());
        QVERIFY2(f.prompt.shown.size() == (message.isEmpty() ? 0u : 1u) && f.prompt.last().contains(message),
                 qPrintable(f.prompt.last()));
        // Opening stores the paths (the editor its defaults); a refusal before it neither.
        const bool stored = message.isEmpty() || message == "seven";
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("ECU Location")), stored ? f.path(ecu) : QString());
        QCOMPARE(f.state.BinPath.isEmpty(), !stored);
        if (message.isEmpty()) QCOMPARE(f.settings.ReadSetting(QStringLiteral("Numeric Format")), "##.##");
    }

    void eachTransferWindowRunsAndEndsWithClose_data() { rows(kTransfers); }
    void eachTransferWindowRunsAndEndsWithClose() {
        const auto& [tag, kind, caption, what, messages] = fetch(kTransfers);
        GuiFixture f;
        loadImage(f, 100);
        for (int i = 0; i < 96 && kind == "verify"; ++i)
            f.emulator.memory()[i] = char(f.state.byteAt(i));
        if (messages == "Cannot open ") f.wire.openError = QStringLiteral("Permission denied");
        Services s = f.services();
        std::unique_ptr<TransferWindow> w = transferWindow(kind, s);
        QCOMPARE(w->windowTitle() + "|" + text(*w, "cmdCancel"), caption + "|Cancel");
        w->show();
        w->start();
        QCOMPARE(text(*w, "lblWhat") + "|" + text(*w, "cmdCancel"), what + "|Close");
        QString shown; // the start of each message
        for (int i = 0; i < f.prompt.texts().size(); ++i)
            shown += (i ? "|" : "") + f.prompt.texts()[i].left(messages.section('|', i, i).size());
        QCOMPARE(shown, messages);
        QVERIFY(f.prompt.last().contains(f.wire.openError)); // the reason a port could not open
        if (kind == "download" || kind == "batch")           // 0..95: the short last block stays
            QVERIFY(f.emulator.memory().startsWith(fileBytes(f.state.BinPath).left(96) + '\0'));
        w->close(); // the close box and Esc are refused; the button closes
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        click(*w, "cmdCancel");
        QVERIFY(!w->isVisible());
    }

    void cancelStopsADownloadAfterTheAddressInProgress() {
        for (bool closeToo : {false, true}) { // Close pressed too while the byte is still out
            GuiFixture f;
            loadImage(f, 4096);
            f.wire.latency = 0.005;
            Services s = f.services();
            frmDownload w(s);
            w.show();
            int pumps = 0;
            bool stayedDuringTheLoop = true;
            f.ticker.hook = [&] {
                if (++pumps != 20) return;
                click(w, "cmdCancel");
                if (closeToo) click(w, "cmdCancel");
                stayedDuringTheLoop = w.isVisible();
            };
            w.start();
            f.ticker.hook = nullptr;
            const int written = f.emulator.frameCount('W');
            QVERIFY2(stayedDuringTheLoop && written > 0 && written < 4000,
                     qPrintable(QString::number(written)));
            QVERIFY2(f.prompt.shown.empty(), "a cancel shows no time");
            QCOMPARE(w.isVisible(), !closeToo);
            QCOMPARE(text(w, "cmdCancel"), QStringLiteral("Close"));
        }
    }

    void theEditorUploadsItsChanges() {
        EditorHarness h;
        h.fx.emulator.setFaults({});
        QVERIFY(h.open());
        for (const char* b : {"cmdComplete", "cmdUpload", "cmdDownload", "cmdBatch", "cmdCheck"})
            QVERIFY2(h.find(b)->isEnabled(), b);
        h.edit(0x0300, 0x55);
        h.edit(0x0101, 0x12);
        const int before = h.fx.emulator.frameCount('W');
        click(*h.editor, "cmdUpload"); // two frames, the changed bytes only
        QCOMPARE(h.fx.emulator.frameCount('W') - before, 2);
        QVERIFY(h.fx.emulator.memory()[0x0101] == '\x12' && h.fx.emulator.memory()[0x0300] == '\x55');
        QCOMPARE(h.text("lblWhat") + "|" + h.text("lblWhere"), QStringLiteral("|0000 0011 0000 0000"));
        QVERIFY(h.fx.prompt.shown.empty() && h.find("cmdSave")->isEnabled());
    }

    void viewerBoxesRefuseWhatTheImageCannotShow_data() { rows(kViewerBoxes); }
    void viewerBoxesRefuseWhatTheImageCannotShow() {
        const auto& [tag, box, typed, after] = fetch(kViewerBoxes);
        Viewer w(QByteArray(32768, '\x40'));
        w.v.Form_Load();
        setText(w.v, box, typed);
        box == "txtStart" ? w.v.txtStart_LostFocus() : w.v.txtCols_LostFocus();
        QCOMPARE(text(w.v, box), after);
        QVERIFY(w.prompt.shown.empty() && text(w.v, "lbl1") == text(w.v, "txtStart"));
    }

    // The comm test window: its configuration, the frames each button sends and what it shows, the
    // conversions, the fill and read runs and stopping them, against the in-process emulator; then
    // once end to end through QSerialPort on the pseudo-terminal of korvel-romsim, on the real clock.
    void setPortChoosesPortBaudAndDelay_data() { rows(kConfigs); }
    void setPortChoosesPortBaudAndDelay() {
        const auto& [tag, boxes, deviceSetting, opening, delay, caption] = fetch(kConfigs);
        Comm c;
        if (*deviceSetting) c.settings.WriteSetting(QStringLiteral("Port 1 Device"), deviceSetting);
        c.press(boxes, "cmdPort");
        QCOMPARE(c.w.windowTitle(), caption);
        c.press({}, "cmdGet");
        QCOMPARE(c.wire.openings.size(), size_t{1});
        QCOMPARE(c.wire.openings[0].device + " " + c.wire.openings[0].settings, opening);
        QVERIFY(c.ticker.now == delay && c.wire.closes == 1 && c.prompt.shown.empty());
    }

    void eachButtonSendsItsFrameAndShowsTheOutcome_data() { rows(kPresses); }
    void eachButtonSendsItsFrameAndShowsTheOutcome() {
        const auto& [tag, boxes, button, emulator, sent, shown, message] = fetch(kPresses);
        Comm c;
        if (emulator == On) c.emulator.setFaults({});
        if (emulator == Fails) c.wire.openError = QStringLiteral("Permission denied");
        c.emulator.memory()[0x1234] = 'A';
        c.press("txtSize=4;txtValue=U;txtGetResult=old;txtGetAscii=old;txtGetBin=old;txtPutResult=old;"
                "txtPutAscii=old;"
                "txtCommandResult=old;txtConvert=old;txtASCII=1;txtHEX=1;txtBinary=0000 0001");
        c.press(boxes, button);
        QCOMPARE(c.wire.sent(), sent);
        QCOMPARE(c.shown(shown), shown);
        QCOMPARE(c.wire.opens, sent.isEmpty() ? 0 : 1);
        QVERIFY(c.wire.closes == c.wire.opens && !c.w.isRunning() && c.enabled(button) && !isBusyPointer());
        if (!sent.isEmpty()) QCOMPARE(c.ticker.now, 0.3);
        QCOMPARE(c.prompt.texts().join('|').contains(message),
                 c.prompt.shown.size() == (message.isEmpty() ? 0u : 1u));
        if (emulator == Fails) QVERIFY(!c.prompt.onlyCritical().isEmpty());
        if (button == QLatin1String("cmdPort")) QCOMPARE(c.w.windowTitle(), caption("0.3", 1, 115200));
    }

    void aldlSendsTheTextInPairs_data() { rows(kAldl); }
    void aldlSendsTheTextInPairs() {
        const auto& [tag, typed, delay, pairs, result] = fetch(kAldl);
        Comm c;
        c.emulator.setFaults({});
        c.press("txtDelay=" + delay, "cmdPort");
        c.press("txtALDL=" + typed, "cmdALDL");
        QCOMPARE(c.pieces(), (QList<QByteArray>{"A", "\r", "\r", "\r", "\r"} + pairs));
        // The delay after the frame and after each pair, then a second and a half for the answer.
        QCOMPARE(c.ticker.now, delay.toDouble() * double(1 + pairs.size()) + 1.5);
        if (!result.isNull()) QCOMPARE(text(c.w, "txtALDLResult"), result); // echoed when sent without pauses
    }

    void fillWritesEachAddressAndCountsResends_data() { rows(kFills); }
    void fillWritesEachAddressAndCountsResends() {
        const auto& [tag, size, corruptEvery, silentFrom, late, addresses, shown] = fetch(kFills);
        Comm c;
        c.emulator.setFaults({.corruptEveryNthEcho = corruptEvery, .silent = silentFrom == 0});
        c.wire.latency = late ? 0.31 : 0; // the window waits 0.3 s
        c.ticker.hook = [&] {
            if (silentFrom > 0 && c.emulator.frameCount('W') == silentFrom)
                c.emulator.setFaults({.silent = true});
        };
        c.press(QStringLiteral("txtValue=U;txtSize=%1").arg(size), "cmdFill");
        QList<QByteArray> expected;
        for (int a : addresses)
            expected += {"W", QByteArray(1, char(a >> 8)), QByteArray(1, char(a & 0xFF)), "U", "\r"};
        QCOMPARE(c.pieces(), expected);
        QCOMPARE(text(c.w, "txtFillResult") + "|" + text(c.w, "lblWhere") + "|" + c.prompt.onlyCritical(),
                 shown);
        QCOMPARE(int(c.prompt.shown.size()), shown.endsWith('|') ? 0 : 1);
        QVERIFY(c.wire.opens == 1 && c.wire.closes == 1); // one opening over the whole range
        // The delay after every frame; before a re-send, the line must be quiet for 20 ms (after a late
        // echo).
        const qsizetype resends = addresses.size() - QSet<int>(addresses.begin(), addresses.end()).size();
        QVERIFY(qAbs(c.ticker.now - (addresses.size() * 0.3 + resends * (late ? 0.03 : 0.02))) < 1e-9);
        QVERIFY(c.emulator.memory().startsWith(QByteArray(late             ? 1
                                                          : silentFrom < 0 ? size
                                                                           : silentFrom,
                                                          'U')));
    }

    void readComparesEveryAddressWithTheValue_data() { rows(kReads); }
    void readComparesEveryAddressWithTheValue() {
        const auto& [tag, different, answering, count] = fetch(kReads);
        Comm c;
        if (answering) c.emulator.setFaults({});
        for (int a = 0; a < 0x300; ++a)
            c.emulator.memory()[a] = different.contains(a) ? 'u' : 'U'; // case counts
        c.press("txtSize=256;txtValue=U", "cmdRead");
        QCOMPARE(c.shown("txtReadResult;lblReadWhere"),
                 "txtReadResult=" + count + ";lblReadWhere=" + addressBits(255));
        QByteArray expected;
        for (int a = 0; a < 256; ++a)
            expected += QByteArray("R\0", 2) + char(a) + "\r\r";
        QCOMPARE(c.wire.sent(), expected);
        QVERIFY(c.wire.opens == 1 && c.prompt.shown.empty());
    }

    void aRunStopsAfterTheAddressInProgress_data() { rows(kStops); }
    void aRunStopsAfterTheAddressInProgress() {
        const auto& [tag, button, how] = fetch(kStops);
        Comm c;
        c.emulator.setFaults({});
        memset(c.emulator.memory().data(), 'U', 1000);
        c.w.show();
        c.press("txtSize=1000;txtValue=U");
        int pumps = 0;
        QString locked; // the state of the controls during the run
        qsizetype sentAtStop = 0;
        c.ticker.hook = [&] {
            if (++pumps != 5) return;
            sentAtStop = c.wire.sent().size();
            for (const QString& name :
                 {QString("cmdStop"), button, QString("cmdGet"), QString("cmdQuit"), QString("txtSize")})
                locked += c.enabled(name) ? "1" : "0";
            locked += c.w.isRunning() && isBusyPointer() ? "1" : "0";
            c.w.cmdGet_Click(); // a second procedure may not start inside the first
            if (how == "stop") click(c.w, "cmdStop");
            how == "esc"     ? QTest::keyClick(&c.w, Qt::Key_Escape)
            : how == "close" ? void(c.w.close())
                             : void();
        };
        click(c.w, button);
        c.ticker.hook = nullptr;
        QCOMPARE(locked, QStringLiteral("100001"));
        // Nothing after the address in progress, and no "R" frame of Get Data.
        QVERIFY(sentAtStop >= 5 && sentAtStop < 1000 * 5 && sentAtStop % 5 == 0);
        QVERIFY(c.wire.sent().size() == sentAtStop && c.wire.closes == c.wire.opens);
        QVERIFY(!c.w.isRunning() && !isBusyPointer() && c.prompt.shown.empty());
        QVERIFY(c.enabled(button) && c.enabled("cmdQuit") && !c.enabled("cmdStop"));
        const bool fill = button == "cmdFill";
        QCOMPARE(text(c.w, fill ? "lblWhere" : "lblReadWhere") + "|" +
                     text(c.w, fill ? "txtFillResult" : "txtReadResult"),
                 addressBits(int(sentAtStop / 5) - 1) + "|0");
        if (how == "esc") QTest::keyClick(&c.w, Qt::Key_Escape); // with nothing running the window stays
        QCOMPARE(c.w.isVisible(), how != "close");
    }

    void everyButtonThroughARealPort() {
        QProcess sim;
        sim.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + "/korvel-romsim/korvel-romsim", {});
        QVERIFY2(sim.waitForStarted(5000) && sim.waitForReadyRead(5000), "korvel-romsim did not start");
        EventLoopTicker clock;
        QtSerialPortFactory factory;
        Comm c(&clock, &factory);
        c.settings.WriteSetting(QStringLiteral("Port 1 Device"),
                                QString::fromLocal8Bit(sim.readLine()).trimmed());
        c.settings.WriteSetting(QStringLiteral("Port 2 Device"), c.path(QStringLiteral("no-such-tty")));
        c.press("txtDelay=0.25", "cmdPort"); // long enough for another process on a busy machine
        c.press("txtPutHigh=01;txtPutLow=02;txtPutData=Z", "cmdPut");
        c.press("txtGetHigh=1;txtGetLow=2", "cmdGet");
        c.press("txtValue=Q;txtSize=4", "cmdFill");
        QCOMPARE(c.shown("txtPutResult=;txtGetResult=;txtGetBin=;txtFillResult="),
                 QStringLiteral("txtPutResult=Z;txtGetResult=Z;txtGetBin=0101 1010;txtFillResult=0"));
        c.press({}, "cmdRead");
        QCOMPARE(text(c.w, "txtReadResult"), QStringLiteral("0"));
        c.press("txtSize=5", "cmdRead"); // address 4 was never written
        c.press({}, "cmdCommand");       // "V" as a free command
        QCOMPARE(text(c.w, "txtReadResult"), QStringLiteral("1"));
        QVERIFY2(text(c.w, "txtCommandResult").startsWith(QLatin1String(kBanner)),
                 qPrintable(text(c.w, "txtCommandResult")));
        QVERIFY2(c.prompt.shown.empty(), qPrintable(c.prompt.texts().join('|')));
        c.press("cmbPort=2", "cmdPort"); // a device that cannot be opened is named
        c.press({}, "cmdGet");
        QVERIFY2(c.prompt.onlyCritical().contains(QLatin1String("no-such-tty")), qPrintable(c.prompt.last()));
        QCOMPARE(text(c.w, "txtGetResult"), QStringLiteral("***"));
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
