#pragma once

#include "editor/editor_context.h"

#include <QWidget>

namespace korvel {

// The editor's tab of raw bytes: a hex grid and a byte window drawn twice.
class HexTab : public QWidget {
    Q_OBJECT
public:
    explicit HexTab(EditorContext& context, QWidget* parent = nullptr);

    void RedrawHex();

private:
    EditorContext& m_context;
};

} // namespace korvel
