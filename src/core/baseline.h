#pragma once

#include "status.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace korvel {

struct AppState;

// The bytes of the image that a comparison can see: every byte the file had (cells
// 0 .. fileLength - 1), its last part block too, so two files that differ only there
// differ. 0 for an empty image. (An item may still cover only the bytes Save writes back.)
int imageLength(const AppState& state);

// What the image is compared with: the image as it was opened, or another BIN file
// (the stock calibration, say). The image and the baseline are compared over the
// shorter of the two; change marks are worked out from it on demand, for any run of
// addresses, so nothing about them is kept anywhere else.
class Baseline {
public:
    Baseline() = default;

    // The image's bytes as they stand now (the editor takes this right after opening).
    static Baseline ofImage(const AppState& state);

    // Makes the BIN file at `path` the baseline: every byte of it, as an image read from it
    // holds them. A file that cannot be read, is not a regular file or is too large is
    // refused with the reason, and the baseline stays as it was.
    Status loadFile(const QString& path);

    // The file the baseline came from; empty for the image as opened.
    const QString& path() const { return m_path; }
    const QByteArray& bytes() const { return m_bytes; }
    int size() const { return static_cast<int>(m_bytes.size()); }

    // How many bytes from address 0 the image and the baseline are compared over.
    int comparedLength(const AppState& state) const;
    // Whether the image's byte at `address` differs from the baseline's (false outside the
    // compared bytes).
    bool differs(const AppState& state, int address) const;
    // The baseline's byte at `address`; -1 past its end.
    int byteAt(int address) const;
    // Whether the baseline holds every byte from `first` to first + count - 1.
    bool covers(int first, int count) const;
    // Every address from `first` to first + count - 1 at which the image differs, ascending.
    std::vector<int> differingAddresses(const AppState& state, int first, int count) const;
    // Whether any of those addresses differs (a list marks an item in bold, say).
    bool anyDiffers(const AppState& state, int first, int count) const;

private:
    QByteArray m_bytes;
    QString m_path;
};

} // namespace korvel
