#include "hex_tab.h"

namespace korvel {

HexTab::HexTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {}

void HexTab::RedrawHex() {}

} // namespace korvel
