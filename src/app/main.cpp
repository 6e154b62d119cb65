#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "emulator/serial_port.h"
#include "main_window/frm_main.h"
#include "widgets/prompt.h"
#include "widgets/services.h"

#include <QApplication>

namespace {

// Until the serial adapter exists no port opens.
class NoPorts : public korvel::SerialPortFactory {
public:
    std::unique_ptr<korvel::SerialPort> create() override { return nullptr; }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvel"));

    korvel::AppState state;
    korvel::SettingsFile settings(korvel::SettingsFile::defaultPath(), korvel::SettingsFile::defaultSection());
    korvel::WidgetPrompt prompt;
    korvel::EventLoopTicker ticker;
    NoPorts ports;
    korvel::Services services{state, settings, prompt, ticker, ports};

    korvel::frmMain window(services);
    window.show();
    return app.exec();
}
