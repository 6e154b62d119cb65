// Reads and writes keys of an arbitrary settings file: a write must keep every other key
// readable as before and make the written key read back trimmed.
#include "core/settings_file.h"

#include <QFile>

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = QStringLiteral("/tmp/korvel-fuzz-settings-%1.ini").arg(getpid());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        return 0;
    f.close();
    korvel::SettingsFile settings(path, QStringLiteral("korvel"));
    const QString others[] = {QStringLiteral("BIN Location"), QStringLiteral("Numeric Format")};
    const QString before[] = {settings.ReadSetting(others[0]), settings.ReadSetting(others[1])};
    if (before[0].size() > 254 || before[1].size() > 254) std::abort();
    if (!settings.WriteSetting(QStringLiteral("Port"), QStringLiteral(" 3 "))) return 0;
    if (settings.ReadSetting(QStringLiteral("port")) != QStringLiteral("3")) std::abort();
    if (settings.ReadSetting(others[0]) != before[0] || settings.ReadSetting(others[1]) != before[1])
        std::abort();
    return 0;
}
