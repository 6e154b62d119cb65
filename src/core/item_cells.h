#pragma once

// Reading and writing the cells of a definition's items (any format) in an image: the cells'
// raw bits and calculated values, the axes' labels, typed or pasted text turned into bits.

#include "app_state.h"
#include "cal_item.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel {

// The bytes items may be read from and written to: cells 0 .. lastSavedCell of the image
// (bytes past it are never saved, so no item reaching them can be edited).
ImageBytes imageBytes(const AppState& state);

// Every byte of the file the image was read from: what the editor shows items from (an item past
// the bytes Save writes back is shown, read-only).
ImageBytes fileBytes(const AppState& state);
// The bytes of a comparison baseline.
class Baseline;
ImageBytes baselineBytes(const Baseline& baseline);

// "0x1A2": an address as listings and messages show it.
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
// The heading of label i: the number with the axis's decimals, the text, or i + 1 when the
// axis has no labels.
QString axisHeading(const AxisLabels& labels, const CalAxis& axis, int i);

// Stores one cell's bits through StoreByte, its bytes in the layout's order.
void storeCell(AppState& state, const CalItem& item, int row, int col, quint64 bits);

// A cell's calculated value with the item's decimals, or with more where those do not lead
// back to the same bits (so that a shown table typed or pasted back changes nothing); empty
// where the value is undefined.
QString cellValueText(const CalItem& item, const CellReading& cells, int row, int col);

// The bits a typed raw value stands for, read exactly (8-byte values pass 2^53); nothing when
// it is not a whole number inside the layout's range.
std::optional<quint64> typedRawBits(const QString& field, const ElementLayout& layout);
// "-32768 to 32767": the raw values of a layout, exactly.
QString rawRange(const ElementLayout& layout);

// The bits a typed field stands for in cell (row, col): a raw value, or a calculated one
// turned back through the item's conversion. Nothing with `why` set when it stands for none:
// "5000 is outside the values a cell can hold (0 to 255).", "\"x\" is not a number.", or the
// conversion's refusal with the reachable range.
std::optional<quint64> typedCellBits(const QString& field, const CalItem& item, const CellReading& cells,
                                     int row, int col, bool calculated, QString& why);

// Why the item's cells cannot be edited in this image (empty when they can): the definition
// shows it read-only, or its bytes reach past the last byte Save writes back.
QString itemEditRefusal(const AppState& state, const CalItem& item);

} // namespace korvel
