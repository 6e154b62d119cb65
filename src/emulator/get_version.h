#pragma once

#include <QString>

namespace korvel {

struct AppState;
class SerialPortFactory;
class SettingsFile;
class Ticker;
class TransferObserver;

// Identifies the emulator on `device`: sends "V" and four 0x0D, waits 0.3 s
// (running the event pump), reads everything waiting and sets EmulatorFound to
// whether the reply starts with the 33-character banner. A reply that comes later
// is not seen. EmulatorFound starts from false. When the port cannot be opened, set
// up or used, shows "Error finding Usable Port." (critical) with a second line that
// names the device and the port's reason; the reason also goes to *reason when given.
void GetVersion(const QString& device, AppState& state, SerialPortFactory& ports, Ticker& ticker,
                TransferObserver& observer, QString* reason = nullptr);

// The same on port number intPort, mapped to a device by deviceForPort.
void GetVersion(int intPort, const SettingsFile* settings, AppState& state, SerialPortFactory& ports,
                Ticker& ticker, TransferObserver& observer);

} // namespace korvel
