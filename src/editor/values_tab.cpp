#include "values_tab.h"

#include <QComboBox>
#include <QVBoxLayout>

namespace korvel {

ValuesTab::ValuesTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_cmb0Dim = new QComboBox(this);
    m_cmb0Dim->setObjectName(QStringLiteral("cmb0Dim"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_cmb0Dim);
    layout->addStretch();
}

void ValuesTab::clearVars() { m_cmb0Dim->setCurrentIndex(-1); }

} // namespace korvel
