// render-line: draws the hex viewer's graph of a run of bytes into a PNG, with the
// viewer's own drawing code.
#include "core/app_state.h"
#include "core/byte_window.h"
#include "core/view_graph.h"
#include "definition_loader.h"
#include "verbs.h"
#include "widgets/picture_renderer.h"

#include <QGuiApplication>
#include <QPalette>
#include <QRegularExpression>

namespace korvel::cli {

namespace {

int fail(const QString& text) {
    err(QStringLiteral("render-line: ") + text);
    return 2;
}

int run(const QStringList& argsIn) {
    QStringList args = argsIn;
    QSize size(600, 400);
    const qsizetype at = args.indexOf(QStringLiteral("--size"));
    if (at >= 0) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(\\d{2,4})x(\\d{2,4})$")).match(args.value(at + 1));
        if (!m.hasMatch()) return fail(QStringLiteral("--size takes WxH in pixels, 10 to 9999 each"));
        size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        args.remove(at, 2);
    }
    if (args.size() != 4)
        return fail(
            QStringLiteral("usage: korvel-cli render-line IMAGE.bin START COLS OUT.png [--size WxH]"));

    AppState state;
    if (!loadImage(state, args[0])) return 2;
    const auto start = steppedStart(args[1], 0);
    const auto cols = steppedCount(args[2], 0, 2, 500);
    if (!start) return fail(QStringLiteral("START must be a hexadecimal address: %1").arg(args[1]));
    if (!cols) return fail(QStringLiteral("COLS must be a number from 2 to 500: %1").arg(args[2]));
    if (!windowFits(*start, *cols, state.BinSize))
        return fail(QStringLiteral("the run %1 + %2 reaches past the image (%3 cells)")
                        .arg(args[1], args[2])
                        .arg(state.BinSize));

    ValueMatrix values;
    const ViewDivisors divisors = loadViewRun(state, *start, *cols, kViewAngle, values);
    DrawingSurface surface;
    surface.setWindow(kViewWindow);
    drawViewLine(surface, values, *cols, divisors);
    const QImage image =
        renderSurface(surface, size, QGuiApplication::palette().color(QPalette::Button), Qt::black, false);
    if (!image.save(args[3], "PNG")) return fail(QStringLiteral("cannot write %1").arg(args[3]));
    if (!divisors.drawable()) out(QStringLiteral("nothing to draw: the run gives no height"));
    return 0;
}

const VerbRegistration registration{
    {"render-line", "render-line IMAGE.bin START COLS OUT.png [--size WxH]", run}};

} // namespace

} // namespace korvel::cli
