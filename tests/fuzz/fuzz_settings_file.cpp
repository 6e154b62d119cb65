// Reads and writes keys of an arbitrary settings file: a write must keep every other
// key readable as before and make the written key read back trimmed.
#include "core/settings_file.h"

#include <QFile>
#include <QString>

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = QStringLiteral("/tmp/korvel-fuzz-settings-%1.ini").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    korvel::SettingsFile settings(path, QStringLiteral("korvel"));
    const QString keys[] = {QStringLiteral("Port"), QStringLiteral("BIN Location"),
                            QStringLiteral("Numeric Format")};
    QString before[3];
    for (int k = 0; k < 3; ++k) {
        before[k] = settings.ReadSetting(keys[k]);
        if (before[k].size() > 254) std::abort();
    }
    if (!settings.WriteSetting(QStringLiteral("Port"), QStringLiteral(" 3 "))) return 0;
    if (settings.ReadSetting(QStringLiteral("port")) != QStringLiteral("3")) std::abort();
    for (int k = 1; k < 3; ++k) {
        if (settings.ReadSetting(keys[k]) != before[k]) std::abort();
    }
    return 0;
}
