#include "table_text.h"

#include "table_cells.h"

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
            continue;
        }
        const std::optional<double> v = kind == TableKind::Map && item.Factor == 0
                                            ? std::optional<double>(0.0)
                                            : CalculatedValue(item, static_cast<quint64>(raw));
        m_values[i] = v ? *v : kNoValue;
    }
    // The texts read back through every value, so they follow once all are known.
    for (int raw = 0; raw < 256; ++raw)
        m_texts[static_cast<size_t>(raw)] = !calculated         ? QString::number(raw)
                                            : pattern.isEmpty() ? readBackText(raw)
                                                                : cellText(item, kind, false, raw, pattern);
}

QString ShownValues::readBackText(int raw) const {
    const double v = fromRaw(raw);
    if (std::isnan(v)) return {};
    if (m_invertible) {
        for (int places = 0; places <= kMostDecimals; ++places) {
            const QString t = plainNumber(v, places);
            const std::optional<Byte> back = nearestByte(t.toDouble());
            if (back && back->raw == raw && !back->beyond) return t;
        }
    }
    return shortestNumber(v);
}

QString ShownValues::refusal() const {
    if (m_invertible) return {};
    return QStringLiteral("The calculated values of \"%1\" cannot be turned back into raw values: "
                          "switch the grid to raw values.")
        .arg(m_item.Title.trimmed());
}

std::optional<ShownValues::Byte> ShownValues::nearestByte(double v) const {
    if (std::isnan(v) || !m_invertible) return std::nullopt;
    if (!m_calculated || m_item.Conversion == 0) {
        const double raw = std::round(m_calculated ? (v - m_item.Offset) / m_item.Factor : v);
        if (std::isnan(raw)) return std::nullopt;
        if (raw < 0) return Byte{0, true};
        if (raw > 255) return Byte{255, true};
        return Byte{static_cast<int>(raw), false};
    }
    // Conversion 1: Factor / raw + Offset runs one way over raw 1..255 and nears the Offset as
    // raw grows, so the nearest byte is one of the two around Factor / (v - Offset), and a value
    // at or past the Offset is nearest to the last byte. Rounding raw itself would pick the
    // wrong one of the two, as the steps between bytes are not even.
    const double d = v - m_item.Offset;
    const bool pastOffset = d == 0 || (d > 0) != (m_item.Factor > 0);
    const double raw = pastOffset ? 255 : m_item.Factor / d;
    if (std::isnan(raw)) return std::nullopt;
    const auto clampByte = [](double r) { return static_cast<int>(std::clamp(r, 1.0, 255.0)); };
    const int below = clampByte(std::floor(raw)), above = clampByte(std::ceil(raw));
    const int best = std::abs(fromRaw(above) - v) <= std::abs(fromRaw(below) - v) ? above : below;
    if (best != 1 && best != 255) return Byte{best, false};
    // Past an end by half the step to its neighbour or more: out of reach.
    const double outward = fromRaw(best) - fromRaw(best == 1 ? 2 : 254);
    return Byte{best, (v - fromRaw(best)) / outward >= 0.5};
}

QString ShownValues::reach() const {
    int lowest = -1, highest = -1;
    for (int raw = 0; raw < 256; ++raw) {
        const double v = fromRaw(raw);
        if (std::isnan(v)) continue;
        if (lowest < 0 || v < fromRaw(lowest)) lowest = raw;
        if (highest < 0 || v > fromRaw(highest)) highest = raw;
    }
    if (lowest < 0) return {};
    return QStringLiteral("%1 to %2").arg(readBackText(lowest), readBackText(highest));
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

bool commaMayGroupThousands(QStringView field) {
    field = field.trimmed();
    const qsizetype comma = field.indexOf(QLatin1Char(','));
    if (comma < 1 || !field[comma - 1].isDigit() || field.size() - comma - 1 != 3) return false;
    const QStringView after = field.mid(comma + 1);
    return std::all_of(after.begin(), after.end(), [](QChar c) { return c.isDigit(); });
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

// Fields that are all numbers or empty.
bool allNumbers(const QStringList& fields) {
    return std::all_of(fields.cbegin(), fields.cend(), [](const QString& f) {
        return QStringView(f).trimmed().isEmpty() || readNumber(f).has_value();
    });
}

// A line read with commas as decimal commas: fields between runs of spaces, each a number whose
// comma, if any, stands between two digits.
bool decimalCommaLine(const QStringList& fields) {
    for (const QString& f : fields) {
        const qsizetype comma = f.indexOf(QLatin1Char(','));
        if (comma >= 0 &&
            (comma == 0 || comma + 1 >= f.size() || !f[comma - 1].isDigit() || !f[comma + 1].isDigit()))
            return false;
    }
    return allNumbers(fields);
}

QStringList spaceFields(const QString& line) {
    return line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

TextBlock splitText(const QString& text, TextSource source) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    // A line of tabs is a row of empty cells (a copied row without values), not an empty line.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty() && !lines.last().contains(QLatin1Char('\t')))
        lines.removeLast();

    TextBlock block;
    QChar sep = QLatin1Char(',');
    // A separator inside a quoted field (a heading holding ";", say) does not choose.
    const QString bare = withoutQuotedFields(t);
    if (bare.contains(QLatin1Char('\t'))) {
        sep = QLatin1Char('\t');
    } else if (bare.contains(QLatin1Char(';'))) {
        sep = QLatin1Char(';');
    } else if (source == TextSource::Clipboard) {
        // Commas either all separate fields or are all decimal commas in fields separated by
        // spaces; the text must leave only one of the two readings.
        std::vector<QStringList> bySpaces;
        bool decimal = true;
        for (const QString& line : lines) {
            bySpaces.push_back(spaceFields(line));
            decimal = decimal && decimalCommaLine(bySpaces.back());
        }
        const auto commaLine = std::find_if(lines.cbegin(), lines.cend(),
                                            [](const QString& l) { return l.contains(QLatin1Char(',')); });
        if (decimal && commaLine != lines.cend()) {
            const bool separated = std::all_of(lines.cbegin(), lines.cend(), [](const QString& l) {
                return allNumbers(splitQuoted(l, QLatin1Char(',')));
            });
            if (!separated) {
                block.lines = std::move(bySpaces);
                return block;
            }
            constexpr qsizetype kShown = 24;
            const QString shown = commaLine->trimmed();
            block.problem =
                QStringLiteral("in \"%1\" a comma could separate two values or be a decimal comma. "
                               "Paste tab-separated text, or write decimals with a point.")
                    .arg(shown.size() > kShown ? shown.left(kShown) + QStringLiteral("...") : shown);
            return block;
        }
        if (commaLine == lines.cend()) {
            block.lines = std::move(bySpaces);
            return block;
        }
    }
    for (const QString& line : lines)
        block.lines.push_back(splitQuoted(line, sep));
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
    static const QString special = QStringLiteral("\t;,\"\r\n");
    if (!text.contains(separator) &&
        std::none_of(special.cbegin(), special.cend(), [&text](QChar c) { return text.contains(c); }))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString quotedField(const QString& text, QChar separator) {
    return field(text, separator);
}

QString tableText(const ValueMatrix& values, const ShownValues& shown, const CellRect& rect, QChar separator,
                  bool headings, const std::function<bool(int c, int r)>& included) {
    return tableText(EcuTableCells(shown, TableSpan{0, rect.c1 + 1, rect.r1 + 1}, &values), rect, separator,
                     headings, included);
}

QString tableText(const TableCells& cells, const CellRect& rect, QChar separator, bool headings,
                  const std::function<bool(int c, int r)>& included) {
    QString out;
    if (rect.isEmpty()) return out;
    if (headings) {
        for (int c = rect.c0; c <= rect.c1; ++c)
            out += separator + field(cells.columnHeading(c), separator);
        out += QLatin1Char('\n');
    }
    for (int r = rect.r1; r >= rect.r0; --r) {
        if (headings) out += field(cells.rowHeading(r), separator) + separator;
        for (int c = rect.c0; c <= rect.c1; ++c) {
            if (c > rect.c0) out += separator;
            if (!included || included(c, r)) out += field(cells.text(c, r), separator);
        }
        out += QLatin1Char('\n');
    }
    return out;
}

QString cellName(int c, int r, int rows) {
    return QStringLiteral("row %1, column %2").arg(rows - r).arg(c + 1);
}

} // namespace korvel
