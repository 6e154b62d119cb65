#include "version.h"

#include "core/version_numbers.h"

namespace korvel {

QString versionText() {
    return QStringLiteral("%1.%2%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

QString fileSizeCaption(int binSize) {
    return QStringLiteral("     File Size: ") + QString::number((binSize - 16) / 1024.0, 'g', 15) +
           QStringLiteral("K");
}

} // namespace korvel
