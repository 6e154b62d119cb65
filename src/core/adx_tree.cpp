#include "adx_tree.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace korvel::adx {

namespace {

constexpr int kMaxDepth = 32;

// Some files close the root element early and carry on with its objects as siblings: the
// content is read inside a wrapper element so those siblings parse. The wrapper goes right
// after the XML declaration, on the same line, so line numbers stay the file's own.
QByteArray wrapped(const QByteArray& data) {
    qsizetype at = 0;
    const qsizetype decl = data.indexOf("<?xml");
    QByteArray before = data.left(std::max<qsizetype>(decl, 0));
    if (before.startsWith("\xEF\xBB\xBF")) before.remove(0, 3); // a byte-order mark may lead
    if (decl >= 0 && before.trimmed().isEmpty()) {
        const qsizetype end = data.indexOf("?>", decl);
        if (end >= 0) at = end + 2;
    }
    return data.left(at) + "<korvelwrap>" + data.mid(at) + "</korvelwrap>";
}

} // namespace

QString Node::attr(const char* key) const {
    for (const auto& a : attributes)
        if (a.name().compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
            return a.value().toString().trimmed();
    return {};
}

const Node* Node::child(const char* key) const {
    for (const Node& c : children)
        if (c.name == QLatin1String(key)) return &c;
    return nullptr;
}

QString Node::field(const char* key) const {
    const Node* c = child(key);
    return c ? c->text.trimmed() : attr(key);
}

Node parseTree(const QByteArray& data) {
    QXmlStreamReader xml(wrapped(data));
    Node root;
    std::vector<Node*> open{&root};
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (open.size() > kMaxDepth)
                throw Refused{xml.lineNumber(), QStringLiteral("elements nested too deeply")};
            Node& parent = *open.back();
            parent.children.push_back(
                {xml.name().toString().toLower(), xml.attributes(), {}, {}, xml.lineNumber()});
            open.push_back(&parent.children.back());
        } else if (token == QXmlStreamReader::EndElement) {
            open.pop_back();
        } else if (token == QXmlStreamReader::Characters && open.size() > 1 && !xml.isWhitespace()) {
            open.back()->text += xml.text();
        }
    }
    if (xml.hasError())
        throw Refused{xml.lineNumber(),
                      QStringLiteral("column %1: %2").arg(xml.columnNumber()).arg(xml.errorString())};
    return root.children.empty() ? Node{} : std::move(root.children.front());
}

quint64 hashOf(const QString& text) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) t = t.mid(2);
    bool ok = false;
    const quint64 v = t.toULongLong(&ok, 16);
    return ok ? v : 0;
}

} // namespace korvel::adx
