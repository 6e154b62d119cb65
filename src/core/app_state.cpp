#include "app_state.h"

namespace korvel {

AppState::AppState() : BinImage(kImageCells), PendingChanges(kImageCells) {}

int AppState::byteAt(int index) const {
    if (index < 0 || index >= kImageCells) return 0;
    return BinImage[static_cast<size_t>(index)].byte();
}

} // namespace korvel
