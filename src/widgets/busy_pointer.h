#pragma once

namespace korvel {

// The busy mouse pointer of long operations. setDefaultPointer() removes every busy
// pointer set before, so a window that loads can reset what its opener set.
void setBusyPointer();
void setDefaultPointer();
bool isBusyPointer();

} // namespace korvel
