#include "command_line.h"

#include "core/definition_reader.h"
#include "core/version_numbers.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvel {

namespace {

// A definition by its name (.ecu, .xdf) or by its content (an XDF or a locked definition,
// whatever its name).
bool isDefinition(const QString& path) {
    if (path.endsWith(QLatin1String(".ecu"), Qt::CaseInsensitive) ||
        path.endsWith(QLatin1String(".xdf"), Qt::CaseInsensitive))
        return true;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && detectDefinitionFormat(f.read(1 << 16)) != DefinitionFormat::Ecu;
}

QString absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Qt's own options (one dash or two), those that take a value (the next argument, or
// after "=") and those that take none.
const QStringList kQtValueOptions{"platform",        "platformpluginpath", "platformtheme", "plugin",
                                  "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
                                  "display",         "geometry",           "name",          "style",
                                  "stylesheet",      "qmljsdebugger",      "dialogs",       "fontengine"};
const QStringList kQtFlags{"reverse", "widgetcount", "sync", "nograb", "dograb"};

struct QtOptions {
    QStringList rest;     // the arguments that are not Qt's
    QString platform;     // given with -platform
    bool display = false; // -display given
};

QtOptions splitQtOptions(const QStringList& arguments) {
    QtOptions qt;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--")) { // everything after it is a file
            qt.rest << arguments.mid(i);
            break;
        }
        if (i == 0 || !a.startsWith(QLatin1Char('-'))) {
            qt.rest << a;
            continue;
        }
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        QString value = equals < 0 ? QString() : name.mid(equals + 1);
        if (equals >= 0) name.truncate(equals);
        if (equals < 0 && kQtFlags.contains(name)) continue;
        if (!kQtValueOptions.contains(name)) {
            qt.rest << a;
            continue;
        }
        if (equals < 0 && i + 1 < arguments.size()) value = arguments[++i];
        if (name == QLatin1String("platform")) qt.platform = value;
        if (name == QLatin1String("display")) qt.display = true;
    }
    return qt;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Calibration editor for engine control units. With both files given, the editor\n"
                       "opens on them at once; with one, it fills its box in the start window."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("IMAGE.bin"), QStringLiteral("The ROM image to edit."),
                                 QStringLiteral("[IMAGE.bin]"));
    parser.addPositionalArgument(QStringLiteral("DEFINITION.ecu"),
                                 QStringLiteral("The ECU definition that describes the image."),
                                 QStringLiteral("[DEFINITION.ecu]"));

    CommandLine result;
    const bool parsed = parser.parse(splitQtOptions(arguments).rest);
    const QStringList files = parser.positionalArguments();
    if (parsed && parser.isSet(help)) {
        result.action = CommandLine::Action::Answer;
        result.text = parser.helpText();
        return result;
    }
    if (parsed && parser.isSet(version)) {
        result.action = CommandLine::Action::Answer;
        result.text = QStringLiteral("korvel %1\n").arg(QLatin1String(kReleaseVersion));
        return result;
    }
    if (!parsed || files.size() > 2) {
        result.action = CommandLine::Action::Refuse;
        result.reason = parsed ? QStringLiteral("Give at most two files: an image and a definition.")
                               : parser.errorText();
        result.text = result.reason + QLatin1Char('\n') + parser.helpText();
        return result;
    }
    if (files.size() == 1) {
        (isDefinition(files[0]) ? result.ecuPath : result.binPath) = absolute(files[0]);
    } else if (files.size() == 2) {
        const bool swapped = isDefinition(files[0]) && !isDefinition(files[1]);
        result.binPath = absolute(files[swapped ? 1 : 0]);
        result.ecuPath = absolute(files[swapped ? 0 : 1]);
    }
    return result;
}

bool canShowWindows(const QStringList& arguments, const QProcessEnvironment& environment) {
    const QtOptions qt = splitQtOptions(arguments);
    const QString chosen =
        qt.platform.isEmpty() ? environment.value(QStringLiteral("QT_QPA_PLATFORM")) : qt.platform;
    const bool x11 = qt.display || !environment.value(QStringLiteral("DISPLAY")).isEmpty();
    const bool wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    if (chosen.isEmpty()) {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
        return true;
#else
        return x11 || wayland;
#endif
    }
    // A list of platforms is tried in order ("wayland;xcb"); a name may carry options after ":".
    for (const QString& entry : chosen.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString platform = entry.section(QLatin1Char(':'), 0, 0).trimmed();
        if (platform == QLatin1String("offscreen") || platform.startsWith(QLatin1String("minimal")))
            return false;
        if (platform == QLatin1String("xcb")) {
            if (x11) return true;
        } else if (platform.startsWith(QLatin1String("wayland"))) {
            if (wayland) return true;
        } else {
            return true; // eglfs, linuxfb, vnc, windows, cocoa: no desktop session needed
        }
    }
    return false;
}

} // namespace korvel
