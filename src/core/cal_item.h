#pragma once

#include "conversion.h"
#include "ecu_definition.h"
#include "element_layout.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel {

enum class StorageOrder {
    RowMajor,   // row r, column c at element r * columns + c
    ColumnMajor // row r, column c at element c * rows + r
};

// The labels along one side of a table: x runs along the columns, y down the rows.
struct CalAxis {
    enum class Source {
        None,    // nothing given: the view numbers the cells
        Image,   // `count` elements read from the image at `address`, through `conversion`
        Numbers, // fixed numbers
        Texts,   // fixed texts
        Link,    // the calculated values of the item `linkId`
    };
    Source source = Source::None;
    QString title;
    QString units;
    int decimals = 2;
    qint64 address = 0; // Image: base offset applied
    ElementLayout layout;
    int count = 0;
    Conversion conversion;
    std::vector<double> numbers;
    QStringList texts;
    QString linkId;
    // The logged value (a data stream value's idhash, as written) that moves along this axis;
    // empty when the definition links none.
    QString logLink;
};

// One calibration item of any definition format. Nothing past the reader knows the format.
struct CalItem {
    enum class Kind {
        Flag,  // one element; set when element & mask != 0
        Value, // one element
        Table, // rows x columns elements
    };
    QString id; // the definition's own id, as written ("0x1A2" in XDF, "7" in .ecu)
    QString title;
    QString description;
    QString category; // name, empty when none
    Kind kind = Kind::Value;

    qint64 address = 0; // first byte in the image, base offset applied
    ElementLayout layout;
    StorageOrder storage = StorageOrder::RowMajor;
    int rows = 1;
    int columns = 1;
    quint64 mask = 0; // Flag: the bits ticking sets and unticking clears
    // A flag whose bits are each labelled (an .ecu flag byte): the labels, the most
    // significant bit's first; empty for a flag that is one box.
    QStringList bitLabels;

    Conversion conversion;
    QString units;
    int decimals = 2;
    int outputType = 0; // as the definition says (XDF: 1 float, 2 integer, 3 hex, 4 text); 0 when not given
    std::optional<double> min, max;
    CalAxis x, y;

    // Not empty: the item is shown read-only, and this says why.
    QString readOnlyReason;

    // A flag's state in its element's bits, and the bits after ticking (every bit of the
    // mask set) or unticking (every bit of it cleared); the other bits stay.
    bool flagSet(quint64 bits) const { return (bits & mask) != 0; }
    quint64 withFlag(quint64 bits, bool on) const { return on ? bits | mask : bits & ~mask; }
    // flag, value (a table of one cell too), array (one row or one column) or map.
    ItemClass itemClass() const;
    int cellCount() const { return rows * columns; }
    // The element index of row r, column c under the storage order.
    int cellIndex(int row, int col) const;
    qint64 cellAddress(int row, int col) const {
        return address + qint64(cellIndex(row, col)) * layout.bytes;
    }
    // Bytes covered from the first byte.
    qint64 byteCount() const { return qint64(cellCount()) * layout.bytes; }
    // Every cell's raw bits in row-major order of the rows and columns (row 0 first),
    // whatever the storage order; nothing when a byte lies outside the image.
    std::optional<std::vector<quint64>> readCells(const ImageBytes& image) const;
};

// One checksum of the definition. Method 0: the sum of the bytes start..end (inclusive)
// kept to `sizeBits`, stored most significant byte first at `store`.
struct ChecksumRegion {
    QString title;
    qint64 start = 0, end = -1, store = 0; // base offset applied
    int sizeBits = 16;
    int method = 0;
    QString plugin;            // a plug-in's module id, when the definition names one
    QString unsupportedReason; // not empty: shown, never computed or written
    bool supported() const { return unsupportedReason.isEmpty(); }
};
inline constexpr const char* kChecksumNotSupported = "not supported by Korvel";

// The sum the region stores, or nothing when it is unsupported or a byte of it lies
// outside the image; and its bytes in address order (what to store at `store` onwards).
std::optional<quint64> checksumOf(const ChecksumRegion& region, const ImageBytes& image);
std::vector<quint8> checksumBytes(const ChecksumRegion& region, quint64 sum);

// A definition as read from any format.
struct Definition {
    enum class Format { Ecu, XdfXml, XdfText };
    Format format = Format::Ecu;
    QString title, description, author;
    QStringList categories;     // in the file's order; an item's category is one of these
    std::vector<CalItem> items; // in file order
    std::vector<ChecksumRegion> checksums;

    // The first item with this id (ids written as numbers match by value: 0x1A = 0x001A).
    const CalItem* find(const QString& id) const;
};

// The values the item's conversion binds (links to other items' values, image elements),
// in the order of conversion.bindings(); nothing when one cannot be read (a link that
// does not resolve or names an item that is not one value, a byte outside the image).
std::optional<std::vector<double>> boundValues(const Definition& def, const Conversion& conversion,
                                               const ImageBytes& image);

// True when the two ids name the same item: equal texts, or equal numbers ("0x1A", "0x001a").
bool sameItemId(const QString& a, const QString& b);

} // namespace korvel
