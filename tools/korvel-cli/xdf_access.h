#pragma once

// What the verbs that read XDF definitions share: telling the definition from the image by
// content, the image as bytes, choosing an item, reading its cells and axes, storing a cell.

#include "core/app_state.h"
#include "core/cal_item.h"

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

// The bytes a verb may read and write: cells 0 .. lastSavedCell of the loaded image.
ImageBytes imageBytes(const AppState& state);

// The item whose id or trimmed title is `name`; nullptr after printing why on stderr when none
// is, or when several are (with the candidates).
const CalItem* chooseXdfItem(const Definition& def, const QString& name);

// "0x1A2": an address as the listings show it.
QString addressText(qint64 address);
// "\"Title\" (item 0x1A)": an item named in messages (without the id when it has none).
QString itemName(const CalItem& item);

// An item's cells as read from the image, in row-major order of its rows and columns.
struct CellReading {
    std::vector<quint64> bits;                 // raw bit patterns
    std::vector<std::optional<double>> values; // calculated; nothing where undefined
    std::vector<double> variables;             // the equation's bound values
    QString error;                             // why the cells cannot be read; then all else is empty
    ConversionContext context(int row, int col) const { return {row, col, variables}; }
};
CellReading readCells(const Definition& def, const CalItem& item, const ImageBytes& image);

// The labels of one axis: numbers (nothing where undefined) or texts.
struct AxisLabels {
    bool given = false; // false for an axis without labels
    bool isText = false;
    std::vector<std::optional<double>> numbers;
    QStringList texts;
    QString error; // an axis read from the image (or another item) that cannot be read
};
// Without an image (`image` empty) only fixed labels are given.
AxisLabels axisLabels(const Definition& def, const CalAxis& axis, const ImageBytes& image);
// The heading `table` prints for label i: the number with the axis's decimals, the text, or
// i + 1 for an axis without labels.
QString axisHeading(const AxisLabels& labels, const CalAxis& axis, int i);

// Stores one cell's bits through StoreByte, its bytes in the layout's order.
void storeCell(AppState& state, const CalItem& item, int row, int col, quint64 bits);

// The verbs' XDF paths (the .ecu paths stay in their verb files).
int xdfItems(const Definition& def, const QString& imagePath, bool json);
int xdfTable(AppState& state, const Definition& def, const QString& itemName, bool calculated,
             const QString& pattern, const QString& setFile);
int xdfSet(AppState& state, const Definition& def, const QString& itemName, const QString& raw);
int xdfDiff(const Definition& def, const QString& fileA, const QString& fileB, bool json);
int xdfChecksum(AppState& state, const Definition& def, bool fix);

} // namespace korvel::cli
