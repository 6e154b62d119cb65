#pragma once

// What the core tests share: images as ReadBinFile leaves them and files written in a test.

#include "core/app_state.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace korvel::test {

// The image of a file of `length` bytes starting with `bytes` (zeros after them), as
// ReadBinFile leaves it: every cell of its blocks addressed and BinSize by the block rule.
inline std::unique_ptr<AppState> imageOf(const std::vector<int>& bytes, int length = -1) {
    if (length < 0) length = static_cast<int>(bytes.size());
    auto state = std::make_unique<AppState>();
    state->BinSize = length % 16 == 0 ? length + 16 : (length + 15) / 16 * 16;
    for (int i = 0; i < state->BinSize; ++i) {
        state->BinImage[static_cast<size_t>(i)].setAddress(i);
        state->BinImage[static_cast<size_t>(i)].setValue(i < int(bytes.size()) ? bytes[size_t(i)] : 0);
    }
    return state;
}

// (7i + 3) & FF for i = 0 .. n - 1: 3, 10, 17, 24, ...
inline std::vector<int> counting(int n) {
    std::vector<int> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = (i * 7 + 3) & 0xFF;
    return v;
}

inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return f.fileName();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace korvel::test
