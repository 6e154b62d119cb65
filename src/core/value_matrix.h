#pragma once

#include <cstddef>
#include <vector>

namespace korvel {

// A 501 x 501 matrix of values indexed (column, row), both 0..500. Indexes outside
// the matrix are refused: reads give 0 and writes are dropped.
class ValueMatrix {
public:
    static constexpr int kSize = 501;
    ValueMatrix() : m_values(static_cast<std::size_t>(kSize) * kSize, 0.0) {}

    static bool contains(int c, int r) { return c >= 0 && r >= 0 && c < kSize && r < kSize; }
    double at(int c, int r) const { return contains(c, r) ? m_values[index(c, r)] : 0.0; }
    void set(int c, int r, double v) {
        if (contains(c, r)) m_values[index(c, r)] = v;
    }

private:
    static std::size_t index(int c, int r) {
        return static_cast<std::size_t>(r) * kSize + static_cast<std::size_t>(c);
    }
    std::vector<double> m_values;
};

} // namespace korvel
