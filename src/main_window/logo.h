#pragma once

#include <QPixmap>

namespace korvel {

// The start window's logo, drawn in code: a stylised map surface in a rounded square.
QPixmap korvelLogo(int size);

} // namespace korvel
