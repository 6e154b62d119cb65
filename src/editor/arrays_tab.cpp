#include "arrays_tab.h"

#include <QComboBox>
#include <QVBoxLayout>

namespace korvel {

ArraysTab::ArraysTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_cmb1Dim = new QComboBox(this);
    m_cmb1Dim->setObjectName(QStringLiteral("cmb1Dim"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_cmb1Dim);
    layout->addStretch();
}

void ArraysTab::clearVars() { m_cmb1Dim->setCurrentIndex(-1); }

void ArraysTab::setSelectionHighlight(bool) {}

} // namespace korvel
