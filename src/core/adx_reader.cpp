// The ADX reader: root ADXFORMAT, a header, then objects linked by their stored idhash
// text. Element and attribute names are matched without regard to letter case; a field
// may be a child element or an attribute of that name.
#include "adx_definition.h"
#include "adx_tree.h"
#include "xdf_common.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace korvel {

namespace {

using adx::hashOf;
using adx::Node;
using adx::Refused;

constexpr int kMaxBody = 4096; // bytes; far beyond any diagnostic frame

class Reader {
public:
    AdxDefinition read(const Node& wrap) {
        if (wrap.children.empty() || wrap.children.front().name != QLatin1String("adxformat"))
            throw Refused{wrap.children.empty() ? 1 : wrap.children.front().line,
                          QStringLiteral("the file is not an ADX stream definition (its root element is not "
                                         "ADXFORMAT)")};
        // The root's children, then whatever follows the root when it closed early.
        std::vector<const Node*> objects;
        for (const Node& n : wrap.children.front().children)
            objects.push_back(&n);
        for (size_t k = 1; k < wrap.children.size(); ++k)
            objects.push_back(&wrap.children[k]);

        const Node* header = nullptr;
        for (const Node* n : objects) {
            if (n->name == QLatin1String("adxheader"))
                header = n;
            else
                collect(*n);
        }
        if (header) readHeader(*header);
        for (const auto& [n, index] : m_pendingLookups)
            m_def.lookupTables[size_t(index)] = lookupTable(*n);
        for (const auto& [n, index] : m_pendingCommands)
            m_def.commands[size_t(index)] = command(*n);
        for (const auto& [n, index] : m_pendingListens)
            m_def.listenPackets[size_t(index)] = listenPacket(*n);
        for (const auto& [n, index] : m_pendingSilences)
            m_def.silences[size_t(index)] = silence(*n);
        for (const auto& [n, index] : m_pendingMacros)
            macro(*n, m_def.macros[size_t(index)]);
        checkMacroLoops();
        if (header) {
            m_def.connect = step(*header, header->field("connectcmd"), "connectcmd");
            m_def.monitor = step(*header, header->field("monitorcmd"), "monitorcmd");
        }
        m_implicitPacket = implicitPacket();
        for (const auto& [n, index] : m_pendingValues)
            value(*n, m_def.values[size_t(index)]);
        for (const auto& [n, index] : m_pendingBitmasks)
            bitmask(*n, m_def.bitmasks[size_t(index)]);
        for (const auto& [n, index] : m_pendingHistograms)
            histogram(*n, m_def.histograms[size_t(index)]);
        order();
        return std::move(m_def);
    }

private:
    using Pending = std::vector<std::pair<const Node*, int>>;

    // First pass: every object gets its index and identity, so links may point forward.
    void collect(const Node& n) {
        const auto add = [&](auto& list, Pending& pending) {
            pending.push_back({&n, int(list.size())});
            list.emplace_back();
            identify(n, list.back());
        };
        if (n.name == QLatin1String("adxcsendcommand"))
            add(m_def.commands, m_pendingCommands);
        else if (n.name == QLatin1String("adxclistenpacket"))
            add(m_def.listenPackets, m_pendingListens);
        else if (n.name == QLatin1String("adxclistensilence"))
            add(m_def.silences, m_pendingSilences);
        else if (n.name == QLatin1String("adxmacro"))
            add(m_def.macros, m_pendingMacros);
        else if (n.name == QLatin1String("adxlookuptable"))
            add(m_def.lookupTables, m_pendingLookups);
        else if (n.name == QLatin1String("adxhistogram"))
            add(m_def.histograms, m_pendingHistograms);
        else if (n.name == QLatin1String("adxvalue")) {
            m_def.fields.push_back({false, int(m_def.values.size())});
            add(m_def.values, m_pendingValues);
        } else if (n.name == QLatin1String("adxbitmask")) {
            m_def.fields.push_back({true, int(m_def.bitmasks.size())});
            add(m_def.bitmasks, m_pendingBitmasks);
        }
    }

    static void identify(const Node& n, AdxObject& o) {
        o.id = n.attr("id");
        o.idhash = hashOf(n.attr("idhash"));
        o.title = n.attr("title");
        o.line = n.line;
    }

    [[noreturn]] static void refuse(const Node& n, const QString& message) {
        const QString who = n.attr("title").isEmpty() ? n.attr("id") : n.attr("title");
        throw Refused{n.line, who.isEmpty() ? message : QStringLiteral("\"%1\": %2").arg(who, message)};
    }

    static qint64 integer(const Node& n, const char* key, qint64 fallback, qint64 low, qint64 high) {
        const QString text = n.field(key);
        if (text.isEmpty()) return fallback;
        std::optional<qint64> v = xdf::integer(text);
        if (!v) {
            // Whole numbers written as decimals ("8.000000").
            const auto r = xdf::real(text);
            if (r && *r == std::floor(*r) && std::abs(*r) < 1e15) v = qint64(*r);
        }
        if (!v) refuse(n, QStringLiteral("%1 \"%2\" is not a whole number").arg(QLatin1String(key), text));
        if (*v < low || *v > high)
            refuse(n, QStringLiteral("%1 %2 is outside %3 to %4")
                          .arg(QLatin1String(key))
                          .arg(*v)
                          .arg(low)
                          .arg(high));
        return *v;
    }
    static double real(const Node& n, const QString& text, const char* what, double fallback) {
        if (text.trimmed().isEmpty()) return fallback;
        const auto v = xdf::real(text);
        if (!v || !std::isfinite(*v))
            refuse(n, QStringLiteral("%1 \"%2\" is not a number").arg(QLatin1String(what), text));
        return *v;
    }
    static QByteArray hexBytes(const Node& n, const QString& text, const char* what) {
        QString digits = text;
        digits.remove(QRegularExpression(QStringLiteral("\\s")));
        const QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
        if (digits.size() % 2 != 0 || bytes.size() * 2 != digits.size() ||
            digits.contains(QRegularExpression(QStringLiteral("[^0-9A-Fa-f]"))))
            refuse(n, QStringLiteral("%1 \"%2\" is not a string of hexadecimal bytes")
                          .arg(QLatin1String(what), text));
        return bytes;
    }

    void readHeader(const Node& h) {
        m_def.header.baud = int(integer(h, "baud", 8192, 1, 10'000'000));
        m_def.header.flags = quint32(integer(h, "flags", 0, 0, 0xFFFFFFFFLL));
        if (const Node* d = h.child("defaults")) {
            m_defaultBits = int(integer(*d, "datasizeinbits", 8, 8, 32));
            m_defaultDigits = int(integer(*d, "sigdigits", 2, 0, 15));
            m_defaultOutput = int(integer(*d, "outputtype", 3, 0, 255));
            m_defaultSigned = integer(*d, "signed", 0, 0, 1) != 0;
            m_defaultLsbFirst = integer(*d, "lsbfirst", 0, 0, 1) != 0;
        }
    }

    AdxCommand command(const Node& n) {
        AdxCommand c;
        identify(n, c);
        c.bytes = hexBytes(n, n.field("bytestring"), "bytestring");
        if (const Node* sum = n.child("sndcmdchecksum")) {
            const QString type = sum->attr("type");
            if (type != QLatin1String("2"))
                refuse(
                    n,
                    QStringLiteral("checksum type \"%1\" is not known (only 2, two's complement)").arg(type));
            quint8 total = 0;
            for (const char b : c.bytes)
                total = quint8(total + quint8(b));
            c.bytes.append(char(quint8(-total)));
        }
        if (c.bytes.isEmpty()) refuse(n, QStringLiteral("the command sends no bytes"));
        return c;
    }

    AdxListenPacket listenPacket(const Node& n) {
        AdxListenPacket p;
        identify(n, p);
        p.header = hexBytes(n, n.field("headerstring"), "headerstring");
        p.payloadSize = int(integer(n, "packetsize", 0, 0, kMaxBody));
        p.payloadOffset = int(integer(n, "packetoffsetinbody", 0, 0, kMaxBody));
        p.bodyLength = int(integer(n, "packetbodylength", p.payloadOffset + p.payloadSize, 0, kMaxBody));
        p.timeoutMs = int(integer(n, "listentimeout", 500, 0, 600'000));
        p.flags = quint32(integer(n, "flags", 0, 0, 0xFFFFFFFFLL));
        if (p.payloadOffset + p.payloadSize > p.bodyLength)
            refuse(n, QStringLiteral("the %1-byte payload from byte %2 does not fit the %3-byte body")
                          .arg(p.payloadSize)
                          .arg(p.payloadOffset)
                          .arg(p.bodyLength));
        return p;
    }

    AdxSilence silence(const Node& n) {
        AdxSilence s;
        identify(n, s);
        s.silenceMs = int(integer(n, "silencelen", 0, 0, 600'000));
        s.totalTimeoutMs = int(integer(n, "totaltimeout", s.silenceMs, 0, 600'000));
        return s;
    }

    // An object named by its id, else by its stored idhash.
    AdxStep step(const Node& n, const QString& name, const char* what) const {
        if (name.isEmpty() || name == QLatin1String("0")) return {};
        const auto search = [&](auto& list, AdxStep::Kind kind, bool byHash,
                                Qt::CaseSensitivity cs) -> AdxStep {
            for (size_t k = 0; k < list.size(); ++k) {
                const bool hit = byHash ? (name.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) &&
                                           list[k].idhash != 0 && list[k].idhash == hashOf(name))
                                        : list[k].id.compare(name, cs) == 0;
                if (hit) return {kind, int(k), 1};
            }
            return {};
        };
        for (const bool byHash : {false, true})
            for (const auto cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
                for (const AdxStep s : {search(m_def.commands, AdxStep::Kind::Command, byHash, cs),
                                        search(m_def.listenPackets, AdxStep::Kind::Listen, byHash, cs),
                                        search(m_def.silences, AdxStep::Kind::Silence, byHash, cs),
                                        search(m_def.macros, AdxStep::Kind::Macro, byHash, cs)})
                    if (s.kind != AdxStep::Kind::None) return s;
            }
        refuse(n, QStringLiteral("%1 \"%2\" names no command, listen packet, silence or macro")
                      .arg(QLatin1String(what), name));
    }

    void macro(const Node& n, AdxMacro& m) {
        m.repeat = int(integer(n, "repeatcount", 1, 0, 100'000));
        for (const Node& c : n.children) {
            if (c.name != QLatin1String("node")) continue;
            AdxStep s = step(c, c.attr("commandid"), "commandID");
            if (s.kind == AdxStep::Kind::None) refuse(c, QStringLiteral("a NODE names no command"));
            s.repeat = int(integer(c, "repeatcount", 1, 0, 100'000));
            m.nodes.push_back(s);
        }
    }

    void checkMacroLoops() {
        std::vector<int> state(m_def.macros.size(), 0); // 0 new, 1 on the path, 2 done
        std::function<void(int)> visit = [&](int k) {
            if (state[size_t(k)] == 2) return;
            if (state[size_t(k)] == 1)
                throw Refused{
                    m_def.macros[size_t(k)].line,
                    QStringLiteral("\"%1\": the macro runs itself").arg(m_def.macros[size_t(k)].name())};
            state[size_t(k)] = 1;
            for (const AdxStep& s : m_def.macros[size_t(k)].nodes)
                if (s.kind == AdxStep::Kind::Macro) visit(s.index);
            state[size_t(k)] = 2;
        };
        for (size_t k = 0; k < m_def.macros.size(); ++k)
            visit(int(k));
    }

    // The single decoding listen packet the monitor command reaches, or -1.
    int implicitPacket() const {
        std::vector<int> reached;
        std::function<void(const AdxStep&)> walk = [&](const AdxStep& s) {
            if (s.kind == AdxStep::Kind::Listen) reached.push_back(s.index);
            if (s.kind == AdxStep::Kind::Macro)
                for (const AdxStep& c : m_def.macros[size_t(s.index)].nodes)
                    walk(c);
        };
        walk(m_def.monitor);
        std::sort(reached.begin(), reached.end());
        reached.erase(std::unique(reached.begin(), reached.end()), reached.end());
        std::vector<int> decoding;
        for (int p : reached)
            if (m_def.listenPackets[size_t(p)].decodes()) decoding.push_back(p);
        if (decoding.empty())
            for (int p : reached)
                if (m_def.listenPackets[size_t(p)].payloadSize > 0) decoding.push_back(p);
        return decoding.size() == 1 ? decoding.front() : -1;
    }

    int parentPacket(const Node& n) const {
        const quint64 h = hashOf(n.field("parentcmdidhash"));
        if (h == 0) {
            if (m_implicitPacket < 0)
                refuse(n, QStringLiteral(
                              "no parentcmdidhash, and the monitor command does not reach exactly one "
                              "decoding listen packet"));
            return m_implicitPacket;
        }
        for (size_t k = 0; k < m_def.listenPackets.size(); ++k)
            if (m_def.listenPackets[k].idhash == h) return int(k);
        refuse(n,
               QStringLiteral("parentcmdidhash %1 names no listen packet").arg(n.field("parentcmdidhash")));
    }

    // Checks that `size` bytes from `offset` lie inside the packet's payload.
    void fits(const Node& n, int packet, int offset, int size) const {
        const int payload = m_def.listenPackets[size_t(packet)].payloadSize;
        if (offset + size > payload)
            refuse(n, QStringLiteral("bytes %1 to %2 lie outside the %3-byte payload of \"%4\"")
                          .arg(offset)
                          .arg(offset + size - 1)
                          .arg(payload)
                          .arg(m_def.listenPackets[size_t(packet)].name()));
    }

    int valueNamed(const Node& n, const QString& text, const char* what) const {
        const int k = m_def.findValue(hashOf(text));
        if (k < 0) refuse(n, QStringLiteral("%1 %2 names no value").arg(QLatin1String(what), text));
        return k;
    }

    void value(const Node& n, AdxValue& v) {
        const qint64 flags = integer(n, "flags", 0, 0, 0xFFFFFFFFLL);
        v.bits = int(integer(n, "sizeinbits", m_defaultBits, 8, 32));
        if (v.bits != 8 && v.bits != 16 && v.bits != 32)
            refuse(n, QStringLiteral("sizeinbits %1 is not 8, 16 or 32").arg(v.bits));
        v.isSigned = n.field("flags").isEmpty() ? m_defaultSigned : (flags & 0x1);
        v.lsbFirst = n.field("flags").isEmpty() ? m_defaultLsbFirst : (flags & 0x2);
        v.highAlarm = flags & 0x4;
        v.lowAlarm = flags & 0x8;
        if (const Node* a = n.child("alarms")) {
            v.alarmLow = real(*a, a->attr("low"), "alarms low", 0);
            v.alarmHigh = real(*a, a->attr("high"), "alarms high", 0);
        }
        if (const Node* r = n.child("range")) {
            v.rangeLow = real(*r, r->attr("low"), "range low", 0);
            v.rangeHigh = real(*r, r->attr("high"), "range high", 0);
        }
        v.units = n.field("units");
        v.digits = int(integer(n, "digcount", m_defaultDigits, 0, 15));
        v.outputType = int(integer(n, "outputtype", m_defaultOutput, 0, 255));

        QString text = QStringLiteral("X"), mainVariable = QStringLiteral("X");
        std::vector<std::pair<QString, int>> linkVars;
        if (const Node* math = n.child("math")) {
            text = math->attr("equation");
            if (text.isEmpty()) refuse(*math, QStringLiteral("MATH has no equation"));
            const QString lookup = math->attr("lookupidhash");
            if (hashOf(lookup) != 0) {
                for (size_t k = 0; k < m_def.lookupTables.size(); ++k)
                    if (m_def.lookupTables[k].idhash == hashOf(lookup)) v.lookup = int(k);
                if (v.lookup < 0)
                    refuse(n, QStringLiteral("lookupidhash %1 names no lookup table").arg(lookup));
            }
            bool anyVar = false, anyNative = false;
            for (const Node& var : math->children) {
                if (var.name != QLatin1String("var")) continue;
                anyVar = true;
                const QString type = var.attr("type").toLower();
                if (type == QLatin1String("native")) {
                    anyNative = true;
                    mainVariable = var.attr("varid");
                } else if (type == QLatin1String("link")) {
                    linkVars.push_back(
                        {var.attr("varid").toUpper(), valueNamed(var, var.attr("linkidhash"), "linkIDHash")});
                } else {
                    refuse(var,
                           QStringLiteral("VAR type \"%1\" is not native or link").arg(var.attr("type")));
                }
            }
            // A MATH with only links reads no bytes; its main variable is one no text can name.
            if (anyVar && !anyNative) mainVariable = QStringLiteral("korvel native");
            v.native = !anyVar || anyNative;
        }
        auto [eq, error] = Equation::parse(text, mainVariable);
        if (!eq) refuse(n, QStringLiteral("equation \"%1\": %2").arg(text, error.text()));
        v.equation = std::move(*eq);
        for (const QString& name : v.equation.variableNames()) {
            const auto it = std::find_if(linkVars.begin(), linkVars.end(),
                                         [&](const auto& l) { return l.first == name; });
            if (it == linkVars.end())
                refuse(n, QStringLiteral("equation \"%1\" uses %2, which no VAR names").arg(text, name));
            v.links.push_back(it->second);
        }
        if (v.native) {
            v.packet = parentPacket(n);
            v.offset = int(integer(n, "packetoffset", 0, 0, kMaxBody));
            fits(n, v.packet, v.offset, v.bytes());
        }
    }

    void bitmask(const Node& n, AdxBitmask& b) {
        b.packet = parentPacket(n);
        b.offset = int(integer(n, "packetoffset", 0, 0, kMaxBody));
        fits(n, b.packet, b.offset, 1);
        const QString op = n.field("bitop");
        if (!op.isEmpty() && op.compare(QLatin1String("AND"), Qt::CaseInsensitive) != 0)
            refuse(n, QStringLiteral("bitop \"%1\" is not known (only AND)").arg(op));
        b.operand = quint32(integer(n, "operand", 0, 0, 0xFFFFFFFFLL));
        b.result = quint32(integer(n, "result", b.operand, 0, 0xFFFFFFFFLL));
        if (!n.field("truestring").isEmpty()) b.trueText = n.field("truestring");
        if (!n.field("falsestring").isEmpty()) b.falseText = n.field("falsestring");
    }

    AdxLookupTable lookupTable(const Node& n) {
        AdxLookupTable t;
        identify(n, t);
        for (const Node& e : n.children)
            if (e.name == QLatin1String("tableentry"))
                t.entries.push_back({real(e, e.attr("input"), "tableentry input", 0),
                                     real(e, e.attr("output"), "tableentry output", 0)});
        if (t.entries.empty()) refuse(n, QStringLiteral("the lookup table has no entries"));
        std::stable_sort(t.entries.begin(), t.entries.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        return t;
    }

    void histogram(const Node& n, AdxHistogram& h) {
        const auto points = [&](const char* key) {
            std::map<qint64, double> byIndex;
            for (const Node& c : n.children)
                if (c.name == QLatin1String(key))
                    byIndex[integer(c, "index", qint64(byIndex.size()), 0, 10'000)] =
                        real(c, c.attr("val"), key, 0);
            std::vector<double> out;
            for (const auto& [i, v] : byIndex)
                out.push_back(v);
            return out;
        };
        h.columns = points("colval");
        h.rows = points("rowval");
        const auto link = [&](const char* key) {
            const QString text = n.field(key);
            return hashOf(text) == 0 ? -1 : valueNamed(n, text, key);
        };
        h.x = link("xidhash");
        h.y = link("yidhash");
        h.z = link("zidhash");
    }

    // Puts every value after the values it links to; refuses a loop of links.
    void order() {
        std::vector<int> state(m_def.values.size(), 0);
        std::function<void(int)> visit = [&](int k) {
            if (state[size_t(k)] == 2) return;
            const AdxValue& v = m_def.values[size_t(k)];
            if (state[size_t(k)] == 1)
                throw Refused{v.line, QStringLiteral("\"%1\": its links lead back to itself").arg(v.name())};
            state[size_t(k)] = 1;
            for (int l : v.links)
                visit(l);
            state[size_t(k)] = 2;
            m_def.evaluationOrder.push_back(k);
        };
        for (size_t k = 0; k < m_def.values.size(); ++k)
            visit(int(k));
    }

    AdxDefinition m_def;
    Pending m_pendingCommands, m_pendingListens, m_pendingSilences, m_pendingMacros, m_pendingLookups,
        m_pendingValues, m_pendingBitmasks, m_pendingHistograms;
    int m_implicitPacket = -1;
    int m_defaultBits = 8, m_defaultDigits = 2, m_defaultOutput = 3;
    bool m_defaultSigned = false, m_defaultLsbFirst = false;
};

} // namespace

AdxReadResult readAdx(const QByteArray& data) {
    AdxReadResult result;
    try {
        result.definition = Reader().read(adx::parseTree(data));
    } catch (const Refused& r) {
        result.line = r.line;
        result.error = QStringLiteral("Line %1: %2").arg(r.line).arg(r.message);
    }
    return result;
}

} // namespace korvel
