// The serial fault soak: random transfers against korvel-romsim on a pseudo-terminal that
// drops replies, corrupts echoes, sends stray bytes or vanishes. Every run must end with the
// messages its ending calls for, and the emulator's memory must hold what the run claimed.
// KORVEL_SOAK_SEED repeats a soak, KORVEL_SOAK_SECONDS sets its work (default 110 s). Each
// session prints a line as it starts, so a hang killed by the time-out shows where it was.
#include "emulator/batch_download_engine.h"
#include "emulator/download_engine.h"
#include "emulator/emulator_fixture.h"
#include "emulator/line_settler.h"
#include "emulator/qt_serial_port.h"
#include "emulator/upload_changes.h"
#include "emulator/verify_engine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <random>
#include <set>

using namespace korvel;
using korvel::test::Romsim;

namespace {

constexpr int kWindow = 4096;    // bytes of emulator memory compared after a session
constexpr qint64 kRunLimit = 30; // s that any single run may take
constexpr qint64 kSlack = 2;     // exchanges that a busy machine's timing alone may spoil in a run
enum Op { Download, Verify, Batch, Upload };
const char* const kOps[] = {"download", "verify", "batch", "upload"};
const QString kT = QStringLiteral("Download Time = \\d{2,}:\\d{2}:\\d{2}"),
              kW = "Error writing to Ram at Address ", kR = "Error Reading Address ",
              kP = "Port error at Address \\d+: .*|Cannot (open|set|switch) .*",
              kWhy = "(\\n.*)?"; // a failed address's second line says why
const QRegularExpression kTime("^" + kT + "$"), kWrite("^" + kW + "(\\d+)" + kWhy + "$"),
    kRead("^" + kR + "(\\d+)" + kWhy + "$"), kThirty(QStringLiteral("^30 Errors Before Address "));

// The messages a run of the operation may show when it fails, or when it completes.
QRegularExpression allowed(Op op, bool completed) {
    const QString timeOut = "|Time Out Error Download Aborted|" + kP;
    const QString failing[] = {kW + "\\d+" + kWhy + timeOut,
                               kR + "\\d+" + kWhy + "|30 Errors Before Address \\d+" + timeOut,
                               timeOut.mid(1), kW + "\\d+" + kWhy + "|" + kP};
    const QString completing[] = {kT, kR + "\\d+|" + kT, kT, QString()};
    return QRegularExpression("^(" + (completed ? completing : failing)[op] + ")$");
}

// The parts joined by spaces: problems and progress lines.
template <typename... T> QString say(const T&... parts) {
    return (QStringList() << ... << QVariant(parts).toString()).join(' ');
}

int addressIn(const QRegularExpression& re, const QString& text) {
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Everything one run showed and returned, as a window would have seen it.
struct Run {
    Op op = Download;
    TransferResult result;
    QStringList messages, whats;
    qint64 done = 0, total = 0;
    int range = 0;         // the image addresses the run covers: 0 .. range - 1
    std::vector<int> sent; // upload: the marked addresses, ascending
    bool completed() const { return result.outcome == TransferOutcome::Completed; }
};

// The messages and labels of a run against its outcome: those its ending calls for, and no others.
QStringList judgeMessages(const Run& run) {
    QStringList problems;
    const QString lastWhat = run.whats.value(run.whats.size() - 1, "<none>"),
                  lastMessage = run.messages.value(run.messages.size() - 1);
    auto fail = [&](bool bad, const QString& what) {
        if (bad) problems << say(what, "; lblWhat", lastWhat, "; messages", run.messages.mid(0, 4).join('|'));
    };
    const auto count = [&](const QRegularExpression& re) { return run.messages.filter(re).size(); };
    std::set<int> reads;
    for (const QString& m : run.messages.filter(kRead))
        reads.insert(addressIn(kRead, m));
    const bool completed = run.completed();
    fail(count(allowed(run.op, completed)) != run.messages.size(), "a message its ending does not call for");
    fail(run.result.outcome == TransferOutcome::Cancelled, "cancelled, though nobody asked");
    fail(completed ? run.done != run.total : run.messages.isEmpty(), say("done", run.done, "of", run.total));
    const int wrote = addressIn(kWrite, lastMessage),
              reached = run.op == Upload && run.done > 0 ? run.sent[size_t(run.done - 1)] : run.done - 1;
    fail(count(kWrite) > 1 || (wrote >= 0 && wrote != reached),
         say("write error, though the run reached", reached));
    if (run.op == Download || run.op == Batch)
        fail(completed && (run.messages.size() != 1 || !lastWhat.isEmpty()), "completed");
    // The fixed-wait exchange of an upload has no time-out of its own: a missing echo is a wrong echo.
    if (run.op == Upload) fail(completed ? !lastWhat.isEmpty() : run.messages.size() != 1, "upload");
    if (run.op != Verify) return problems;
    const QString want =
        run.result.errors ? say("Total Errors :", run.result.errors) : QStringLiteral("No Errors");
    fail(completed && (!kTime.match(lastMessage).hasMatch() || count(kTime) != 1 ||
                       qint64(reads.size()) != run.result.errors || lastWhat != want),
         say(run.result.errors, "errors counted"));
    fail(count(kThirty) > 0 && reads.size() < 30, say("30 errors claimed after", int(reads.size())));
    fail(!reads.empty() && *reads.rbegin() >= run.done, "read error at an address never read");
    return problems;
}

// The memory after the session against what the run claimed: every byte it confirmed holds the
// image, nothing it never reached was written, a verify saw every difference it read.
QStringList judgeMemory(const Run& run, const QByteArray& image, const QByteArray& before,
                        const QByteArray& after, const Romsim& emulator) {
    QStringList problems;
    auto expect = [&](int a, const QByteArray& want, const char* what) {
        if (after[a] != want[a] && problems.size() < 8)
            problems << say(what, "at", a, "is", quint8(after[a]), "expected", quint8(want[a]));
    };
    const bool single = run.op == Download; // a download confirms each byte, a batch each block
    if (run.op == Download || run.op == Batch) {
        const qint64 confirmed = run.completed() ? run.range : single ? run.done - 1 : run.done;
        const qint64 untouched = std::min<qint64>(run.range, single ? run.done + 1 : run.done + 64);
        for (int a = 0; a < kWindow; ++a) {
            if (a < confirmed) expect(a, image, "confirmed byte");
            if (a >= untouched) expect(a, before, "byte never sent");
        }
    } else if (run.op == Upload) {
        const std::set<int> sent(run.sent.begin(), run.sent.end());
        for (qint64 k = 0; k < (run.completed() ? qint64(run.sent.size()) : run.done - 1); ++k)
            expect(run.sent[size_t(k)], image, "uploaded byte");
        for (int a = 0; a < kWindow; ++a)
            if (!sent.count(a)) expect(a, before, "byte not marked");
    } else {
        std::set<int> reported; // a stray byte may pass for a difference: only without one is every one seen
        for (const QString& m : run.messages.filter(kRead))
            reported.insert(addressIn(kRead, m));
        const auto alarms =
            std::count_if(reported.begin(), reported.end(), [&](int a) { return after[a] == image[a]; });
        if (alarms > emulator.faults + kSlack)
            problems << say(qint64(alarms), "false alarms for", emulator.faults);
        for (int a = 0; emulator.strayBytes == 0 && a < (run.completed() ? run.range : run.done); ++a)
            if (!reported.count(a)) expect(a, image, "difference not reported");
    }
    // Each fault costs at most one re-send; many more means the link lost step.
    if (run.result.resends > emulator.faults + kSlack)
        problems << say(run.result.resends, "re-sends for", emulator.faults);
    return problems;
}

struct Soak {
    std::mt19937_64 rng;
    QTemporaryDir dir;
    AppState state;
    QtSerialPortFactory ports;
    EventLoopTicker ticker;
    int sessions = 0, kills = 0;
    qint64 faults = 0;
    QStringList problems;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    // 1..most, spread evenly on a logarithmic scale: a batch answers some 30 times in a run, a download 2000.
    int spread(int most) {
        return std::min(int(std::exp(std::uniform_real_distribution<double>(0, std::log(most))(rng))), most);
    }
    void complain(Op op, const QStringList& found) {
        for (const QString& p : found)
            if (!p.isEmpty()) problems << say("session", sessions, kOps[op], ":", p);
    }

    Run runOnce(Op op, const QString& device, const std::vector<int>& sent, qint64 limitMs) {
        test::RecordingObserver observer;
        const TransferContext context{state, ports, device, ticker, observer};
        Run run{op, {}, {}, {}, 0, 0, state.BinSize - 16, sent};
        QElapsedTimer clock; // the limit on a run's time catches a slow link
        clock.start();
        run.result = op == Download ? DownloadEngine(context).run()
                     : op == Verify ? VerifyEngine(context).run()
                     : op == Batch  ? BatchDownloadEngine(context).run()
                                    : UploadChanges(context).Upload_Changes(true);
        std::tie(run.messages, run.whats, run.done, run.total) =
            std::tie(observer.messages, observer.whats, observer.done, observer.total);
        if (op == Upload && run.total == 0) run.total = qint64(sent.size());
        const qint64 ms = clock.elapsed();
        complain(op, judgeMessages(run)
                         << (ms > limitMs ? say("took", ms, "ms, more than", limitMs) : QString()));
        return run;
    }

    // One session: a fresh emulator with its faults and one transfer; after a kill, the same
    // transfer on a new emulator without faults must succeed.
    void session() {
        const Op op = Op(pick(0, 3));
        const int length = pick(200, 2048), killAfterMs = pick(0, 99) < 12 ? pick(0, 400) : -1;
        QStringList options; // each kind of fault on its own or together; a third of the sessions run clean
        // Every fault makes the link wait for a quiet line before it sends again: a run may take that
        // long on top of the limit, with room for a slow (sanitized) build.
        double expectedFaults = 0;
        for (const auto& [name, most] :
             {std::pair{"--drop-every", 4000}, {"--corrupt-every", 600}, {"--garbage-every", 1000}})
            if (pick(0, 9) < 3) {
                const int every = spread(most);
                options << QLatin1String(name) << QString::number(every);
                expectedFaults += double(length) / every;
            }
        const qint64 limitMs = kRunLimit * 1000 + qint64(expectedFaults * LineSettler::kQuietGap * 1500);
        std::printf("soak: session %d, %s of %d bytes %s, kill after %d ms\n", ++sessions, kOps[op], length,
                    qPrintable(options.join(' ')), killAfterMs),
            std::fflush(stdout);
        // The image as ReadBinFile leaves a file of `length` bytes, and what the emulator holds before.
        QByteArray image(kWindow, '\0'), before(kWindow, '\0');
        state.BinSize = length % 16 == 0 ? length + 16 : (length + 15) / 16 * 16;
        const int range = state.BinSize - 16;
        for (int a = 0; a < kWindow; ++a) {
            image[a] = char(a < length ? pick(0, 255) : 0);
            before[a] = char(op == Download || op == Batch ? pick(0, 255) : image[a]);
            state.BinImage[size_t(a)] = state.PendingChanges[size_t(a)] = BinCell{};
            state.BinImage[size_t(a)].setValue(quint8(image[a]));
        }
        const int changes = op == Upload   ? pick(0, 6)
                            : op != Verify ? 0
                            : pick(0, 8)   ? pick(0, 5)
                                           : pick(30, 40);
        for (int k = 0; k < changes; ++k) {
            const int a = pick(0, range - 1);
            if (op == Verify) before[a] = char(before[a] ^ 0x5A); // the emulator differs from the image
            if (op == Upload) StoreByte(state, a, pick(0, 255)), image[a] = char(state.byteAt(a));
        }
        std::vector<int> sent;
        for (int a = 0; op == Upload && a < range; ++a)
            if (!state.PendingChanges[size_t(a)].isEmpty()) sent.push_back(a);

        Romsim first, again;
        if (const QString e = first.start(dir.path(), before, options); !e.isEmpty())
            return void(problems << e);
        QTimer killer; // a device that vanishes in the middle of the run, never after it
        QObject::connect(&killer, &QTimer::timeout, [&] { killer.stop(), first.kill(); });
        if (killAfterMs >= 0) killer.start(killAfterMs);
        Run run = runOnce(op, first.device, sent, limitMs);
        killer.stop();
        Romsim& last = first.killed ? again : first;
        if (first.killed && ++kills && !again.start(dir.path(), before, {}).isEmpty())
            return void(problems << "no restart");
        if (first.killed) run = runOnce(op, again.device, sent, kRunLimit * 1000);
        if (first.killed && !run.completed() && !(op == Verify && before.left(range) != image.left(range)))
            complain(op, {"the device came back, yet the run failed"});
        QByteArray after;
        if (const QString e = last.finish(after, kWindow); !e.isEmpty()) return void(problems << e);
        faults += last.faults;
        complain(op, judgeMemory(run, image, before, after, last));
    }
};

} // namespace

TEST(SerialSoak, TransfersSurviveLineFaultsAndAVanishingDevice) {
    int argc = 1;
    char name[] = "soak_test_serial_soak", *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const double seconds = qEnvironmentVariable("KORVEL_SOAK_SECONDS").toDouble();
    const quint64 seed = qEnvironmentVariableIsSet("KORVEL_SOAK_SEED")
                             ? qEnvironmentVariable("KORVEL_SOAK_SEED").toULongLong()
                             : std::random_device{}();
    Soak soak;
    soak.rng.seed(seed);
    std::printf("soak: seed %llu (KORVEL_SOAK_SEED)\n", (unsigned long long)seed);
    ASSERT_TRUE(soak.dir.isValid());
    QElapsedTimer clock;
    for (clock.start(); clock.elapsed() < (seconds > 0 ? seconds : 110) * 1000 && soak.problems.size() <= 20;)
        soak.session();
    std::printf("soak: %d sessions in %lld s, %d devices killed, %lld faults injected\n", soak.sessions,
                clock.elapsed() / 1000, soak.kills, soak.faults);
    for (const QString& p : soak.problems)
        ADD_FAILURE() << "seed " << seed << ", " << p.toStdString();
}
