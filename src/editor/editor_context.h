#pragma once

#include "editor/editor_state.h"
#include "widgets/services.h"

namespace korvel {

// What the editor hands each of its tabs: the run's services and the window's shared variables.
struct EditorContext {
    Services& services;
    EditorState& vars;
};

} // namespace korvel
