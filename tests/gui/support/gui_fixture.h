#pragma once

#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "emulator/serial_port.h"
#include "support/scripted_prompt.h"
#include "widgets/services.h"

#include <QTemporaryDir>
#include <memory>

namespace korvel::test {

// A factory for tests that need no emulator: no port ever opens.
class NoPortFactory : public SerialPortFactory {
public:
    std::unique_ptr<SerialPort> create() override { return nullptr; }
};

// Everything a window needs, fresh per test: state, a settings file in a temporary
// folder, a scripted prompt, a manual clock and no serial ports.
struct GuiFixture {
    GuiFixture();

    QTemporaryDir dir;
    AppState state;
    SettingsFile settings;
    ScriptedPrompt prompt;
    ManualTicker ticker;
    NoPortFactory noPorts;
    SerialPortFactory* ports = &noPorts;
    Services services();

    // Writes a file into the temporary folder and returns its path.
    QString writeFile(const QString& name, const QByteArray& content);
    // Copies the bundled sample calibration into the temporary folder; sets BinPath/EcuPath.
    void useSample();
    // The path of a file in the temporary folder.
    QString path(const QString& name) const { return dir.filePath(name); }
};

// An ECU definition text with the given header values and item blocks.
struct ItemSpec {
    QString address = {};
    int columns = 1, rows = 1, byteSize = 1, kind = 0;
    double offset = 0;
    int conversion = 0;
    double factor = 1;
    QString title = {}, yLabel = {}, yAxis = {}, xLabel = {}, xAxis = {};
};
QByteArray ecuText(const std::vector<ItemSpec>& items, const QString& checksumAddress = QStringLiteral("7FFE"),
                   const QString& checksumSize = QStringLiteral("2"), const QString& checksumStart = QStringLiteral("0"),
                   const QString& checksumEnd = QStringLiteral("7FFD"));

} // namespace korvel::test
