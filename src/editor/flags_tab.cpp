#include "flags_tab.h"

#include <QComboBox>
#include <QVBoxLayout>

namespace korvel {

FlagsTab::FlagsTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_cmbFlag = new QComboBox(this);
    m_cmbFlag->setObjectName(QStringLiteral("cmbFlag"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_cmbFlag);
    layout->addStretch();
}

void FlagsTab::clearVars() { m_cmbFlag->setCurrentIndex(-1); }

} // namespace korvel
