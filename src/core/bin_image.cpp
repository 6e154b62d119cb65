#include "bin_image.h"

#include "app_state.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace korvel {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

QString fixedText(const char* p, size_t n) {
    size_t len = 0;
    while (len < n && p[len] != '\0')
        ++len;
    return QString::fromLatin1(p, static_cast<qsizetype>(len));
}

QString systemReason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString BinCell::addressText() const {
    return fixedText(Address.data(), Address.size());
}
QString BinCell::valueText() const {
    return fixedText(Value.data(), Value.size());
}

void BinCell::setAddress(int index) {
    for (int k = 5; k >= 0; --k) {
        Address[static_cast<size_t>(k)] = kDigits[index & 0xF];
        index >>= 4;
    }
}

void BinCell::setValue(int byte) {
    Value[0] = kDigits[(byte >> 4) & 0xF];
    Value[1] = kDigits[byte & 0xF];
}

Status ReadBinBytes(const QString& path, QByteArray& data) {
    // A device or a pipe has no size and may never end (/dev/zero), and opening a pipe waits
    // for a writer: only a regular file is an image, and no more than one byte past the
    // largest image is ever read.
    const QFileInfo info(path);
    const auto notRegular = [&] {
        return Status::failure(QStringLiteral("%1 is not a regular file.").arg(path));
    };
    if (info.exists() && !info.isFile()) return notRegular();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("%1: %2").arg(path, file.errorString()));
    if (file.isSequential()) return notRegular();
    QByteArray read = file.read(kLargestBinFile + 1);
    if (const qint64 length = std::max<qint64>(read.size(), file.size()); length > kLargestBinFile) {
        return Status::failure(
            QStringLiteral("%1 is too large for the image: %2 bytes, at most %3 bytes load.")
                .arg(path)
                .arg(length)
                .arg(kLargestBinFile));
    }
    if (file.error() != QFileDevice::NoError)
        return Status::failure(QStringLiteral("%1: %2").arg(path, file.errorString()));
    data = std::move(read);
    return {};
}

Status ReadBinFile(AppState& state) {
    QByteArray data;
    if (Status s = ReadBinBytes(state.BinPath, data); !s) return s;

    // Blocks of 16: the block that comes back short (possibly empty) ends the read and
    // still fills all 16 of its cells.
    int p = 0;
    const int n = static_cast<int>(data.size());
    for (;;) {
        const int got = std::min(16, n - p);
        for (int k = 0; k < 16; ++k) {
            BinCell& cell = state.BinImage[static_cast<size_t>(p + k)];
            cell.setAddress(p + k);
            cell.setValue(k < got ? static_cast<unsigned char>(data[p + k]) : 0);
        }
        p += 16;
        if (got < 16) break;
    }
    state.BinSize = p;
    state.fileLength = n;
    return {};
}

Status WriteBinFile(const AppState& state) {
    const int count = std::max(0, state.BinSize - 16);
    QByteArray content(count, '\0');
    for (int i = 0; i < count; ++i)
        content[i] = static_cast<char>(state.BinImage[static_cast<size_t>(i)].byte());

    const QByteArray path = QFile::encodeName(state.BinPath);
    // Open without O_CREAT or O_TRUNC: the file is overwritten in place and never
    // shortened; a missing file or folder is an error, not a new file.
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Status::failure(QStringLiteral("%1: %2").arg(state.BinPath, systemReason()));
    qint64 done = 0;
    while (done < content.size()) {
        const ssize_t w = ::pwrite(fd, content.constData() + done, static_cast<size_t>(content.size() - done),
                                   static_cast<off_t>(done));
        if (w < 0) {
            if (errno == EINTR) continue;
            const QString reason = systemReason();
            ::close(fd);
            return Status::failure(QStringLiteral("%1: %2").arg(state.BinPath, reason));
        }
        done += w;
    }
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const QString reason = systemReason();
        ::close(fd);
        return Status::failure(QStringLiteral("%1: %2").arg(state.BinPath, reason));
    }
    if (::close(fd) != 0) return Status::failure(QStringLiteral("%1: %2").arg(state.BinPath, systemReason()));
    return {};
}

QString ByteToBits(int byte) {
    QString s;
    s.reserve(9);
    for (int bit = 7; bit >= 0; --bit) {
        s.append((byte >> bit) & 1 ? QLatin1Char('1') : QLatin1Char('0'));
        if (bit == 4) s.append(QLatin1Char(' '));
    }
    return s;
}

QString hexByte(int byte) {
    const char t[2] = {kDigits[(byte >> 4) & 0xF], kDigits[byte & 0xF]};
    return QString::fromLatin1(t, 2);
}

} // namespace korvel
