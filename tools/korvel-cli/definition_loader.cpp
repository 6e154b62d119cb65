#include "definition_loader.h"

#include "core/definition_reader.h"
#include "core/ecu_reader.h"
#include "verbs.h"

#include <QFile>
#include <QFileInfo>

namespace korvel::cli {

bool refusesXdf(const QString& path, const char* verb) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false; // the .ecu reader names the file it cannot open
    switch (detectDefinitionFormat(f.readAll())) {
    case DefinitionFormat::Ecu:
        return false;
    case DefinitionFormat::Locked:
        err(lockedDefinitionText(path));
        return true;
    case DefinitionFormat::XdfXml:
    case DefinitionFormat::XdfText:
        break;
    }
    err(QStringLiteral("%1 is an XDF definition: korvel-cli %2 does not support XDF definitions yet "
                       "(the other verbs read them).")
            .arg(path, QLatin1String(verb)));
    return true;
}

QString lockedDefinitionText(const QString& path) {
    return QString::fromLatin1(kLockedDefinitionText).replace(0, 3, QFileInfo(path).fileName());
}

bool loadDefinition(AppState& state, const QString& ecuPath, const char* verb) {
    if (refusesXdf(ecuPath, verb)) return false;
    state.EcuPath = ecuPath;
    const EcuReadResult r = ReadEcuFile(state);
    if (r.outcome != EcuReadResult::Outcome::Read) {
        err(r.message);
        if (!r.detail.isEmpty() && r.detail != r.message) err(QStringLiteral("  (%1)").arg(r.detail));
        return false;
    }
    if (!itemsSort(state.ecuHeader, state.EcuItemTable)) {
        err(QStringLiteral("Error in ECU File"));
        return false;
    }
    return true;
}

bool loadImage(AppState& state, const QString& binPath) {
    state.BinPath = binPath;
    if (Status s = ReadBinFile(state); !s) {
        err(s.error());
        return false;
    }
    return true;
}

int findItem(const AppState& state, const QString& idOrTitle) {
    const int count = std::min<int>(state.ecuHeader.ItemCount, kMaxItems);
    for (int n = 1; n <= count; ++n) {
        if (state.EcuItemTable[static_cast<size_t>(n)].Id == idOrTitle) return n;
    }
    for (int n = 1; n <= count; ++n) {
        if (state.EcuItemTable[static_cast<size_t>(n)].Title.trimmed() == idOrTitle.trimmed()) return n;
    }
    return 0;
}

int chooseItem(const AppState& state, const QString& name) {
    const int number = findItem(state, name);
    if (number == 0) {
        err(QStringLiteral("no item has the number or title \"%1\"").arg(name));
        return 0;
    }
    const EcuItem& found = state.EcuItemTable[static_cast<size_t>(number)];
    if (found.Id == name) return number;
    QStringList twins;
    for (int n = 1; n <= std::min<int>(state.ecuHeader.ItemCount, kMaxItems); ++n)
        if (state.EcuItemTable[static_cast<size_t>(n)].Title.trimmed() == found.Title.trimmed())
            twins << QString::number(n);
    if (twins.size() == 1) return number;
    err(QStringLiteral("several items have the title \"%1\" (items %2): give the number")
            .arg(found.Title.trimmed(), twins.join(QStringLiteral(", "))));
    return 0;
}

} // namespace korvel::cli
