// The serial fault soak: whole-image downloads, verifies, batches and uploads against
// korvel-romsim on a real pseudo-terminal through QSerialPort, with dropped replies,
// corrupted echoes, stray bytes and a device that vanishes mid-run and comes back.
// Every run is judged by what it showed against what it returned, and the emulator's
// memory against what the run claimed. The run is seeded (KORVEL_SOAK_SEED) and
// bounded in time (KORVEL_SOAK_SECONDS of work); the figures are printed at the end.

#include "core/values.h"
#include "emulator/batch_download_engine.h"
#include "emulator/download_engine.h"
#include "emulator/emulator_fixture.h"
#include "emulator/qt_serial_port.h"
#include "emulator/upload_changes.h"
#include "emulator/verify_engine.h"
#include "romsim_process.h"
#include "run_judge.h"
#include "soak_tally.h"
#include "watchdog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <deque>
#include <mutex>
#include <random>

using namespace korvel;
using namespace korvel::soak;

namespace {

constexpr int kMemoryWindow = 4096; // bytes of emulator memory compared after a session
constexpr double kRunLimit = 30;    // s that any single run may take
constexpr double kDefaultBudget = 110;

// One session: a fresh emulator with its faults, one transfer, maybe a verify after it.
struct Plan {
    Operation op = Operation::Download;
    bool verifyAfter = false;
    int length = 0; // BIN file length in bytes
    int dropEvery = 0, corruptEvery = 0, garbageEvery = 0;
    int killAfterMs = -1; // -1: the device stays
    int edits = 0;        // upload: bytes changed before it
    int flips = 0;        // verify: bytes of the emulator that differ from the image

    QStringList options() const {
        QStringList o;
        auto add = [&](const char* name, int n) {
            if (n > 0) o << QLatin1String(name) << QString::number(n);
        };
        add("--drop-every", dropEvery);
        add("--corrupt-every", corruptEvery);
        add("--garbage-every", garbageEvery);
        return o;
    }
    QString describe() const {
        return QStringLiteral("%1%2 of %3 bytes, options [%4], kill after %5 ms, edits %6, flips %7")
            .arg(QLatin1String(operationName(op)), verifyAfter ? QStringLiteral("+verify") : QString())
            .arg(length)
            .arg(options().join(QLatin1Char(' ')))
            .arg(killAfterMs)
            .arg(edits)
            .arg(flips);
    }
};

// What happened lately, for a failure or a hang report. Read by the watchdog's thread.
class Journal {
public:
    void add(const QString& line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line.toStdString());
        if (m_lines.size() > 12) m_lines.pop_front();
    }
    std::string text() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string out;
        for (const std::string& l : m_lines)
            out += "  " + l + "\n";
        return out;
    }

private:
    std::mutex m_mutex;
    std::deque<std::string> m_lines;
};

class Soak {
public:
    Soak(quint64 seed, double budget)
        : m_seed(seed), m_budget(budget), m_rng(seed), m_watchdog([this] {
              return "seed " + std::to_string(m_seed) + ", last sessions:\n" + m_journal.text();
          }) {}

    void run() {
        ASSERT_TRUE(m_dir.isValid());
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() / 1000.0 < m_budget) {
            const Plan plan = makePlan();
            m_journal.add(plan.describe());
            session(plan);
            if (m_tally.problems.size() > 20) break;
        }
        m_tally.seconds = clock.elapsed() / 1000.0;
        m_tally.print(m_seed);
        for (const QString& p : m_tally.problems)
            ADD_FAILURE() << p.toStdString();
        if (!m_tally.problems.isEmpty())
            ADD_FAILURE() << "seed " << m_seed << "; last sessions:\n" << m_journal.text();
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_rng); }
    // lo..hi, evenly spread on a logarithmic scale.
    int spread(int lo, int hi) {
        const double x = std::uniform_real_distribution<double>(std::log(lo), std::log(hi + 1.0))(m_rng);
        return std::clamp(static_cast<int>(std::exp(x)), lo, hi);
    }

    Plan makePlan() {
        Plan p;
        p.op = static_cast<Operation>(pick(0, 3));
        p.length = pick(200, 2048);
        p.verifyAfter = p.op != Operation::Verify && chance(0.6);
        // Each kind on its own or together; a third of the sessions run clean.
        // "Every N" spread evenly over the scales: a batch answers some 30 times in a
        // run, a download or a verify some 2000 times.
        if (chance(0.3)) p.dropEvery = spread(1, 4000);
        if (chance(0.3)) p.corruptEvery = spread(1, 600);
        if (chance(0.3)) p.garbageEvery = spread(1, 1000);
        if (chance(0.12)) p.killAfterMs = pick(0, 400);
        if (p.op == Operation::Upload) p.edits = pick(0, 6);
        if (p.op == Operation::Verify) p.flips = pick(0, 8) == 0 ? pick(30, 40) : pick(0, 5);
        return p;
    }

    // The image as ReadBinFile leaves a file of `length` bytes; the bytes past the
    // file up to BinSize read "00".
    QByteArray loadImage(int length) {
        QByteArray image(kMemoryWindow, '\0');
        m_state.BinSize = length % 16 == 0 ? length + 16 : (length + 15) / 16 * 16;
        for (int a = 0; a < kMemoryWindow; ++a) {
            if (a < length) image[a] = static_cast<char>(pick(0, 255));
            m_state.BinImage[static_cast<size_t>(a)] = BinCell{};
            m_state.PendingChanges[static_cast<size_t>(a)] = BinCell{};
            if (a < m_state.BinSize) {
                m_state.BinImage[static_cast<size_t>(a)].setAddress(a);
                m_state.BinImage[static_cast<size_t>(a)].setValue(static_cast<quint8>(image[a]));
            }
        }
        return image;
    }

    QByteArray junk() {
        QByteArray out(kMemoryWindow, '\0');
        for (char& c : out)
            c = static_cast<char>(pick(0, 255));
        return out;
    }

    RunRecord runOnce(Operation op, const QString& device, const std::vector<int>& sent = {}) {
        test::RecordingObserver observer;
        const TransferContext context{m_state, m_ports, device, m_ticker, observer};
        RunRecord run;
        run.op = op;
        run.range = std::max(0, m_state.BinSize - 16);
        run.sentAddresses = sent;
        m_watchdog.arm(kRunLimit * 2);
        QElapsedTimer clock;
        clock.start();
        switch (op) {
        case Operation::Download:
            run.result = DownloadEngine(context).run();
            break;
        case Operation::Verify:
            run.result = VerifyEngine(context).run();
            break;
        case Operation::Batch:
            run.result = BatchDownloadEngine(context).run();
            break;
        case Operation::Upload:
            run.result = UploadChanges(context).Upload_Changes(true);
            break;
        }
        run.seconds = clock.elapsed() / 1000.0;
        m_watchdog.disarm();
        run.messages = observer.texts();
        run.whats = observer.whats;
        run.done = observer.done;
        run.total = observer.total;
        if (op == Operation::Upload && run.total == 0) run.total = static_cast<qint64>(sent.size());
        m_journal.add(QStringLiteral("  %1 -> %2 in %3 s; done %4/%5; resends %6, errors %7; messages: %8")
                          .arg(QLatin1String(operationName(op)), QLatin1String(endingName(endingOf(run))))
                          .arg(run.seconds, 0, 'f', 2)
                          .arg(run.done)
                          .arg(run.total)
                          .arg(run.result.resends)
                          .arg(run.result.errors)
                          .arg(run.messages.mid(0, 4).join(QStringLiteral(" | "))));
        m_tally.addRun(run);
        complain(run, judgeMessages(run));
        if (run.seconds > kRunLimit) complain(run, {QStringLiteral("took %1 s").arg(run.seconds)});
        return run;
    }

    void complain(const RunRecord& run, const QStringList& problems) {
        for (const QString& p : problems)
            m_tally.problems << QStringLiteral("seed %1, session %2, %3: %4")
                                    .arg(m_seed)
                                    .arg(m_tally.sessions)
                                    .arg(QLatin1String(operationName(run.op)), p);
    }

    void session(const Plan& plan) {
        ++m_tally.sessions;
        QByteArray image = loadImage(plan.length);
        const int range = std::max(0, m_state.BinSize - 16);
        QByteArray before;
        std::vector<int> sent;
        switch (plan.op) {
        case Operation::Download:
        case Operation::Batch:
            before = junk();
            break;
        case Operation::Upload: {
            before = image;
            for (int k = 0; k < plan.edits; ++k) {
                const int a = pick(0, range - 1);
                StoreByte(m_state, a, pick(0, 255));
                image[a] = static_cast<char>(m_state.byteAt(a));
            }
            for (int a = 0; a < range; ++a)
                if (!m_state.PendingChanges[static_cast<size_t>(a)].isEmpty()) sent.push_back(a);
            break;
        }
        case Operation::Verify:
            before = image;
            for (int k = 0; k < plan.flips; ++k) {
                const int a = pick(0, range - 1);
                before[a] = static_cast<char>(before[a] ^ 0x5A);
            }
            break;
        }
        m_tally.addPlan(plan.dropEvery > 0, plan.corruptEvery > 0, plan.garbageEvery > 0);

        RomsimProcess romsim;
        QString reason;
        if (!romsim.start(m_dir.path(), before, plan.options(), reason)) {
            m_tally.problems
                << QStringLiteral("seed %1, session %2: %3").arg(m_seed).arg(m_tally.sessions).arg(reason);
            return;
        }
        QTimer killer;
        killer.setSingleShot(true);
        QObject::connect(&killer, &QTimer::timeout, [&romsim] { romsim.kill(); });
        if (plan.killAfterMs >= 0) killer.start(plan.killAfterMs);

        std::vector<RunRecord> runs{runOnce(plan.op, romsim.device(), sent)};
        if (plan.verifyAfter) {
            const bool goneBefore = romsim.killed();
            runs.push_back(runOnce(Operation::Verify, romsim.device()));
            if (goneBefore && runs.back().result.outcome == TransferOutcome::Completed)
                complain(runs.back(), {QStringLiteral("completed on a device that was already gone")});
        }
        killer.stop();

        if (romsim.killed()) {
            ++m_tally.kills;
            // The device is gone: whatever ran after it must have failed.
            for (const RunRecord& r : runs)
                m_tally.afterKill[endingOf(r)]++;
            comeBack(plan, image, before, sent);
            return;
        }
        QByteArray after;
        InjectedFaults faults;
        if (!romsim.finish(kMemoryWindow, after, faults, reason)) {
            m_tally.problems
                << QStringLiteral("seed %1, session %2: %3").arg(m_seed).arg(m_tally.sessions).arg(reason);
            return;
        }
        m_tally.addFaults(faults);
        for (const RunRecord& r : runs)
            complain(r, judgeMemory(r, image, before, after, faults));
    }

    // A new emulator on a new line after the old one vanished: the same transfer,
    // without faults, must now succeed and leave the image in the emulator.
    void comeBack(const Plan& plan, const QByteArray& image, const QByteArray& before,
                  const std::vector<int>& sent) {
        RomsimProcess romsim;
        QString reason;
        if (!romsim.start(m_dir.path(), before, {}, reason)) {
            m_tally.problems
                << QStringLiteral("seed %1, session %2: %3").arg(m_seed).arg(m_tally.sessions).arg(reason);
            return;
        }
        const RunRecord run = runOnce(plan.op, romsim.device(), sent);
        QByteArray after;
        InjectedFaults faults;
        if (!romsim.finish(kMemoryWindow, after, faults, reason)) {
            m_tally.problems
                << QStringLiteral("seed %1, session %2: %3").arg(m_seed).arg(m_tally.sessions).arg(reason);
            return;
        }
        ++m_tally.comebacks;
        const bool wantErrors =
            plan.op == Operation::Verify && before.left(run.range) != image.left(run.range);
        if (run.result.outcome != TransferOutcome::Completed && !wantErrors)
            complain(run, {QStringLiteral("the device came back, yet the run ended with \"%1\"")
                               .arg(run.messages.value(run.messages.size() - 1))});
        complain(run, judgeMemory(run, image, before, after, faults));
    }

    quint64 m_seed;
    double m_budget;
    std::mt19937_64 m_rng;
    Journal m_journal;
    Watchdog m_watchdog;
    QTemporaryDir m_dir;
    AppState m_state;
    QtSerialPortFactory m_ports;
    EventLoopTicker m_ticker;
    Tally m_tally;
};

quint64 seedFromEnvironment() {
    bool ok = false;
    const quint64 seed = qEnvironmentVariable("KORVEL_SOAK_SEED").toULongLong(&ok);
    return ok ? seed : std::random_device{}();
}

} // namespace

TEST(SerialSoak, TransfersSurviveLineFaultsAndAVanishingDevice) {
    int argc = 1;
    char name[] = "soak_test_serial_soak";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    bool ok = false;
    double budget = qEnvironmentVariable("KORVEL_SOAK_SECONDS").toDouble(&ok);
    if (!ok || budget <= 0) budget = kDefaultBudget;
    const quint64 seed = seedFromEnvironment();
    std::printf("soak: seed %llu (KORVEL_SOAK_SEED), %.0f s of work\n", static_cast<unsigned long long>(seed),
                budget);
    std::fflush(stdout);
    Soak(seed, budget).run();
}
