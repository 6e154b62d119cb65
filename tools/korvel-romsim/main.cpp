// korvel-romsim: a ROM emulator in software on a pseudo-terminal.
//
// Prints the pseudo-terminal's device path as its first line on stdout, then
// answers the link's frames until SIGTERM or SIGINT, when it writes its memory to
// the --dump file (if any), prints how many faults it injected as its last line
// ("faults dropped D corrupted C garbage G") and ends. With --ecu a second
// pseudo-terminal carries a simulated ECU's diagnostic line (8192 baud, echo on, its
// block learn following the VE table in this emulator's memory); its path is the
// second line on stdout.

#include "pty_emulator.h"
#include "pty_line.h"

#include "emulator/simulated_ecu.h"

#include "core/version_numbers.h"

#include <QFile>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <utility>

using namespace korvel;

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

const char kUsage[] =
    "usage: korvel-romsim [--memory-size BYTES] [--image FILE] [--dump FILE] [--baud RATE]\n"
    "                     [--drop-every N] [--corrupt-every N] [--garbage-every N] [--silent]\n"
    "                     [--banner TEXT] [--ecu]\n"
    "       korvel-romsim --help | --version\n"
    "  --memory-size  emulator memory in bytes (default 65536; addresses wrap at it)\n"
    "  --image        preload the memory from FILE, from address 0\n"
    "  --dump         write the memory to FILE on exit\n"
    "  --baud         delay every byte in either direction by 10 bits at RATE\n"
    "  --drop-every   leave every Nth reply unsent\n"
    "  --corrupt-every  send every Nth \"W\" echo inverted\n"
    "  --garbage-every  send a stray byte before every Nth answer\n"
    "  --silent       take every frame, answer nothing\n"
    "  --banner       answer \"V\" with TEXT instead of the firmware banner\n"
    "  --ecu          also serve a simulated ECU's diagnostic line on a second pseudo-terminal\n";

int usage(const QString& problem) {
    std::fprintf(stderr, "korvel-romsim: %s\n%s", problem.toLocal8Bit().constData(), kUsage);
    return 2;
}

// Every command answered once; the device drops every Nth of those answers.
long droppedReplies(const SimulatedEmulator& device, const SimulatedEmulator::Faults& faults) {
    if (faults.dropEveryNthReply <= 0 || faults.silent) return 0;
    long answers = 0;
    for (const char command : {'V', 'W', 'R', 'B', 'C', 'D', 'A', '?'})
        answers += device.frameCount(command);
    return answers / faults.dropEveryNthReply;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int k = 1; k < argc; ++k)
        args << QString::fromLocal8Bit(argv[k]);

    int memorySize = 65536;
    int baud = 0;
    int garbageEvery = 0;
    QString image;
    QString dump;
    QByteArray banner;
    bool customBanner = false;
    bool ecu = false;
    SimulatedEmulator::Faults faults;
    for (int k = 0; k < args.size(); ++k) {
        const QString& a = args[k];
        if (a == QLatin1String("--silent")) {
            faults.silent = true;
            continue;
        }
        if (a == QLatin1String("--ecu")) {
            ecu = true;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == QLatin1String("--version")) {
            std::printf("korvel-romsim %s\n", kReleaseVersion);
            return 0;
        }
        if (k + 1 >= args.size()) return usage(QStringLiteral("%1 needs a value").arg(a));
        const QString value = args[++k];
        bool ok = true;
        if (a == QLatin1String("--image"))
            image = value;
        else if (a == QLatin1String("--dump"))
            dump = value;
        else if (a == QLatin1String("--banner")) {
            banner = value.toLatin1();
            customBanner = true;
        } else if (a == QLatin1String("--memory-size")) {
            memorySize = value.toInt(&ok);
            ok = ok && memorySize > 0;
        } else if (a == QLatin1String("--baud")) {
            baud = value.toInt(&ok);
            ok = ok && baud >= 0;
        } else if (a == QLatin1String("--drop-every")) {
            faults.dropEveryNthReply = value.toInt(&ok);
            ok = ok && faults.dropEveryNthReply >= 0;
        } else if (a == QLatin1String("--corrupt-every")) {
            faults.corruptEveryNthEcho = value.toInt(&ok);
            ok = ok && faults.corruptEveryNthEcho >= 0;
        } else if (a == QLatin1String("--garbage-every")) {
            garbageEvery = value.toInt(&ok);
            ok = ok && garbageEvery >= 0;
        } else {
            return usage(QStringLiteral("unknown option %1").arg(a));
        }
        if (!ok) return usage(QStringLiteral("bad value for %1: %2").arg(a, value));
    }

    SimulatedEmulator device(memorySize);
    device.setFaults(faults);
    if (customBanner) device.setBanner(banner);
    if (!image.isEmpty()) {
        QFile file(image);
        if (!file.open(QIODevice::ReadOnly))
            return usage(QStringLiteral("cannot read %1: %2").arg(image, file.errorString()));
        const QByteArray bytes = file.read(memorySize);
        device.memory().replace(0, bytes.size(), bytes);
    }

    struct sigaction action {};
    action.sa_handler = onSignal; // no SA_RESTART: a signal ends the current wait
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    PtyEmulator server(device);
    server.setBaud(baud);
    server.setGarbageEvery(garbageEvery);
    QString error;
    if (!server.start(error)) {
        std::fprintf(stderr, "korvel-romsim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", server.devicePath().toLocal8Bit().constData());

    // The ECU reads the VE table from the emulator's memory while the emulator's loop
    // writes it: both hold this lock.
    std::mutex memoryLock;
    SimulatedEcu engine([&](int address) {
        const std::lock_guard<std::mutex> hold(memoryLock);
        const QByteArray& memory = std::as_const(device).memory();
        return address >= 0 && address < memory.size() ? int(quint8(memory[address])) : -1;
    });
    PtyLine ecuLine(engine, 8192);
    std::thread ecuThread;
    if (ecu) {
        if (!ecuLine.start(error)) {
            std::fprintf(stderr, "korvel-romsim: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        server.setMemoryLock(&memoryLock);
        std::printf("%s\n", ecuLine.devicePath().toLocal8Bit().constData());
        // The signals go to the emulator's loop, whose wait they end; the ECU's loop
        // looks at the stop flag often enough on its own.
        sigset_t stopSignals, previous;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGTERM);
        sigaddset(&stopSignals, SIGINT);
        pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
        ecuThread = std::thread([&] { ecuLine.serve(g_stop); });
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    std::fflush(stdout);

    server.serve(g_stop);
    if (ecuThread.joinable()) ecuThread.join();

    if (!dump.isEmpty()) {
        QFile file(dump);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(device.memory()) != device.memory().size()) {
            std::fprintf(stderr, "korvel-romsim: cannot write %s: %s\n", dump.toLocal8Bit().constData(),
                         file.errorString().toLocal8Bit().constData());
            return 1;
        }
    }
    std::printf("faults dropped %ld corrupted %ld garbage %ld\n", droppedReplies(device, faults),
                faults.corruptEveryNthEcho > 0 ? device.frameCount('W') / faults.corruptEveryNthEcho : 0L,
                server.garbageSent());
    return 0;
}
