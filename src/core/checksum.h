#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace korvel {

struct AppState;

// Where the image's checksum is taken and kept, read from the definition's header and
// checked against the loaded image. All indexes are image cells.
struct ChecksumLayout {
    int start = 0;   // first summed cell
    int end = -1;    // last summed cell, inclusive; below start nothing is summed
    int address = 0; // first stored checksum byte; the highest byte of the sum goes here
    int size = 2;    // number of stored bytes N, 1..4
};

// A layout, or the text that refuses the header. The text names the header value at
// fault: a value that is not hexadecimal (ChecksumStart, ChecksumEnd, ChecksumAddress),
// a ChecksumSize outside 1..4, or a summed range or stored bytes that reach past the
// last byte Save writes back (cell BinSize - 17). An empty summed range (start above
// end) reads nothing and is never refused for where it lies.
// A ChecksumSize of 0 means the definition has no checksum: `absent` is set and the
// refusal says so (kNoChecksumText), whatever the other header values hold.
struct ChecksumLayoutResult {
    std::optional<ChecksumLayout> layout;
    QString refusal;
    bool absent = false;
};
inline constexpr const char* kNoChecksumText = "The definition has no checksum.";
ChecksumLayoutResult checksumLayout(const AppState& state);

// The sum of the byte values of cells start..end; 0 when start is above end. At most
// 655351 x 255, so it fits 32 bits.
qint64 checksumSum(const AppState& state, const ChecksumLayout& layout);

// The sum as exactly 2 x size upper-case hex digits, most significant first: padded on
// the left with "0", or cut to its last 2 x size digits. size is taken as 1..8.
QString checksumText(quint64 sum, int size);

// The checksum text the layout gives for the image as it stands.
QString computedChecksumText(const AppState& state, const ChecksumLayout& layout);

// The Value texts of the N stored cells, concatenated in address order.
QString storedChecksumText(const AppState& state, const ChecksumLayout& layout);

// Writes the text's byte pairs to address, address + 1, ... through StoreByte, so each
// byte is recorded as pending. The caller marks the editor unsaved. A text that is not
// 2 x N hex digits stores nothing and gives false.
bool storeChecksum(AppState& state, const ChecksumLayout& layout, const QString& text);

} // namespace korvel
