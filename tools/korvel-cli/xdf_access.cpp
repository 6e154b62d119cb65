#include "xdf_access.h"

#include "core/definition_reader.h"
#include "core/values.h"
#include "definition_loader.h"
#include "verbs.h"

#include <QFile>

#include <cmath>

namespace korvel::cli {

namespace {

std::optional<DefinitionFormat> formatOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return detectDefinitionFormat(f.readAll());
}

} // namespace

bool readXdfDefinition(const QString& path, std::optional<Definition>& def) {
    const auto format = formatOf(path);
    if (!format || *format == DefinitionFormat::Ecu) return false;
    if (*format == DefinitionFormat::Locked) {
        err(lockedDefinitionText(path));
        return true;
    }
    DefinitionRead read = readDefinitionFile(path);
    if (!read.ok()) {
        err(QStringLiteral("%1: %2").arg(path, read.error));
        return true;
    }
    def = std::move(read.definition);
    return true;
}

VerbFiles sortFiles(const QString& first, const QString& second) {
    VerbFiles files{first, second, std::nullopt, false};
    if (readXdfDefinition(second, files.xdf)) {
        files.refused = !files.xdf;
        return files;
    }
    // An image may start like an XML file by chance: only a definition that reads counts.
    const auto format = formatOf(first);
    if (!format || *format == DefinitionFormat::Ecu || *format == DefinitionFormat::Locked) return files;
    DefinitionRead read = readDefinitionFile(first);
    if (!read.ok()) return files;
    return {second, first, std::move(read.definition), false};
}

const CalItem* chooseXdfItem(const Definition& def, const QString& name) {
    std::vector<const CalItem*> found;
    for (const CalItem& item : def.items)
        if (sameItemId(item.id, name) || item.title.trimmed() == name.trimmed()) found.push_back(&item);
    if (found.size() == 1) return found.front();
    if (found.empty()) {
        err(QStringLiteral("no item has the id or title \"%1\"").arg(name));
        return nullptr;
    }
    QStringList candidates;
    for (const CalItem* item : found)
        candidates << QStringLiteral("%1 \"%2\"").arg(item->id, item->title.trimmed());
    err(QStringLiteral("\"%1\" names several items (%2): give the id of one")
            .arg(name, candidates.join(QStringLiteral(", "))));
    return nullptr;
}

} // namespace korvel::cli
