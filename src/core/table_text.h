#pragma once

#include "ecu_definition.h"
#include "grid_text.h"
#include "value_matrix.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace korvel {

// The values of a table as its grid shows and takes them: the raw bytes, or the item's
// calculated values. Table cells are single bytes, so every raw value is 0..255.
class ShownValues {
public:
    // `pattern` empty: calculated texts are plain decimal numbers that read back to their
    // byte. A pattern gives the editor's display texts instead (they need not read back).
    ShownValues(const EcuItem& item, TableKind kind, bool calculated, const QString& pattern = {});

    const EcuItem& item() const { return m_item; }
    TableKind kind() const { return m_kind; }
    bool calculated() const { return m_calculated; }

    // The value a byte shows: the byte itself, or its calculated value; NaN where there is
    // none (Conversion 1 with raw 0). A map whose Factor is 0 and any Conversion other than
    // 0 and 1 show 0, as the grids do.
    double fromRaw(int raw) const { return m_values[static_cast<size_t>(raw & 0xFF)]; }
    // The text of a byte: plain decimal in raw mode; in calculated mode the plain decimal
    // number (leading 0, dot separator, no trailing dot) with the fewest digits that leads
    // back to the same byte, or an empty text when the byte has no calculated value.
    const QString& text(int raw) const { return m_texts[static_cast<size_t>(raw & 0xFF)]; }

    // Why typed values cannot be turned back into raw ones (empty when they can): raw values
    // always can; calculated ones only for Conversion 0 or 1 with a Factor other than 0.
    QString refusal() const;

    // The byte a typed value stands for: the one whose shown value is nearest, never a byte
    // without a value (Conversion 1 with raw 0). `beyond` when the value lies past the values
    // the bytes show by half the step to the next one or more: the byte is then the nearest
    // end. Conversion 0 and raw values round (value - Offset) / Factor, halves away from 0.
    struct Byte {
        int raw = 0;
        bool beyond = false;
    };
    // Nothing for NaN or when refusal() is not empty.
    std::optional<Byte> nearestByte(double v) const;
    // The lowest and the highest value the bytes show, as text: "0 to 255", "3.92 to 1000".
    QString reach() const;

private:
    EcuItem m_item;
    TableKind m_kind;
    bool m_calculated;
    bool m_invertible;
    std::array<double, 256> m_values{};
    std::array<QString, 256> m_texts;

    // The fewest places after the point that still read back to the byte.
    QString readBackText(int raw) const;
};

// A number as text: plain decimal with a leading 0 and a dot, `decimals` places at most,
// trailing zeros and a bare trailing dot dropped ("-0" becomes "0").
QString plainNumber(double value, int decimals);

// Reads a number typed or pasted: surrounding spaces ignored, a decimal point or (in a field
// without a point) one decimal comma, an optional sign. Nothing for any other text.
std::optional<double> readNumber(QStringView field);
// A number whose one comma stands before exactly three digits ("1,000", "-12,500") reads as
// a decimal comma but may be meant as a thousands separator: typed operands refuse it.
bool commaMayGroupThousands(QStringView field);

// Fields of a text, one list per line; trailing empty lines are dropped (a line of tabs is a
// row of empty fields and stays).
struct TextBlock {
    std::vector<QStringList> lines;
    QString problem;   // why the text cannot be read as a block (no lines then); empty when it can
    int width() const; // the longest line's field count
};

// Where the text comes from. Clipboard: fields separated by tabs when the text has one (a
// spreadsheet's cells), else semicolons; a comma within such a field is a decimal comma.
// Without either, commas separate fields when only that reading gives numbers, or are decimal
// commas between digits in fields separated by runs of spaces when only that one does; when
// both would ("1,5", "100,200") the block is refused with a problem naming the line.
// Csv: tabs, else semicolons, else commas. Double quotes protect separators in a field, and a
// separator within them does not choose.
enum class TextSource { Clipboard, Csv };
TextBlock splitText(const QString& text, TextSource source);

// Whether the block starts with headings: one line more than `rows`, whose first line has one
// field more than `cols` and an empty first field (the corner).
bool hasHeadings(const TextBlock& block, int cols, int rows);
// The block without its heading line and the row heading of every other line.
TextBlock withoutHeadings(const TextBlock& block);

// A rectangle of table cells: columns c0..c1, rows r0..r1 (table rows, the first row 0).
struct CellRect {
    int c0 = 0, r0 = 0, c1 = -1, r1 = -1;
    bool isEmpty() const { return c1 < c0 || r1 < r0; }
    bool contains(int c, int r) const { return c >= c0 && c <= c1 && r >= r0 && r <= r1; }
};

// A field of a separated text: as it is, or in double quotes (a quote inside doubled) when it
// holds the separator, any other separator splitText takes, a quote or a line break.
QString quotedField(const QString& text, QChar separator);

// The text of the cells in `rect`: lines top to bottom as the grid shows them (the highest
// table row first), fields joined by `separator`; a cell for which `included` is false gives
// an empty field. With `headings`, a first line of the empty corner and the column headings,
// and every line starts with its row heading (both trimmed). Fields holding any separator
// splitText takes (tab, semicolon, comma), a quote or a line break are put in double quotes.
QString tableText(const ValueMatrix& values, const ShownValues& shown, const CellRect& rect, QChar separator,
                  bool headings, const std::function<bool(int c, int r)>& included = {});
// The same for any table (its texts and headings as `cells` gives them).
class TableCells;
QString tableText(const TableCells& cells, const CellRect& rect, QChar separator, bool headings,
                  const std::function<bool(int c, int r)>& included = {});

// "row R, column C": a cell named by where the grid shows it, counted from the top-left value cell
// (1-based), so for table row r of `rows` the row is rows - r.
QString cellName(int c, int r, int rows);

} // namespace korvel
