// korvel-cli emulator ...: the emulator link's engines from the command line, on a
// serial device or a korvel-romsim pseudo-terminal. Messages go to stdout with the
// texts the windows show; progress goes to stderr (a bar on a terminal).
//
// Exit codes: 0 success (identify: emulator found), 1 transfer failure, verify
// errors or no emulator, 2 usage or file errors.

#include "verbs.h"

#include "emulator_watch.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/values.h"
#include "core/wait.h"
#include "emulator/batch_download_engine.h"
#include "emulator/check_engine.h"
#include "emulator/download_engine.h"
#include "emulator/get_version.h"
#include "emulator/qt_serial_port.h"
#include "emulator/transfer_observer.h"
#include "emulator/upload_changes.h"
#include "emulator/verify_engine.h"

#include <QFile>

#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace korvel;
using namespace korvel::cli;

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char kUsageText[] =
    "emulator identify --device PATH\n"
    "  korvel-cli emulator upload IMAGE.bin --original ORIGINAL.bin --device PATH [--no-verify]\n"
    "  korvel-cli emulator download IMAGE.bin --device PATH [--batch]\n"
    "  korvel-cli emulator verify IMAGE.bin --device PATH\n"
    "  korvel-cli emulator check --device PATH\n"
    "  korvel-cli emulator watch IMAGE.bin --device PATH";

// Shows a run on the terminal: labels and progress on stderr, messages on stdout.
class ConsoleObserver : public TransferObserver {
public:
    ConsoleObserver() : m_bar(isatty(fileno(stderr)) != 0) {}
    ~ConsoleObserver() override { endBar(); }

    void setWhat(const QString& text) override { m_what = text; }
    void setWhere(const QString& text) override { m_where = text; }
    void progress(qint64 done, qint64 total) override {
        if (total <= 0) return;
        const int percent = static_cast<int>(done * 100 / total);
        if (m_bar) {
            const int filled = percent * 30 / 100;
            std::fprintf(stderr, "\r[%s%s] %3d%%  %s  %s\x1b[K", QByteArray(filled, '#').constData(),
                         QByteArray(30 - filled, ' ').constData(), percent, m_what.toLocal8Bit().constData(),
                         m_where.toLocal8Bit().constData());
            m_barShown = true;
        } else if (percent / 10 != m_lastTenth || done == total) {
            m_lastTenth = percent / 10;
            std::fprintf(stderr, "%lld/%lld %s\n", static_cast<long long>(done),
                         static_cast<long long>(total), m_where.toLocal8Bit().constData());
        }
        std::fflush(stderr);
    }
    void message(const QString& text, Icon) override {
        endBar();
        out(text);
        std::fflush(stdout);
    }
    void showClose() override {}
    // What the window's lblWhat would show now.
    QString what() const { return m_what; }

private:
    void endBar() {
        if (!m_barShown) return;
        std::fputc('\n', stderr);
        m_barShown = false;
    }

    bool m_bar;
    bool m_barShown = false;
    int m_lastTenth = -1;
    QString m_what;
    QString m_where;
};

struct Options {
    QString action;
    QStringList files;
    QString device;
    QString original;
    bool batch = false;
    bool verify = true;
};

bool parse(const QStringList& args, Options& o, QString& problem) {
    if (args.isEmpty()) {
        problem = QStringLiteral("missing action");
        return false;
    }
    o.action = args[0];
    static const QStringList actions{QStringLiteral("identify"), QStringLiteral("upload"),
                                     QStringLiteral("download"), QStringLiteral("verify"),
                                     QStringLiteral("check"),    QStringLiteral("watch")};
    if (!actions.contains(o.action)) {
        problem = QStringLiteral("unknown action %1").arg(o.action);
        return false;
    }
    for (int k = 1; k < args.size(); ++k) {
        const QString& a = args[k];
        if (a == QLatin1String("--batch"))
            o.batch = true;
        else if (a == QLatin1String("--no-verify"))
            o.verify = false;
        else if (a == QLatin1String("--device") || a == QLatin1String("--original")) {
            if (k + 1 >= args.size()) {
                problem = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            (a == QLatin1String("--device") ? o.device : o.original) = args[++k];
        } else if (a.startsWith(QLatin1String("--"))) {
            problem = QStringLiteral("unknown option %1").arg(a);
            return false;
        } else {
            o.files << a;
        }
    }
    if (o.device.isEmpty()) {
        problem = QStringLiteral("--device PATH is required");
        return false;
    }
    const bool needsImage = o.action != QLatin1String("identify") && o.action != QLatin1String("check");
    if (o.files.size() != (needsImage ? 1 : 0)) {
        problem =
            needsImage ? QStringLiteral("one IMAGE.bin is required") : QStringLiteral("no file is taken");
        return false;
    }
    if (o.action == QLatin1String("upload") && o.original.isEmpty()) {
        problem = QStringLiteral("upload needs --original ORIGINAL.bin");
        return false;
    }
    return true;
}

bool readFileBytes(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err(QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    bytes = file.readAll();
    return true;
}

int exitFor(const TransferResult& r) {
    return (r.outcome == TransferOutcome::Completed && r.errors == 0) ? kOk : kFailed;
}

// A verify or check that ran to its end leaves its result in the window's lblWhat
// ("No Errors", "Total Errors : N"): print it, so a script sees what the window shows.
int withClosingLabel(const TransferResult& r, const ConsoleObserver& observer) {
    if (r.outcome == TransferOutcome::Completed && !observer.what().isEmpty()) out(observer.what());
    return exitFor(r);
}

int runEmulator(const QStringList& args) {
    Options o;
    QString problem;
    if (!parse(args, o, problem)) {
        err(QStringLiteral("korvel-cli emulator: %1").arg(problem));
        err(QStringLiteral("usage: korvel-cli %1").arg(QLatin1String(kUsageText)));
        return kUsage;
    }
    if (o.action == QLatin1String("watch")) return watchImage(o.files[0], o.device);
    const auto state = std::make_unique<AppState>();
    if (!o.files.isEmpty()) {
        state->BinPath = o.files[0];
        const Status read = ReadBinFile(*state);
        if (!read) {
            err(read.error());
            return kUsage;
        }
    }
    QtSerialPortFactory ports;
    EventLoopTicker ticker;
    ConsoleObserver observer;
    const TransferContext context{*state, ports, o.device, ticker, observer};

    if (o.action == QLatin1String("identify")) {
        // A port that cannot be used is reported by the message itself, with its reason.
        GetVersion(o.device, *state, ports, ticker, observer);
        out(state->EmulatorFound ? QStringLiteral("Emulator found") : QStringLiteral("No emulator answered"));
        return state->EmulatorFound ? kOk : kFailed;
    }
    if (o.action == QLatin1String("upload")) {
        QByteArray image;
        QByteArray original;
        if (!readFileBytes(o.files[0], image) || !readFileBytes(o.original, original)) return kUsage;
        // Every byte that differs from the original (or lies past its end) is a change.
        qint64 marked = 0;
        for (qsizetype a = 0; a < image.size() && a < kImageCells; ++a) {
            if (a < original.size() && image[a] == original[a]) continue;
            StoreByte(*state, static_cast<int>(a), static_cast<quint8>(image[a]));
            ++marked;
        }
        err(QStringLiteral("%1 changed bytes").arg(marked));
        return exitFor(UploadChanges(context).Upload_Changes(o.verify));
    }
    if (o.action == QLatin1String("download"))
        return exitFor(o.batch ? BatchDownloadEngine(context).run() : DownloadEngine(context).run());
    if (o.action == QLatin1String("verify")) return withClosingLabel(VerifyEngine(context).run(), observer);
    return withClosingLabel(CheckEngine(context).run(), observer);
}

const VerbRegistration registration{{"emulator", kUsageText, runEmulator}};

} // namespace
