#pragma once

// What the verbs that read XDF definitions share: telling the definition from the image by
// content and choosing an item (reading and writing cells is core's item_cells).

#include "core/app_state.h"
#include "core/cal_item.h"
#include "core/item_cells.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel::cli {

// A verb's image and definition. `xdf` is set when the definition's content is an XDF one;
// otherwise the definition is left to loadDefinition (the .ecu reader).
struct VerbFiles {
    QString image, definition;
    std::optional<Definition> xdf;
    bool refused = false; // an XDF or locked definition that cannot be read; printed on stderr
};
// `first` is the image and `second` the definition, as the .ecu verbs take them; an XDF
// definition is also taken first (it is recognised by reading it whole).
VerbFiles sortFiles(const QString& first, const QString& second);

// Reads `path` when its content is an XDF or a locked definition: true with `def` set, or true
// with `def` empty after printing the refusal; false for any other file.
bool readXdfDefinition(const QString& path, std::optional<Definition>& def);

// The item whose id or trimmed title is `name`; nullptr after printing why on stderr when none
// is, or when several are (with the candidates).
const CalItem* chooseXdfItem(const Definition& def, const QString& name);

// The verbs' XDF paths (the .ecu paths stay in their verb files).
int xdfItems(const Definition& def, const QString& imagePath, bool json);
int xdfTable(AppState& state, const Definition& def, const QString& itemName, bool calculated,
             const QString& pattern, const QString& setFile);
int xdfSet(AppState& state, const Definition& def, const QString& itemName, const QString& raw);
int xdfDiff(const Definition& def, const QString& fileA, const QString& fileB, bool json);
int xdfChecksum(AppState& state, const Definition& def, bool fix);

} // namespace korvel::cli
