#include "flags_tab.h"

#include "core/app_state.h"
#include "core/edit_history.h"
#include "core/values.h"
#include "widgets/named_controls.h"
#include "widgets/prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>

namespace korvel {

FlagsTab::FlagsTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_cmbFlag = new QComboBox(this);
    m_cmbFlag->setObjectName(QStringLiteral("cmbFlag"));
    m_lblFlag_Xlabel = namedLabel(this, QStringLiteral("lblFlag_Xlabel"), QStringLiteral("X Label"));
    m_lblFlag_Xaxis = namedLabel(this, QStringLiteral("lblFlag_Xaxis"), QStringLiteral("X Axis"));
    m_lblFlag_Ylabel = namedLabel(this, QStringLiteral("lblFlag_Ylabel"), QStringLiteral("Label1"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_cmbFlag, 0, 0, 1, 3);
    layout->addWidget(m_lblFlag_Xlabel, 1, 0, 1, 3);
    layout->addWidget(m_lblFlag_Xaxis, 2, 0, 1, 3);
    layout->addWidget(m_lblFlag_Ylabel, 3, 0);
    for (int i = 0; i < 8; ++i) {
        const auto k = static_cast<size_t>(i);
        m_lblFlag_Yaxis[k] =
            namedLabel(this, QStringLiteral("lblFlag_Yaxis%1").arg(i), QStringLiteral("Bit%1").arg(i));
        // Labels are fixed five-character fields whose spaces matter: plain text, fixed pitch.
        m_lblFlag_Yaxis[k]->setTextFormat(Qt::PlainText);
        m_lblFlag_Yaxis[k]->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        m_chkFlag[k] = new QCheckBox(this);
        m_chkFlag[k]->setObjectName(QStringLiteral("chkFlag%1").arg(i));
        layout->addWidget(m_lblFlag_Yaxis[k], 4 + i, 0);
        layout->addWidget(m_chkFlag[k], 4 + i, 1);
        // toggled also fires when the choice sets a box from code; IsLoading tells them apart.
        connect(m_chkFlag[k], &QCheckBox::toggled, this, [this, i] { chkFlag_Click(i); });
    }
    layout->setColumnMinimumWidth(
        0, m_lblFlag_Yaxis[0]->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMM")));
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(12, 1);

    connect(m_cmbFlag, &QComboBox::activated, this, &FlagsTab::cmbFlag_Click);
}

QString FlagsTab::bitLabel(const QString& yAxis, int box) {
    return yAxis.mid(5 * box, 5);
}

void FlagsTab::clearVars() {
    m_item = 0;
    m_cmbFlag->setCurrentIndex(-1);
    emptyControls();
}

void FlagsTab::emptyControls() {
    for (QCheckBox* box : m_chkFlag)
        box->setChecked(false);
    for (QLabel* label : {m_lblFlag_Xaxis, m_lblFlag_Xlabel, m_lblFlag_Ylabel})
        label->clear();
    for (QLabel* label : m_lblFlag_Yaxis)
        label->clear();
    showMarks();
}

void FlagsTab::cmbFlag_Click() {
    EditorState& vars = m_context.vars;
    AppState& state = m_context.services.state;
    // No item is chosen until this one is accepted, so boxes set meanwhile write nothing.
    m_item = 0;
    const int index = m_cmbFlag->currentIndex();
    if (index < 0 || index >= static_cast<int>(vars.FlagItems.size())) return;
    const int number = vars.FlagItems[static_cast<size_t>(index)];
    if (number <= 0 || number > kMaxItems) return;
    const EcuItem& item = state.EcuItemTable[static_cast<size_t>(number)];
    if (const QString refusal = itemRefusal(state, item, ItemClass::Flag); !refusal.isEmpty()) {
        emptyControls();
        m_context.services.prompt.message(refusal, Prompt::Icon::Critical);
        return;
    }
    m_item = number;
    m_lblFlag_Xaxis->setText(item.XAxis);
    m_lblFlag_Xlabel->setText(item.XLabel);
    m_lblFlag_Ylabel->setText(item.YLabel);
    for (int i = 0; i < 8; ++i)
        m_lblFlag_Yaxis[static_cast<size_t>(i)]->setText(bitLabel(item.YAxis, i));

    // From weight 1 (box 7) up to weight 128 (box 0).
    reload();
}

void FlagsTab::reload() {
    if (m_item == 0) return;
    EditorState& vars = m_context.vars;
    const AppState& state = m_context.services.state;
    vars.IsLoading = true;
    const int b = state.byteAt(itemAddress(state.EcuItemTable[static_cast<size_t>(m_item)]));
    for (int bit = 0; bit < 8; ++bit)
        m_chkFlag[static_cast<size_t>(7 - bit)]->setChecked((b >> bit) & 1);
    vars.IsLoading = false;
    showMarks();
}

void FlagsTab::showMarks() {
    const AppState& state = m_context.services.state;
    const Baseline& baseline = m_context.vars.Compare;
    const int address = m_item == 0 ? -1 : itemAddress(state.EcuItemTable[static_cast<size_t>(m_item)]);
    const bool differs = address >= 0 && baseline.differs(state, address);
    const int was = differs ? baseline.byteAt(address) : 0;
    for (int bit = 0; bit < 8; ++bit) {
        const bool changed = differs && (((state.byteAt(address) ^ was) >> bit) & 1);
        setChangeMark(m_chkFlag[static_cast<size_t>(7 - bit)], changed,
                      (was >> bit) & 1 ? QStringLiteral("was on") : QStringLiteral("was off"));
    }
}

void FlagsTab::chkFlag_Click(int) {
    EditorState& vars = m_context.vars;
    if (m_item == 0 || vars.IsLoading) return;
    int b = 0;
    for (int i = 0; i < 8; ++i)
        if (m_chkFlag[static_cast<size_t>(i)]->isChecked()) b += 1 << (7 - i);
    AppState& state = m_context.services.state;
    const int address = itemAddress(state.EcuItemTable[static_cast<size_t>(m_item)]);
    recordEdit(vars.History, state, {{address, 1}}, [&] { StoreByte(state, address, b); });
    vars.IsSaved = false;
}

} // namespace korvel
