#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "emulator/qt_serial_port.h"
#include "main_window/frm_main.h"
#include "widgets/prompt.h"
#include "widgets/services.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvel"));

    korvel::AppState state;
    korvel::SettingsFile settings(korvel::SettingsFile::defaultPath(),
                                  korvel::SettingsFile::defaultSection());
    korvel::WidgetPrompt prompt;
    korvel::EventLoopTicker ticker;
    korvel::QtSerialPortFactory ports;
    korvel::Services services{state, settings, prompt, ticker, ports};

    korvel::frmMain window(services);
    window.show();
    return app.exec();
}
