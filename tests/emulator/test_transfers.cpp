// The link and the transfers of the windows and the editor's upload against the in-process emulator; the
// contract at the end runs one body against it and against korvel-romsim on a real pseudo-terminal.
#include "emulator/batch_download_engine.h"
#include "emulator/check_engine.h"
#include "emulator/download_engine.h"
#include "emulator/get_version.h"
#include "emulator/qt_serial_port.h"
#include "emulator/upload_changes.h"
#include "emulator/verify_engine.h"
#include "emulator_fixture.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <numeric>

using namespace korvel;
using namespace korvel::test;
using Outcome = TransferOutcome;

enum class Job { Download, Verify, Batch, Check, Upload };
const QString kTimeOut = QStringLiteral("Time Out Error Download Aborted"),
              kNoTime = "Download Time = 00:00:00";

// `marks`: the emulator's bytes that differ (verify) or bytes changed (upload); `messages` follow a verify's
// errors at the marks ("*" ends a prefix); `over`: Cancel became "Close" and CancelRequested is set.
struct Case {
    const char* name;
    Job run;
    int bytes;
    std::vector<int> marks;
    SimulatedEmulator::Faults faults;
    long vanishAfterWrites;
    Outcome outcome;
    QStringList messages;
    QString lastWhat, shownWhat;
    int frames;
    bool over = false;
    const char* openError = ""; // why the port does not open, if it does not
    int strayEvery = 0;         // every Nth answer comes one byte time after a stray byte
};

static TransferResult runOn(Job job, const TransferContext& c) {
    return job == Job::Download ? DownloadEngine(c).run()
           : job == Job::Verify ? VerifyEngine(c).run()
           : job == Job::Batch  ? BatchDownloadEngine(c).run()
           : job == Job::Check  ? CheckEngine(c).run()
                                : UploadChanges(c).Upload_Changes(true);
}

class Transfer : public EmulatorRig, public ::testing::WithParamInterface<Case> {};

TEST_P(Transfer, EndsWithItsMessagesAndLeavesTheImageInTheEmulator) {
    const Case& c = GetParam();
    const bool verify = c.run == Job::Verify, writes = !verify && c.run != Job::Check;
    setImage(c.bytes);
    const int last = state.BinSize - 17;
    QStringList want;
    for (int a = 0; a < device.memory().size(); ++a)
        device.memory()[a] = char(verify || c.run == Job::Upload ? state.byteAt(a) : 0xAA);
    for (int a : c.marks) {
        if (verify)
            device.memory()[a] = char(state.byteAt(a) ^ 0x40),
            want << QStringLiteral("Error Reading Address %1").arg(a);
        else
            StoreByte(state, a, state.byteAt(a) ^ 0x40);
    }
    const QByteArray before = device.memory();
    device.setFaults(c.faults);
    wire.vanishAfterWrites = c.vanishAfterWrites;
    wire.openError = QLatin1String(c.openError);
    wire.strayEvery = c.strayEvery;
    wire.latency = c.strayEvery ? 0.001 : 0; // an answer late behind its stray then crosses the next frame
    EXPECT_EQ(runOn(c.run, context()).outcome, c.outcome);
    want += c.messages;
    ASSERT_EQ(observer.messages.size(), want.size()) << observer.messages.join('|').toStdString();
    for (qsizetype k = 0; k < want.size(); ++k) {
        const QString& got = observer.messages[k];
        EXPECT_TRUE(want[k].endsWith('*') ? got.startsWith(want[k].chopped(1)) : got == want[k])
            << got.toStdString();
        const bool note =
            got == kTimeOut || got.startsWith("Download Time") || (c.run == Job::Check && got.size() < 2);
        EXPECT_EQ(observer.icons[size_t(k)] == TransferObserver::Icon::None, note)
            << "only errors are critical";
    }
    EXPECT_EQ(observer.whats.value(observer.whats.size() - 1), c.lastWhat);
    EXPECT_TRUE(c.shownWhat.isEmpty() || observer.whats.contains(c.shownWhat)) << c.shownWhat.toStdString();
    EXPECT_EQ(device.frameCount("WRBCW"[int(c.run)]), c.frames);
    EXPECT_EQ(wire.opens, c.frames > 0 ? 1 : 0) << "one opening for the whole run";
    EXPECT_TRUE(wire.closes == wire.opens && state.CancelRequested == c.over &&
                (observer.closeShown > 0) == c.over);
    if (c.outcome != Outcome::Completed) return;
    EXPECT_EQ(observer.done, observer.total);
    const int where = c.run == Job::Batch ? last / 64 * 64 : last; // the upload's is its last marked byte
    EXPECT_TRUE(c.run == Job::Check || c.run == Job::Upload || observer.wheres.last() == addressBits(where));
    QByteArray expected = before;
    for (int a = 0; writes && a <= last; ++a)
        expected[a] = char(state.byteAt(a));
    EXPECT_EQ(device.memory(), expected) << "the image up to BinSize - 17, and nothing else";
}

const Outcome done = Outcome::Completed, failed = Outcome::Failed;
const Job D = Job::Download, V = Job::Verify, B = Job::Batch, C = Job::Check, U = Job::Upload;
const QString kW = QStringLiteral("Writing Address"), kR = QStringLiteral("Reading Address"),
              kRam = QStringLiteral("Error writing to Ram at Address "),
              kNoReply = QStringLiteral("\nNo reply from the emulator.");
// clang-format off
const Case kCases[] = {
    {"download", D, 100, {}, {}, -1, done, {kNoTime}, "", "", 96, true},
    {"download_resends", D, 16, {}, {0, 2, false}, -1, done, {kNoTime}, "", kW + "  (1)", 31, true},
    {"download_echo_lost", D, 64, {}, {5, 0, false}, -1, failed, {kTimeOut}, kW, "", 6, true},
    {"download_dead", D, 64, {}, {0, 0, true}, -1, failed, {kRam + "0" + kNoReply}, "", "", 4, true},
    {"download_bad_echoes", D, 32, {}, {0, 1, false}, -1, failed,
     {kRam + "0\nThe emulator echoed FC instead of 03."}, "", "", 4},
    {"vanish", D, 64, {}, {}, 10, failed, {"Port error at Address 9: Device disconnected"}, "", "", 10, true},
    // A stray byte costs one re-send (or one false difference), and no later answer is taken for another frame.
    {"download_strays", D, 64, {}, {}, -1, done, {kNoTime}, "", "", 64 + 31, true, "", 3},
    {"verify_strays", V, 48, {}, {}, -1, done, {"Error Reading Address 19", "Error Reading Address 39", kNoTime},
     "Total Errors : 2", "", 48, true, "", 20},
    {"verify", V, 32, {}, {}, -1, done, {kNoTime}, "No Errors", "", 32, true},
    {"verify_last_differs", V, 48, {47}, {}, -1, done, {kNoTime}, "Total Errors : 1", "", 48, true},
    {"verify_30_errors", V, 64, [] { std::vector<int> v(30); std::iota(v.begin(), v.end(), 0); return v; }(),
     {}, -1, failed, {"30 Errors Before Address 30"}, "", kR + "  (29)", 31, false},
    {"verify_late", V, 64, {}, {3}, -1, failed, {"Error Reading Address 2" + kNoReply}, kR, "", 3, true},
    {"batch", B, 100, {}, {}, -1, done, {kNoTime}, "", kW, 2, true},
    {"batch_32k", B, 32768, {}, {}, -1, done, {"Download Time = 00:00:25"}, "", "", 512, true},
    {"batch_ack_lost", B, 256, {}, {2, 0, false}, -1, failed, {kTimeOut}, kW, "", 2, true},
    {"batch_vanish", B, 1024, {}, {}, 4, failed, {"Port error at Address 64*"}, "", "", 2, true},
    {"check", C, 64, {}, {}, -1, done, {"K", kNoTime}, "No Errors", kR, 1, true},
    {"check_past_64k", C, 70000, {}, {}, -1, done, {"K", kNoTime}, "No Errors", kR, 1, true}, // no image sent
    {"check_silent", C, 64, {}, {0, 0, true}, -1, failed, {kTimeOut, ""}, kR, "", 1, true},
    {"upload", U, 100, {95, 5, 96, 111, 5000}, {}, -1, done, {}, "", kW, 2, false},
    {"upload_resends", U, 64, {1, 2, 3}, {0, 2, false}, -1, done, {}, "", kW + "  (1)", 5, false},
    {"upload_dead", U, 64, {1, 2, 3}, {0, 0, true}, -1, failed, {kRam + "1" + kNoReply}, "", "", 4},
    {"upload_vanish", U, 64, {1, 2, 3}, {}, 2, failed, {"Port error at Address 2*"}, "", "", 2, false},
    {"download_past_64k", D, 0x10010, {}, {}, -1, failed,
     {"The emulator link addresses 64 KiB only: this image has 65552 bytes."}, "", "", 0, true},
    {"verify_busy", V, 64, {}, {}, -1, failed, {"Cannot open /dev/sim0: Busy"}, "", "", 0, true, "Busy"},
    {"upload_busy", U, 64, {7}, {}, -1, failed, {"Cannot open /dev/sim0: Busy"}, "", "", 0, false, "Busy"},
    {"upload_past_64k", U, 0x10100, {0xFFFF, 0x10000}, {}, -1, failed,
     {"Upload stopped at Address 65536: the emulator link addresses 64 KiB only."}, "", "", 1, false}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Runs, Transfer, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

using Transfers = EmulatorRig;

TEST_F(Transfers, CancelStopsAfterTheAddressInProgressAndABatchWaitsTwoSecondsForItsN) {
    setImage(1024);
    wire.latency = 0.0005; // quick echoes: the pump still runs between them and delivers the click
    int framesAtClick = -1;
    ticker.hook = [&] {
        if (framesAtClick < 0 && device.frameCount('W') >= 100)
            framesAtClick = device.frameCount('W'), state.CancelRequested = true;
    };
    EXPECT_EQ(runOn(Job::Download, context()).outcome, Outcome::Cancelled);
    EXPECT_TRUE(framesAtClick <= 105 && device.frameCount('W') == framesAtClick) << framesAtClick;
    EXPECT_TRUE(observer.messages.isEmpty() && observer.closeShown == 0); // the click turned the button
    ticker.hook = nullptr;
    device.setFaults({1, 0, false});
    const double before = ticker.now;
    EXPECT_EQ(runOn(Job::Batch, context()).outcome, failed);
    EXPECT_NEAR(ticker.now - before, 0.05 + 2.0, 0.01) << "the header wait, then two seconds for the lost N";
    EXPECT_EQ(formatElapsed(3600 * 11 + 61.9), "11:01:01");
}

TEST_F(Transfers, UploadSendsTheRecordedValuesInOrderWithAFixedWait) {
    setImage(256);
    StoreByte(state, 0x80, 0x11), StoreByte(state, 0x05, 0x22),
        StoreByte(state, 0x80, 0x33);    // the latest wins
    state.BinImage[0x05].setValue(0x99); // the image cell is not what is sent
    for (const bool verify : {true, false}) {
        wire.writes.clear();
        const double start = ticker.now;
        EXPECT_EQ(UploadChanges(context()).Upload_Changes(verify).outcome, done);
        EXPECT_EQ(wire.writes, (std::vector{writeFrame(0x05, 0x22), writeFrame(0x80, 0x33)})); // none cleared
        EXPECT_NEAR(ticker.now - start, 2 * (verify ? 0.14 : 0.05), 1e-9);
        EXPECT_EQ(state.VerifyWrites, verify);
    }
    device.setFaults({0, 0, true}); // without checking, no answer at all is accepted
    EXPECT_EQ(UploadChanges(context()).Upload_Changes(false).outcome, done);
    EXPECT_TRUE(runOn(Job::Download, context()).outcome == failed && state.VerifyWrites); // a download checks
}

TEST_F(Transfers, FindsTheEmulatorByItsBannerAndExchangesBytes) {
    const QByteArray full(kBanner, kBannerLength);
    // clang-format off
    const std::tuple<QByteArray, double, bool> cases[] = { // the answer, its delay, found
        {full, 0.0, true}, {full + "\r\nROM 64K", 0.0, true}, {full, 0.29, true}, {full.left(32), 0.0, false},
        {"k" + full.mid(1), 0, false}, {full, 0.31, false}, {"", 0, false}};
    // clang-format on
    for (const auto& [banner, latency, found] : cases) {
        device.setBanner(banner);
        wire.latency = latency;
        state.EmulatorFound = !found; // the identification must overwrite it
        wire.writes.clear();
        GetVersion(QStringLiteral("/dev/sim0"), state, ports, ticker, observer);
        EXPECT_EQ(state.EmulatorFound, found) << banner.toStdString() << " after " << latency << " s";
        EXPECT_TRUE(wire.sent() == commandFrame('V') && wire.closes == wire.opens);
    }
    EXPECT_TRUE(observer.messages.isEmpty());
    wire.openError = QStringLiteral("gone");
    GetVersion(QStringLiteral("/dev/sim0"), state, ports, ticker, observer);
    EXPECT_TRUE(!state.EmulatorFound && observer.messages.size() == 1 &&
                observer.messages[0].startsWith("Error finding Usable Port.\n"));
    observer = RecordingObserver();
    wire.openError.clear();
    // A polled exchange takes the answer to its own frame, or times out after a second.
    SimulatedPort port(wire);
    EmulatorLink link(port, ticker, state, observer);
    ASSERT_TRUE(link.open(QStringLiteral("/dev/sim0")));
    device.memory()[0x1234] = '\x99';
    device.setBanner("Z");
    const double asked = ticker.now;
    EXPECT_EQ(link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled).bytes, QByteArray("\x99"));
    EXPECT_LT(ticker.now - asked, 1e-9) << "an answer that is there is taken at once";
    ASSERT_TRUE(link.send(commandFrame('V'))); // its answer is left unread: the next frame throws it away
    EXPECT_EQ(link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled).bytes, QByteArray("\x99"));
    wire.latency = 0.9;
    EXPECT_EQ(link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled).bytes, QByteArray("\x99"));
    EXPECT_TRUE(observer.messages.isEmpty() && !link.timedOut() && !state.CancelRequested);

    device.setFaults({0, 0, true});
    const double start = ticker.now;
    double lastPump = start, longestGap = 0;
    ticker.hook = [&] { longestGap = std::max(longestGap, ticker.now - lastPump), lastPump = ticker.now; };
    const Reply r = link.Get_Data(0x12, 0x34, 0x00, Exchange::Polled);
    EXPECT_TRUE(r.status == ReplyStatus::TimedOut && r.bytes.isEmpty() && link.timedOut());
    EXPECT_NEAR(ticker.now - start, 1.0, 0.01);
    EXPECT_LE(longestGap, 0.005) << "the windows are kept alive while waiting";
    // The exchange only reports the time-out: the run that made it decides what to say.
    EXPECT_TRUE(!state.CancelRequested && observer.closeShown == 0 && observer.messages.isEmpty());
}

class Contract : public EmulatorRig, public ::testing::WithParamInterface<bool> {
protected:
    bool romsim() const { return GetParam(); }
    // Starts the emulator; false, with the reason recorded as a failure, when korvel-romsim does not come up.
    bool start(const QStringList& options = {}) {
        static int argc = 1;
        static char name[] = "test_contract", *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        const QString problem = romsim() ? sim.start(dir.path(), QByteArray(), options) : QString();
        EXPECT_EQ(problem, QString());
        return problem.isEmpty();
    }
    TransferContext context() {
        if (!romsim()) return EmulatorRig::context();
        return TransferContext{state, qtPorts, sim.device, realTicker, observer};
    }
    // The first n bytes of the emulator's memory as hex digits; korvel-romsim dumps it when ended.
    QByteArray memory(int n) {
        QByteArray dump = device.memory().left(n);
        EXPECT_EQ(romsim() ? sim.finish(dump, n) : QString(), QString());
        return dump.toHex().toUpper();
    }

    QTemporaryDir dir;
    Romsim sim;
    QtSerialPortFactory qtPorts;
    EventLoopTicker realTicker;
};

TEST_P(Contract, EveryTransferMovesTheImage) {
    ASSERT_TRUE(start());
    const TransferContext c = context();
    GetVersion(c.device, state, c.ports, c.ticker, observer);
    EXPECT_TRUE(state.EmulatorFound);
    setImage(208); // a short last block; 0x0D appears as data
    EXPECT_EQ(BatchDownloadEngine(c).run().outcome, TransferOutcome::Completed);
    setImage(96);
    for (int a = 0; a < 96; ++a)
        state.BinImage[size_t(a)].setValue(a ^ 0x5A);
    EXPECT_EQ(DownloadEngine(c).run().outcome, TransferOutcome::Completed);
    state.BinImage[10].setValue(0x0D);
    const TransferResult v = VerifyEngine(c).run();
    EXPECT_TRUE(v.outcome == TransferOutcome::Completed && v.errors == 1 &&
                observer.whats.last() == "Total Errors : 1");
    EXPECT_EQ(CheckEngine(c).run().outcome, TransferOutcome::Completed);
    StoreByte(state, 3, 0x0D);
    StoreByte(state, 10, 10 ^ 0x5A);
    EXPECT_EQ(UploadChanges(c).Upload_Changes(true).outcome, TransferOutcome::Completed);
    EXPECT_EQ(observer.messages.filter(QRegularExpression(QStringLiteral("^(Error|Time|Port)"))),
              QStringList{QStringLiteral("Error Reading Address 10")});
    EXPECT_TRUE(observer.messages.contains(QStringLiteral("K")));
    EXPECT_EQ(memory(208), rawText(state, 0, 208).toLatin1()); // the cells past 96 keep the batch's bytes
}

TEST_P(Contract, DeviceVanishingMidRunEndsTheRunWithAMessage) {
    ASSERT_TRUE(start({QStringLiteral("--baud"), QStringLiteral("9600")}));
    setImage(4096);
    if (romsim()) QTimer::singleShot(200, &sim.p, [this] { sim.kill(); });
    wire.vanishAfterWrites = 20;
    EXPECT_EQ(DownloadEngine(context()).run().outcome, TransferOutcome::Failed);
    EXPECT_TRUE(!observer.messages.isEmpty() && state.CancelRequested && observer.closeShown >= 1);
    EXPECT_TRUE(observer.messages.last().endsWith(": Device disconnected"))
        << observer.messages.last().toStdString();
}

TEST_P(Contract, APseudoTerminalWithoutLowLatencyOpensAndWorksAsItIs) {
    if (!romsim()) GTEST_SKIP() << "a property of real ports";
    ASSERT_TRUE(start());
    QtSerialPort pty;
    ASSERT_TRUE(pty.open(sim.device, QString::fromLatin1(kSerialSettings)));
    EXPECT_TRUE(!pty.lowLatency() && pty.errorString().isEmpty());
    ASSERT_TRUE(pty.write(writeFrame(3, 0x0D)));
    EXPECT_EQ(pty.waitForInput(2.0), 1);
    EXPECT_EQ(pty.read(1), QByteArray("\r"));
    // A reply that comes after the port was last read is seen when asked for later,
    // without a wait on the port.
    ASSERT_TRUE(pty.write(writeFrame(4, 0x0D)));
    int waiting = 0;
    for (int tries = 0; tries < 200 && waiting == 0; ++tries) {
        QThread::msleep(10);
        waiting = pty.bytesWaiting();
    }
    EXPECT_EQ(waiting, 1);
}

INSTANTIATE_TEST_SUITE_P(Ports, Contract, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "romsim_pty" : "in_process"; });
