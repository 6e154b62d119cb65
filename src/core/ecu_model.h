#pragma once

#include "cal_item.h"
#include "ecu_definition.h"

namespace korvel {

// The .ecu definition in the item model every format reads into, so what works on the
// model (item JSON, item reading, the table editing layer) works on .ecu items too. Nothing
// of the .ecu rules changes: every item reads the values its tab shows.
//
// - Each item 1 .. ItemCount keeps its number as id and goes into the category of its tab:
//   "Flags", "Values", "Arrays" or "Maps".
// - A flag is its byte with the eight labels of YAxis (the most significant bit's first) and
//   its XAxis caption as description. A value is ByteSize bytes, unsigned, most significant
//   first. A table is one unsigned byte a cell, stored row after row, with the grids' headings
//   as its axis texts (YAxis in fields of five characters, XAxis of three) and YLabel, XLabel
//   as the axis titles.
// - The conversions are those of the tabs: Conversion 0 raw x Factor + Offset, 1 Factor / raw
//   + Offset (nothing for raw 0), any other 0; a value whose Factor is 0 has no calculated
//   value, a map whose Factor is 0 shows 0.
// - An item its tab refuses whatever the image holds (an address that is not hexadecimal, a
//   value of 0 or more than 8 bytes, a table beyond 501 x 501, no class) is read-only with the
//   tab's reason.
// - The header's checksum is one byte-sum region; none when ChecksumSize is 0, and one that is
//   not computed, with the reason, when a field cannot be read.
Definition ecuModel(const EcuHeader& header, const EcuItemArray& items);

} // namespace korvel
