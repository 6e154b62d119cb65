#include "get_version.h"

#include "core/app_state.h"
#include "core/wait.h"
#include "emulator_link.h"
#include "serial_port.h"
#include "transfer_observer.h"

namespace korvel {

namespace {
constexpr double kBannerWait = 0.3; // s
}

void GetVersion(const QString& device, AppState& state, SerialPortFactory& ports, Ticker& ticker,
                TransferObserver& observer, QString* reason) {
    // An earlier identification says nothing about this one: a port that cannot be
    // used leaves the emulator "not found", never what an earlier editor found.
    state.EmulatorFound = false;
    const std::unique_ptr<SerialPort> port = ports.create();
    EmulatorLink link(*port, ticker, state, observer);
    QByteArray reply;
    bool ok = link.open(device) && link.send(commandFrame('V'));
    if (ok) {
        WaitSeconds(kBannerWait, ticker);
        ok = port->bytesWaiting() >= 0;
        reply = port->read(0);
    }
    if (!ok) {
        QString why = link.errorString();
        link.close();
        if (reason) *reason = why;
        // The first line stays as it always was; the second names the device and the cause.
        if (!why.contains(device)) why = QStringLiteral("%1: %2").arg(device, why);
        observer.message(QStringLiteral("Error finding Usable Port.\n") + why,
                         TransferObserver::Icon::Critical);
        return;
    }
    link.close();
    state.EmulatorFound = startsWithBanner(reply);
}

void GetVersion(int intPort, const SettingsFile* settings, AppState& state, SerialPortFactory& ports,
                Ticker& ticker, TransferObserver& observer) {
    GetVersion(deviceForPort(intPort, settings), state, ports, ticker, observer);
}

} // namespace korvel
