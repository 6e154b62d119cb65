#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace korvel {

// What `korvel [--help] [--version] [IMAGE.bin DEFINITION.ecu]` asks for.
struct CommandLine {
    enum class Action {
        Start,  // open the main window, with the files below (if any) in their boxes
        Answer, // print `text` on stdout and end with 0 (help, version)
        Refuse, // print `text` on stderr and end with 2 (a usage error)
    };
    Action action = Action::Start;
    QString text;
    QString reason;  // of a refusal: its first line, without the usage
    QString binPath; // absolute; empty when not given
    QString ecuPath;

    // Both files given: the editor opens on them at once.
    bool opensEditor() const { return !binPath.isEmpty() && !ecuPath.isEmpty(); }
};

// Reads the program's arguments (the first is the program itself). A file whose name
// ends in ".ecu" (any case) is the definition and the other the image, in either
// order, so a file manager may hand them over as it likes; two of the same kind keep
// their order (image first) and meet the editor's own checks.
// Qt's own options (-platform NAME, --style=NAME, -reverse...) are passed over: the
// application object takes them later. So the whole line is read before anything needs
// a display.
CommandLine parseCommandLine(const QStringList& arguments);

// Whether a window could be shown: a display is named (DISPLAY, WAYLAND_DISPLAY or
// -display), or the platform chosen (-platform, QT_QPA_PLATFORM) draws without one. Never
// for the offscreen and minimal platforms, where nobody would see it or close it.
bool canShowWindows(const QStringList& arguments, const QProcessEnvironment& environment);

} // namespace korvel
