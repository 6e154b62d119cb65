#include "maps_tab.h"

#include <QComboBox>
#include <QVBoxLayout>

namespace korvel {

MapsTab::MapsTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_cmb2Dim = new QComboBox(this);
    m_cmb2Dim->setObjectName(QStringLiteral("cmb2Dim"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_cmb2Dim);
    layout->addStretch();
}

void MapsTab::clearVars() { m_cmb2Dim->setCurrentIndex(-1); }

void MapsTab::setSelectionHighlight(bool) {}

void MapsTab::redrawMap() {}

} // namespace korvel
