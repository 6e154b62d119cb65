#include "version.h"

#include "core/version_numbers.h"

namespace korvel {

QString versionText() {
    return QStringLiteral("%1.%2%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

} // namespace korvel
