#pragma once

// The in-process rig the engine tests share: an image, a simulated emulator behind
// a simulated port, a manual clock and an observer that records what a window
// would have shown.

#include "core/app_state.h"
#include "core/values.h"
#include "core/wait.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "emulator/transfer_engine.h"
#include "emulator/transfer_observer.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace korvel::test {

// Records every call; message() can run a hook (a user clicking Cancel, say).
class RecordingObserver : public TransferObserver {
public:
    struct Message {
        QString text;
        Icon icon;
    };
    void setWhat(const QString& text) override { whats << text; }
    void setWhere(const QString& text) override { wheres << text; }
    void progress(qint64 d, qint64 t) override {
        done = d;
        total = t;
    }
    void message(const QString& text, Icon icon) override {
        messages.push_back({text, icon});
        if (onMessage) onMessage(text);
    }
    void showClose() override { ++closeShown; }

    QStringList texts() const {
        QStringList out;
        for (const Message& m : messages)
            out << m.text;
        return out;
    }

    QStringList whats;
    QStringList wheres;
    std::vector<Message> messages;
    qint64 done = 0;
    qint64 total = 0;
    int closeShown = 0;
    std::function<void(const QString&)> onMessage;
};

// A clock that runs a hook on every pump, the way a click arrives inside a wait.
class HookTicker : public ManualTicker {
public:
    std::function<void()> hook;
    void onPump() override {
        if (hook) hook();
    }
};

class EmulatorRig : public ::testing::Test {
protected:
    EmulatorRig() : wire(device, ticker), ports(wire) {}

    // An image of n bytes as ReadBinFile would leave it: BinSize n + 16 when n is a
    // multiple of 16, else n rounded up.
    void setImage(
        int n, const std::function<int(int)>& byteAt = [](int a) { return (a * 7 + 3) & 0xFF; }) {
        for (int a = 0; a < n; ++a) {
            state.BinImage[static_cast<size_t>(a)].setAddress(a);
            state.BinImage[static_cast<size_t>(a)].setValue(byteAt(a));
        }
        state.BinSize = (n % 16 == 0) ? n + 16 : (n + 15) / 16 * 16;
    }

    TransferContext context() {
        return TransferContext{state, ports, QStringLiteral("/dev/sim0"), ticker, observer};
    }

    // The frames written, split at each command letter of a fixed 5-byte frame.
    std::vector<QByteArray> frames() const {
        std::vector<QByteArray> out;
        const QByteArray all = wire.sent();
        for (qsizetype k = 0; k + 5 <= all.size(); k += 5)
            out.push_back(all.mid(k, 5));
        return out;
    }

    AppState state;
    SimulatedEmulator device;
    HookTicker ticker;
    SimulatedWire wire;
    SimulatedPortFactory ports;
    RecordingObserver observer;
};

} // namespace korvel::test
