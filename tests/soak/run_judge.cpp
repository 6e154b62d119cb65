#include "run_judge.h"

#include <QRegularExpression>
#include <algorithm>
#include <set>

namespace korvel::soak {

namespace {

const QRegularExpression kTime(QStringLiteral("^Download Time = \\d{2,}:\\d{2}:\\d{2}$"));
const QRegularExpression kWriteError(QStringLiteral("^Error writing to Ram at Address (\\d+)$"));
const QRegularExpression kReadError(QStringLiteral("^Error Reading Address (\\d+)$"));
const QRegularExpression kThirty(QStringLiteral("^30 Errors Before Address (\\d+)$"));
const QRegularExpression kPortError(QStringLiteral("^Port error at Address (\\d+): "));
const QRegularExpression kOpenError(QStringLiteral("^Cannot (open|set|switch) "));
const QString kTimeOut = QStringLiteral("Time Out Error Download Aborted");
// Exchanges that timing alone may spoil in a run: a reply that comes after its wait on
// a machine busy with other tests. A link that loses step spoils hundreds.
constexpr qint64 kSlack = 2;

bool matches(const QRegularExpression& re, const QString& text) {
    return re.match(text).hasMatch();
}

int addressIn(const QRegularExpression& re, const QString& text) {
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

qsizetype countOf(const QStringList& texts, const QRegularExpression& re) {
    return std::count_if(texts.begin(), texts.end(), [&](const QString& t) { return matches(re, t); });
}

// Addresses the verify reported as differing.
std::set<int> readErrors(const RunRecord& run) {
    std::set<int> out;
    for (const QString& m : run.messages)
        if (const int a = addressIn(kReadError, m); a >= 0) out.insert(a);
    return out;
}

// Every message must be one of the allowed kinds.
void onlyAllowed(const RunRecord& run, const std::vector<const QRegularExpression*>& allowed,
                 bool timeOutAllowed, QStringList& problems) {
    for (const QString& m : run.messages) {
        const bool ok =
            (timeOutAllowed && m == kTimeOut) ||
            std::any_of(allowed.begin(), allowed.end(), [&](auto* re) { return matches(*re, m); });
        if (!ok) problems << QStringLiteral("unexpected message \"%1\"").arg(m);
    }
}

} // namespace

const char* operationName(Operation op) {
    switch (op) {
    case Operation::Download:
        return "download";
    case Operation::Verify:
        return "verify";
    case Operation::Batch:
        return "batch";
    case Operation::Upload:
        return "upload";
    }
    return "?";
}

const char* endingName(Ending e) {
    switch (e) {
    case Ending::Completed:
        return "completed";
    case Ending::WriteError:
        return "write error";
    case Ending::ReadErrors:
        return "30 read errors";
    case Ending::TimeOut:
        return "time-out";
    case Ending::PortError:
        return "port error";
    case Ending::OpenError:
        return "open error";
    case Ending::Other:
        return "other";
    }
    return "?";
}

Ending endingOf(const RunRecord& run) {
    if (run.result.outcome == TransferOutcome::Completed) return Ending::Completed;
    for (const QString& m : run.messages) {
        if (matches(kPortError, m)) return Ending::PortError;
        if (matches(kOpenError, m)) return Ending::OpenError;
    }
    if (!run.messages.isEmpty()) {
        const QString& last = run.messages.last();
        if (matches(kWriteError, last)) return Ending::WriteError;
        if (matches(kThirty, last)) return Ending::ReadErrors;
    }
    if (run.messages.contains(kTimeOut)) return Ending::TimeOut;
    return Ending::Other;
}

QStringList judgeMessages(const RunRecord& run) {
    QStringList problems;
    const bool completed = run.result.outcome == TransferOutcome::Completed;
    if (run.result.outcome == TransferOutcome::Cancelled)
        problems << QStringLiteral("cancelled, though nobody asked");
    const qsizetype times = countOf(run.messages, kTime);
    if (completed && run.done != run.total)
        problems << QStringLiteral("completed after %1 of %2 addresses").arg(run.done).arg(run.total);
    if (!completed && times > 0) problems << QStringLiteral("failed, yet showed the download time");
    if (!completed && run.messages.isEmpty()) problems << QStringLiteral("failed without a message");
    const QString lastWhat = run.whats.isEmpty() ? QStringLiteral("<none>") : run.whats.last();

    switch (run.op) {
    case Operation::Download:
    case Operation::Batch:
        if (completed && run.messages != QStringList{run.messages.value(0)})
            problems
                << QStringLiteral("completed with messages %1").arg(run.messages.join(QStringLiteral(" | ")));
        if (completed && (times != 1 || !lastWhat.isEmpty()))
            problems << QStringLiteral("completed without the time, or lblWhat \"%1\"").arg(lastWhat);
        if (!completed) {
            if (run.op == Operation::Download)
                onlyAllowed(run, {&kWriteError, &kPortError, &kOpenError}, true, problems);
            else
                onlyAllowed(run, {&kPortError, &kOpenError}, true, problems);
            if (countOf(run.messages, kWriteError) > 1)
                problems << QStringLiteral("more than one write error");
            const int a = addressIn(kWriteError, run.messages.value(run.messages.size() - 1));
            if (a >= 0 && a != run.done - 1)
                problems << QStringLiteral("write error at %1, but the run had reached %2")
                                .arg(a)
                                .arg(run.done - 1);
        }
        break;
    case Operation::Verify: {
        const std::set<int> errors = readErrors(run);
        if (completed) {
            onlyAllowed(run, {&kReadError, &kTime}, false, problems);
            if (times != 1 || !matches(kTime, run.messages.value(run.messages.size() - 1)))
                problems << QStringLiteral("completed without the time as its last message");
            if (static_cast<qint64>(errors.size()) != run.result.errors)
                problems << QStringLiteral("%1 errors counted, %2 reported")
                                .arg(run.result.errors)
                                .arg(errors.size());
            const QString want = run.result.errors == 0
                                     ? QStringLiteral("No Errors")
                                     : QStringLiteral("Total Errors : %1").arg(run.result.errors);
            if (lastWhat != want)
                problems << QStringLiteral("lblWhat \"%1\", expected \"%2\"").arg(lastWhat, want);
        } else {
            onlyAllowed(run, {&kReadError, &kThirty, &kPortError, &kOpenError}, true, problems);
            if (countOf(run.messages, kThirty) == 1 && errors.size() < 30)
                problems << QStringLiteral("30 errors claimed after %1").arg(errors.size());
        }
        for (const int a : errors)
            if (a >= run.done) problems << QStringLiteral("read error at %1, never read").arg(a);
        break;
    }
    case Operation::Upload:
        // The fixed-wait exchange has no time-out of its own: a missing echo is a wrong echo.
        if (completed && !run.messages.isEmpty())
            problems
                << QStringLiteral("completed with messages %1").arg(run.messages.join(QStringLiteral(" | ")));
        if (completed && !lastWhat.isEmpty())
            problems << QStringLiteral("lblWhat \"%1\" at the end").arg(lastWhat);
        if (!completed) {
            onlyAllowed(run, {&kWriteError, &kPortError, &kOpenError}, false, problems);
            if (run.messages.size() != 1) problems << QStringLiteral("%1 messages").arg(run.messages.size());
            const int a = addressIn(kWriteError, run.messages.value(0));
            const int reached = run.done > 0 ? run.sentAddresses[static_cast<size_t>(run.done - 1)] : -1;
            if (a >= 0 && a != reached)
                problems
                    << QStringLiteral("write error at %1, but the upload had reached %2").arg(a).arg(reached);
        }
        break;
    }
    return problems;
}

QStringList judgeMemory(const RunRecord& run, const QByteArray& image, const QByteArray& before,
                        const QByteArray& after, const InjectedFaults& faults) {
    QStringList problems;
    const bool completed = run.result.outcome == TransferOutcome::Completed;
    auto mismatch = [&](const char* what, int a, const QByteArray& want) {
        if (problems.size() < 8)
            problems << QStringLiteral("%1: memory at %2 is %3, expected %4")
                            .arg(QLatin1String(what))
                            .arg(a)
                            .arg(static_cast<quint8>(after[a]))
                            .arg(static_cast<quint8>(want[a]));
    };
    const int n = static_cast<int>(std::min({image.size(), before.size(), after.size()}));
    if (n < run.range) return {QStringLiteral("memory dump of %1 bytes, range %2").arg(n).arg(run.range)};

    if (run.op == Operation::Download || run.op == Operation::Batch) {
        // Confirmed: echoed (download) or acknowledged (batch). Untouched: never sent.
        const qint64 confirmed =
            completed ? run.range : (run.op == Operation::Download ? run.done - 1 : run.done);
        const qint64 untouched = run.op == Operation::Download ? run.done + 1 : run.done + 64;
        for (int a = 0; a < n; ++a) {
            if (a < confirmed && after[a] != image[a]) mismatch("confirmed byte", a, image);
            if ((a >= untouched || a >= run.range) && after[a] != before[a])
                mismatch("byte never sent", a, before);
        }
    }
    if (run.op == Operation::Upload) {
        const std::set<int> sent(run.sentAddresses.begin(), run.sentAddresses.end());
        const qint64 confirmed = completed ? static_cast<qint64>(run.sentAddresses.size()) : run.done - 1;
        for (qint64 k = 0; k < confirmed; ++k) {
            const int a = run.sentAddresses[static_cast<size_t>(k)];
            if (after[a] != image[a]) mismatch("uploaded byte", a, image);
        }
        for (int a = 0; a < n; ++a)
            if (!sent.count(a) && after[a] != before[a]) mismatch("byte not marked", a, before);
    }
    if (run.op == Operation::Download || run.op == Operation::Upload) {
        // Each injected fault costs at most one re-send; many more means the link lost
        // step. The slack covers an echo that a loaded machine delays past the wait.
        if (run.result.resends > faults.total() + kSlack)
            problems << QStringLiteral("%1 re-sends for %2 injected faults")
                            .arg(run.result.resends)
                            .arg(faults.total());
    }
    if (run.op == Operation::Verify) {
        const std::set<int> reported = readErrors(run);
        long falseAlarms = 0;
        for (const int a : reported)
            falseAlarms += a < n && after[a] == image[a] ? 1 : 0;
        if (falseAlarms > faults.total() + kSlack)
            problems << QStringLiteral("%1 read errors at matching bytes for %2 injected faults")
                            .arg(falseAlarms)
                            .arg(faults.total());
        // A stray byte may pass for a differing byte; without one every difference is seen.
        if (faults.garbage == 0) {
            const qint64 read = completed ? run.range : run.done;
            for (int a = 0; a < read; ++a)
                if (after[a] != image[a] && !reported.count(a)) mismatch("difference not reported", a, image);
        }
    }
    return problems;
}

} // namespace korvel::soak
