#include "app_state.h"

namespace korvel {

AppState::AppState() : BinImage(kImageCells), PendingChanges(kImageCells) {}

} // namespace korvel
