#pragma once

#include "editor/editor_context.h"

#include <QWidget>

class QComboBox;

namespace korvel {

// The editor's tab for single values: raw hexadecimal text, calculated text and a stepper.
class ValuesTab : public QWidget {
    Q_OBJECT
public:
    explicit ValuesTab(EditorContext& context, QWidget* parent = nullptr);

    QComboBox* itemList() const { return m_cmb0Dim; }
    // This tab's share of the editor's reset.
    void clearVars();

private:
    EditorContext& m_context;
    QComboBox* m_cmb0Dim;
};

} // namespace korvel
