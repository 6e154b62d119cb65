#pragma once

#include "emulator/serial_devices.h"
#include "widgets/services.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QComboBox;
class QLabel;

namespace korvel {

// Chooses the device behind each port number 1 to 4 and the port the editor uses: lists
// the serial devices present, lets the user pick (or type) one per port, tests it with
// the identification exchange, and on OK stores the choices in the settings file's
// "Port N Device" keys and "Port". An empty device leaves the port on its default one.
class frmPorts : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPorts = 4;

    frmPorts(Services& services, std::vector<SerialDeviceInfo> devices, QWidget* parent = nullptr);

    // The device port `n` (1..4) would open with the current choice.
    QString deviceFor(int n) const;
    // The port chosen for the editor (1..4).
    int portInUse() const;
    // Identifies the emulator on port n's device and shows the outcome beside it; a port
    // where the emulator answers becomes the port in use.
    void cmdTest_Click(int n);
    // Stores every choice that changed, then closes.
    void cmdOK_Click();

private:
    Services& m_services;
    std::array<QComboBox*, kPorts> m_devices{};
    std::array<QLabel*, kPorts> m_results{};
    std::array<QString, kPorts> m_stored{};
    QButtonGroup* m_inUse = nullptr; // the "Use" buttons, with ids 1..4
    int m_storedPort = 1;
};

} // namespace korvel
