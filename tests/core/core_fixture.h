#pragma once

// What the core tests share: items, images as ReadBinFile leaves them, and files.

#include "core/app_state.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace korvel::test {

inline EcuItem item(const char* address, int cols = 1, int rows = 1, int bytes = 1, int kind = 0,
                    int conversion = 0, double factor = 1, double offset = 0) {
    EcuItem it;
    std::tie(it.Id, it.Title, it.Address) =
        std::tuple(QStringLiteral("4"), QStringLiteral(" Spark"), address);
    std::tie(it.Columns, it.Rows, it.ByteSize, it.Kind) = std::tuple(cols, rows, bytes, kind);
    std::tie(it.Conversion, it.Factor, it.Offset) = std::tuple(conversion, factor, offset);
    return it;
}

// A file of `length` bytes starting with `bytes` (zeros after them) as ReadBinFile leaves it.
inline std::unique_ptr<AppState> imageOf(const std::vector<int>& bytes, int length = -1) {
    length = length < 0 ? int(bytes.size()) : length;
    auto state = std::make_unique<AppState>();
    state->BinSize = length % 16 == 0 ? length + 16 : (length + 15) / 16 * 16;
    state->fileLength = length;
    for (int i = 0; i < state->BinSize; ++i) {
        state->BinImage[size_t(i)].setAddress(i);
        state->BinImage[size_t(i)].setValue(i < int(bytes.size()) ? bytes[size_t(i)] : 0);
    }
    return state;
}

inline std::vector<int> counting(int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i)
        v.push_back((i * 7 + 3) & 0xFF);
    return v;
}

inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    return f.fileName();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace korvel::test
