#include "aldl_log.h"

#include "table_text.h"

#include <charconv>
#include <cmath>

namespace korvel {

namespace {

constexpr QChar kComma = QLatin1Char(',');

QString label(const AdxDefinition& def, const std::pair<bool, int>& field) {
    if (field.first) return def.bitmasks[size_t(field.second)].name();
    const AdxValue& v = def.values[size_t(field.second)];
    return v.units.isEmpty() ? v.name() : QStringLiteral("%1 (%2)").arg(v.name(), v.units);
}

} // namespace

AldlLogWriter::AldlLogWriter(const AdxDefinition& def) : m_fields(def.fields) {
    QStringList used{QStringLiteral("Time (s)")};
    for (const auto& f : m_fields) {
        const QString base = label(def, f);
        QString l = base;
        for (int n = 2; used.contains(l); ++n)
            l = QStringLiteral("%1 [%2]").arg(base).arg(n);
        used << l;
        m_labels << l;
    }
}

QString AldlLogWriter::heading() const {
    QString line = QStringLiteral("Time (s)");
    for (const QString& l : m_labels)
        line += kComma + quotedField(l, kComma);
    return line + QLatin1Char('\n');
}

QString AldlLogWriter::row(double seconds, const AdxDecoded& decoded) const {
    QString line = QString::number(seconds, 'f', 3);
    for (const auto& [isBitmask, k] : m_fields) {
        line += kComma;
        if (isBitmask) {
            if (size_t(k) < decoded.bitmasks.size() && decoded.bitmasks[size_t(k)].valid)
                line += decoded.bitmasks[size_t(k)].state ? QLatin1Char('1') : QLatin1Char('0');
        } else if (size_t(k) < decoded.values.size()) {
            const AdxDecodedValue& v = decoded.values[size_t(k)];
            // A value the equation could not give (NaN) is left empty like a missing one.
            if (v.valid && std::isfinite(v.value)) line += quotedField(v.text, kComma);
        }
    }
    return line + QLatin1Char('\n');
}

namespace {

struct Record {
    QStringList fields;
    qint64 line = 0;
};

// Splits the text into records at line ends outside quotes. Empty when it can; otherwise the
// reason, with `line` where it was found.
QString splitRecords(const QString& text, std::vector<Record>& records, qint64& line) {
    line = 1;
    Record r{{}, 1};
    QString field;
    bool quoted = false, closed = false;
    qint64 opened = 0;
    const auto endField = [&] {
        r.fields << field;
        field.clear();
        closed = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (quoted) {
            if (ch == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                    field += text[++i];
                else
                    quoted = false, closed = true;
                continue;
            }
            if (ch == QLatin1Char('\n')) ++line;
            field += ch;
            continue;
        }
        const bool crlf = ch == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n');
        if (ch == kComma) {
            endField();
        } else if (ch == QLatin1Char('\n') || crlf) {
            i += crlf ? 1 : 0;
            endField();
            records.push_back(std::move(r));
            r = Record{{}, ++line};
        } else if (closed) {
            return QStringLiteral("text follows a quoted field's closing quote");
        } else if (ch == QLatin1Char('"')) {
            if (!field.isEmpty()) return QStringLiteral("a quote inside a field that is not quoted");
            quoted = true;
            opened = line;
        } else {
            field += ch;
        }
    }
    if (quoted) {
        line = opened;
        return QStringLiteral("a quoted field is not closed");
    }
    if (!r.fields.isEmpty() || !field.isEmpty() || closed) {
        endField();
        records.push_back(std::move(r));
    }
    // Empty lines at the end are no rows.
    while (!records.empty() && records.back().fields == QStringList{QString()})
        records.pop_back();
    return {};
}

} // namespace

std::optional<double> readLogNumber(QStringView field, bool& ok) {
    ok = true;
    const QStringView t = field.trimmed();
    if (t.isEmpty()) return std::nullopt;
    const bool negative = t.startsWith(QLatin1Char('-'));
    const QStringView digits = t.mid(negative ? 1 : 0);
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const quint64 v = digits.mid(2).toULongLong(&ok, 16);
        if (ok && !digits.mid(2).startsWith(QLatin1Char('+')) && !digits.mid(2).startsWith(QLatin1Char('-')))
            return negative ? -double(v) : double(v);
        ok = false;
        return std::nullopt;
    }
    const QByteArray latin = t.toLatin1();
    double v = 0;
    const auto [stop, error] = std::from_chars(latin.constData(), latin.constData() + latin.size(), v);
    ok = error == std::errc() && stop == latin.constData() + latin.size() && std::isfinite(v);
    return ok ? std::optional<double>(v) : std::nullopt;
}

namespace {

AldlLogReadResult refused(qint64 line, const QString& why) {
    return {std::nullopt, line, QStringLiteral("Line %1: %2").arg(line).arg(why)};
}

} // namespace

AldlLogReadResult readAldlLog(const QByteArray& data) {
    std::vector<Record> records;
    qint64 line = 0;
    if (const QString why = splitRecords(QString::fromUtf8(data), records, line); !why.isEmpty())
        return refused(line, why);
    if (records.empty()) return refused(1, QStringLiteral("the log has no heading"));
    AldlLog log;
    log.labels = records.front().fields;
    for (qsizetype k = 1; k < log.labels.size(); ++k)
        if (log.labels.indexOf(log.labels[k]) < k)
            return refused(records.front().line,
                           QStringLiteral("the heading names \"%1\" twice").arg(log.labels[k]));
    log.rows.reserve(records.size() - 1);
    for (size_t i = 1; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.fields.size() != log.labels.size())
            return refused(r.line, QStringLiteral("%1 fields where the heading has %2")
                                       .arg(r.fields.size())
                                       .arg(log.labels.size()));
        std::vector<std::optional<double>> row(size_t(r.fields.size()));
        for (qsizetype k = 0; k < r.fields.size(); ++k) {
            bool ok = true;
            row[size_t(k)] = readLogNumber(r.fields[k], ok);
            if (!ok)
                return refused(
                    r.line,
                    QStringLiteral("\"%1\" under \"%2\" is not a number").arg(r.fields[k], log.labels[k]));
        }
        log.rows.push_back(std::move(row));
    }
    return {std::move(log), 0, {}};
}

} // namespace korvel
