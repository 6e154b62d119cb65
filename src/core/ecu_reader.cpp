#include "ecu_reader.h"

#include "app_state.h"

#include <QFile>

#include <cmath>
#include <optional>

namespace korvel {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(const char* p, qsizetype n) {
    QString s(n, Qt::Uninitialized);
    QChar* out = s.data();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return s;
}

// The file as lines: a line ends at LF, and a CR just before the LF belongs to the end.
class LineSource {
public:
    explicit LineSource(const QByteArray& data) : m_data(data) {}

    std::optional<QString> next() {
        if (m_pos >= m_data.size()) return std::nullopt;
        qsizetype end = m_data.indexOf('\n', m_pos);
        qsizetype nextPos = end < 0 ? m_data.size() : end + 1;
        if (end < 0) end = m_data.size();
        qsizetype stop = end;
        if (stop > m_pos && m_data[stop - 1] == '\r') --stop;
        QString line = decodeCp1252(m_data.constData() + m_pos, stop - m_pos);
        m_pos = nextPos;
        ++m_line;
        return line;
    }
    int lineNumber() const { return m_line; }

private:
    const QByteArray& m_data;
    qsizetype m_pos = 0;
    int m_line = 0;
};

struct ReadFailure {
    int line;
    QString detail;
};

std::optional<qint16> toInt16(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v != std::floor(v) || v < -32768 || v > 32767) return std::nullopt;
    return static_cast<qint16>(v);
}

std::optional<double> toDouble(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

class Reader {
public:
    explicit Reader(const QByteArray& data) : m_lines(data) {}

    // Skips lines until one trims to "{"; false when the file ends first.
    bool openBlock() {
        while (auto line = m_lines.next()) {
            if (line->trimmed() == QLatin1String("{")) return true;
        }
        return false;
    }

    // The next value line's value, skipping blank lines before it.
    std::optional<QString> value(const char* what, QString* failure) {
        while (auto line = m_lines.next()) {
            if (line->trimmed().isEmpty()) continue;
            if (!line->contains(QLatin1Char('='))) {
                *failure = QStringLiteral("line %1: %2 expected, found a line without \"=\"")
                               .arg(m_lines.lineNumber())
                               .arg(QLatin1String(what));
                return std::nullopt;
            }
            return ValueAfterEquals(*line);
        }
        *failure = QStringLiteral("the file ends before %1").arg(QLatin1String(what));
        return std::nullopt;
    }

    template <typename T, typename Convert>
    bool number(const char* what, Convert convert, T* out, QString* failure) {
        auto text = value(what, failure);
        if (!text) return false;
        auto v = convert(*text);
        if (!v) {
            *failure = QStringLiteral("line %1: %2 \"%3\" is not a valid number")
                           .arg(m_lines.lineNumber())
                           .arg(QLatin1String(what), text->trimmed());
            return false;
        }
        *out = *v;
        return true;
    }

    bool text(const char* what, QString* out, QString* failure) {
        auto v = value(what, failure);
        if (!v) return false;
        *out = *v;
        return true;
    }

    LineSource& lines() { return m_lines; }

private:
    LineSource m_lines;
};

EcuReadResult fail(EcuReadResult::Outcome outcome, QString message, int line, QString detail) {
    EcuReadResult r;
    r.outcome = outcome;
    r.message = std::move(message);
    r.line = line;
    r.detail = std::move(detail);
    return r;
}

} // namespace

QString ValueAfterEquals(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) return {};
    const qsizetype comma = line.indexOf(QLatin1Char(','), eq + 1);
    return line.mid(eq + 1, comma < 0 ? -1 : comma - eq - 1);
}

EcuReadResult ReadEcuFile(AppState& state) {
    using Outcome = EcuReadResult::Outcome;
    // No item of a definition read earlier may survive a read that fails half-way.
    state.EcuItemTable.fill(EcuItem{});
    QFile file(state.EcuPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(Outcome::HeaderError, QStringLiteral("%1: %2").arg(state.EcuPath, file.errorString()), 0,
                    file.errorString());
    }
    return readEcuData(state, file.readAll());
}

EcuReadResult readEcuData(AppState& state, const QByteArray& data) {
    using Outcome = EcuReadResult::Outcome;
    state.EcuItemTable.fill(EcuItem{});
    Reader reader(data);

    // The first non-empty line names the format.
    QString first;
    bool found = false;
    while (auto line = reader.lines().next()) {
        if (!line->isEmpty()) {
            first = *line;
            found = true;
            break;
        }
    }
    if (!found) {
        return fail(Outcome::HeaderError, QStringLiteral("ECU header incomplete: the file is empty."), 0,
                    QStringLiteral("the file is empty"));
    }
    if (!first.toUpper().contains(QLatin1String("FORMAT"))) {
        return fail(Outcome::IncorrectFormat, QStringLiteral("Incorrect ECU Format"),
                    reader.lines().lineNumber(), QStringLiteral("the first line does not name the format"));
    }

    QString failure;
    auto headerError = [&] {
        return fail(Outcome::HeaderError, QStringLiteral("ECU header error: %1.").arg(failure),
                    reader.lines().lineNumber(), failure);
    };
    if (!reader.openBlock()) {
        failure = QStringLiteral("the file ends before the header block");
        return headerError();
    }
    EcuHeader& h = state.ecuHeader;
    if (!reader.text("HeaderText", &h.HeaderText, &failure)) return headerError();
    if (!reader.number("HeaderNumber", toInt16, &h.HeaderNumber, &failure)) return headerError();
    if (!reader.text("ChecksumAddress", &h.ChecksumAddress, &failure)) return headerError();
    if (!reader.text("ChecksumSize", &h.ChecksumSize, &failure)) return headerError();
    if (!reader.text("ChecksumStart", &h.ChecksumStart, &failure)) return headerError();
    if (!reader.text("ChecksumEnd", &h.ChecksumEnd, &failure)) return headerError();
    if (!reader.number("ItemCount", toInt16, &h.ItemCount, &failure)) return headerError();

    auto itemError = [&](int n) {
        return fail(Outcome::ItemError, QStringLiteral("ECU File Error"), reader.lines().lineNumber(),
                    QStringLiteral("item %1: %2").arg(n).arg(failure));
    };
    for (int n = 1; n <= h.ItemCount; ++n) {
        if (!reader.openBlock()) {
            failure = QStringLiteral("the file ends before the item's block");
            return itemError(n);
        }
        QString address;
        if (!reader.text("Address", &address, &failure)) return itemError(n);
        if (n > kMaxItems) {
            failure = QStringLiteral("more than %1 items").arg(kMaxItems);
            return itemError(n);
        }
        EcuItem& item = state.EcuItemTable[static_cast<size_t>(n)];
        item.Id = QString::number(n);
        item.Address = address;
        if (!reader.number("Columns", toInt16, &item.Columns, &failure) ||
            !reader.number("Rows", toInt16, &item.Rows, &failure) ||
            !reader.number("ByteSize", toInt16, &item.ByteSize, &failure) ||
            !reader.number("Kind", toInt16, &item.Kind, &failure) ||
            !reader.number("Offset", toDouble, &item.Offset, &failure) ||
            !reader.number("Conversion", toInt16, &item.Conversion, &failure) ||
            !reader.number("Factor", toDouble, &item.Factor, &failure) ||
            !reader.text("Title", &item.Title, &failure) || !reader.text("YLabel", &item.YLabel, &failure) ||
            !reader.text("YAxis", &item.YAxis, &failure) || !reader.text("XLabel", &item.XLabel, &failure) ||
            !reader.text("XAxis", &item.XAxis, &failure)) {
            return itemError(n);
        }
    }
    return {};
}

} // namespace korvel
