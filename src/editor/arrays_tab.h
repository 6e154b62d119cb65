#pragma once

#include "editor/editor_context.h"

#include <QWidget>

class QComboBox;

namespace korvel {

// The editor's tab for one-dimensional tables as a grid.
class ArraysTab : public QWidget {
    Q_OBJECT
public:
    explicit ArraysTab(EditorContext& context, QWidget* parent = nullptr);

    QComboBox* itemList() const { return m_cmb1Dim; }
    // This tab's share of the editor's reset.
    void clearVars();
    // Switches the grid's selection highlight (off on every change of tab).
    void setSelectionHighlight(bool on);

private:
    EditorContext& m_context;
    QComboBox* m_cmb1Dim;
};

} // namespace korvel
