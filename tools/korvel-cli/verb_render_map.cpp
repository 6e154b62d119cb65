// render-map: draws a map item's wire-mesh surface into a PNG with the drawing code of
// the editor's map picture, at the window a map gets when it is chosen.
#include "definition_loader.h"
#include "verbs.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/ecu_reader.h"
#include "core/map_surface.h"
#include "core/table_values.h"
#include "core/values.h"
#include "widgets/picture_renderer.h"

#include <QFileInfo>

namespace korvel::cli {

namespace {

constexpr int kDefaultSize = 404;
constexpr int kLargestSize = 8192;

int fail(const QString& text) {
    err(QStringLiteral("render-map: ") + text);
    return 2;
}

int renderMap(const QStringList& argsIn) {
    QStringList args = argsIn;
    int angle = 30;
    int size = kDefaultSize;
    for (int i = 0; i < args.size();) {
        const QString& a = args[i];
        if (a == QLatin1String("--angle") || a == QLatin1String("--size")) {
            if (i + 1 >= args.size()) return fail(a + QStringLiteral(" needs a number"));
            bool ok = false;
            const int v = args[i + 1].toInt(&ok);
            if (a == QLatin1String("--angle")) {
                if (!ok || v < 0 || v > 360) return fail(QStringLiteral("--angle takes degrees 0 to 360"));
                angle = v;
            } else {
                if (!ok || v < 16 || v > kLargestSize)
                    return fail(QStringLiteral("--size takes pixels 16 to %1").arg(kLargestSize));
                size = v;
            }
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    if (args.size() != 4)
        return fail(QStringLiteral("usage: korvel-cli render-map IMAGE.bin DEFINITION.ecu ITEM OUT.png"));

    AppState state;
    state.BinPath = args[0];
    state.EcuPath = args[1];
    if (!QFileInfo::exists(state.BinPath)) return fail(state.BinPath + QStringLiteral(" Not Found"));
    if (!QFileInfo::exists(state.EcuPath)) return fail(state.EcuPath + QStringLiteral(" Not Found"));
    if (refusesXdf(state.EcuPath, "render-map")) return 2;
    if (Status s = ReadBinFile(state); !s) return fail(s.error());
    const EcuReadResult ecu = ReadEcuFile(state);
    if (ecu.outcome == EcuReadResult::Outcome::IncorrectFormat ||
        ecu.outcome == EcuReadResult::Outcome::HeaderError)
        return fail(ecu.message);

    const int number = findItem(state, args[2].trimmed());
    if (number == 0) return fail(QStringLiteral("no item \"%1\" in %2").arg(args[2], state.EcuPath));
    const EcuItem& item = state.EcuItemTable[static_cast<size_t>(number)];
    if (classOf(item) != ItemClass::Map)
        return fail(QStringLiteral("item \"%1\" is not a map (it has %2 column(s) and %3 row(s))")
                        .arg(item.Title.trimmed())
                        .arg(item.Columns)
                        .arg(item.Rows));
    if (const QString refusal = itemRefusal(state, item, ItemClass::Map); !refusal.isEmpty())
        return fail(refusal);

    ValueMatrix values;
    MapDivisors divisors;
    loadTable(state, TableSpan{itemAddress(item), item.Columns, item.Rows}, values, &divisors);
    DrawingSurface surface;
    surface.setWindow(kMapWindowReset);
    drawMapSurface(surface, MapSurfaceInput{&values, item.Columns, item.Rows, divisors.xMax, divisors.yMax,
                                            divisors.zMax, angle});
    const QImage image = renderSurface(surface, QSize(size, size), Qt::white);
    if (!image.save(args[3], "PNG")) return fail(QStringLiteral("cannot write %1").arg(args[3]));
    return 0;
}

const VerbRegistration registration{
    {"render-map", "render-map IMAGE.bin DEFINITION.ecu ITEM OUT.png [--angle DEG] [--size PX]", renderMap}};

} // namespace

} // namespace korvel::cli
