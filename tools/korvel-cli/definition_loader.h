#pragma once

#include "core/app_state.h"

#include <QString>

namespace korvel::cli {

// Reads a definition (and optionally an image) the way the editor opens them. On
// failure returns false after printing the text the editor would show on stderr.
bool loadDefinition(AppState& state, const QString& ecuPath);
bool loadImage(AppState& state, const QString& binPath);

// Finds an item by its id or its exact (trimmed) title; 0 when there is none.
int findItem(const AppState& state, const QString& idOrTitle);

} // namespace korvel::cli
