#pragma once

#include "ecu_definition.h"

#include <QString>

namespace korvel {

struct AppState;

// What a read of the ECU definition came to.
struct EcuReadResult {
    enum class Outcome {
        Read,            // the whole file was read
        IncorrectFormat, // the first non-empty line lacks "FORMAT"; nothing was stored
        ItemError,       // an item block was cut short or held a bad number; the items before it stay
        HeaderError,     // the header block could not be read; the opening must not go on
    };
    Outcome outcome = Outcome::Read;
    QString message; // "Incorrect ECU Format", "ECU File Error" or the header error's description
    int line = 0;    // 1-based line where reading stopped, 0 when not applicable
    QString detail;  // what was wrong there, for logs and the command-line tool
};

// Reads the definition at state.EcuPath into state.ecuHeader and state.EcuItemTable.
// Lines end at CR LF or a lone LF; text is Windows-1252.
EcuReadResult ReadEcuFile(AppState& state);
// The same on the file's contents.
EcuReadResult readEcuData(AppState& state, const QByteArray& data);

// Everything after the line's first "=" up to the next "," (or the end), untrimmed.
QString ValueAfterEquals(const QString& line);

} // namespace korvel
