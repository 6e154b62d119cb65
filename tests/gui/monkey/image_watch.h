#pragma once

#include "core/bin_image.h"

#include <QString>
#include <vector>

namespace korvel {
struct AppState;
}

namespace korvel::test {

// Holds the image and the pending-change list as the editor found them when it
// opened, and checks after every event that the edits since then kept both sound:
// - nothing past the last byte Save writes back (BinSize - 17) changed, neither in
//   the image nor in the pending list, so no byte outside the image is touched;
// - every byte that differs from the file as loaded has a pending change with that
//   same value, and every pending entry recorded since the opening agrees with its byte;
// - every cell of the image still holds its own address and a two-digit value.
class ImageWatch {
public:
    explicit ImageWatch(const AppState& state);

    // Takes the snapshot; call right after the editor opened.
    void snapshot();
    // The checks above; `fullScan` also compares every cell past the image up to the
    // end of the arrays (slow, so the caller does it now and then). Returns the first
    // problem found, or an empty text.
    QString check(bool fullScan) const;
    // While the editor says it is saved, the BIN file at `path` holds every byte of
    // the image that Save writes back. Returns a problem or an empty text.
    QString checkSaved(bool isSaved, const QString& path) const;
    // Bytes that differ from the file as loaded.
    int changedBytes() const;

private:
    QString checkTail(int from, int to) const;
    QString checkCell(int address) const;

    const AppState& m_state;
    std::vector<BinCell> m_loaded;
    std::vector<BinCell> m_pendingAtOpen;
    int m_lastSaved = -1;
};

} // namespace korvel::test
