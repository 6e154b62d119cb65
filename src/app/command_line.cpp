#include "command_line.h"

#include "core/version_numbers.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace korvel {

namespace {

bool isDefinition(const QString& path) {
    return path.endsWith(QLatin1String(".ecu"), Qt::CaseInsensitive);
}

QString absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
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
    const bool parsed = parser.parse(arguments);
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
        result.text = (parsed ? QStringLiteral("Give at most two files: an image and a definition.")
                              : parser.errorText()) +
                      QLatin1Char('\n') + parser.helpText();
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

} // namespace korvel
