#pragma once

#include "editor/editor_context.h"

#include <QWidget>

class QComboBox;

namespace korvel {

// The editor's tab for the flag bytes and their eight bits.
class FlagsTab : public QWidget {
    Q_OBJECT
public:
    explicit FlagsTab(EditorContext& context, QWidget* parent = nullptr);

    QComboBox* itemList() const { return m_cmbFlag; }
    // This tab's share of the editor's reset.
    void clearVars();

private:
    EditorContext& m_context;
    QComboBox* m_cmbFlag;
};

} // namespace korvel
