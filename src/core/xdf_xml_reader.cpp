// The XDF XML reader: root XDFFORMAT, a header, then constants, flags, tables and
// checksums. Element and attribute names are matched without regard to letter case.
#include "definition_reader.h"
#include "xdf_common.h"

#include <QXmlStreamReader>

#include <map>

namespace korvel {

namespace {

using xdf::Malformed;

constexpr int kMaxDepth = 64;
constexpr qint64 kMaxCells = 1 << 20; // far beyond any real table; keeps a hostile file small

// A small element tree: the file is read once into it, then interpreted.
struct Node {
    QString name; // lower-case
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<Node> children;
    qint64 line = 0;

    QString attr(const char* key) const {
        for (const auto& a : attributes)
            if (a.name().compare(QLatin1String(key), Qt::CaseInsensitive) == 0) return a.value().toString();
        return {};
    }
    bool hasAttr(const char* key) const {
        return std::any_of(attributes.begin(), attributes.end(), [&](const QXmlStreamAttribute& a) {
            return a.name().compare(QLatin1String(key), Qt::CaseInsensitive) == 0;
        });
    }
    const Node* child(const char* key) const {
        for (const Node& c : children)
            if (c.name == QLatin1String(key)) return &c;
        return nullptr;
    }
    QString childText(const char* key) const {
        const Node* c = child(key);
        return c ? c->text.trimmed() : QString();
    }
    // A child element's text, or else the attribute of that name.
    QString field(const char* key) const { return child(key) ? childText(key) : attr(key); }
};

// Parses the document into a tree; throws Malformed with the parser's line and column.
Node parseTree(const QByteArray& data) {
    QXmlStreamReader xml(data);
    Node root;
    std::vector<Node*> open{&root};
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (open.size() > kMaxDepth)
                throw Malformed{xml.lineNumber(), QStringLiteral("elements nested too deeply")};
            Node& parent = *open.back();
            parent.children.push_back(
                {xml.name().toString().toLower(), xml.attributes(), {}, {}, xml.lineNumber()});
            open.push_back(&parent.children.back());
        } else if (token == QXmlStreamReader::EndElement) {
            open.pop_back();
        } else if (token == QXmlStreamReader::Characters && open.size() > 1 &&
                   (!xml.isWhitespace() || open.back()->children.empty())) {
            // Blanks between child elements are layout, not text: skipping them keeps big files quick.
            open.back()->text += xml.text();
        }
    }
    if (xml.hasError())
        throw Malformed{0, QStringLiteral("Line %1, column %2: %3")
                               .arg(xml.lineNumber())
                               .arg(xml.columnNumber())
                               .arg(xml.errorString())};
    return root;
}

class XmlReader {
public:
    Definition read(const Node& doc) {
        const Node* root = doc.children.empty() ? nullptr : &doc.children.front();
        if (!root || root->name != QLatin1String("xdfformat"))
            throw Malformed{root ? root->line : 1,
                            QStringLiteral("the file is not an XDF definition (its root "
                                           "element is not XDFFORMAT)")};
        m_def.format = Definition::Format::XdfXml;
        if (const Node* header = root->child("xdfheader")) readHeader(*header);
        for (const Node& n : root->children) {
            m_title = n.childText("title");
            if (n.name == QLatin1String("xdfconstant"))
                m_def.items.push_back(item(n, CalItem::Kind::Value));
            else if (n.name == QLatin1String("xdfflag"))
                m_def.items.push_back(item(n, CalItem::Kind::Flag));
            else if (n.name == QLatin1String("xdftable"))
                m_def.items.push_back(item(n, CalItem::Kind::Table));
            else if (n.name == QLatin1String("xdfchecksum"))
                checksum(n);
        }
        xdf::checkLinks(m_def);
        return std::move(m_def);
    }

private:
    qint64 integer(const Node& n, const QString& text, const char* what) const {
        const auto v = xdf::integer(text);
        if (!v)
            throw Malformed{
                n.line,
                xdf::where(n.line, m_title,
                           QStringLiteral("%1 \"%2\" is not a whole number").arg(QLatin1String(what), text))};
        return *v;
    }
    std::optional<qint64> optionalInteger(const Node& n, const QString& text, const char* what) const {
        if (text.trimmed().isEmpty()) return std::nullopt;
        return integer(n, text, what);
    }
    std::optional<double> optionalReal(const Node& n, const char* key) const {
        const QString text = n.childText(key);
        if (text.isEmpty()) return std::nullopt;
        const auto v = xdf::real(text);
        if (!v)
            throw Malformed{
                n.line,
                xdf::where(n.line, m_title,
                           QStringLiteral("%1 \"%2\" is not a number").arg(QLatin1String(key), text))};
        return v;
    }

    void readHeader(const Node& h) {
        m_def.title = h.childText("deftitle");
        m_def.description = h.childText("description");
        m_def.author = h.childText("author");
        for (const Node& n : h.children) {
            if (n.name == QLatin1String("baseoffset")) {
                if (n.hasAttr("offset")) {
                    const qint64 v = integer(n, n.attr("offset"), "offset");
                    m_base = optionalInteger(n, n.attr("subtract"), "subtract").value_or(0) != 0 ? -v : v;
                } else {
                    m_base = optionalInteger(n, n.text, "baseoffset").value_or(0);
                }
            } else if (n.name == QLatin1String("category")) {
                const qint64 index = integer(n, n.attr("index"), "CATEGORY index");
                m_categories[index] = n.attr("name");
                m_def.categories.append(n.attr("name"));
            }
        }
    }

    // CATEGORYMEM category="n" names the category at index n - 1. Some writers give n in
    // hex without "0x"; a value that is not decimal is read as hex.
    QString category(const Node& n) const {
        const Node* mem = n.child("categorymem");
        if (!mem) return {};
        const QString text = mem->attr("category").trimmed();
        auto v = xdf::integer(text);
        if (!v) v = xdf::integer(QStringLiteral("0x") + text);
        const auto it = v ? m_categories.find(*v - 1) : m_categories.end();
        return it == m_categories.end() ? QString() : it->second;
    }

    // Element layout and place of an EMBEDDEDDATA; `reason` collects what Korvel cannot show.
    struct Embedded {
        std::optional<qint64> address;
        ElementLayout layout;
        bool columnMajor = false;
        int rows = 0, cols = 0; // 0 when not given
        std::optional<qint64> major, minor;
    };
    Embedded embedded(const Node& e, QString& reason) const {
        Embedded out;
        out.address = optionalInteger(e, e.attr("mmedaddress"), "mmedaddress");
        const qint64 bits =
            optionalInteger(e, e.attr("mmedelementsizebits"), "mmedelementsizebits").value_or(8);
        if (bits != 8 && bits != 16 && bits != 32 && reason.isEmpty())
            reason = QStringLiteral("elements of %1 bits are not supported").arg(bits);
        out.layout.bytes = bits == 16 ? 2 : bits == 32 ? 4 : 1;
        const qint64 flags = optionalInteger(e, e.attr("mmedtypeflags"), "mmedtypeflags").value_or(0);
        out.layout.isSigned = flags & 0x01;
        out.layout.order = flags & 0x02 ? ByteOrder::LsbFirst : ByteOrder::MsbFirst;
        out.columnMajor = flags & 0x04;
        if ((flags & ~qint64(0x07)) && reason.isEmpty())
            reason = QStringLiteral("mmedtypeflags 0x%1 holds flags Korvel does not read").arg(flags, 0, 16);
        out.rows = int(std::clamp<qint64>(
            optionalInteger(e, e.attr("mmedrowcount"), "mmedrowcount").value_or(0), -1, kMaxCells + 1));
        out.cols = int(std::clamp<qint64>(
            optionalInteger(e, e.attr("mmedcolcount"), "mmedcolcount").value_or(0), -1, kMaxCells + 1));
        out.major = optionalInteger(e, e.attr("mmedmajorstridebits"), "mmedmajorstridebits");
        out.minor = optionalInteger(e, e.attr("mmedminorstridebits"), "mmedminorstridebits");
        return out;
    }

    // Strides absent, 0 or negative, or the natural step, mean the elements lie side by
    // side. The major stride's natural step is one element or one whole row (column when
    // stored column by column); writers use both. Anything else is not guessed at.
    static void checkStrides(const Embedded& e, int inner, QString& reason) {
        const qint64 element = 8 * e.layout.bytes;
        if (e.minor && *e.minor > 0 && *e.minor != element && reason.isEmpty())
            reason = QStringLiteral("a minor stride of %1 bits is not supported").arg(*e.minor);
        if (e.major && *e.major > 0 && *e.major != element && *e.major != element * inner && reason.isEmpty())
            reason = QStringLiteral("a major stride of %1 bits is not supported").arg(*e.major);
    }

    // The main MATH of an element (one without row or col) as a conversion.
    Conversion math(const Node& owner, QString& reason) const {
        const Node* main = nullptr;
        for (const Node& m : owner.children) {
            if (m.name != QLatin1String("math")) continue;
            if (m.hasAttr("row") || m.hasAttr("col")) {
                if (reason.isEmpty()) reason = QStringLiteral("equations per row or cell are not supported");
            } else if (!main) {
                main = &m;
            }
        }
        if (!main) return {};
        QString mainVariable = QStringLiteral("X");
        std::vector<VariableBinding> bindings;
        for (const Node& v : main->children) {
            if (v.name != QLatin1String("var")) continue;
            const QString id = v.attr("id").trimmed().toUpper(), type = v.attr("type").trimmed().toLower();
            if (type.isEmpty()) {
                if (!id.isEmpty()) mainVariable = id;
            } else if (type == QLatin1String("link")) {
                bindings.push_back({id, VariableBinding::Kind::Link, v.attr("linkid").trimmed(), 0, {}});
            } else if (type == QLatin1String("address")) {
                // One byte of the image, at an address of the file (base offset applied).
                const qint64 at = integer(v, v.attr("address"), "VAR address");
                bindings.push_back(
                    {id, VariableBinding::Kind::Address, {}, xdf::offsetAddress(at, m_base, reason), {}});
            } else if (reason.isEmpty()) {
                reason = QStringLiteral("a variable of type \"%1\" is not supported").arg(type);
            }
        }
        return xdf::conversionOf(main->attr("equation"), mainVariable, bindings, reason);
    }

    CalAxis axis(const Node& a, int cells, QString& reason) const {
        CalAxis out;
        out.title = a.childText("title");
        out.units = a.childText("units");
        out.decimals = int(
            std::clamp<qint64>(optionalInteger(a, a.childText("decimalpl"), "decimalpl").value_or(2), 0, 12));
        out.count = int(std::clamp<qint64>(
            optionalInteger(a, a.childText("indexcount"), "indexcount").value_or(cells), 0, kMaxCells));
        // The logged value that moves along this axis (a data stream value's idhash), when linked.
        if (const Node* log = a.child("dalink")) out.logLink = log->attr("objidhash").trimmed();
        const Node* info = a.child("embedinfo");
        const Node* data = a.child("embeddeddata");
        if (info && info->attr("type").trimmed() == QLatin1String("3")) {
            out.source = CalAxis::Source::Link;
            out.linkId = info->attr("linkobjid").trimmed();
        } else if (data && !data->attr("mmedaddress").trimmed().isEmpty()) {
            const Embedded e = embedded(*data, reason);
            checkStrides(e, out.count, reason);
            out.source = CalAxis::Source::Image;
            out.layout = e.layout;
            out.address = xdf::offsetAddress(*e.address, m_base, reason);
            out.conversion = math(a, reason);
        } else {
            std::map<qint64, QString> labels;
            for (const Node& l : a.children)
                if (l.name == QLatin1String("label"))
                    labels[integer(l, l.attr("index"), "LABEL index")] = l.attr("value");
            bool numeric = true;
            for (const auto& [i, text] : labels) {
                out.texts.append(text);
                const auto v = xdf::real(text);
                numeric = numeric && v;
                if (v) out.numbers.push_back(*v);
            }
            out.source = labels.empty() ? CalAxis::Source::None
                         : numeric      ? CalAxis::Source::Numbers
                                        : CalAxis::Source::Texts;
            if (numeric)
                out.texts.clear();
            else
                out.numbers.clear();
        }
        return out;
    }

    CalItem item(const Node& n, CalItem::Kind kind) {
        CalItem it;
        it.kind = kind;
        it.id = n.attr("uniqueid").trimmed();
        it.title = m_title;
        it.description = n.childText("description");
        it.category = category(n);
        QString& reason = it.readOnlyReason;
        // A table's cells are its z axis; a constant's or a flag's value is the item itself.
        const Node* z = &n;
        if (kind == CalItem::Kind::Table) {
            z = nullptr;
            for (const Node& a : n.children)
                if (a.name == QLatin1String("xdfaxis") &&
                    a.attr("id").trimmed().toLower() == QLatin1String("z"))
                    z = &a;
            if (!z) {
                reason = QStringLiteral("the table has no z axis");
                return it;
            }
        }
        const Node* data = z->child("embeddeddata");
        if (!data || data->attr("mmedaddress").trimmed().isEmpty()) {
            reason = QStringLiteral("no address is given");
            return it;
        }
        const Embedded e = embedded(*data, reason);
        it.layout = e.layout;
        it.address = xdf::offsetAddress(*e.address, m_base, reason);
        it.units = z->childText("units");
        it.decimals = int(std::clamp<qint64>(
            optionalInteger(*z, z->childText("decimalpl"), "decimalpl").value_or(2), 0, 12));
        it.outputType = int(optionalInteger(*z, z->childText("outputtype"), "outputtype").value_or(0));
        it.min = optionalReal(*z, "min");
        if (!it.min) it.min = optionalReal(*z, "rangelow");
        it.max = optionalReal(*z, "max");
        if (!it.max) it.max = optionalReal(*z, "rangehigh");
        it.conversion = math(*z, reason);
        if (kind == CalItem::Kind::Flag) {
            it.mask = quint64(optionalInteger(n, n.childText("mask"), "mask").value_or(0));
            if (it.mask == 0 && reason.isEmpty()) reason = QStringLiteral("the flag has no mask");
        }
        if (kind == CalItem::Kind::Table) {
            it.storage = e.columnMajor ? StorageOrder::ColumnMajor : StorageOrder::RowMajor;
            it.rows = e.rows > 0 ? e.rows : 1;
            it.columns = e.cols > 0 ? e.cols : 1;
            if (e.rows < 0 || e.cols < 0 || qint64(it.rows) * it.columns > kMaxCells) {
                if (reason.isEmpty())
                    reason = QStringLiteral("%1 rows by %2 columns is no table Korvel can show")
                                 .arg(e.rows)
                                 .arg(e.cols);
                it.rows = it.columns = 1;
            }
            checkStrides(e, it.storage == StorageOrder::RowMajor ? it.columns : it.rows, reason);
            for (const Node& a : n.children) {
                if (a.name != QLatin1String("xdfaxis")) continue;
                const QString id = a.attr("id").trimmed().toLower();
                if (id == QLatin1String("x")) it.x = axis(a, it.columns, reason);
                if (id == QLatin1String("y")) it.y = axis(a, it.rows, reason);
            }
        } else {
            checkStrides(e, 1, reason);
        }
        return it;
    }

    void checksum(const Node& n) {
        for (const Node& r : n.children) {
            if (r.name != QLatin1String("region")) continue;
            ChecksumRegion c;
            c.title = m_title;
            QString reason;
            c.start = xdf::offsetAddress(integer(r, r.field("datastart"), "datastart"), m_base, reason);
            c.end = xdf::offsetAddress(integer(r, r.field("dataend"), "dataend"), m_base, reason);
            c.store = xdf::offsetAddress(integer(r, r.field("storeaddress"), "storeaddress"), m_base, reason);
            c.sizeBits = int(std::clamp<qint64>(
                optionalInteger(r, r.field("datasizebits"), "datasizebits").value_or(16), 0, 64));
            c.method = int(std::clamp<qint64>(
                optionalInteger(r, r.field("calculationmethod"), "calculationmethod").value_or(0), -1, 1000));
            c.plugin = r.field("pluginmoduleid");
            if (c.method != 0 || !c.plugin.isEmpty() ||
                (c.sizeBits != 8 && c.sizeBits != 16 && c.sizeBits != 32) || !reason.isEmpty())
                c.unsupportedReason = QString::fromLatin1(kChecksumNotSupported);
            m_def.checksums.push_back(c);
        }
    }

    Definition m_def;
    std::map<qint64, QString> m_categories;
    qint64 m_base = 0;
    QString m_title; // of the element being read, for messages
};

} // namespace

DefinitionRead readXdfXml(const QByteArray& data) {
    DefinitionRead out;
    out.format = DefinitionFormat::XdfXml;
    try {
        out.definition = XmlReader().read(parseTree(data));
    } catch (const Malformed& m) {
        out.error = m.line > 0 && !m.message.startsWith(QLatin1String("Line "))
                        ? xdf::where(m.line, {}, m.message)
                        : m.message;
    }
    return out;
}

} // namespace korvel
