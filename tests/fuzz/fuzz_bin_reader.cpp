// Reads BIN files of arbitrary sizes and contents: every file that loads gives the
// documented BinSize and cell texts, and a file too large is refused untouched.
#include "core/app_state.h"
#include "core/bin_image.h"

#include <QFile>

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // The first three bytes pick a length up to a little past the largest that loads;
    // the rest of the input repeats as the file's contents.
    const qint64 length = ((data[0] << 16) | (data[1] << 8) | data[2]) % (korvel::kLargestBinFile + 64);
    const char* body = reinterpret_cast<const char*>(data) + 3;
    const size_t bodySize = size - 3;
    QByteArray content(static_cast<qsizetype>(length), '\0');
    for (qint64 i = 0; bodySize > 0 && i < length; ++i)
        content[i] = body[static_cast<size_t>(i) % bodySize];

    static const QString path = QStringLiteral("/tmp/korvel-fuzz-bin-%1.bin").arg(getpid());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(content);
    f.close();

    static korvel::AppState state;
    state.BinPath = path;
    state.BinSize = 0;
    const korvel::Status s = korvel::ReadBinFile(state);
    if (length > korvel::kLargestBinFile) {
        if (s.ok() || state.BinSize != 0) std::abort();
        return 0;
    }
    if (!s.ok() || state.BinSize != (length / 16 + 1) * 16) std::abort();
    for (qint64 i = 0; i < length; i += 997) {
        if (state.BinImage[static_cast<size_t>(i)].byte() != static_cast<unsigned char>(content[i]))
            std::abort();
    }
    return 0;
}
