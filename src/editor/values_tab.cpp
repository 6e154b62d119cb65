#include "values_tab.h"

#include "core/app_state.h"
#include "core/change_list.h"
#include "core/value_edit.h"
#include "core/values.h"
#include "editor/values_item_list.h"
#include "editor/values_raw_box.h"
#include "widgets/named_controls.h"
#include "widgets/prompt.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace korvel {

ValuesTab::ValuesTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_cmb0Dim = new ValuesItemList(this);
    m_cmb0Dim->setObjectName(QStringLiteral("cmb0Dim"));
    m_lblValue_Xlabel = new QLabel(QStringLiteral("X Label"), this);
    m_lblValue_Xlabel->setObjectName(QStringLiteral("lblValue_Xlabel"));
    m_lblValue_Raw = new QLabel(QStringLiteral("Raw Hex"), this);
    m_lblValue_Raw->setObjectName(QStringLiteral("lblValue_Raw"));
    m_txtValue_Raw = new ValuesRawBox(this);
    m_txtValue_Raw->setObjectName(QStringLiteral("txtValue_Raw"));
    m_txtValue_Calc = new QLineEdit(this);
    m_txtValue_Calc->setObjectName(QStringLiteral("txtValue_Calc"));
    m_txtValue_Calc->setReadOnly(true);

    // Range -1..1 resting at 0: the up arrow moves to -1 (adds one), the down arrow to +1.
    m_scrValue = new QScrollBar(Qt::Vertical, this);
    m_scrValue->setObjectName(QStringLiteral("scrValue"));
    m_scrValue->setRange(-1, 1);
    m_scrValue->setSingleStep(1);
    m_scrValue->setPageStep(1);
    m_scrValue->setValue(0);
    // Clicking the stepper takes the focus, so text typed in the raw box is committed
    // before the step reads it.
    m_scrValue->setFocusPolicy(Qt::StrongFocus);
    m_scrValue->setMinimumHeight(48);
    ignoreWheel(m_scrValue);

    // The change mark's bold text and border would widen the boxes on the first edit and
    // push the stepper aside: both boxes keep the size that fits the marked face.
    const QSize plain = m_txtValue_Raw->sizeHint();
    setChangeMark(m_txtValue_Raw, true);
    const QSize boxSize = plain.expandedTo(m_txtValue_Raw->sizeHint());
    setChangeMark(m_txtValue_Raw, false);
    m_txtValue_Raw->setFixedSize(boxSize);
    m_txtValue_Calc->setFixedSize(boxSize);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_cmb0Dim, 0, 0, 1, 4);
    layout->addWidget(m_lblValue_Raw, 1, 0);
    layout->addWidget(m_txtValue_Raw, 1, 1);
    layout->addWidget(m_scrValue, 1, 2);
    layout->addWidget(m_txtValue_Calc, 2, 1);
    layout->addWidget(m_lblValue_Xlabel, 2, 2, 1, 2);
    layout->setColumnStretch(3, 1);
    layout->setRowStretch(3, 1);

    connect(m_cmb0Dim, &QComboBox::activated, this, &ValuesTab::cmb0Dim_Click);
    connect(m_cmb0Dim, &ValuesItemList::popupOpening, this, &ValuesTab::commitBeforeListOpens);
    connect(m_scrValue, &QScrollBar::valueChanged, this, &ValuesTab::scrValue_Change);
    connect(m_txtValue_Raw, &ValuesRawBox::left, this, &ValuesTab::txtValue_Raw_LostFocus);
    connect(m_txtValue_Raw, &ValuesRawBox::enterPressed, this, &ValuesTab::txtValue_Raw_LostFocus);
    connect(m_txtValue_Raw, &ValuesRawBox::escapePressed, this, [this] {
        if (const EcuItem* item = chosenItem()) restoreRawText(*item);
    });
}

QComboBox* ValuesTab::itemList() const {
    return m_cmb0Dim;
}

void ValuesTab::clearVars() {
    m_item = 0;
    m_cmb0Dim->setCurrentIndex(-1);
    m_txtValue_Raw->clear();
    m_txtValue_Calc->clear();
}

const EcuItem* ValuesTab::chosenItem() const {
    if (m_item <= 0 || m_item > kMaxItems) return nullptr;
    return &m_context.services.state.EcuItemTable[static_cast<size_t>(m_item)];
}

void ValuesTab::cmb0Dim_Click() {
    EditorState& vars = m_context.vars;
    AppState& state = m_context.services.state;
    m_item = 0;
    const int index = m_cmb0Dim->currentIndex();
    if (index < 0 || index >= static_cast<int>(vars.ValueItems.size())) return;
    const int number = vars.ValueItems[static_cast<size_t>(index)];
    if (number <= 0 || number > kMaxItems) return;
    const EcuItem& item = state.EcuItemTable[static_cast<size_t>(number)];
    if (const QString refusal = itemRefusal(state, item, ItemClass::Value); !refusal.isEmpty()) {
        // Nothing of a refused item is shown, so nothing stale can be stepped or committed.
        m_lblValue_Xlabel->clear();
        m_txtValue_Raw->clear();
        m_txtValue_Calc->clear();
        showMarks();
        m_context.services.prompt.message(refusal, Prompt::Icon::Critical);
        return;
    }
    m_item = number;
    m_lblValue_Xlabel->setText(item.XLabel);
    vars.IsLoading = true;
    vars.CommitPending = false;
    const int address = itemAddress(item);
    m_txtValue_Raw->setText(rawText(state, address, item.ByteSize));
    // An item without a calculated value (Factor 0) empties the box rather than leaving
    // the previous item's number beside this item's raw value.
    m_txtValue_Calc->setText(calculatedText(state, item, rawValue(state, address, item.ByteSize)));
    m_scrValue->setMaximum(1);
    m_scrValue->setMinimum(-1);
    m_scrValue->setValue(0); // any change handler raised here sees IsLoading and does nothing
    vars.IsLoading = false;
    showMarks();
}

void ValuesTab::scrValue_Change() {
    EditorState& vars = m_context.vars;
    bool commit = false;
    if (vars.CommitPending) {
        // The flag is cleared before the bar returns to rest: the handler run that the reset
        // raises is then a plain return to rest, and the text is committed once, here.
        vars.CommitPending = false;
        m_scrValue->setValue(0);
        commit = true;
    }
    if (vars.IsLoading) return;
    const EcuItem* item = chosenItem();
    if (!item) {
        // Before a choice a step reaches nothing; the bar goes back to rest.
        m_scrValue->setValue(0);
        return;
    }
    const int d = m_scrValue->value();
    if (d == 0 && !commit) return; // a return to rest is not a step

    AppState& state = m_context.services.state;
    const int n = item->ByteSize;
    const RawEntry entry = parseRawEntry(m_txtValue_Raw->text(), n);
    if (entry.outcome != RawEntry::Outcome::Value) {
        // Empty or not a number: nothing is written and the box shows the item's bytes again.
        restoreRawText(*item);
        m_scrValue->setValue(0);
        return;
    }
    const std::optional<quint64> next = steppedRaw(entry.value, d, n);
    if (!next) {
        // One past either end of n bytes: refused without a word.
        m_scrValue->setValue(0);
        return;
    }
    const int address = itemAddress(*item);
    recordEdit(vars.History, state, {{address, n}}, [&] { storeRawValue(state, address, n, *next); });
    m_txtValue_Raw->setText(hexNumber(*next));
    if (item->Factor != 0) m_txtValue_Calc->setText(calculatedText(state, *item, *next));
    m_scrValue->setValue(0);
    vars.IsSaved = false;
}

void ValuesTab::txtValue_Raw_LostFocus() {
    if (m_txtValue_Raw->text().isEmpty()) {
        m_scrValue->setValue(0);
        return;
    }
    if (const EcuItem* item = chosenItem()) {
        if (parseRawEntry(m_txtValue_Raw->text(), item->ByteSize).clamped)
            m_txtValue_Raw->setText(largestRawText(item->ByteSize));
    }
    m_context.vars.CommitPending = true;
    m_scrValue->setValue(1);
    // The bar rests at 0 between handler runs, so the line above always raises the
    // stepper handler; should it not have, no later step may be taken for a commit.
    m_context.vars.CommitPending = false;
}

void ValuesTab::restoreRawText(const EcuItem& item) {
    const AppState& state = m_context.services.state;
    const int address = itemAddress(item);
    m_txtValue_Raw->setText(rawText(state, address, item.ByteSize));
    if (item.Factor != 0)
        m_txtValue_Calc->setText(calculatedText(state, item, rawValue(state, address, item.ByteSize)));
}

void ValuesTab::reload() {
    // Text being typed stays; a committed text follows the image (after an undo, say).
    const bool typing = m_txtValue_Raw->hasFocus() && m_txtValue_Raw->isModified();
    if (const EcuItem* item = chosenItem(); item && !typing) restoreRawText(*item);
    showMarks();
}

void ValuesTab::showMarks() {
    const AppState& state = m_context.services.state;
    const Baseline& baseline = m_context.vars.Compare;
    const EcuItem* item = chosenItem();
    const int address = item ? itemAddress(*item) : 0;
    if (!item || !baseline.anyDiffers(state, address, item->ByteSize)) {
        setChangeMark(m_txtValue_Raw, false);
        return;
    }
    // A value reaching past the end of a shorter baseline has no old value to show.
    const auto was = baselineReading(baseline, *item, ItemClass::Value, state.NumericFormat);
    if (!was) {
        setChangeMark(m_txtValue_Raw, true, QStringLiteral("not in the other file"));
        return;
    }
    QString tip =
        QStringLiteral("was ") + hexNumber(was->raw[0]).rightJustified(2 * item->ByteSize, QLatin1Char('0'));
    if (was->text[0] && !was->text[0]->isEmpty()) tip += QStringLiteral(" (%1)").arg(*was->text[0]);
    setChangeMark(m_txtValue_Raw, true, tip);
}

void ValuesTab::commitBeforeListOpens() {
    // Normally the list takes the focus when clicked and the box has already committed;
    // where it does not, the typed text still goes to the item shown until now.
    if (m_txtValue_Raw->hasFocus()) txtValue_Raw_LostFocus();
}

void ValuesTab::commitTypedText() {
    // Typed text stays modified until it is committed or put back, also when the box lost
    // the focus to another window (the Changes view) without committing.
    if (m_txtValue_Raw->isModified()) txtValue_Raw_LostFocus();
}

} // namespace korvel
