#include "adx_decoder.h"

#include <cmath>

namespace korvel {

std::optional<qint64> adxRaw(const QByteArray& payload, int offset, int bits, bool lsbFirst, bool isSigned) {
    const int n = bits / 8;
    if (offset < 0 || n < 1 || n > 4 || offset + n > payload.size()) return std::nullopt;
    quint64 u = 0;
    for (int k = 0; k < n; ++k) {
        const int at = lsbFirst ? offset + n - 1 - k : offset + k; // most significant first
        u = (u << 8) | quint8(payload[at]);
    }
    const quint64 sign = quint64(1) << (bits - 1);
    if (isSigned && (u & sign)) return qint64(u) - qint64(sign << 1);
    return qint64(u);
}

QString adxFormat(const AdxValue& v, double value) {
    if (!std::isfinite(value)) return QStringLiteral("NaN");
    if (v.outputType == 0 || v.outputType == 1) {
        const double r = std::round(value);
        if (std::abs(r) >= 9.2e18) return QString::number(r, 'f', 0);
        const qint64 i = qint64(r);
        if (v.outputType == 1) return QString::number(i);
        const QString hex = QString::number(quint64(i < 0 ? -i : i), 16).toUpper();
        return (i < 0 ? QStringLiteral("-0x") : QStringLiteral("0x")) + hex;
    }
    return QString::number(value, 'f', v.digits);
}

AdxDecoded decodeAdx(const AdxDefinition& def, const AdxPayloads& payloads) {
    AdxDecoded out;
    out.values.resize(def.values.size());
    out.bitmasks.resize(def.bitmasks.size());
    std::vector<double> vars;
    for (const int k : def.evaluationOrder) {
        const AdxValue& v = def.values[size_t(k)];
        AdxDecodedValue& d = out.values[size_t(k)];
        double x = 0;
        if (v.native) {
            const auto p = payloads.find(v.packet);
            if (p == payloads.end()) continue;
            const auto raw = adxRaw(p->second, v.offset, v.bits, v.lsbFirst, v.isSigned);
            if (!raw) continue;
            d.raw = *raw;
            x = double(*raw);
            if (v.lookup >= 0) x = def.lookupTables[size_t(v.lookup)].map(x);
        }
        vars.clear();
        bool linked = true;
        for (const int l : v.links) {
            linked = linked && out.values[size_t(l)].valid;
            vars.push_back(out.values[size_t(l)].value);
        }
        if (!linked) continue;
        d.value = v.equation.evaluate(EquationInput{x, 0, 0, vars});
        d.valid = true;
        d.text = adxFormat(v, d.value);
        if (v.highAlarm && d.value > v.alarmHigh)
            d.alarm = AdxAlarm::High;
        else if (v.lowAlarm && d.value < v.alarmLow)
            d.alarm = AdxAlarm::Low;
    }
    for (size_t k = 0; k < def.bitmasks.size(); ++k) {
        const AdxBitmask& b = def.bitmasks[k];
        const auto p = payloads.find(b.packet);
        if (p == payloads.end() || b.offset >= p->second.size()) continue;
        out.bitmasks[k] = {true, (quint32(quint8(p->second[b.offset])) & b.operand) == b.result};
    }
    return out;
}

} // namespace korvel
