#pragma once

#include "cal_item.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace korvel {

// What a definition file holds, told by its content (never by its extension).
enum class DefinitionFormat {
    XdfXml,  // XML (after an optional byte-order mark and blanks, it starts with "<")
    XdfText, // the older text form: its first non-blank line is "XDF"
    Locked,  // binary, starting with the bytes 05 22 97 00
    Ecu,     // anything else: the positional .ecu format, read by its own reader
};
DefinitionFormat detectDefinitionFormat(const QByteArray& data);

inline constexpr const char* kLockedDefinitionText =
    "DEF is a locked definition; save it unlocked as XML in the program that locked it.";

// The outcome of reading a definition: the model, or the text that refuses the file
// (naming the line, and the item where there is one). `format` says which reader ran;
// for DefinitionFormat::Ecu no reader ran: the caller uses the .ecu reader.
struct DefinitionRead {
    DefinitionFormat format = DefinitionFormat::Ecu;
    std::optional<Definition> definition;
    QString error;
    bool ok() const { return definition.has_value(); }
};

// Picks the reader by content and runs it (nothing for the .ecu format, see above).
DefinitionRead readDefinitionData(const QByteArray& data);
// The same on a file; a file that cannot be opened is refused with its path.
DefinitionRead readDefinitionFile(const QString& path);

// The readers themselves, for callers that already know the format.
DefinitionRead readXdfXml(const QByteArray& data);
DefinitionRead readXdfText(const QByteArray& data);

} // namespace korvel
