#include "verbs.h"

#include "core/version_numbers.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <memory>

using namespace korvel::cli;

namespace {

void listVerbs(void (*print)(const QString&)) {
    print(QStringLiteral("usage: korvel-cli VERB ARGS...   (korvel-cli VERB --help for one verb)"));
    for (const Verb& v : verbs())
        print(QStringLiteral("  korvel-cli %1").arg(QLatin1String(v.usage)));
    print(QStringLiteral("  korvel-cli --help | --version"));
}

int usage() {
    listVerbs(err);
    return 2;
}

bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

// Only the drawing verbs paint, and painting needs a GUI application object.
bool paints(const QString& verb) {
    return verb.startsWith(QLatin1String("render-"));
}

QtMessageHandler g_defaultHandler = nullptr;

// On a machine without a desktop session Qt notes, while it sets up a GUI application,
// that it falls back to a runtime folder of its own. Offscreen drawing never uses that
// folder, so the note says nothing to the user; every other message goes through.
void withoutRuntimeFolderNote(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    g_defaultHandler(type, context, message);
}

std::unique_ptr<QCoreApplication> makeApplication(bool forPainting, int& argc, char** argv) {
    if (!forPainting) return std::make_unique<QCoreApplication>(argc, argv);
    // Offscreen when there is no display, so the drawing verbs work on any machine.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_defaultHandler = qInstallMessageHandler(withoutRuntimeFolderNote);
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(g_defaultHandler);
    return app;
}

} // namespace

int main(int argc, char** argv) {
    const QString first = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const auto app = makeApplication(paints(first), argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) return usage();
    const QString name = args.takeFirst();
    if (isHelp(name)) {
        listVerbs(out);
        return 0;
    }
    if (name == QLatin1String("--version")) {
        out(QStringLiteral("korvel-cli %1").arg(QLatin1String(korvel::kReleaseVersion)));
        return 0;
    }
    for (const Verb& v : verbs()) {
        if (name != QLatin1String(v.name)) continue;
        if (std::any_of(args.cbegin(), args.cend(), isHelp)) {
            out(QStringLiteral("usage: korvel-cli %1").arg(QLatin1String(v.usage)));
            return 0;
        }
        return v.run(args);
    }
    err(QStringLiteral("%1: %2").arg(name.startsWith(QLatin1Char('-')) ? QStringLiteral("unknown option")
                                                                       : QStringLiteral("unknown verb"),
                                     name));
    return usage();
}
