#include "bin_save.h"

#include "app_state.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace korvel {

Status WriteBinFileAs(const AppState& state, const QString& path) {
    const int count = std::max(0, state.BinSize - 16);
    QByteArray content(count, '\0');
    for (int i = 0; i < count; ++i)
        content[i] = static_cast<char>(state.BinImage[static_cast<size_t>(i)].byte());
    // A file whose length is not a whole number of blocks keeps its last, short block:
    // a save leaves it in place, so the copy takes it from the file as it is.
    QByteArray current;
    if (ReadBinBytes(state.BinPath, current).ok() && current.size() > count) content += current.mid(count);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Status::failure(QStringLiteral("%1: %2").arg(path, reason));
    }
    return {};
}

QString installedDataFolder() {
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/korvel");
    return QFileInfo(folder).canonicalFilePath();
}

bool binFileReadOnly(const QString& path, const QString& protectedFolder) {
    const QFileInfo info(path);
    if (info.exists() && ::access(QFile::encodeName(path).constData(), W_OK) != 0) return true;
    if (protectedFolder.isEmpty()) return false;
    const QString folder = QFileInfo(protectedFolder).canonicalFilePath();
    const QString parent = QFileInfo(info.absolutePath()).canonicalFilePath();
    return !folder.isEmpty() && !parent.isEmpty() &&
           (parent == folder || parent.startsWith(folder + QLatin1Char('/')));
}

} // namespace korvel
