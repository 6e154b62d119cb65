#include "equation.h"

#include <QRegularExpression>

#include <array>
#include <cmath>

namespace korvel {

namespace {

constexpr int kMaxNesting = 64;   // parentheses and function calls inside each other
constexpr int kMaxStack = 256;    // evaluation stack the compiled form may need
constexpr int kMaxSteps = 100000; // a longer equation is no conversion a definition means

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// Operand of a bitwise operator: the value truncated to a 64-bit integer, or nothing when
// it does not fit (then the result is undefined).
std::optional<qint64> integral(double v) {
    if (!std::isfinite(v) || std::fabs(v) >= 9.2e18) return std::nullopt;
    return static_cast<qint64>(v);
}

double binary(Equation::Op op, double a, double b) {
    using Op = Equation::Op;
    switch (op) {
    case Op::Add:
        return a + b;
    case Op::Sub:
        return a - b;
    case Op::Mul:
        return a * b;
    case Op::Div:
        return a / b;
    case Op::Mod:
        return b == 0 ? NAN : std::fmod(a, b);
    case Op::Eq:
        return a == b ? 1 : 0;
    case Op::Ne:
        return a != b ? 1 : 0;
    case Op::Lt:
        return a < b ? 1 : 0;
    case Op::Le:
        return a <= b ? 1 : 0;
    case Op::Gt:
        return a > b ? 1 : 0;
    case Op::Ge:
        return a >= b ? 1 : 0;
    case Op::Pow:
        return std::pow(a, b);
    default:
        break;
    }
    const auto x = integral(a), y = integral(b);
    if (!x || !y) return NAN;
    switch (op) {
    case Op::Or:
        return double(*x | *y);
    case Op::Xor:
        return double(*x ^ *y);
    case Op::And:
        return double(*x & *y);
    default:
        return NAN;
    }
}

} // namespace

QString EquationError::text() const {
    return QStringLiteral("equation error at character %1: %2").arg(position + 1).arg(message);
}

// Recursive descent over the text, emitting postfix steps.
class EquationParser {
public:
    EquationParser(const QString& text, const QString& mainVariable, Equation& out)
        : m_s(text), m_main(mainVariable.toUpper()), m_out(out) {}

    std::optional<EquationError> run() {
        skipBlanks();
        if (m_pos >= m_s.size()) return EquationError{0, QStringLiteral("the equation is empty")};
        if (!expression(0)) return m_error;
        if (m_pos < m_s.size()) {
            fail(QStringLiteral("unexpected \"%1\"").arg(m_s[m_pos]));
            return m_error;
        }
        if (m_maxDepth > kMaxStack || int(m_out.m_steps.size()) > kMaxSteps)
            return EquationError{0, QStringLiteral("the equation is too long")};
        m_out.m_depth = m_maxDepth;
        return std::nullopt;
    }

private:
    using Op = Equation::Op;

    bool fail(const QString& message) {
        if (!m_failed) m_error = EquationError{int(m_pos), message};
        m_failed = true;
        return false;
    }
    void skipBlanks() {
        while (m_pos < m_s.size() && m_s[m_pos].isSpace())
            ++m_pos;
    }
    bool take(QStringView token) {
        skipBlanks();
        if (!QStringView(m_s).mid(m_pos).startsWith(token)) return false;
        m_pos += token.size();
        return true;
    }
    void push(Op op, int pops, double value = 0, int slot = 0) {
        m_out.m_steps.push_back({op, slot, value});
        m_depth += 1 - pops;
        m_maxDepth = std::max(m_maxDepth, m_depth);
    }

    // Binary levels, loosest first; each lists its operators, longer spellings first.
    struct Level {
        std::vector<std::pair<QStringView, Op>> ops;
    };
    static const std::array<Level, 6>& levels() {
        static const std::array<Level, 6> l = {{
            {{{u"|", Op::Or}}},
            {{{u"^", Op::Xor}}},
            {{{u"&", Op::And}}},
            {{{u"==", Op::Eq},
              {u"!=", Op::Ne},
              {u"<>", Op::Ne},
              {u"<=", Op::Le},
              {u">=", Op::Ge},
              {u"=", Op::Eq},
              {u"<", Op::Lt},
              {u">", Op::Gt}}},
            {{{u"+", Op::Add}, {u"-", Op::Sub}}},
            {{{u"*", Op::Mul}, {u"/", Op::Div}, {u"%", Op::Mod}}},
        }};
        return l;
    }

    bool expression(size_t level) {
        if (level == levels().size()) return unary();
        if (!expression(level + 1)) return false;
        for (;;) {
            bool matched = false;
            for (const auto& [token, op] : levels()[level].ops) {
                if (!take(token)) continue;
                if (!expression(level + 1)) return false;
                push(op, 2);
                matched = true;
                break;
            }
            if (!matched) return true;
        }
    }

    bool unary() {
        const bool minus = take(u"-");
        if (!minus && !take(u"+")) return primary();
        if (++m_nesting > kMaxNesting) return fail(QStringLiteral("signs nested too deeply"));
        if (!unary()) return false;
        --m_nesting;
        if (minus) push(Op::Neg, 1);
        return true;
    }

    bool primary() {
        skipBlanks();
        if (m_pos >= m_s.size()) return fail(QStringLiteral("the equation ends too early"));
        const QChar c = m_s[m_pos];
        if (c == u'(') {
            if (++m_nesting > kMaxNesting) return fail(QStringLiteral("parentheses nested too deeply"));
            ++m_pos;
            if (!expression(0)) return false;
            if (!take(u")")) return fail(QStringLiteral("\")\" expected"));
            --m_nesting;
            return true;
        }
        if (c.isDigit() || c == u'.') return number();
        if (isNameStart(c)) return name();
        return fail(QStringLiteral("unexpected \"%1\"").arg(c));
    }

    bool number() {
        static const QRegularExpression hex(QStringLiteral("\\G0[xX][0-9A-Fa-f]+"));
        static const QRegularExpression dec(
            QStringLiteral("\\G([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?"));
        const auto h = hex.match(m_s, m_pos);
        const auto& m = h.hasMatch() ? h : dec.match(m_s, m_pos);
        if (!m.hasMatch()) return fail(QStringLiteral("a number expected"));
        bool ok = false;
        const double v =
            h.hasMatch() ? double(m.captured().mid(2).toULongLong(&ok, 16)) : m.captured().toDouble(&ok);
        if (!ok) return fail(QStringLiteral("the number \"%1\" is too large").arg(m.captured()));
        m_pos += m.capturedLength();
        push(Op::Number, 0, v);
        return true;
    }

    bool name() {
        const qsizetype start = m_pos;
        while (m_pos < m_s.size() && isNameChar(m_s[m_pos]))
            ++m_pos;
        const QString word = m_s.mid(start, m_pos - start).toUpper();
        skipBlanks();
        if (m_pos < m_s.size() && m_s[m_pos] == u'(') return call(word, start);
        if (word == m_main) {
            push(Op::X, 0);
        } else {
            qsizetype slot = m_out.m_variables.indexOf(word);
            if (slot < 0) {
                slot = m_out.m_variables.size();
                m_out.m_variables.append(word);
            }
            push(Op::Var, 0, 0, int(slot));
        }
        return true;
    }

    bool call(const QString& word, qsizetype start) {
        struct Function {
            const char16_t* name;
            Op op;
            int args;
        };
        static const Function functions[] = {{u"POW", Op::Pow, 2},
                                             {u"IF", Op::If, 3},
                                             {u"ABS", Op::Abs, 1},
                                             {u"ROW", Op::Row, 0},
                                             {u"COL", Op::Col, 0}};
        const Function* f = nullptr;
        for (const auto& candidate : functions)
            if (word == QStringView(candidate.name)) f = &candidate;
        if (!f) {
            m_pos = start;
            return fail(QStringLiteral("unknown function %1").arg(word));
        }
        if (++m_nesting > kMaxNesting) return fail(QStringLiteral("parentheses nested too deeply"));
        ++m_pos; // the "("
        for (int i = 0; i < f->args; ++i) {
            if (i > 0 && !take(u";"))
                return fail(QStringLiteral("\";\" expected: %1 takes %2 arguments").arg(word).arg(f->args));
            if (!expression(0)) return false;
        }
        if (!take(u")"))
            return fail(QStringLiteral("\")\" expected: %1 takes %2 arguments").arg(word).arg(f->args));
        --m_nesting;
        if (f->op == Op::Row || f->op == Op::Col) m_out.m_usesPlace = true;
        push(f->op, f->args);
        return true;
    }

    const QString& m_s;
    QString m_main;
    Equation& m_out;
    qsizetype m_pos = 0;
    int m_nesting = 0;
    int m_depth = 0;
    int m_maxDepth = 1;
    bool m_failed = false;
    EquationError m_error;
};

Equation::Equation() : m_text(QStringLiteral("X")), m_steps{{Op::X, 0, 0}} {}

std::pair<std::optional<Equation>, EquationError> Equation::parse(const QString& text,
                                                                  const QString& mainVariable) {
    Equation eq;
    eq.m_steps.clear();
    eq.m_text = text;
    // "(null)" is the main variable; padded to keep the positions of what follows.
    static const QRegularExpression null(QStringLiteral("\\(null\\)"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString source = text;
    source.replace(null, QStringLiteral("(%1)").arg(mainVariable).leftJustified(6, u' '));
    EquationParser parser(source, mainVariable, eq);
    if (auto error = parser.run()) return {std::nullopt, *error};
    return {std::move(eq), {}};
}

double Equation::evaluate(const EquationInput& in) const {
    std::array<double, kMaxStack + 1> stack;
    int top = 0;
    for (const Step& s : m_steps) {
        switch (s.op) {
        case Op::Number:
            stack[size_t(top++)] = s.value;
            break;
        case Op::X:
            stack[size_t(top++)] = in.x;
            break;
        case Op::Var:
            stack[size_t(top++)] = size_t(s.slot) < in.variables.size() ? in.variables[size_t(s.slot)] : NAN;
            break;
        case Op::Row:
            stack[size_t(top++)] = in.row;
            break;
        case Op::Col:
            stack[size_t(top++)] = in.col;
            break;
        case Op::Neg:
            stack[size_t(top - 1)] = -stack[size_t(top - 1)];
            break;
        case Op::Abs:
            stack[size_t(top - 1)] = std::fabs(stack[size_t(top - 1)]);
            break;
        case Op::If:
            top -= 2;
            stack[size_t(top - 1)] =
                stack[size_t(top - 1)] != 0 ? stack[size_t(top)] : stack[size_t(top + 1)];
            break;
        default:
            --top;
            stack[size_t(top - 1)] = binary(s.op, stack[size_t(top - 1)], stack[size_t(top)]);
        }
    }
    return top == 1 ? stack[0] : NAN;
}

std::optional<std::pair<double, double>> Equation::affine(const EquationInput& in) const {
    // Each stack entry is a * X + b, or not affine (a is NaN).
    struct Term {
        double a, b;
        bool constant() const { return a == 0; }
    };
    std::vector<Term> stack;
    stack.reserve(size_t(m_depth));
    const Term broken{NAN, 0};
    for (const Step& s : m_steps) {
        switch (s.op) {
        case Op::X:
            stack.push_back({1, 0});
            continue;
        case Op::Neg:
            stack.back() = {-stack.back().a, -stack.back().b};
            continue;
        default:
            break;
        }
        const int args = s.op == Op::If                         ? 3
                         : s.op == Op::Abs                      ? 1
                         : (s.op >= Op::Add && s.op <= Op::Pow) ? 2
                                                                : 0;
        std::vector<Term> operands(stack.end() - args, stack.end());
        stack.resize(stack.size() - size_t(args));
        bool allConstant = true;
        for (const Term& t : operands)
            allConstant = allConstant && t.constant();
        if (allConstant) {
            // Evaluate the step on constants with the real evaluator's rules.
            Equation single;
            single.m_steps.clear();
            for (const Term& t : operands)
                single.m_steps.push_back({Op::Number, 0, t.b});
            single.m_steps.push_back(s);
            stack.push_back({0, single.evaluate(in)});
            continue;
        }
        const Term l = operands[0], r = operands.size() > 1 ? operands[1] : Term{0, 0};
        switch (s.op) {
        case Op::Add:
            stack.push_back({l.a + r.a, l.b + r.b});
            break;
        case Op::Sub:
            stack.push_back({l.a - r.a, l.b - r.b});
            break;
        case Op::Mul:
            stack.push_back(l.constant()   ? Term{l.b * r.a, l.b * r.b}
                            : r.constant() ? Term{l.a * r.b, l.b * r.b}
                                           : broken);
            break;
        case Op::Div:
            stack.push_back(r.constant() && r.b != 0 ? Term{l.a / r.b, l.b / r.b} : broken);
            break;
        default:
            stack.push_back(broken);
        }
    }
    if (stack.size() != 1 || !std::isfinite(stack[0].a) || !std::isfinite(stack[0].b)) return std::nullopt;
    return std::pair{stack[0].a, stack[0].b};
}

} // namespace korvel
