#pragma once

// The in-process rig the emulator tests share: an image, a simulated emulator behind a
// simulated port, a manual clock and an observer that records what a window would show.

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

namespace korvel::test {

class RecordingObserver : public TransferObserver {
public:
    void setWhat(const QString& text) override { whats << text; }
    void setWhere(const QString& text) override { wheres << text; }
    void progress(qint64 d, qint64 t) override { std::tie(done, total) = std::tie(d, t); }
    void message(const QString& text, Icon icon) override {
        messages << text;
        icons.push_back(icon);
    }
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

} // namespace korvel::test
