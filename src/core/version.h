#pragma once

#include <QString>

namespace korvel {

// "1.00" for version 1.0.0: major, ".", minor and revision written one after the other.
QString versionText();

// "     File Size: 32K": the image's size in KiB, (BinSize - 16) / 1024, with as many decimals as it needs.
QString fileSizeCaption(int binSize);

} // namespace korvel
