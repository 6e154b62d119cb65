#include "verbs.h"

#include <QGuiApplication>

#include <cstring>

using namespace korvel::cli;

namespace {

int usage() {
    err(QStringLiteral("usage: korvel-cli VERB ARGS..."));
    for (const Verb& v : verbs())
        err(QStringLiteral("  korvel-cli %1").arg(QLatin1String(v.usage)));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // A GUI application object (offscreen when there is no display) so the drawing
    // verbs can paint; the other verbs only need its event loop and clock.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();
    const QString name = args.takeFirst();
    for (const Verb& v : verbs()) {
        if (name == QLatin1String(v.name)) return v.run(args);
    }
    err(QStringLiteral("unknown verb: %1").arg(name));
    return usage();
}
