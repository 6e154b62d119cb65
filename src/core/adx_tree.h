#pragma once

// The element tree the ADX reader interprets: the file read once with element names in
// lower case, attributes and text kept, and each element's line.

#include <QString>
#include <QXmlStreamAttributes>

#include <vector>

namespace korvel::adx {

// A refusal: where, and what. The reader throws it inside and turns it into its result.
struct Refused {
    qint64 line = 0;
    QString message;
};

struct Node {
    QString name; // lower-case
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<Node> children;
    qint64 line = 0;

    // An attribute's value, trimmed; the name without regard to letter case.
    QString attr(const char* key) const;
    const Node* child(const char* key) const;
    // A child element's text, else the attribute of that name.
    QString field(const char* key) const;
};

// Parses the file inside a wrapper element, so a root that closes early and the siblings
// after it all read: the result's children are the root, then those siblings. Throws
// Refused with the parser's line and column.
Node parseTree(const QByteArray& data);

// "0x55C678F5", "0X55c678f5" or "55C678F5": the stored number; 0 when empty or unreadable.
quint64 hashOf(const QString& text);

} // namespace korvel::adx
