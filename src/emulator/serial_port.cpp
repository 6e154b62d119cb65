#include "serial_port.h"

#include "core/settings_file.h"

namespace korvel {

QString deviceForPort(int portNumber, const SettingsFile* settings) {
    if (settings) {
        const QString device = settings->ReadSetting(QStringLiteral("Port %1 Device").arg(portNumber));
        if (!device.isEmpty()) return device;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(portNumber - 1);
#endif
}

} // namespace korvel
