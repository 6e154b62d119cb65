#pragma once

#include "status.h"

#include <QString>
#include <array>
#include <vector>

namespace korvel {

struct AppState;

namespace detail {
// The value of a hexadecimal digit (either case), -1 for any other character.
inline constexpr std::array<signed char, 256> kHexDigitValue = [] {
    std::array<signed char, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<size_t>(c)] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                                             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                             : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                                                    : -1);
    return t;
}();
} // namespace detail

// One byte of the ROM image as text. Both fields are fixed-width and start out
// all NUL; a Value whose first character is NUL holds nothing.
struct BinCell {
    std::array<char, 6> Address{}; // index in upper-case hex, "0"-padded
    std::array<char, 2> Value{};   // byte in upper-case hex, "0"-padded

    bool isEmpty() const { return Value[0] == '\0'; }
    QString addressText() const;
    QString valueText() const;
    // The byte the Value digits stand for; 0 for an empty cell. Inline: the pictures read
    // a quarter of a million of them per redraw.
    int byte() const {
        const int hi = detail::kHexDigitValue[static_cast<unsigned char>(Value[0])];
        const int lo = detail::kHexDigitValue[static_cast<unsigned char>(Value[1])];
        return (hi < 0 || lo < 0) ? 0 : hi * 16 + lo;
    }
    void setAddress(int index);
    void setValue(int byte);
};

// Number of cells of the image and of the pending-change list (indexes 0..655350).
inline constexpr int kImageCells = 655351;
// Largest BIN file that loads: the trailing block read must stay inside the image.
inline constexpr qint64 kLargestBinFile = 655343;

// Reads a whole BIN file into `data`. Only a regular file of at most kLargestBinFile
// bytes is read; otherwise, or when it cannot be read, the reason comes back and `data`
// is left as it was.
Status ReadBinBytes(const QString& path, QByteArray& data);

// Reads the file at state.BinPath into state.BinImage in 16-byte blocks and sets
// state.BinSize (the file length rounded up to 16, plus 16 more when the length is
// a whole number of blocks) and state.fileLength. Cells of the last, short or empty,
// block past the end of the file are filled with "00". A file too large for the image
// is refused before any cell is touched.
Status ReadBinFile(AppState& state);

// Writes cells 0 .. BinSize - 17 back over the start of state.BinPath in one piece,
// without truncating the file. On failure the file reports the reason and nothing
// claims success.
Status WriteBinFile(const AppState& state);

// "1010 0101": the eight bits of a byte, most significant first, in two groups.
QString ByteToBits(int byte);

// Two upper-case hex digits with a leading zero.
QString hexByte(int byte);

} // namespace korvel
