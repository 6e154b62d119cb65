#include "table_text.h"

#include "values.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace korvel {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
// Enough places for any Factor a definition can hold; beyond them the shortest text is taken.
constexpr int kMostDecimals = 40;

// A map whose Factor is 0 shows 0 everywhere: it has no inverse either.
bool hasInverse(const EcuItem& item) {
    return (item.Conversion == 0 || item.Conversion == 1) && item.Factor != 0;
}

// The shortest plain decimal text that reads back to the same double.
QString shortestNumber(double value) {
    return plainNumber(value, QLocale::FloatingPointShortest);
}

} // namespace

ShownValues::ShownValues(const EcuItem& item, TableKind kind, bool calculated, const QString& pattern)
    : m_item(item), m_kind(kind), m_calculated(calculated), m_invertible(!calculated || hasInverse(item)) {
    for (int raw = 0; raw < 256; ++raw) {
        const auto i = static_cast<size_t>(raw);
        if (!calculated) {
            m_values[i] = raw;
            m_texts[i] = QString::number(raw);
            continue;
        }
        const std::optional<double> v = kind == TableKind::Map && item.Factor == 0
                                            ? std::optional<double>(0.0)
                                            : CalculatedValue(item, static_cast<quint64>(raw));
        m_values[i] = v ? *v : kNoValue;
        if (!pattern.isEmpty()) {
            m_texts[i] = cellText(item, kind, false, raw, pattern);
        } else if (!v) {
            m_texts[i].clear();
        } else if (!m_invertible) {
            m_texts[i] = shortestNumber(*v);
        } else {
            // The fewest places after the point that still read back to this byte.
            m_texts[i] = shortestNumber(*v);
            for (int places = 0; places <= kMostDecimals; ++places) {
                const QString t = plainNumber(*v, places);
                if (roundedByte(toRaw(t.toDouble())) == raw) {
                    m_texts[i] = t;
                    break;
                }
            }
        }
    }
}

QString ShownValues::refusal() const {
    if (m_invertible) return {};
    return QStringLiteral("The calculated values of \"%1\" cannot be turned back into raw values: "
                          "switch the grid to raw values.")
        .arg(m_item.Title.trimmed());
}

double ShownValues::toRaw(double v) const {
    if (!m_calculated) return v;
    if (!m_invertible) return kNoValue;
    if (m_item.Conversion == 0) return (v - m_item.Offset) / m_item.Factor;
    const double d = v - m_item.Offset;
    if (d == 0)
        return m_item.Factor > 0 ? std::numeric_limits<double>::infinity()
                                 : -std::numeric_limits<double>::infinity();
    return m_item.Factor / d;
}

std::optional<int> roundedByte(double raw) {
    if (!std::isfinite(raw)) return std::nullopt;
    const double r = std::round(raw);
    if (r < 0 || r > 255) return std::nullopt;
    return static_cast<int>(r);
}

QString plainNumber(double value, int decimals) {
    QString t = QString::number(value, 'f', decimals);
    if (t.contains(QLatin1Char('.'))) {
        while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
        if (t.endsWith(QLatin1Char('.'))) t.chop(1);
    }
    if (t == QLatin1String("-0")) t = QStringLiteral("0");
    return t;
}

std::optional<double> readNumber(QStringView field) {
    field = field.trimmed();
    // Pasted fields are short; a longer one is no number this program would take.
    constexpr qsizetype kLongest = 64;
    if (field.isEmpty() || field.size() > kLongest) return std::nullopt;
    // Only digits, one point (or one comma in its place), a sign and an exponent: no "inf",
    // "nan", hex or group separators.
    std::array<char, kLongest> text{};
    int separators = 0;
    for (qsizetype i = 0; i < field.size(); ++i) {
        char ch = static_cast<char>(field[i].unicode());
        if (field[i].unicode() > 0x7F) return std::nullopt;
        if (ch == ',' || ch == '.') {
            ch = '.';
            ++separators;
        } else if (!(ch >= '0' && ch <= '9') && ch != '+' && ch != '-' && ch != 'e' && ch != 'E') {
            return std::nullopt;
        }
        text[static_cast<size_t>(i)] = ch;
    }
    if (separators > 1) return std::nullopt;
    const char* begin = text.data();
    const char* end = begin + field.size();
    if (*begin == '+' && end - begin > 1 && begin[1] != '-') ++begin; // from_chars takes no plus
    double v = 0;
    const auto [stop, error] = std::from_chars(begin, end, v);
    if (error != std::errc() || stop != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

int TextBlock::width() const {
    qsizetype w = 0;
    for (const QStringList& l : lines)
        w = std::max(w, l.size());
    return static_cast<int>(w);
}

namespace {

// Splits a line at `sep`; a field that starts with a double quote runs to the closing one
// ("" inside stands for one quote).
QStringList splitQuoted(const QString& line, QChar sep) {
    if (!line.contains(QLatin1Char('"'))) return line.split(sep);
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar ch = line[i];
        if (quoted) {
            if (ch != QLatin1Char('"'))
                field += ch;
            else if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"'))
                field += line[++i];
            else
                quoted = false;
        } else if (ch == QLatin1Char('"') && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
        } else if (ch == sep) {
            fields << field;
            field.clear();
        } else {
            field += ch;
        }
    }
    fields << field;
    return fields;
}

// The text without its quoted fields: a double quote at the start of a line or after a tab,
// semicolon or comma (spaces between allowed) opens one, which runs to the closing quote ("" inside
// stands for one quote) or the end of the line.
QString withoutQuotedFields(const QString& text) {
    QString bare;
    bare.reserve(text.size());
    bool quoted = false, fieldStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == QLatin1Char('\n')) {
            quoted = false;
            fieldStart = true;
        } else if (quoted) {
            if (ch != QLatin1Char('"')) continue;
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                ++i;
            else
                quoted = false;
            continue;
        } else if (ch == QLatin1Char('"') && fieldStart) {
            quoted = true;
            continue;
        } else if (ch != QLatin1Char(' ')) {
            fieldStart = ch == QLatin1Char('\t') || ch == QLatin1Char(';') || ch == QLatin1Char(',');
        }
        bare += ch;
    }
    return bare;
}

// Commas separate fields in a clipboard text without tabs or semicolons when a line holds
// more than one, or one stands beside a space ("1, 2"); otherwise they are decimal commas.
bool commaSeparates(const QStringList& lines) {
    for (const QString& line : lines) {
        const QString s = line.simplified();
        if (s.count(QLatin1Char(',')) > 1 || s.contains(QLatin1String(", ")) ||
            s.contains(QLatin1String(" ,")) || s.startsWith(QLatin1Char(',')) || s.endsWith(QLatin1Char(',')))
            return true;
    }
    return false;
}

} // namespace

TextBlock splitText(const QString& text, TextSource source) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();

    enum class Split { Char, Spaces, None } split = Split::Char;
    QChar sep = QLatin1Char(',');
    // A separator inside a quoted field (a heading holding ";", say) does not choose.
    const QString bare = withoutQuotedFields(t);
    if (bare.contains(QLatin1Char('\t')))
        sep = QLatin1Char('\t');
    else if (bare.contains(QLatin1Char(';')))
        sep = QLatin1Char(';');
    else if (source == TextSource::Clipboard && !commaSeparates(lines))
        split = std::any_of(lines.cbegin(), lines.cend(),
                            [](const QString& l) { return l.simplified().contains(QLatin1Char(' ')); })
                    ? Split::Spaces
                    : Split::None;

    TextBlock block;
    for (const QString& line : lines) {
        switch (split) {
        case Split::Char:
            block.lines.push_back(splitQuoted(line, sep));
            break;
        case Split::Spaces:
            block.lines.push_back(line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts));
            break;
        case Split::None:
            block.lines.push_back(QStringList{line.trimmed()});
            break;
        }
    }
    return block;
}

bool hasHeadings(const TextBlock& block, int cols, int rows) {
    return static_cast<int>(block.lines.size()) == rows + 1 && block.lines[0].size() == cols + 1 &&
           block.lines[0][0].trimmed().isEmpty();
}

TextBlock withoutHeadings(const TextBlock& block) {
    TextBlock out;
    for (size_t i = 1; i < block.lines.size(); ++i)
        out.lines.push_back(block.lines[i].mid(1));
    return out;
}

namespace {

// A field is quoted when it holds the separator or any other the reader could take for one (a
// heading with ";" in a comma-separated text would otherwise make the reader split at ";").
QString field(const QString& text, QChar separator) {
    static const QString special = QStringLiteral("\t;,\"\n");
    if (!text.contains(separator) &&
        std::none_of(special.cbegin(), special.cend(), [&text](QChar c) { return text.contains(c); }))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString tableText(const ValueMatrix& values, const ShownValues& shown, const CellRect& rect, QChar separator,
                  bool headings, const std::function<bool(int c, int r)>& included) {
    QString out;
    if (rect.isEmpty()) return out;
    if (headings) {
        for (int c = rect.c0; c <= rect.c1; ++c)
            out += separator + field(columnHeading(shown.item(), c + 1).trimmed(), separator);
        out += QLatin1Char('\n');
    }
    for (int r = rect.r1; r >= rect.r0; --r) {
        if (headings) out += field(rowHeading(shown.item(), r + 1).trimmed(), separator) + separator;
        for (int c = rect.c0; c <= rect.c1; ++c) {
            if (c > rect.c0) out += separator;
            if (!included || included(c, r))
                out +=
                    field(shown.text(static_cast<int>(std::clamp(values.at(c, r), 0.0, 255.0))), separator);
        }
        out += QLatin1Char('\n');
    }
    return out;
}

QString cellName(int c, int r, int rows) {
    return QStringLiteral("row %1, column %2").arg(rows - r).arg(c + 1);
}

} // namespace korvel
