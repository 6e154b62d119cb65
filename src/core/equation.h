#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace korvel {

// Where a parse stopped: the character (0-based) and what was wrong there.
struct EquationError {
    int position = 0;
    QString message;
    // "equation error at character N: message" (N counted from 1, as a person counts).
    QString text() const;
};

// What an equation is evaluated with: the raw value, the cell's place (for ROW() and
// COL(), counted from 0) and the values of its other variables, by slot.
struct EquationInput {
    double x = 0;
    int row = 0;
    int col = 0;
    std::span<const double> variables; // slot i = variableNames()[i]; a missing slot reads NaN
};

// A conversion equation of a definition, compiled once and evaluated many times.
//
// Grammar, loosest first: `|`, `^` (exclusive or), `&`, comparisons (`==` `=` `!=` `<>` `<`
// `<=` `>` `>=`, giving 1 or 0), `+ -`, `* / %`, unary `- +`, then numbers (`12`, `.25`,
// `1e-3`, `0x1F`), parentheses, names and functions. Bitwise operators work on the
// operands truncated to 64-bit integers. Functions take `;`-separated arguments:
// POW(x;e), IF(c;a;b) (a when c is not 0), ABS(x), ROW(), COL(). Blanks, tabs, CR and LF
// are skipped; the text "(null)" stands for the main variable. Names are compared without
// regard to letter case: the main variable (normally X) is the raw value, every other name
// is a variable the definition binds (a link to another item, a byte of the image).
class Equation {
public:
    // Parses `text`; `mainVariable` names the raw value.
    static std::pair<std::optional<Equation>, EquationError> parse(const QString& text,
                                                                   const QString& mainVariable = "X");
    // The equation "X".
    Equation();

    // The result; NaN or an infinity where it is undefined (a division by zero, say).
    double evaluate(const EquationInput& in) const;
    // The equation as a * X + b for this input's row, column and variables, or nothing
    // when it is not affine in X (a product of two terms in X, X under a function...).
    std::optional<std::pair<double, double>> affine(const EquationInput& in) const;

    const QString& text() const { return m_text; }
    // Other variables used, upper-case, in order of first use.
    const QStringList& variableNames() const { return m_variables; }
    bool usesPlace() const { return m_usesPlace; }

    enum class Op : quint8 {
        Number,
        X,
        Var,
        Row,
        Col,
        Neg,
        Add,
        Sub,
        Mul,
        Div,
        Mod,
        Or,
        Xor,
        And,
        Eq,
        Ne,
        Lt,
        Le,
        Gt,
        Ge,
        Pow,
        If,
        Abs
    };
    struct Step {
        Op op;
        int slot = 0;
        double value = 0;
    };

private:
    friend class EquationParser;
    QString m_text;
    std::vector<Step> m_steps; // postfix order
    QStringList m_variables;
    bool m_usesPlace = false;
    int m_depth = 1; // largest evaluation stack
};

} // namespace korvel
