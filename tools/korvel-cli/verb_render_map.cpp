// render-map: draws a map item's wire-mesh surface into a PNG with the drawing code of
// the editor's map picture, at the window a map gets when it is chosen. The surface shows raw
// values: bytes for an .ecu map, an XDF map's cells through their layout (signed where they are).
#include "definition_loader.h"
#include "verbs.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/ecu_reader.h"
#include "core/map_surface.h"
#include "core/table_values.h"
#include "core/values.h"
#include "widgets/picture_renderer.h"
#include "xdf_access.h"

#include <QFileInfo>

#include <memory>

namespace korvel::cli {

namespace {

constexpr int kDefaultSize = 404;
constexpr int kLargestSize = 8192;

int fail(const QString& text) {
    err(QStringLiteral("render-map: ") + text);
    return 2;
}

// An XDF map's raw values into `values` (column, row), raising `divisors`; or why it cannot be drawn.
QString xdfMapRaw(const AppState& state, const Definition& def, const CalItem& item, ValueMatrix& values,
                  MapDivisors& divisors) {
    if (item.itemClass() != ItemClass::Map)
        return QStringLiteral("%1 is not a map (it has %2 column(s) and %3 row(s))")
            .arg(itemName(item))
            .arg(item.columns)
            .arg(item.rows);
    if (!item.readOnlyReason.isEmpty())
        return QStringLiteral("%1 is read-only: %2").arg(itemName(item), item.readOnlyReason);
    if (!ValueMatrix::contains(item.columns - 1, item.rows - 1))
        return QStringLiteral("%1 is larger than %2 x %2 cells").arg(itemName(item)).arg(ValueMatrix::kSize);
    const CellReading cells = readCells(def, item, imageBytes(state));
    if (!cells.error.isEmpty()) return QStringLiteral("Cannot show %1: %2.").arg(itemName(item), cells.error);
    for (int r = 0; r < item.rows; ++r)
        for (int c = 0; c < item.columns; ++c) {
            const double v = rawNumber(cells.bits[size_t(r * item.columns + c)], item.layout);
            values.set(c, r, v);
            divisors.raise(c, r, v);
        }
    return {};
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

    // The state holds two image-sized arrays: keep it off the stack.
    auto owned = std::make_unique<AppState>();
    AppState& state = *owned;
    const VerbFiles files = sortFiles(args[0], args[1]);
    if (files.refused) return 2;
    state.BinPath = files.image;
    state.EcuPath = files.definition;
    if (!QFileInfo::exists(state.BinPath)) return fail(state.BinPath + QStringLiteral(" Not Found"));
    if (!QFileInfo::exists(state.EcuPath)) return fail(state.EcuPath + QStringLiteral(" Not Found"));
    if (Status s = ReadBinFile(state); !s) return fail(s.error());

    ValueMatrix values;
    MapDivisors divisors;
    int cols = 0, rows = 0;
    if (files.xdf) {
        const CalItem* item = chooseXdfItem(*files.xdf, args[2]);
        if (!item) return 2;
        if (const QString refusal = xdfMapRaw(state, *files.xdf, *item, values, divisors); !refusal.isEmpty())
            return fail(refusal);
        cols = item->columns;
        rows = item->rows;
    } else {
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
        loadTable(state, TableSpan{itemAddress(item), item.Columns, item.Rows}, values, &divisors);
        cols = item.Columns;
        rows = item.Rows;
    }
    DrawingSurface surface;
    surface.setWindow(kMapWindowReset);
    drawMapSurface(surface,
                   MapSurfaceInput{&values, cols, rows, divisors.xMax, divisors.yMax, divisors.zMax, angle});
    const QImage image = renderSurface(surface, QSize(size, size), Qt::white);
    if (!image.save(args[3], "PNG")) return fail(QStringLiteral("cannot write %1").arg(args[3]));
    return 0;
}

const VerbRegistration registration{
    {"render-map", "render-map IMAGE.bin DEFINITION.ecu ITEM OUT.png [--angle DEG] [--size PX]", renderMap}};

} // namespace

} // namespace korvel::cli
