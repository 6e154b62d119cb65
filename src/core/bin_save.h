#pragma once

#include "status.h"

#include <QString>

namespace korvel {

struct AppState;

// Writes the image to another file ("Save As"): the bytes a save writes (cells 0 ..
// BinSize - 17), followed by whatever the file at state.BinPath holds past them, so the
// new file is what the old one would be after a save. The bytes go to a temporary file in
// the target's folder that replaces the target only once every byte is written and
// synced: a failure leaves the target as it was and reports why.
Status WriteBinFileAs(const AppState& state, const QString& path);

// The data folder of the installed program (<prefix>/share/korvel, beside the program's
// bin folder), where the sample calibration lives; empty when there is none.
QString installedDataFolder();

// Whether a save must not write `path`: the file exists and is not writable for this
// process, or it lies (or would lie) under `protectedFolder` (the installed data, which root could otherwise
// overwrite, since write permission does not stop root).
bool binFileReadOnly(const QString& path, const QString& protectedFolder);

} // namespace korvel
