// korvel-cli log STREAM.adx --device DEV (--cycles N | --seconds S) [--out LOG.csv]
// Connects to the ECU on its diagnostic line as the stream definition says and writes one CSV
// row per monitor cycle (to stdout without --out). Every row is flushed as it is written (a few
// a second), so a pulled cable keeps what was logged. Ctrl+C (or SIGTERM) ends the log after
// the cycle in flight, as a finished one.
//
// Exit codes: 0 done, 1 the ECU does not answer or the line fails, 2 usage or a bad stream file.

#include "verbs.h"

#include "core/aldl_log.h"
#include "core/wait.h"
#include "emulator/aldl_link.h"
#include "emulator/qt_serial_port.h"

#include <QFile>

#include <csignal>
#include <cstdio>

namespace korvel::cli {

namespace {

constexpr int kFailed = 1;
constexpr int kUsageOrInputError = 2;
volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

constexpr const char* kUsage = "log STREAM.adx --device DEV (--cycles N | --seconds S) [--out LOG.csv]";

struct Options {
    QString stream, device, out;
    long long cycles = 0;
    double seconds = 0;
};

std::optional<Options> parse(QStringList args) {
    Options o;
    bool ok = true;
    while (!args.isEmpty() && ok) {
        const QString a = args.takeFirst();
        const bool valued = !args.isEmpty();
        if (a == QLatin1String("--device") && valued)
            o.device = args.takeFirst();
        else if (a == QLatin1String("--out") && valued)
            o.out = args.takeFirst();
        else if (a == QLatin1String("--cycles") && valued)
            o.cycles = args.takeFirst().toLongLong(&ok);
        else if (a == QLatin1String("--seconds") && valued)
            o.seconds = args.takeFirst().toDouble(&ok);
        else if (!a.startsWith(QLatin1String("--")) && o.stream.isEmpty())
            o.stream = a;
        else
            ok = false;
    }
    // Exactly one of --cycles and --seconds, with a count or a time above 0.
    if (!ok || o.stream.isEmpty() || o.device.isEmpty() || (o.cycles > 0) == (o.seconds > 0) ||
        o.cycles < 0 || o.seconds < 0)
        return std::nullopt;
    return o;
}

// Where the rows go: the --out file or stdout.
class Sink {
public:
    bool open(const QString& path) {
        if (path.isEmpty()) return true;
        m_file.setFileName(path);
        return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    QString errorString() const { return m_file.errorString(); }
    bool write(const QString& text) {
        const QByteArray bytes = text.toUtf8();
        if (!m_file.isOpen())
            return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
        return m_file.write(bytes) == bytes.size();
    }
    bool flush() { return m_file.isOpen() ? m_file.flush() : std::fflush(stdout) == 0; }

private:
    QFile m_file;
};

int run(const QStringList& args) {
    const std::optional<Options> o = parse(args);
    if (!o) {
        err(QStringLiteral("usage: korvel-cli %1").arg(QLatin1String(kUsage)));
        return kUsageOrInputError;
    }
    QFile streamFile(o->stream);
    if (!streamFile.open(QIODevice::ReadOnly)) {
        err(QStringLiteral("%1 Not Found").arg(o->stream));
        return kUsageOrInputError;
    }
    const AdxReadResult read = readAdx(streamFile.readAll());
    if (!read.ok()) {
        err(QStringLiteral("%1: %2").arg(o->stream, read.error));
        return kUsageOrInputError;
    }
    const AdxDefinition& def = *read.definition;
    QtSerialPort port;
    if (!port.open(o->device, AldlLink::settingsFor(def))) {
        err(QStringLiteral("cannot open %1: %2").arg(o->device, port.errorString()));
        return kFailed;
    }
    EventLoopTicker ticker;
    AldlLink link(port, ticker, def);
    if (const AldlCycle c = link.connect(); !c.ok) {
        err(QStringLiteral("The ECU does not answer: %1").arg(c.reason));
        return kFailed;
    }
    const AldlLogWriter writer(def);
    Sink sink;
    double start = -1;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    for (long long n = 0; o->cycles == 0 || n < o->cycles; ++n) {
        const double begun = ticker.seconds();
        if (start < 0) start = begun;
        if ((o->seconds > 0 && begun - start >= o->seconds) || (n > 0 && g_stop)) {
            if (g_stop) err(QStringLiteral("stopped after %1 cycles").arg(n));
            break;
        }
        const AldlCycle c = link.monitor();
        if (n == 0 && !c.ok && c.payloads.empty()) {
            err(QStringLiteral("The ECU does not answer: %1").arg(c.reason));
            return kFailed;
        }
        // The file is made once the ECU has answered: an earlier log of the same name is kept
        // when it does not.
        if (n == 0 && (!sink.open(o->out) || !sink.write(writer.heading()))) {
            err(QStringLiteral("cannot write %1: %2").arg(o->out, sink.errorString()));
            return kUsageOrInputError;
        }
        if (c.portFailed) {
            err(QStringLiteral("The line failed after %1 cycles: %2").arg(n).arg(c.reason));
            return kFailed;
        }
        // A cycle that failed part-way still logs what it heard; the rest stays empty.
        if (!c.ok) err(QStringLiteral("cycle %1: %2").arg(n + 1).arg(c.reason));
        if (!sink.write(writer.row(begun - start, decodeAdx(def, c.payloads))) || !sink.flush()) {
            err(QStringLiteral("cannot write %1").arg(o->out));
            return kFailed;
        }
    }
    return 0;
}

const VerbRegistration registration{{"log", kUsage, run}};

} // namespace

} // namespace korvel::cli
