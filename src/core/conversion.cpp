#include "conversion.h"

#include <cmath>

namespace korvel {

namespace {

constexpr double kExhaustiveLimit = 65536;
constexpr int kSamples = 4096; // intervals; 4,097 sample points
constexpr int kLocalScan = 256;

struct Best {
    double raw = NAN, shown = NAN, distance = INFINITY;
    double low = INFINITY, high = -INFINITY;
    void consider(double r, std::optional<double> v, double target) {
        if (!v) return;
        low = std::min(low, *v);
        high = std::max(high, *v);
        const double d = std::fabs(*v - target);
        if (d < distance || (d == distance && r < raw)) raw = r, shown = *v, distance = d;
    }
};

QString number(double v, int decimals) {
    return QString::number(v, 'f', std::clamp(decimals, 0, 12));
}

} // namespace

Conversion::Conversion() : m_equation(std::make_shared<const Equation>()) {}

Conversion::Conversion(Equation equation, std::vector<VariableBinding> bindings)
    : m_equation(std::make_shared<const Equation>(std::move(equation))), m_identity(false) {
    // Bindings in the equation's slot order; those it never uses are dropped.
    for (const QString& name : m_equation->variableNames())
        for (const VariableBinding& b : bindings)
            if (b.name == name) {
                m_bindings.push_back(b);
                break;
            }
}

Conversion Conversion::ecu(int conversion, double factor, double offset) {
    const QString f = QString::number(factor, 'g', 17), o = QString::number(offset, 'g', 17);
    const QString text = conversion == 0   ? QStringLiteral("X * (%1) + (%2)").arg(f, o)
                         : conversion == 1 ? QStringLiteral("(%1) / X + (%2)").arg(f, o)
                                           : QStringLiteral("0");
    auto parsed = Equation::parse(text).first; // fails only for a factor or offset that is no number
    return Conversion(parsed ? std::move(*parsed) : *Equation::parse(QStringLiteral("0")).first, {});
}

EquationInput Conversion::input(double raw, const ConversionContext& ctx) const {
    return {raw, ctx.row, ctx.col, ctx.variables};
}

std::optional<double> Conversion::toShown(double raw, const ConversionContext& ctx) const {
    if (m_identity) return raw;
    const double v = m_equation->evaluate(input(raw, ctx));
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::pair<double, double>> Conversion::linear(const ConversionContext& ctx) const {
    if (m_identity) return std::pair{1.0, 0.0};
    return m_equation->affine(input(0, ctx));
}

RawForShown Conversion::toRaw(double shown, const ElementLayout& layout, int decimals,
                              const ConversionContext& ctx) const {
    const double lo = layout.minRaw(), hi = layout.maxRaw();
    Best best;
    const auto at = [&](double r) { best.consider(r, toShown(r, ctx), shown); };
    const auto line = linear(ctx);
    if (line && line->first != 0) {
        const double guess = std::clamp(std::round((shown - line->second) / line->first), lo, hi);
        at(lo);
        at(hi);
        at(guess);
        // Rounding may land one count off the nearest where the factor is tiny or huge.
        if (guess > lo) at(guess - 1);
        if (guess < hi) at(guess + 1);
    } else if (hi - lo < kExhaustiveLimit) {
        for (double r = lo; r <= hi; ++r)
            at(r);
    } else {
        const double step = (hi - lo) / kSamples;
        std::vector<std::pair<double, std::optional<double>>> samples;
        for (int i = 0; i <= kSamples; ++i) {
            const double r = i == kSamples ? hi : std::floor(lo + step * i);
            samples.emplace_back(r, toShown(r, ctx));
            best.consider(r, samples.back().second, shown);
        }
        bool rising = true, falling = true;
        for (size_t i = 1; i < samples.size(); ++i) {
            const auto &a = samples[i - 1].second, &b = samples[i].second;
            rising = rising && a && b && *b >= *a;
            falling = falling && a && b && *b <= *a;
        }
        const double centre = best.raw;
        if (std::isfinite(centre) && (rising || falling)) {
            // The target lies between two neighbouring samples; halve that interval.
            double a = std::max(lo, centre - step - 1), b = std::min(hi, centre + step + 1);
            while (b - a > 1) {
                const double m = std::floor((a + b) / 2);
                const auto v = toShown(m, ctx);
                if (!v || m <= a || m >= b) break; // beyond 2^53 raw values are no longer all numbers
                (rising ? *v < shown : *v > shown) ? a = m : b = m;
            }
            at(a);
            at(b);
        } else if (std::isfinite(centre)) {
            for (int k = -kLocalScan; k <= kLocalScan; ++k)
                if (centre + k >= lo && centre + k <= hi) at(centre + k);
        }
    }
    RawForShown out;
    if (!std::isfinite(best.low)) {
        out.refusal = QStringLiteral("No raw value gives a calculated value.");
        return out;
    }
    out.low = best.low;
    out.high = best.high;
    const double half = 0.5 * std::pow(10.0, -std::clamp(decimals, 0, 12));
    if (!std::isfinite(shown) || shown < best.low - half * 1.000001 || shown > best.high + half * 1.000001) {
        out.refusal =
            QStringLiteral("No raw value gives %1; the reachable range is %2 to %3.")
                .arg(number(shown, decimals), number(best.low, decimals), number(best.high, decimals));
        return out;
    }
    out.raw = best.raw;
    return out;
}

} // namespace korvel
