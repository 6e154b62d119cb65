#include "app/command_line.h"
#include "core/app_state.h"
#include "core/bin_save.h"
#include "core/settings_file.h"
#include "core/version_numbers.h"
#include "core/wait.h"
#include "emulator/qt_serial_port.h"
#include "main_window/frm_main.h"
#include "main_window/logo.h"
#include "widgets/prompt.h"
#include "widgets/services.h"

#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QProcessEnvironment>
#include <QTimer>

#include <cstdio>

namespace {

// The desktop entry, the icon and the metainfo all carry this name.
const char kDesktopId[] = "org.korvel.Korvel";

int answer(const korvel::CommandLine& command) {
    const bool refused = command.action == korvel::CommandLine::Action::Refuse;
    std::fputs(command.text.toLocal8Bit().constData(), refused ? stderr : stdout);
    return refused ? 2 : 0;
}

// Fills the start window's boxes from the command line; with both files the editor
// opens once the window is up, through "&Edit File" and its checks and messages.
void applyFiles(const korvel::CommandLine& command, korvel::frmMain& window) {
    if (!command.binPath.isEmpty())
        window.findChild<QLineEdit*>(QStringLiteral("txtBIN"))->setText(command.binPath);
    if (!command.ecuPath.isEmpty())
        window.findChild<QLineEdit*>(QStringLiteral("txtECU"))->setText(command.ecuPath);
    if (command.opensEditor()) QTimer::singleShot(0, &window, &korvel::frmMain::cmdECU_Edit_Click);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("korvel"));
    QCoreApplication::setApplicationVersion(QLatin1String(korvel::kReleaseVersion));
    korvel::CommandLine command;
    bool windows = false;
    {
        // The whole line is read before the application object, which needs a display: help,
        // version and every usage error answer without one.
        const QCoreApplication probe(argc, argv);
        const QStringList arguments = QCoreApplication::arguments();
        command = korvel::parseCommandLine(arguments);
        windows = korvel::canShowWindows(arguments, QProcessEnvironment::systemEnvironment());
    }
    if (command.action != korvel::CommandLine::Action::Start) {
        const int status = answer(command);
        // Started from a file manager, nobody reads stderr: say it in a box too.
        if (command.action == korvel::CommandLine::Action::Refuse && windows) {
            QApplication app(argc, argv);
            QApplication::setApplicationDisplayName(QStringLiteral("Korvel"));
            korvel::WidgetPrompt().message(command.reason +
                                               QStringLiteral("\n\nkorvel --help lists what it accepts."),
                                           korvel::Prompt::Icon::Critical);
        }
        return status;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Korvel"));
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopId));
    QApplication::setWindowIcon(QIcon::fromTheme(QLatin1String(kDesktopId), QIcon(korvel::korvelLogo(256))));

    korvel::AppState state;
    state.DataFolder = korvel::installedDataFolder();
    korvel::SettingsFile settings(korvel::SettingsFile::defaultPath(),
                                  korvel::SettingsFile::defaultSection());
    korvel::WidgetPrompt prompt;
    korvel::EventLoopTicker ticker;
    korvel::QtSerialPortFactory ports;
    korvel::Services services{state, settings, prompt, ticker, ports};

    korvel::frmMain window(services);
    applyFiles(command, window);
    window.show();
    return app.exec();
}
