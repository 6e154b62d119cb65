// korvel-cli diff DEFINITION.ecu A.bin B.bin [--format PATTERN] [--json]
// What differs from A (before) to B (after): the items whose bytes differ, with their raw
// values and texts as `items --bin` gives them, then the differing bytes of no item.
#include "core/app_state.h"
#include "core/baseline.h"
#include "core/change_list.h"
#include "core/values.h"
#include "definition_loader.h"
#include "item_json.h"
#include "verbs.h"
#include "xdf_access.h"

#include <QJsonArray>
#include <QJsonObject>

#include <memory>

namespace korvel::cli {

namespace {

constexpr int kEqual = 0;
constexpr int kDifferent = 1;
constexpr int kUsageOrInputError = 2;

const char kUsage[] = "diff DEFINITION.ecu A.bin B.bin [--format PATTERN] [--json]";

int usage() {
    err(QStringLiteral("usage: korvel-cli %1").arg(QLatin1String(kUsage)));
    return kUsageOrInputError;
}

QString addressText(int address) {
    return hexNumber(static_cast<quint64>(address)).rightJustified(4, QLatin1Char('0'));
}

QJsonObject changeJson(const EcuItem& item, const ItemChange& change) {
    QJsonObject o{{QStringLiteral("id"), item.Id},
                  {QStringLiteral("title"), item.Title},
                  {QStringLiteral("class"), QLatin1String(className(change.cls))},
                  {QStringLiteral("address"), item.Address}};
    if (!change.error.isEmpty()) {
        o.insert(QStringLiteral("error"), change.error);
        return o;
    }
    QJsonObject before, after;
    insertReading(before, change.before, change.cls);
    insertReading(after, change.after, change.cls);
    o.insert(QStringLiteral("before"), before);
    o.insert(QStringLiteral("after"), after);
    return o;
}

QString textOf(const ItemReading& r, size_t k) {
    return k < r.text.size() && r.text[k] ? *r.text[k] : QString();
}

// " (before -> after)": the calculated texts as the editor shows them. Nothing when neither side
// has one (an item whose Factor is 0 shows none); "no value" for the side without one.
QString calculatedChange(const ItemReading& a, const ItemReading& b, size_t k) {
    const QString before = textOf(a, k), after = textOf(b, k);
    if (before.isEmpty() && after.isEmpty()) return {};
    const auto shown = [](const QString& t) { return t.isEmpty() ? QStringLiteral("no value") : t; };
    return QStringLiteral(" (%1 -> %2)").arg(shown(before), shown(after));
}

// One line per item; a table adds one indented line per differing cell (storage order, from 0).
void printChange(const EcuItem& item, const ItemChange& change) {
    QString head =
        QStringLiteral("%1 %2 %3 at %4")
            .arg(item.Id.rightJustified(3), QString::fromLatin1(className(change.cls)).leftJustified(5),
                 item.Title.trimmed(), item.Address.trimmed());
    if (!change.error.isEmpty()) {
        out(head + QStringLiteral(": ") + change.error);
        return;
    }
    const ItemReading &a = change.before, &b = change.after;
    if (change.cls == ItemClass::Flag) {
        out(head + QStringLiteral(": %1 -> %2").arg(rawListText(a), rawListText(b)));
        return;
    }
    if (change.cls == ItemClass::Value) {
        out(head + QStringLiteral(": %1 -> %2").arg(rawListText(a), rawListText(b)) +
            calculatedChange(a, b, 0));
        return;
    }
    int differing = 0;
    for (size_t k = 0; k < a.raw.size() && k < b.raw.size(); ++k)
        differing += a.raw[k] != b.raw[k];
    out(head + QStringLiteral(": %1 of %2 cells").arg(differing).arg(a.raw.size()));
    for (size_t k = 0; k < a.raw.size() && k < b.raw.size(); ++k) {
        if (a.raw[k] == b.raw[k]) continue;
        out(QStringLiteral("      cell %1: %2 -> %3").arg(k).arg(a.raw[k]).arg(b.raw[k]) +
            calculatedChange(a, b, k));
    }
}

int run(const QStringList& argsIn) {
    QStringList args = argsIn, files;
    QString pattern = QStringLiteral("##.##");
    bool json = false;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--json"))
            json = true;
        else if (a == QLatin1String("--format") && !args.isEmpty())
            pattern = args.takeFirst();
        else if (files.size() < 3 && !a.startsWith(QLatin1String("--")))
            files << a;
        else
            return usage();
    }
    if (files.size() != 3) return usage();
    const QString &ecu = files[0], &fileA = files[1], &fileB = files[2];

    std::optional<Definition> xdf;
    if (readXdfDefinition(ecu, xdf)) return xdf ? xdfDiff(*xdf, fileA, fileB, json) : kUsageOrInputError;
    // B is the image (after), A its baseline (before), as the editor compares.
    auto state = std::make_unique<AppState>();
    if (!loadDefinition(*state, ecu, "diff")) return kUsageOrInputError;
    Baseline baseline;
    if (const Status s = baseline.loadFile(fileA); !s) {
        err(s.error());
        return kUsageOrInputError;
    }
    if (!loadImage(*state, fileB)) return kUsageOrInputError;

    const ChangeList changes = listChanges(*state, baseline, pattern);
    // Every byte of both files counts, the last part block too.
    const QString lengths = !changes.lengthsDiffer()
                                ? QString()
                                : QStringLiteral("%1 has %2 bytes, %3 has %4: compared the first %5")
                                      .arg(fileA)
                                      .arg(changes.baselineLength)
                                      .arg(fileB)
                                      .arg(changes.imageLength)
                                      .arg(baseline.comparedLength(*state));
    const auto itemOf = [&state](const ItemChange& c) -> const EcuItem& {
        return state->EcuItemTable[static_cast<size_t>(c.number)];
    };

    if (json) {
        QJsonArray items, unlisted;
        for (const ItemChange& c : changes.items)
            items.append(changeJson(itemOf(c), c));
        for (int a : changes.unlisted)
            unlisted.append(addressText(a));
        const QJsonObject doc{{QStringLiteral("items"), items}, {QStringLiteral("unlisted"), unlisted}};
        out(jsonText(doc));
        if (!lengths.isEmpty()) err(lengths);
    } else {
        for (const ItemChange& c : changes.items)
            printChange(itemOf(c), c);
        if (!changes.unlisted.empty()) {
            QStringList addresses;
            for (int a : changes.unlisted)
                addresses << addressText(a);
            out(QStringLiteral("unlisted bytes: ") + addresses.join(QLatin1Char(' ')));
        }
        if (!lengths.isEmpty()) out(lengths);
        if (!changes.anyDifference() && lengths.isEmpty()) out(QStringLiteral("the images are equal"));
    }
    return changes.anyDifference() || changes.lengthsDiffer() ? kDifferent : kEqual;
}

const VerbRegistration registration{{"diff", kUsage, run}};

} // namespace

} // namespace korvel::cli
