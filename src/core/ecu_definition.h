#pragma once

#include <QString>
#include <array>

namespace korvel {

// One calibration item of the ECU definition, fields in file order.
struct EcuItem {
    QString Id;
    QString Address; // hexadecimal digits as read (may carry surrounding spaces)
    qint16 Columns = 0;
    qint16 Rows = 0;
    qint16 ByteSize = 0;
    qint16 Kind = 0;
    double Offset = 0;
    qint16 Conversion = 0;
    double Factor = 0;
    QString Title;
    QString YLabel;
    QString YAxis;
    QString XLabel;
    QString XAxis;
};

struct EcuHeader {
    QString HeaderText;
    qint16 HeaderNumber = 0;
    QString ChecksumAddress;
    QString ChecksumSize;
    QString ChecksumStart;
    QString ChecksumEnd;
    qint16 ItemCount = 0;
};

inline constexpr int kMaxItems = 300;
using EcuItemArray = std::array<EcuItem, kMaxItems + 1>; // element 0 is never filled

enum class ItemClass { None, Flag, Value, Array, Map, Ambiguous };

// Sorts an item into one of the four tabs; None or Ambiguous make a definition invalid.
ItemClass classOf(const EcuItem& item);
const char* className(ItemClass c);

// Whether the definition's items sort into the four tabs: ItemCount is not negative, and each
// of the items 1 .. ItemCount was read and falls into exactly one class. The editor and the
// command line open a definition only when this holds ("Error in ECU File" otherwise).
bool itemsSort(const EcuHeader& header, const EcuItemArray& items);

} // namespace korvel
