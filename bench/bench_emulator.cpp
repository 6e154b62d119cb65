// Transfer speed against korvel-romsim with wire timing at 115200 baud: the cost of
// one verified exchange with and without the low-latency request, the time from an
// edit to its last acknowledged byte with live update (one byte, a 16 x 16 map), the
// upload of 20 marked bytes and the whole-image download, verify and batch download
// of a 32 KiB image, each against its wire-time floor. The download and the verify are
// also set beside a minimal client on the same simulator (one write per frame, a poll
// for the one-byte reply, a raw pseudo-terminal): the ratio is what the link costs
// above the least any client can do. Prints figures; passes no verdict.
//
// usage: bench_emulator [IMAGE_BYTES] [--transfers]   (default 32768; romsim is found
// beside the build; --transfers runs only the download and verify beside the minimal client)

#include "core/app_state.h"
#include "core/edit_history.h"
#include "core/values.h"
#include "core/wait.h"
#include "emulator/batch_download_engine.h"
#include "emulator/download_engine.h"
#include "emulator/live_writer.h"
#include "emulator/qt_serial_port.h"
#include "emulator/transfer_observer.h"
#include "emulator/upload_changes.h"
#include "emulator/verify_engine.h"
#include "measure.h"

#include <QCoreApplication>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace korvel;

namespace {

constexpr double kBaud = 115200;
constexpr double kByteSeconds = 10.0 / kBaud;

class QuietObserver : public TransferObserver {
public:
    void setWhat(const QString&) override {}
    void setWhere(const QString&) override {}
    void progress(qint64, qint64) override {}
    void message(const QString& text, Icon) override { messages << text; }
    void showClose() override {}
    QStringList messages;
};

// Processor time of this thread in seconds: what the client itself spends on a transfer,
// apart from the waits, which a shared machine stretches.
double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void report(const char* what, double seconds, double floor, const QStringList& messages) {
    std::printf("%-28s %8.2f s   floor %7.2f s   ratio %.3f   last message: %s\n", what, seconds, floor,
                seconds / floor, messages.isEmpty() ? "-" : messages.last().toLocal8Bit().constData());
    std::fflush(stdout);
}

// Median milliseconds per verified one-byte exchange over `n` writes on a port that
// asks (or does not ask) for low latency.
void exchangeCost(const QString& device, bool askLowLatency, AppState& state, Ticker& ticker) {
    QtSerialPortFactory ports(askLowLatency);
    QuietObserver observer;
    const auto port = ports.create();
    EmulatorLink link(*port, ticker, state, observer);
    if (!link.open(device)) {
        std::printf("cannot open %s\n", device.toLocal8Bit().constData());
        return;
    }
    state.VerifyWrites = true;
    const bool low = static_cast<QtSerialPort&>(*port).lowLatency();
    const QByteArray label = QStringLiteral("verified exchange, low latency %1 (%2)")
                                 .arg(askLowLatency ? "asked" : "not asked", low ? "set" : "not supported")
                                 .toLocal8Bit();
    int address = 0;
    bench::measure(label.constData(), 2000, 2.0, [&] {
        link.verifiedWrite(address, static_cast<quint8>(address), Exchange::Polled);
        address = (address + 1) & 0x7FFF;
    });
}

// From a recorded edit to its last byte acknowledged, with the live writer driven by
// the event loop as in the editor.
void editToLastAck(const char* what, int bytes, double budgetMs, const QString& device, Ticker& ticker) {
    // An image of its own: these edits must not become changes the upload below sends.
    const auto scratch = std::make_unique<AppState>();
    AppState& state = *scratch;
    QtSerialPortFactory ports;
    LiveWriter writer(ports, device, ticker);
    if (!writer.start()) {
        std::printf("%s\n", writer.failure().toLocal8Bit().constData());
        return;
    }
    EditHistory history;
    history.addListener([&](const EditAction& action) {
        LiveWriter::Edit edit;
        for (const ByteChange& c : action)
            edit.push_back({c.address, c.after});
        writer.queue(edit);
    });
    int round = 0;
    bench::measure(what, 50, budgetMs, [&] {
        ++round;
        EditAction action;
        for (int a = 0; a < bytes; ++a) {
            const quint8 before = static_cast<quint8>(state.byteAt(0x1000 + a));
            action.push_back({0x1000 + a, before, static_cast<quint8>(before + 1)});
            StoreByte(state, 0x1000 + a, before + 1);
        }
        history.record(action);
        while (writer.state() == LiveWriter::State::Sending)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
    if (!writer.failure().isEmpty()) std::printf("%s\n", writer.failure().toLocal8Bit().constData());
}

// The least a client can do for a byte-by-byte download ('W') or verify ('R'): one
// write per frame and a poll for the one-byte reply, on the raw pseudo-terminal.
// Seconds for the whole image, or -1 when the device fails or a reply does not come.
double minimalClient(const QString& device, char command, const AppState& state, int bytes, Ticker& clock) {
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B115200);
    tcsetattr(fd, TCSANOW, &tio);
    const double start = clock.seconds();
    bool ok = true;
    for (int a = 0; a < bytes && ok; ++a) {
        const char frame[5] = {command, static_cast<char>(a >> 8), static_cast<char>(a),
                               static_cast<char>(state.byteAt(a)), kCarriageReturn};
        pollfd in{fd, POLLIN, 0};
        char reply = 0;
        ok = ::write(fd, frame, sizeof frame) == sizeof frame && ::poll(&in, 1, 1000) == 1 &&
             ::read(fd, &reply, 1) == 1;
    }
    const double seconds = clock.seconds() - start;
    ::close(fd);
    return ok ? seconds : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int imageBytes = argc > 1 ? std::atoi(argv[1]) : 32768;
    const bool transfersOnly = argc > 2 && QByteArray(argv[2]) == "--transfers";
    const QString romsim =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/korvel-romsim/korvel-romsim");

    QProcess sim;
    sim.start(romsim, {QStringLiteral("--baud"), QStringLiteral("115200")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", romsim.toLocal8Bit().constData());
        return 1;
    }
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    AppState state;
    state.BinSize = imageBytes + 16;
    quint32 seed = 12345;
    for (int a = 0; a < imageBytes; ++a) {
        seed = seed * 1103515245u + 12345u;
        state.BinImage[static_cast<size_t>(a)].setAddress(a);
        state.BinImage[static_cast<size_t>(a)].setValue(static_cast<int>((seed >> 16) & 0xFF));
    }
    for (int k = 0; k < 20; ++k)
        StoreByte(state, (k * 1619) % imageBytes, (k * 37) & 0xFF);

    QtSerialPortFactory ports;
    EventLoopTicker ticker;
    QuietObserver observer;
    const TransferContext context{state, ports, device, ticker, observer};
    std::printf("image %d bytes, device %s\n", imageBytes, device.toLocal8Bit().constData());

    double t = 0;
    if (!transfersOnly) {
        exchangeCost(device, false, state, ticker);
        exchangeCost(device, true, state, ticker);
        editToLastAck("edit to last ack, 1-byte value", 1, 20, device, ticker);
        editToLastAck("edit to last ack, 16 x 16 map stepped", 256, 300, device, ticker);

        t = ticker.seconds();
        UploadChanges(context).Upload_Changes(true);
        report("upload 20 bytes (verify)", ticker.seconds() - t,
               20 * (EmulatorLink::kVerifiedWait + 6 * kByteSeconds), observer.messages);
    }

    const double exchangeFloor = imageBytes * 6 * kByteSeconds;
    // Each run beside the minimal client's, in alternating rounds so that a shared machine's
    // slow spells fall on both alike: wall-clock ratio per round and its median, and
    // processor time per byte.
    constexpr int kRounds = 5;
    auto sideBySide = [&](const char* what, char command, const std::function<void()>& engine) {
        std::vector<double> ratios;
        for (int round = 0; round < kRounds; ++round) {
            double c = threadCpuSeconds();
            const double minimal = minimalClient(device, command, state, imageBytes, ticker);
            const double minimalCpu = threadCpuSeconds() - c;
            report(QByteArray(what).append(", minimal client").constData(), minimal, exchangeFloor, {});
            c = threadCpuSeconds();
            const double t0 = ticker.seconds();
            engine();
            const double seconds = ticker.seconds() - t0;
            const double cpu = threadCpuSeconds() - c;
            report(what, seconds, exchangeFloor, observer.messages);
            ratios.push_back(seconds / minimal);
            std::printf("%-28s ratio to the minimal client %.3f   cpu per byte %.1f us (minimal client %.1f "
                        "us)\n",
                        what, ratios.back(), cpu / imageBytes * 1e6, minimalCpu / imageBytes * 1e6);
        }
        std::sort(ratios.begin(), ratios.end());
        std::printf("%-28s median ratio to the minimal client over %d rounds %.3f\n", what, kRounds,
                    ratios[ratios.size() / 2]);
    };
    sideBySide("download", 'W', [&] { DownloadEngine(context).run(); });
    sideBySide("verify", 'R', [&] { VerifyEngine(context).run(); });

    if (transfersOnly) {
        sim.terminate();
        sim.waitForFinished(5000);
        return 0;
    }
    const int blocks = (imageBytes + kBlockSize - 1) / kBlockSize;
    const double batchFloor =
        blocks * (BatchDownloadEngine::kHeaderWait + 6 * kByteSeconds) + imageBytes * kByteSeconds;
    t = ticker.seconds();
    BatchDownloadEngine(context).run();
    report("batch download", ticker.seconds() - t, batchFloor, observer.messages);

    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
