#pragma once

#include <QString>

namespace korvel::cli {

// korvel-cli emulator watch IMAGE.bin --device PATH: takes the file as it is now as
// what the emulator holds, then sends every byte that changes on disk with live
// writes, each save as one edit. Returns the exit code: 0 after SIGINT or SIGTERM (the
// byte on the wire is finished first; bytes still queued are not sent, and it says how
// many), 1 when a write or the port fails, 2 when the file cannot be read.
int watchImage(const QString& path, const QString& device);

} // namespace korvel::cli
