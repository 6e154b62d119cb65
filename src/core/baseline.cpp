#include "baseline.h"

#include "app_state.h"
#include "bin_image.h"

#include <algorithm>

namespace korvel {

int imageLength(const AppState& state) {
    // A file read holds at least the bytes Save writes back; an image filled by hand may
    // have set only BinSize.
    return std::clamp(std::max(state.fileLength, state.lastSavedCell() + 1), 0, kImageCells);
}

Baseline Baseline::ofImage(const AppState& state) {
    Baseline b;
    const int n = imageLength(state);
    b.m_bytes.resize(n);
    for (int i = 0; i < n; ++i)
        b.m_bytes[i] = static_cast<char>(state.BinImage[static_cast<size_t>(i)].byte());
    return b;
}

Status Baseline::loadFile(const QString& path) {
    QByteArray data;
    if (Status s = ReadBinBytes(path, data); !s) return s;
    m_bytes = std::move(data);
    m_path = path;
    return {};
}

int Baseline::comparedLength(const AppState& state) const {
    return std::min(size(), imageLength(state));
}

int Baseline::byteAt(int address) const {
    if (address < 0 || address >= size()) return -1;
    return static_cast<unsigned char>(m_bytes[address]);
}

bool Baseline::covers(int first, int count) const {
    return first >= 0 && count >= 0 && static_cast<qint64>(first) + count <= size();
}

bool Baseline::differs(const AppState& state, int address) const {
    if (address < 0 || address >= comparedLength(state)) return false;
    return state.BinImage[static_cast<size_t>(address)].byte() !=
           static_cast<unsigned char>(m_bytes[address]);
}

namespace {

// The part of first .. first + count - 1 inside 0 .. length - 1, as [begin, end).
std::pair<int, int> clampRange(int first, int count, int length) {
    const qint64 begin = std::max<qint64>(first, 0);
    const qint64 end = std::min<qint64>(static_cast<qint64>(first) + std::max(count, 0), length);
    return {static_cast<int>(begin), static_cast<int>(std::max(begin, end))};
}

} // namespace

std::vector<int> Baseline::differingAddresses(const AppState& state, int first, int count) const {
    std::vector<int> found;
    const auto [begin, end] = clampRange(first, count, comparedLength(state));
    for (int a = begin; a < end; ++a)
        if (state.BinImage[static_cast<size_t>(a)].byte() != static_cast<unsigned char>(m_bytes[a]))
            found.push_back(a);
    return found;
}

bool Baseline::anyDiffers(const AppState& state, int first, int count) const {
    const auto [begin, end] = clampRange(first, count, comparedLength(state));
    for (int a = begin; a < end; ++a)
        if (state.BinImage[static_cast<size_t>(a)].byte() != static_cast<unsigned char>(m_bytes[a]))
            return true;
    return false;
}

} // namespace korvel
