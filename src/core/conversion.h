#pragma once

#include "element_layout.h"
#include "equation.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace korvel {

// A variable of an equation other than the raw value: another item's value (by its id)
// or an element read from the image.
struct VariableBinding {
    enum class Kind { Link, Address };
    QString name; // upper-case, as Equation::variableNames gives it
    Kind kind = Kind::Link;
    QString linkId;     // Link: the other item's id
    qint64 address = 0; // Address: where the element lies (base offset applied)
    ElementLayout layout;
};

// What a conversion is evaluated with besides the raw value: the cell's place and the
// values of its bound variables, in the order of Conversion::bindings().
struct ConversionContext {
    int row = 0;
    int col = 0;
    std::vector<double> variables;
};

// The answer to "which raw value shows as this?".
struct RawForShown {
    std::optional<double> raw; // a whole number inside the raw range, when found
    QString refusal;           // why not, with the reachable range
    double low = 0, high = 0;  // reachable calculated values (low <= high); both 0 when none
};

// Raw value <-> calculated value, one object for both directions so every editing path
// rounds and refuses alike.
//
// Raw -> calculated evaluates the equation; an undefined result (a division by zero) has
// no calculated value. Calculated -> raw is exact for an equation affine in X (checked
// on the compiled form for the given context): raw = round((v - b) / a), clamped to the
// range. Any other equation is searched: ranges of up to 65,536 raw values exhaustively;
// larger ones at 4,097 evenly spaced raw values, then by bisection between the two
// neighbours of the best sample when the samples rise or fall monotonically, or by a scan
// of the 256 raw values on each side of it otherwise (a narrow spike between samples can
// be missed there). Either way the nearest raw value wins, the lower one on a tie.
// A value outside the reachable calculated values by more than half a display step
// (0.5 x 10^-decimals) is refused: "No raw value gives V; the reachable range is L to H."
class Conversion {
public:
    Conversion(); // the identity, X
    Conversion(Equation equation, std::vector<VariableBinding> bindings);
    // The .ecu conversions: 0 raw x factor + offset, 1 factor / raw + offset, any other 0.
    static Conversion ecu(int conversion, double factor, double offset);

    std::optional<double> toShown(double raw, const ConversionContext& ctx = {}) const;
    RawForShown toRaw(double shown, const ElementLayout& layout, int decimals,
                      const ConversionContext& ctx = {}) const;
    // a and b of a * X + b for this context, or nothing when the equation is not affine.
    std::optional<std::pair<double, double>> linear(const ConversionContext& ctx = {}) const;

    const Equation& equation() const { return *m_equation; }
    const std::vector<VariableBinding>& bindings() const { return m_bindings; }
    bool isIdentity() const { return m_identity; }

private:
    EquationInput input(double raw, const ConversionContext& ctx) const;

    std::shared_ptr<const Equation> m_equation; // shared: cells and copies of an item use one
    std::vector<VariableBinding> m_bindings;
    bool m_identity = true;
};

} // namespace korvel
