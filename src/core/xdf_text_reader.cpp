// The older XDF text form: "XDF" and a 1.1 version line, then sections %%HEADER%%,
// %%CHECKSUM%%, %%CONSTANT%%, %%FLAG%%, %%TABLE%% (others are skipped), each closed by
// %%END%% and holding one "NNNNNN Key =value" line per field. Fields are known by their
// key names; keys Korvel does not know are skipped.
#include "definition_reader.h"
#include "xdf_common.h"

#include <QHash>
#include <QRegularExpression>

#include <map>

namespace korvel {

namespace {

using xdf::Malformed;

struct Field {
    QString value;
    qint64 line = 0;
};

// One section: its name, first line and fields by lower-case key (the last of a key wins).
struct Section {
    QString name;
    qint64 line = 0;
    QHash<QString, Field> fields;

    bool has(const char* key) const { return fields.contains(QLatin1String(key)); }
    // The value with surrounding blanks and one pair of double quotes removed; the blanks
    // inside the quotes stay (a title starting with spaces is a group heading).
    QString text(const char* key) const {
        QString v = fields.value(QLatin1String(key)).value.trimmed();
        if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"')) v = v.mid(1, v.size() - 2);
        return v;
    }
};

class TextReader {
public:
    Definition read(const QByteArray& data) {
        const QList<QByteArray> raw = data.split('\n');
        std::vector<QString> lines;
        lines.reserve(size_t(raw.size()));
        for (QByteArray l : raw) {
            if (l.endsWith('\r')) l.chop(1);
            lines.push_back(QString::fromLatin1(l));
        }
        size_t i = 0;
        const auto nextNonBlank = [&] {
            while (i < lines.size() && lines[i].trimmed().isEmpty())
                ++i;
            return i < lines.size() ? lines[i++].trimmed() : QString();
        };
        if (nextNonBlank() != QLatin1String("XDF"))
            throw Malformed{qint64(i), QStringLiteral("the file is not an XDF definition")};
        const QString version = nextNonBlank();
        if (!version.startsWith(QLatin1String("1.1")))
            throw Malformed{qint64(i),
                            QStringLiteral("XDF text version \"%1\" is not supported").arg(version)};
        m_def.format = Definition::Format::XdfText;

        static const QRegularExpression fieldLine(QStringLiteral("^\\s*\\d+\\s+(\\w+)\\s*=(.*)$"));
        static const QRegularExpression sectionLine(QStringLiteral("^%%(\\w+)%%$"));
        std::optional<Section> open;
        for (; i < lines.size(); ++i) {
            const QString t = lines[i].trimmed();
            const qint64 lineNo = qint64(i) + 1;
            if (t.isEmpty()) continue;
            const auto s = sectionLine.match(t);
            if (s.hasMatch()) {
                const QString name = s.captured(1).toUpper();
                if (name == QLatin1String("END")) {
                    if (!open) throw Malformed{lineNo, QStringLiteral("%%END%% without a section")};
                    section(*open);
                    open.reset();
                } else if (open) {
                    throw Malformed{lineNo, QStringLiteral("%%%1%% begins before %%%2%% (line %3) ends")
                                                .arg(name, open->name)
                                                .arg(open->line)};
                } else {
                    open = Section{name, lineNo, {}};
                }
                continue;
            }
            if (!open) continue; // text between sections ("DO NOT HAND EDIT")
            const auto f = fieldLine.match(lines[i]);
            if (!f.hasMatch())
                throw Malformed{lineNo, QStringLiteral("a field line (number, key, =value) is expected")};
            open->fields.insert(f.captured(1).toLower(), Field{f.captured(2), lineNo});
        }
        if (open)
            throw Malformed{open->line, QStringLiteral("%%%1%% is not closed by %%END%%").arg(open->name)};
        xdf::checkLinks(m_def);
        return std::move(m_def);
    }

private:
    std::optional<qint64> integer(const Section& s, const char* key) const {
        if (!s.has(key)) return std::nullopt;
        const Field f = s.fields.value(QLatin1String(key));
        const auto v = xdf::integer(s.text(key));
        if (!v)
            throw Malformed{f.line, xdf::where(f.line, m_title,
                                               QStringLiteral("%1 \"%2\" is not a whole number")
                                                   .arg(QLatin1String(key), f.value.trimmed()))};
        return v;
    }
    std::optional<double> real(const Section& s, const char* key) const {
        if (!s.has(key)) return std::nullopt;
        const Field f = s.fields.value(QLatin1String(key));
        const auto v = xdf::real(s.text(key));
        if (!v)
            throw Malformed{
                f.line,
                xdf::where(
                    f.line, m_title,
                    QStringLiteral("%1 \"%2\" is not a number").arg(QLatin1String(key), f.value.trimmed()))};
        return v;
    }
    // An equation field: "0.35 * X + 0,TH|0|0|0|0|". The part before the first comma is
    // the equation; a field holding only the variable list ("TH|0|0|0|0|") means X.
    static QString equation(const Section& s, const char* key) {
        const QString part = s.fields.value(QLatin1String(key)).value.section(u',', 0, 0).trimmed();
        return part.contains(u'|') ? QString() : part;
    }

    void section(const Section& s) {
        m_title = s.text("title");
        if (s.name == QLatin1String("HEADER"))
            header(s);
        else if (s.name == QLatin1String("CHECKSUM"))
            checksum(s);
        else if (s.name == QLatin1String("CONSTANT"))
            item(s, CalItem::Kind::Value);
        else if (s.name == QLatin1String("FLAG"))
            item(s, CalItem::Kind::Flag);
        else if (s.name == QLatin1String("TABLE"))
            item(s, CalItem::Kind::Table);
    }

    void header(const Section& s) {
        m_def.title = s.text("deftitle");
        m_def.description = s.text("desc");
        m_def.author = s.text("author");
        m_base = integer(s, "baseoffset").value_or(0);
        static const QRegularExpression category(QStringLiteral("^category([0-9a-f]+)$"));
        std::map<qint64, QString> ordered;
        for (auto it = s.fields.begin(); it != s.fields.end(); ++it) {
            const auto m = category.match(it.key());
            if (!m.hasMatch()) continue;
            auto index = xdf::integer(m.captured(1));
            if (!index) index = xdf::integer(QStringLiteral("0x") + m.captured(1));
            ordered[*index] = s.text(it.key().toLatin1().constData());
        }
        for (const auto& [index, name] : ordered) {
            m_categories[index] = name;
            m_def.categories.append(name);
        }
    }

    void checksum(const Section& s) {
        ChecksumRegion c;
        c.title = m_title;
        QString reason;
        c.start = xdf::offsetAddress(integer(s, "datastart").value_or(0), m_base, reason);
        c.end = xdf::offsetAddress(integer(s, "dataend").value_or(-1), m_base, reason);
        c.store = xdf::offsetAddress(integer(s, "storeaddr").value_or(0), m_base, reason);
        c.sizeBits = int(std::clamp<qint64>(integer(s, "sizebits").value_or(16), 0, 64));
        c.method = int(std::clamp<qint64>(integer(s, "calcmethod").value_or(0), -1, 1000));
        if (c.method != 0 || (c.sizeBits != 8 && c.sizeBits != 16 && c.sizeBits != 32) || !reason.isEmpty())
            c.unsupportedReason = QString::fromLatin1(kChecksumNotSupported);
        m_def.checksums.push_back(c);
    }

    static ElementLayout layoutOf(qint64 bytes, qint64 flags, QString& reason) {
        if (bytes != 1 && bytes != 2 && bytes != 4 && reason.isEmpty())
            reason = QStringLiteral("elements of %1 bits are not supported").arg(bytes * 8);
        if ((flags & ~qint64(0x03)) && reason.isEmpty())
            reason = QStringLiteral("Flags 0x%1 holds bits Korvel does not read").arg(flags, 0, 16);
        return {bytes == 2   ? 2
                : bytes == 4 ? 4
                             : 1,
                bool(flags & 0x01), flags & 0x02 ? ByteOrder::LsbFirst : ByteOrder::MsbFirst};
    }

    // The x or y axis of a table, from the fields starting with `p` ("x" or "y").
    CalAxis axis(const Section& s, const QString& p, int count, QString& reason) const {
        const auto key = [&](const char* k) { return (p + QLatin1String(k)).toLatin1(); };
        CalAxis a;
        a.units = s.text(key("units").constData());
        a.count = count;
        if (s.has(key("address").constData())) {
            const auto size = integer(s, key("datasize").constData());
            const auto step = integer(s, key("addrstep").constData());
            const qint64 bytes = size ? *size : step.value_or(1);
            if (step && *step != bytes && reason.isEmpty())
                reason = QStringLiteral("an axis step of %1 bytes over %2-byte values is not supported")
                             .arg(*step)
                             .arg(bytes);
            a.source = CalAxis::Source::Image;
            a.layout = layoutOf(bytes, 0, reason);
            a.address = xdf::offsetAddress(*integer(s, key("address").constData()), m_base, reason);
            a.conversion =
                xdf::conversionOf(equation(s, key("eq").constData()), QStringLiteral("X"), {}, reason);
            return a;
        }
        const QString labels = s.text(key("labels").constData());
        if (labels.isEmpty() || labels == QLatin1String("(null)") || labels == QLatin1String("%")) return a;
        bool numeric = true;
        for (const QString& part : labels.split(u',')) {
            a.texts.append(part.trimmed());
            const auto v = xdf::real(part);
            numeric = numeric && v;
            if (v) a.numbers.push_back(*v);
        }
        a.source = numeric ? CalAxis::Source::Numbers : CalAxis::Source::Texts;
        if (numeric)
            a.texts.clear();
        else
            a.numbers.clear();
        return a;
    }

    void item(const Section& s, CalItem::Kind kind) {
        // A title starting with spaces is a group heading: it names the group of the items
        // that follow (those without a category of their own), and is no item itself.
        if (m_title.startsWith(u' ')) {
            m_group = m_title.trimmed();
            if (!m_def.categories.contains(m_group)) m_def.categories.append(m_group);
            return;
        }
        CalItem it;
        it.kind = kind;
        it.id = s.text("uniqueid");
        it.title = m_title;
        it.description = s.text("desc");
        // Cat0ID n names the category at index n - 1, as in the XML form.
        const auto cat = integer(s, "cat0id");
        const auto found = cat ? m_categories.find(*cat - 1) : m_categories.end();
        it.category = found != m_categories.end() ? found->second : m_group;
        QString& reason = it.readOnlyReason;
        const qint64 bits = integer(s, "sizeinbits").value_or(8);
        it.layout = layoutOf(bits % 8 == 0 ? bits / 8 : 0, integer(s, "flags").value_or(0), reason);
        if (!s.has("address")) {
            reason = QStringLiteral("no address is given");
            m_def.items.push_back(it);
            return;
        }
        it.address = xdf::offsetAddress(*integer(s, "address"), m_base, reason);
        it.decimals = int(std::clamp<qint64>(integer(s, "decimalpl").value_or(2), 0, 12));
        it.outputType = int(integer(s, "outtype").value_or(0));
        it.min = real(s, "rangelow");
        it.max = real(s, "rangehigh");
        const bool table = kind == CalItem::Kind::Table;
        it.units = s.text(table ? "zunits" : "units");
        const QString eq = equation(s, table ? "zeq" : "equation");
        it.conversion = xdf::conversionOf(eq, QStringLiteral("X"), {}, reason);
        if (kind == CalItem::Kind::Flag) {
            const qint64 bit = integer(s, "bitnumber").value_or(-1);
            if (bit >= 0 && bit < 8 * it.layout.bytes)
                it.mask = quint64{1} << bit;
            else if (reason.isEmpty())
                reason = QStringLiteral("bit number %1 is not a bit of the element").arg(bit);
        }
        if (table) {
            const qint64 rows = integer(s, "rows").value_or(1), cols = integer(s, "cols").value_or(1);
            if (rows >= 1 && cols >= 1 && rows <= (1 << 20) && cols <= (1 << 20) && rows * cols <= (1 << 20))
                it.rows = int(rows), it.columns = int(cols);
            else if (reason.isEmpty())
                reason =
                    QStringLiteral("%1 rows by %2 columns is no table Korvel can show").arg(rows).arg(cols);
            it.storage =
                integer(s, "popbycol").value_or(0) != 0 ? StorageOrder::ColumnMajor : StorageOrder::RowMajor;
            it.x = axis(s, QStringLiteral("x"), it.columns, reason);
            it.y = axis(s, QStringLiteral("y"), it.rows, reason);
        }
        m_def.items.push_back(it);
    }

    Definition m_def;
    std::map<qint64, QString> m_categories;
    qint64 m_base = 0;
    QString m_group;
    QString m_title;
};

} // namespace

DefinitionRead readXdfText(const QByteArray& data) {
    DefinitionRead out;
    out.format = DefinitionFormat::XdfText;
    try {
        out.definition = TextReader().read(data);
    } catch (const Malformed& m) {
        out.error =
            m.message.startsWith(QLatin1String("Line ")) ? m.message : xdf::where(m.line, {}, m.message);
    }
    return out;
}

} // namespace korvel
