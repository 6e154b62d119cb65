#pragma once

#include <QString>

namespace korvel {

// "1.00" for version 1.0.0: major, ".", minor and revision written one after the other.
QString versionText();

} // namespace korvel
