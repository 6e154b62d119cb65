#include "definition_reader.h"

#include <QFile>

namespace korvel {

DefinitionFormat detectDefinitionFormat(const QByteArray& data) {
    if (data.startsWith(QByteArray("\x05\x22\x97\x00", 4))) return DefinitionFormat::Locked;
    qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    if (i < data.size() && data[i] == '<') return DefinitionFormat::XdfXml;
    const qsizetype end = data.indexOf('\n', i);
    if (data.mid(i, end < 0 ? -1 : end - i).trimmed() == "XDF") return DefinitionFormat::XdfText;
    return DefinitionFormat::Ecu;
}

DefinitionRead readDefinitionData(const QByteArray& data) {
    switch (detectDefinitionFormat(data)) {
    case DefinitionFormat::XdfXml:
        return readXdfXml(data);
    case DefinitionFormat::XdfText:
        return readXdfText(data);
    case DefinitionFormat::Locked:
        return {DefinitionFormat::Locked, std::nullopt, QString::fromLatin1(kLockedDefinitionText)};
    case DefinitionFormat::Ecu:
        break;
    }
    return {};
}

DefinitionRead readDefinitionFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DefinitionRead out;
        out.error = QStringLiteral("%1 cannot be opened: %2").arg(path, file.errorString());
        return out;
    }
    return readDefinitionData(file.readAll());
}

} // namespace korvel
