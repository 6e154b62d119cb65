#include "serial_devices.h"

#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

namespace korvel {

QString SerialDeviceInfo::label() const {
    QStringList parts{device};
    if (!description.isEmpty()) parts << description;
    if (!usbIds.isEmpty()) parts << QStringLiteral("USB ") + usbIds;
    return parts.join(QStringLiteral("  "));
}

std::vector<SerialDeviceInfo> availableSerialDevices() {
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo info{port.systemLocation(), port.description(), {}};
        if (port.hasVendorIdentifier() && port.hasProductIdentifier())
            info.usbIds = QStringLiteral("%1:%2")
                              .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                              .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
        devices.push_back(info);
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) { return a.device < b.device; });
    return devices;
}

} // namespace korvel
