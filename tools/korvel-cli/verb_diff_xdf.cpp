// korvel-cli diff on an XDF definition: the items whose bytes differ from A (before) to B
// (after), with raw and calculated values as `items --bin` gives them, then the differing
// bytes of no item. Both files are compared over the shorter one.
#include "core/baseline.h"
#include "core/table_text.h"
#include "definition_loader.h"
#include "item_json.h"
#include "verbs.h"
#include "xdf_access.h"

#include <QJsonArray>
#include <QJsonObject>

#include <memory>

namespace korvel::cli {

namespace {

QJsonObject readingJson(const CalItem& item, const CellReading& cells) {
    QJsonArray raw, values;
    for (quint64 bits : cells.bits)
        raw.append(rawJson(bits, item.layout));
    for (const auto& v : cells.values)
        values.append(v ? QJsonValue(*v) : QJsonValue());
    QJsonObject o{{QStringLiteral("raw"), raw}};
    if (item.kind != CalItem::Kind::Flag) o.insert(QStringLiteral("values"), values);
    return o;
}

QString cellText(const CalItem& item, const CellReading& cells, size_t i) {
    const QString shown =
        cells.values[i] ? plainNumber(*cells.values[i], item.decimals) : QStringLiteral("-");
    return QStringLiteral("%1 (%2)").arg(rawText(cells.bits[i], item.layout), shown);
}

// One line per item; a table adds one indented line per differing cell (row and column from 0).
void printChange(const CalItem& item, const QJsonObject& o, const CellReading& a, const CellReading& b) {
    const QString head =
        QStringLiteral("%1 %2 %3 at %4")
            .arg(item.id.rightJustified(5), QString::fromLatin1(className(item.itemClass())).leftJustified(5),
                 item.title.trimmed(), addressText(item.address));
    if (o.contains(QStringLiteral("readOnly"))) {
        out(head + QStringLiteral(": differs (read-only: %1)").arg(item.readOnlyReason));
        return;
    }
    if (o.contains(QStringLiteral("error"))) {
        out(head + QStringLiteral(": ") + o[QStringLiteral("error")].toString());
        return;
    }
    if (item.kind != CalItem::Kind::Table || item.cellCount() == 1) {
        out(head + QStringLiteral(": %1 -> %2").arg(cellText(item, a, 0), cellText(item, b, 0)));
        return;
    }
    int differing = 0;
    for (size_t i = 0; i < a.bits.size(); ++i)
        differing += a.bits[i] != b.bits[i];
    out(head + QStringLiteral(": %1 of %2 cells").arg(differing).arg(a.bits.size()));
    for (size_t i = 0; i < a.bits.size(); ++i)
        if (a.bits[i] != b.bits[i])
            out(QStringLiteral("      row %1, column %2: %3 -> %4")
                    .arg(int(i) / item.columns)
                    .arg(int(i) % item.columns)
                    .arg(cellText(item, a, i), cellText(item, b, i)));
}

} // namespace

int xdfDiff(const Definition& def, const QString& fileA, const QString& fileB, bool json) {
    auto state = std::make_unique<AppState>(); // two image-sized arrays: off the stack
    Baseline baseline;
    if (const Status s = baseline.loadFile(fileA); !s) {
        err(s.error());
        return 2;
    }
    if (!loadImage(*state, fileB)) return 2;
    const int compared = baseline.comparedLength(*state);
    const ImageBytes before = [&](qint64 at) {
        return at >= 0 && at < compared ? baseline.byteAt(int(at)) : -1;
    };
    const ImageBytes after = [&](qint64 at) {
        return at >= 0 && at < compared ? state->byteAt(int(at)) : -1;
    };

    std::vector<char> covered(size_t(compared), 0);
    QJsonArray items;
    bool differs = false;
    for (const CalItem& item : def.items) {
        const qint64 first = std::clamp<qint64>(item.address, 0, compared);
        const qint64 last = std::clamp<qint64>(item.address + item.byteCount(), 0, compared);
        std::fill(covered.begin() + first, covered.begin() + last, 1);
        if (last <= first || !baseline.anyDiffers(*state, int(first), int(last - first))) continue;
        differs = true;
        QJsonObject o{{QStringLiteral("id"), item.id},
                      {QStringLiteral("title"), item.title},
                      {QStringLiteral("class"), QLatin1String(className(item.itemClass()))},
                      {QStringLiteral("address"), addressText(item.address)}};
        CellReading a, b;
        if (!item.readOnlyReason.isEmpty()) {
            o.insert(QStringLiteral("readOnly"), item.readOnlyReason);
        } else {
            a = readCells(def, item, before);
            b = readCells(def, item, after);
            if (!a.error.isEmpty() || !b.error.isEmpty()) {
                o.insert(QStringLiteral("error"), !a.error.isEmpty() ? a.error : b.error);
            } else {
                o.insert(QStringLiteral("before"), readingJson(item, a));
                o.insert(QStringLiteral("after"), readingJson(item, b));
            }
        }
        if (json)
            items.append(o);
        else
            printChange(item, o, a, b);
    }
    QJsonArray unlisted;
    QStringList unlistedText;
    for (int at : baseline.differingAddresses(*state, 0, compared))
        if (!covered[size_t(at)]) {
            unlisted.append(addressText(at));
            unlistedText << addressText(at);
        }
    const bool lengthsDiffer = baseline.size() != imageLength(*state);
    const QString lengths = !lengthsDiffer
                                ? QString()
                                : QStringLiteral("%1 has %2 bytes, %3 has %4: compared the first %5")
                                      .arg(fileA)
                                      .arg(baseline.size())
                                      .arg(fileB)
                                      .arg(imageLength(*state))
                                      .arg(compared);
    differs = differs || !unlisted.isEmpty();
    if (json) {
        out(jsonText(QJsonObject{{QStringLiteral("items"), items}, {QStringLiteral("unlisted"), unlisted}}));
        if (lengthsDiffer) err(lengths);
    } else {
        if (!unlisted.isEmpty())
            out(QStringLiteral("unlisted bytes: ") + unlistedText.join(QLatin1Char(' ')));
        if (lengthsDiffer) out(lengths);
        if (!differs && !lengthsDiffer) out(QStringLiteral("the images are equal"));
    }
    return differs || lengthsDiffer ? 1 : 0;
}

} // namespace korvel::cli
