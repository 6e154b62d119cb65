#pragma once

#include "editor/editor_context.h"

#include <QWidget>

class QComboBox;

namespace korvel {

// The editor's tab for two-dimensional maps as a grid and a turnable wire-mesh surface.
class MapsTab : public QWidget {
    Q_OBJECT
public:
    explicit MapsTab(EditorContext& context, QWidget* parent = nullptr);

    QComboBox* itemList() const { return m_cmb2Dim; }
    // This tab's share of the editor's reset.
    void clearVars();
    // Switches the grid's selection highlight (off on every change of tab).
    void setSelectionHighlight(bool on);
    // Draw_Map with the current map's state.
    void redrawMap();

private:
    EditorContext& m_context;
    QComboBox* m_cmb2Dim;
};

} // namespace korvel
