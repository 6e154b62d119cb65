#pragma once

// The emulator tests' rig: an image, a simulated emulator and port, a manual clock, a recording observer.

#include "core/app_state.h"
#include "core/values.h"
#include "core/wait.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "emulator/transfer_engine.h"
#include "emulator/transfer_observer.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace korvel::test {

class RecordingObserver : public TransferObserver {
public:
    void setWhat(const QString& text) override { whats << text; }
    void setWhere(const QString& text) override { wheres << text; }
    void progress(qint64 d, qint64 t) override { std::tie(done, total) = std::tie(d, t); }
    void message(const QString& text, Icon icon) override { messages << text, icons.push_back(icon); }
    void showClose() override { ++closeShown; }

    QStringList whats, wheres, messages;
    std::vector<Icon> icons;
    qint64 done = 0, total = 0;
    int closeShown = 0;
};

// A clock that runs a hook on every pump, the way a click arrives inside a wait.
class HookTicker : public ManualTicker {
public:
    std::function<void()> hook;
    void onPump() override { hook ? hook() : void(); }
};

class EmulatorRig : public ::testing::Test {
protected:
    // An image of n bytes as ReadBinFile would leave it.
    void setImage(int n) {
        for (int a = 0; a < n; ++a)
            state.BinImage[size_t(a)].setValue((a * 7 + 3) & 0xFF);
        state.BinSize = (n % 16 == 0) ? n + 16 : (n + 15) / 16 * 16;
    }
    TransferContext context() {
        return TransferContext{state, ports, QStringLiteral("/dev/sim0"), ticker, observer};
    }

    AppState state;
    SimulatedEmulator device;
    HookTicker ticker;
    SimulatedWire wire{device, ticker};
    SimulatedPortFactory ports{wire};
    RecordingObserver observer;
};

// korvel-romsim on a fresh pseudo-terminal, preloaded with `memory`; start() and finish() say what went
// wrong. It ends cleanly (memory dumped, the faults it injected counted) or by SIGKILL, the way a device
// vanishes.
struct Romsim {
    QProcess p;
    QString device, dump;
    bool killed = false;
    qint64 faults = 0, strayBytes = 0;
    ~Romsim() { kill(); }
    QString start(const QString& dir, const QByteArray& memory, const QStringList& options) {
        QFile image(dir + QStringLiteral("/preload.bin"));
        QFile::remove(dump = dir + QStringLiteral("/dump.bin"));
        if (!image.open(QIODevice::WriteOnly) || image.write(memory) != memory.size())
            return "cannot write preload";
        image.close();
        p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-romsim/korvel-romsim"),
                QStringList{QStringLiteral("--image"), image.fileName(), QStringLiteral("--dump"), dump} +
                    options);
        while (p.waitForStarted(5000) && !p.canReadLine() && p.waitForReadyRead(5000)) {
        }
        device = QString::fromLocal8Bit(p.readLine()).trimmed(); // the first line names the device
        return device.startsWith('/') ? QString()
                                      : "korvel-romsim did not start: " + p.readAllStandardError();
    }
    void kill() {
        if (p.state() != QProcess::NotRunning) p.kill(), p.waitForFinished(5000), killed = true;
    }
    QString finish(QByteArray& memory, int n) {
        p.terminate();
        if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return "korvel-romsim did not end cleanly: " + p.readAllStandardError();
        QFile in(dump);
        memory = in.open(QIODevice::ReadOnly) ? in.read(n) : QByteArray();
        static const QRegularExpression counts(
            QStringLiteral("faults dropped (\\d+) corrupted (\\d+) garbage (\\d+)"));
        const auto m = counts.match(p.readAllStandardOutput());
        faults = m.captured(1).toLongLong() + m.captured(2).toLongLong() +
                 (strayBytes = m.captured(3).toLongLong());
        return m.hasMatch() && memory.size() == n ? QString() : "korvel-romsim left no dump or counts";
    }
};

} // namespace korvel::test
