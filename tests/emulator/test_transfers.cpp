// The transfers of the download, verify, batch and check windows and the editor's upload,
// against the in-process emulator: what reaches the emulator, the messages and the labels.
#include "emulator/batch_download_engine.h"
#include "emulator/check_engine.h"
#include "emulator/download_engine.h"
#include "emulator/upload_changes.h"
#include "emulator/verify_engine.h"
#include "emulator_fixture.h"

#include <numeric>

using namespace korvel;
using namespace korvel::test;
using Outcome = TransferOutcome;

enum class Job { Download, Verify, Batch, Check, Upload };
const QString kTimeOut = QStringLiteral("Time Out Error Download Aborted");
const QString kNoTime = QStringLiteral("Download Time = 00:00:00");

static std::vector<int> upTo(int n) {
    std::vector<int> v(size_t(n), 0);
    std::iota(v.begin(), v.end(), 0);
    return v;
}

static QStringList readErrors(const std::vector<int>& addresses) {
    QStringList out;
    for (int a : addresses)
        out << QStringLiteral("Error Reading Address %1").arg(a);
    return out;
}

struct Case {
    const char* name;
    Job run;
    int bytes;              // image length
    std::vector<int> marks; // verify: emulator bytes that differ; upload: bytes changed in the image
    SimulatedEmulator::Faults faults;
    long vanishAfterWrites;
    Outcome outcome;
    QStringList messages; // a text ending in "*" stands for any text that starts so
    QString lastWhat;
    QString shownWhat; // another text lblWhat showed on the way, if any
    int frames;        // frames of the run's command the emulator handled
    bool over;         // Cancel became "Close" and CancelRequested is set
};

static TransferResult runOn(Job r, const TransferContext& context) {
    switch (r) {
    case Job::Download:
        return DownloadEngine(context).run();
    case Job::Verify:
        return VerifyEngine(context).run();
    case Job::Batch:
        return BatchDownloadEngine(context).run();
    case Job::Check:
        return CheckEngine(context).run();
    case Job::Upload:
        break;
    }
    return UploadChanges(context).Upload_Changes(true);
}

class Transfer : public EmulatorRig, public ::testing::WithParamInterface<Case> {};

TEST_P(Transfer, EndsWithItsMessagesAndLeavesTheImageInTheEmulator) {
    const Case& c = GetParam();
    setImage(c.bytes);
    const int last = state.BinSize - 17;
    const bool writes = c.run == Job::Download || c.run == Job::Batch || c.run == Job::Upload;
    for (int a = 0; a < device.memory().size(); ++a)
        device.memory()[a] = char(c.run == Job::Verify || c.run == Job::Upload ? state.byteAt(a) : 0xAA);
    for (int a : c.marks) {
        if (c.run == Job::Verify)
            device.memory()[a] = char(state.byteAt(a) ^ 0x40);
        else
            StoreByte(state, a, state.byteAt(a) ^ 0x40);
    }
    const QByteArray before = device.memory();
    device.setFaults(c.faults);
    wire.vanishAfterWrites = c.vanishAfterWrites;
    const TransferResult r = runOn(c.run, context());

    EXPECT_EQ(r.outcome, c.outcome);
    ASSERT_EQ(observer.messages.size(), c.messages.size()) << observer.messages.join('|').toStdString();
    for (qsizetype k = 0; k < c.messages.size(); ++k) {
        const QString& want = c.messages[k];
        EXPECT_TRUE(want.endsWith('*') ? observer.messages[k].startsWith(want.chopped(1))
                                       : observer.messages[k] == want)
            << observer.messages[k].toStdString();
        // Time-outs, the time and the check's answer are notes; everything else is an error.
        const bool note =
            want == kTimeOut || want.startsWith(kNoTime.left(16)) || (c.run == Job::Check && want.size() < 2);
        EXPECT_EQ(observer.icons[size_t(k)],
                  note ? TransferObserver::Icon::None : TransferObserver::Icon::Critical);
    }
    EXPECT_EQ(observer.whats.value(observer.whats.size() - 1), c.lastWhat);
    EXPECT_TRUE(c.shownWhat.isEmpty() || observer.whats.contains(c.shownWhat)) << c.shownWhat.toStdString();
    const char letter[] = {'W', 'R', 'B', 'C', 'W'};
    EXPECT_EQ(device.frameCount(letter[int(c.run)]), c.frames);
    EXPECT_EQ(wire.opens, c.frames > 0 ? 1 : 0) << "one opening for the whole run";
    EXPECT_EQ(wire.closes, wire.opens);
    EXPECT_EQ(observer.closeShown > 0, c.over);
    EXPECT_EQ(state.CancelRequested, c.over);
    if (c.outcome != Outcome::Completed) return;
    EXPECT_EQ(observer.done, observer.total);
    const int where = c.run == Job::Batch ? last / 64 * 64 : last; // the upload's is its last marked byte
    EXPECT_TRUE(c.run == Job::Check || c.run == Job::Upload || observer.wheres.last() == addressBits(where));
    QByteArray expected = before;
    for (int a = 0; writes && a <= last; ++a)
        expected[a] = char(state.byteAt(a));
    EXPECT_EQ(device.memory(), expected) << "the image up to BinSize - 17, and nothing else";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, Transfer, ::testing::Values(
    Case{"download", Job::Download, 100, {}, {}, -1, Outcome::Completed, {kNoTime}, "", "", 96, true},
    Case{"download_resends", Job::Download, 16, {}, {0, 2, false}, -1, Outcome::Completed, {kNoTime}, "", "Writing Address  (1)", 31, true},
    Case{"download_echo_lost", Job::Download, 64, {}, {5, 0, false}, -1, Outcome::Failed, {kTimeOut}, "Writing Address", "", 6, true},
    Case{"download_dead", Job::Download, 64, {}, {0, 0, true}, -1, Outcome::Failed,
         {kTimeOut, kTimeOut, kTimeOut, kTimeOut, "Error writing to Ram at Address 0"}, "", "", 4, true},
    Case{"download_bad_echoes", Job::Download, 32, {}, {0, 1, false}, -1, Outcome::Failed, {"Error writing to Ram at Address 0"}, "", "", 4, false},
    Case{"download_vanish", Job::Download, 64, {}, {}, 10, Outcome::Failed, {"Port error at Address 9: Device disconnected"}, "", "", 10, true},
    Case{"verify", Job::Verify, 32, {}, {}, -1, Outcome::Completed, {kNoTime}, "No Errors", "", 32, true},
    Case{"verify_last_differs", Job::Verify, 48, {47}, {}, -1, Outcome::Completed, readErrors({47}) << kNoTime, "Total Errors : 1", "", 48, true},
    Case{"verify_30_errors", Job::Verify, 64, upTo(30), {}, -1, Outcome::Failed, readErrors(upTo(30)) << "30 Errors Before Address 30", "", "Reading Address  (29)", 31, false},
    Case{"verify_time_out", Job::Verify, 64, {}, {3, 0, false}, -1, Outcome::Failed, {kTimeOut, "Error Reading Address 2"}, "Reading Address", "", 3, true},
    Case{"batch", Job::Batch, 100, {}, {}, -1, Outcome::Completed, {kNoTime}, "", "Writing Address", 2, true},
    Case{"batch_32k", Job::Batch, 32768, {}, {}, -1, Outcome::Completed, {"Download Time = 00:00:25"}, "", "", 512, true},
    Case{"batch_ack_lost", Job::Batch, 256, {}, {2, 0, false}, -1, Outcome::Failed, {kTimeOut}, "Writing Address", "", 2, true},
    Case{"batch_vanish", Job::Batch, 1024, {}, {}, 4, Outcome::Failed, {"Port error at Address 64*"}, "", "", 2, true},
    Case{"check", Job::Check, 64, {}, {}, -1, Outcome::Completed, {"K", kNoTime}, "No Errors", "Reading Address", 1, true},
    Case{"check_silent", Job::Check, 64, {}, {0, 0, true}, -1, Outcome::Failed, {kTimeOut, ""}, "Reading Address", "", 1, true},
    Case{"upload", Job::Upload, 100, {95, 5, 96, 111, 5000}, {}, -1, Outcome::Completed, {}, "", "Writing Address", 2, false},
    Case{"upload_nothing_marked", Job::Upload, 64, {}, {}, -1, Outcome::Completed, {}, "", "Writing Address", 0, false},
    Case{"upload_resends", Job::Upload, 64, {1, 2, 3}, {0, 2, false}, -1, Outcome::Completed, {}, "", "Writing Address  (1)", 5, false},
    Case{"upload_dead", Job::Upload, 64, {1, 2, 3}, {0, 0, true}, -1, Outcome::Failed, {"Error writing to Ram at Address 1"}, "", "", 4, false},
    Case{"upload_vanish", Job::Upload, 64, {1, 2, 3}, {}, 2, Outcome::Failed, {"Port error at Address 2*"}, "", "", 2, false},
    Case{"upload_past_64k", Job::Upload, 0x10100, {0xFFFF, 0x10000}, {}, -1, Outcome::Failed,
         {"Upload stopped at Address 65536: the emulator link addresses 64 KiB only."}, "", "", 1, false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

using Transfers = EmulatorRig;

TEST_F(Transfers, RunsThatCannotStartSendNothing) {
    setImage(0x10010); // addresses past 16 bits
    for (const Job r : {Job::Download, Job::Verify, Job::Batch, Job::Check}) {
        EXPECT_EQ(runOn(r, context()).outcome, Outcome::Failed);
        EXPECT_TRUE(state.CancelRequested);
    }
    EXPECT_EQ(observer.messages,
              QStringList(
                  4, QStringLiteral("The emulator link addresses 64 KiB only: this image has 65552 bytes.")));
    setImage(64);
    StoreByte(state, 7, 7);
    wire.openError = QStringLiteral("Device or resource busy");
    for (const Job r : {Job::Download, Job::Verify, Job::Batch, Job::Check, Job::Upload}) {
        state.CancelRequested = false;
        EXPECT_EQ(runOn(r, context()).outcome, Outcome::Failed);
        EXPECT_EQ(observer.messages.last(), QStringLiteral("Cannot open /dev/sim0: Device or resource busy"));
        EXPECT_EQ(state.CancelRequested, r != Job::Upload) << "the editor has no Close button";
    }
    EXPECT_EQ(observer.messages.size(), 9);
    EXPECT_EQ(observer.closeShown, 8);
    EXPECT_TRUE(wire.sent().isEmpty());
}

TEST_F(Transfers, CancelStopsAfterTheAddressOrBlockInProgress) {
    setImage(1024);
    // Quick echoes: the event pump must still run between them, and the click it delivers
    // stops the run after the address on the line.
    wire.latency = 0.0005;
    int framesAtClick = -1;
    ticker.hook = [&] {
        if (framesAtClick < 0 && device.frameCount('W') >= 100)
            framesAtClick = device.frameCount('W'), state.CancelRequested = true;
    };
    EXPECT_EQ(runOn(Job::Download, context()).outcome, Outcome::Cancelled);
    EXPECT_TRUE(framesAtClick >= 100 && framesAtClick <= 105) << framesAtClick;
    EXPECT_EQ(device.frameCount('W'), framesAtClick);
    const size_t before = wire.writes.size();
    ticker.hook = [&] {
        state.CancelRequested = wire.writes.size() >= before + 5;
    }; // in block 3's header wait
    EXPECT_EQ(runOn(Job::Batch, context()).outcome, Outcome::Cancelled);
    EXPECT_EQ(device.frameCount('B'), 3);
    EXPECT_TRUE(observer.messages.isEmpty() && observer.closeShown == 0)
        << "the click itself turned the button";
    EXPECT_EQ(wire.closes, 2);
}

TEST_F(Transfers, BatchWaitsTwoSecondsForAnAcknowledgement) {
    setImage(256);
    device.setFaults({2, 0, false});
    EXPECT_EQ(runOn(Job::Batch, context()).outcome, Outcome::Failed);
    EXPECT_NEAR(ticker.now, 2 * 0.05 + 2.0, 0.01); // two header waits, then the wait for the lost "N"
    EXPECT_EQ(formatElapsed(90.7) + formatElapsed(3600 * 11 + 61) + formatElapsed(-1),
              QStringLiteral("00:01:3011:01:0100:00:00"));
}

TEST_F(Transfers, UploadSendsTheRecordedValuesInOrderWithAFixedWait) {
    setImage(256);
    StoreByte(state, 0x80, 0x11);
    StoreByte(state, 0x05, 0x22);
    StoreByte(state, 0x80, 0x33);        // the latest value wins
    state.BinImage[0x05].setValue(0x99); // the image cell is not what is sent
    for (const bool verify : {true, false}) {
        wire.writes.clear();
        const double start = ticker.now;
        EXPECT_EQ(UploadChanges(context()).Upload_Changes(verify).outcome, Outcome::Completed);
        EXPECT_EQ(wire.writes, (std::vector{writeFrame(0x05, 0x22), writeFrame(0x80, 0x33)}))
            << "nothing is cleared";
        EXPECT_NEAR(ticker.now - start, 2 * (verify ? 0.14 : 0.05), 1e-9);
        EXPECT_EQ(state.VerifyWrites, verify);
    }
    device.setFaults({0, 0, true}); // without checking, no answer at all is accepted
    EXPECT_EQ(UploadChanges(context()).Upload_Changes(false).outcome, Outcome::Completed);
    EXPECT_EQ(runOn(Job::Download, context()).outcome, Outcome::Failed);
    EXPECT_TRUE(state.VerifyWrites) << "a download always checks its writes";
}
