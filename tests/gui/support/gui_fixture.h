#pragma once

#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "emulator/serial_port.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "support/scripted_prompt.h"
#include "widgets/services.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace korvel::test {

// The manual clock with a hook that runs on every pump, so a test can act in the
// middle of a wait (click Cancel, say) as a user would.
class HookedTicker : public ManualTicker {
public:
    std::function<void()> hook;
    void onPump() override {
        if (hook) hook();
    }
};

// Everything a window needs, fresh per test: state, a settings file in a temporary
// folder, a scripted prompt, a manual clock, and serial ports wired to an in-process
// emulator that stays silent until a test gives it a voice (emulator.setFaults({})).
struct GuiFixture {
    GuiFixture();

    QTemporaryDir dir;
    AppState state;
    SettingsFile settings;
    ScriptedPrompt prompt;
    HookedTicker ticker;
    SimulatedEmulator emulator;
    SimulatedWire wire{emulator, ticker};
    SimulatedPortFactory simulatedPorts{wire};
    SerialPortFactory* ports = &simulatedPorts;
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
QByteArray ecuText(const std::vector<ItemSpec>& items,
                   const QString& checksumAddress = QStringLiteral("7FFE"),
                   const QString& checksumSize = QStringLiteral("2"),
                   const QString& checksumStart = QStringLiteral("0"),
                   const QString& checksumEnd = QStringLiteral("7FFD"));

} // namespace korvel::test
