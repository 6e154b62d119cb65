#include "xdf_common.h"

#include <algorithm>
#include <cmath>

namespace korvel::xdf {

std::optional<qint64> integer(const QString& text) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        negative = t.startsWith(u'-');
        t = t.mid(1);
    }
    bool ok = false;
    const qint64 v = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toLongLong(&ok, 16)
                                                                            : t.toLongLong(&ok, 10);
    if (!ok || t.isEmpty() || t[0].isSpace()) return std::nullopt;
    return negative ? -v : v;
}

std::optional<double> real(const QString& text) {
    if (const auto i = integer(text)) return double(*i);
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
}

Conversion conversionOf(const QString& equation, const QString& mainVariable,
                        const std::vector<VariableBinding>& bindings, QString& reason) {
    const QString text = equation.trimmed().isEmpty() ? mainVariable : equation;
    auto [parsed, error] = Equation::parse(text, mainVariable);
    if (!parsed) {
        if (reason.isEmpty()) reason = error.text();
        return {};
    }
    for (const QString& name : parsed->variableNames()) {
        const bool bound = std::any_of(bindings.begin(), bindings.end(),
                                       [&](const VariableBinding& b) { return b.name == name; });
        if (!bound) {
            if (reason.isEmpty())
                reason = QStringLiteral("the equation uses %1, which names nothing Korvel reads").arg(name);
            return {};
        }
    }
    if (parsed->text().trimmed().compare(mainVariable, Qt::CaseInsensitive) == 0) return {};
    return Conversion(std::move(*parsed), bindings);
}

qint64 offsetAddress(qint64 address, qint64 baseOffset, QString& reason) {
    // Kept within +-2^40 so no address arithmetic past the reader can overflow.
    constexpr qint64 kFar = qint64(1) << 40;
    const qint64 a = std::clamp(address, -kFar, kFar) + std::clamp(baseOffset, -kFar, kFar);
    if (a < 0 && reason.isEmpty())
        reason = QStringLiteral("its address 0x%1 lies before the start of the image").arg(address, 0, 16);
    if (a > 0xFFFFFFFFLL && reason.isEmpty())
        reason = QStringLiteral("its address 0x%1 lies beyond any image").arg(address, 0, 16);
    return a;
}

namespace {

// Why a link to `id` cannot be used, or nothing.
QString linkProblem(const Definition& def, const QString& id, bool needOneValue) {
    const CalItem* target = def.find(id);
    if (!target) return QStringLiteral("the link to %1 does not resolve").arg(id);
    if (!target->readOnlyReason.isEmpty() && needOneValue)
        return QStringLiteral("the linked item %1 cannot be read").arg(id);
    if (needOneValue && target->itemClass() != ItemClass::Value)
        return QStringLiteral("the link to %1 names an item that is not one value").arg(id);
    if (needOneValue && !target->conversion.bindings().empty())
        return QStringLiteral("the linked item %1 links further itself").arg(id);
    return {};
}

} // namespace

void checkLinks(Definition& def) {
    for (CalItem& item : def.items) {
        if (!item.readOnlyReason.isEmpty()) continue;
        QString problem;
        for (const VariableBinding& b : item.conversion.bindings())
            if (problem.isEmpty() && b.kind == VariableBinding::Kind::Link)
                problem = linkProblem(def, b.linkId, true);
        for (const CalAxis* axis : {&item.x, &item.y})
            if (problem.isEmpty() && axis->source == CalAxis::Source::Link)
                problem = linkProblem(def, axis->linkId, false);
        item.readOnlyReason = problem;
    }
}

QString where(qint64 line, const QString& title, const QString& message) {
    if (title.isEmpty()) return QStringLiteral("Line %1: %2").arg(line).arg(message);
    return QStringLiteral("Line %1, item \"%2\": %3").arg(line).arg(title, message);
}

} // namespace korvel::xdf
