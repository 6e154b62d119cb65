#pragma once

#include "core/app_state.h"

#include <QString>

namespace korvel::cli {

// Reads a definition (and optionally an image) the way the editor opens them. On
// failure returns false after printing the text the editor would show on stderr. A file
// whose content is an XDF or a locked definition is refused for `verb` (refusesXdf).
bool loadDefinition(AppState& state, const QString& ecuPath, const char* verb);

// For verbs that read .ecu definitions only: true, after printing why on stderr, when the
// file's content is an XDF definition or a locked one; false for anything else.
bool refusesXdf(const QString& path, const char* verb);
// "NAME is a locked definition; ..." for the file at `path`.
QString lockedDefinitionText(const QString& path);
bool loadImage(AppState& state, const QString& binPath);

// Finds an item by its id or its exact (trimmed) title; 0 when there is none.
int findItem(const AppState& state, const QString& idOrTitle);
// The item named by number or trimmed title; 0 after printing why on stderr when there is
// none, or when the title is shared by several items (a write must not land in the wrong one).
int chooseItem(const AppState& state, const QString& name);

} // namespace korvel::cli
