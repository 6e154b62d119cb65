// Reads BIN files of arbitrary sizes and contents: every file that loads gives the documented
// BinSize and bytes, and a file too large is refused before anything is stored.
#include "core/app_state.h"
#include "core/bin_image.h"

#include <QFile>

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // Three bytes pick a length up to a little past the largest that loads; the rest repeats as contents.
    const qint64 length = ((data[0] << 16) | (data[1] << 8) | data[2]) % (korvel::kLargestBinFile + 64);
    QByteArray content(length, '\0');
    for (qint64 i = 0; size > 3 && i < length; ++i)
        content[i] = char(data[3 + size_t(i) % (size - 3)]);
    static korvel::AppState state;
    state.BinPath = QStringLiteral("/tmp/korvel-fuzz-bin-%1.bin").arg(getpid());
    state.BinSize = 0;
    QFile f(state.BinPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != length) return 0;
    f.close();
    const bool read = korvel::ReadBinFile(state).ok();
    if (length > korvel::kLargestBinFile && (read || state.BinSize != 0)) std::abort();
    if (length <= korvel::kLargestBinFile && (!read || state.BinSize != (length / 16 + 1) * 16)) std::abort();
    for (qint64 i = 0; read && i < length; i += 997)
        if (state.BinImage[size_t(i)].byte() != quint8(content[i])) std::abort();
    return 0;
}
