#include "item_tab.h"

#include "core/app_state.h"
#include "core/edit_history.h"
#include "core/map_surface.h"
#include "core/projection.h"
#include "core/table_cells.h"
#include "core/table_text.h"
#include "core/value_matrix.h"
#include "editor/item_trace.h"
#include "editor/table_editing.h"
#include "widgets/heat_palette.h"
#include "widgets/named_controls.h"
#include "widgets/picture_box.h"
#include "widgets/prompt.h"
#include "widgets/table_grid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <cmath>
#include <limits>

namespace korvel {

namespace {

QString layoutText(const ElementLayout& l) {
    QString t = QStringLiteral("%1-bit").arg(8 * l.bytes);
    if (l.isSigned) t += QStringLiteral(" signed");
    if (l.bytes > 1)
        t += l.order == ByteOrder::LsbFirst ? QStringLiteral(", low byte first")
                                            : QStringLiteral(", high byte first");
    return t;
}

} // namespace

ItemTab::ItemTab(EditorContext& context, ItemClass cls, QWidget* parent)
    : QWidget(parent), m_context(context), m_cls(cls) {
    m_list = new QComboBox(this);
    m_list->setObjectName(QStringLiteral("cmbItem"));
    m_list->setMaxVisibleItems(30);
    m_info = namedLabel(this, QStringLiteral("lblItemInfo"));
    m_info->setWordWrap(true);
    m_info->setTextFormat(Qt::PlainText);
    m_info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_list, 0, 0, 1, 6);
    layout->addWidget(m_info, 1, 0, 1, 6);
    if (cls == ItemClass::Flag) {
        m_flag = new QCheckBox(this);
        m_flag->setObjectName(QStringLiteral("chkItem"));
        layout->addWidget(m_flag, 2, 0, 1, 6);
        layout->setRowStretch(3, 1);
        connect(m_flag, &QCheckBox::toggled, this, &ItemTab::flagToggled);
    } else if (cls == ItemClass::Value) {
        buildValueControls();
    } else {
        buildTableControls();
    }
    connect(m_list, &QComboBox::activated, this, [this] {
        commitTypedText();
        choose();
    });
}

ItemTab::~ItemTab() = default;

void ItemTab::buildValueControls() {
    auto* layout = static_cast<QGridLayout*>(this->layout());
    m_value = new QLineEdit(this);
    m_value->setObjectName(QStringLiteral("txtItemValue"));
    m_raw = new QLineEdit(this);
    m_raw->setObjectName(QStringLiteral("txtItemRaw"));
    m_units = namedLabel(this, QStringLiteral("lblItemUnits"));
    m_minus = namedButton(this, "cmdItemMinus", QStringLiteral("−"));
    m_plus = namedButton(this, "cmdItemPlus", QStringLiteral("+"));
    m_minus->setToolTip(QStringLiteral("One raw count down"));
    m_plus->setToolTip(QStringLiteral("One raw count up"));
    for (QLineEdit* box : {m_value, m_raw})
        box->setMinimumWidth(160);
    layout->addWidget(new QLabel(QStringLiteral("Value"), this), 2, 0);
    layout->addWidget(m_value, 2, 1);
    layout->addWidget(m_units, 2, 2);
    layout->addWidget(new QLabel(QStringLiteral("Raw"), this), 3, 0);
    layout->addWidget(m_raw, 3, 1);
    layout->addWidget(m_minus, 3, 2);
    layout->addWidget(m_plus, 3, 3);
    layout->setColumnStretch(5, 1);
    layout->setRowStretch(4, 1);
    connect(m_value, &QLineEdit::editingFinished, this, [this] { commitValue(m_value, true); });
    connect(m_raw, &QLineEdit::editingFinished, this, [this] { commitValue(m_raw, false); });
    connect(m_minus, &QPushButton::clicked, this, [this] { stepValue(-1); });
    connect(m_plus, &QPushButton::clicked, this, [this] { stepValue(1); });
}

void ItemTab::setItems(const Definition* def, std::vector<int> items) {
    m_def = def;
    m_items = std::move(items);
    m_current = -1;
    m_list->clear();
    for (int i : m_items) {
        const CalItem& item = def->items[size_t(i)];
        m_list->addItem(item.readOnlyReason.isEmpty()
                            ? item.title.trimmed()
                            : item.title.trimmed() + QStringLiteral(" (read-only)"));
    }
    m_list->setCurrentIndex(-1);
    reload();
}

const CalItem* ItemTab::current() const {
    return m_def && m_current >= 0 && m_current < int(m_def->items.size()) ? &m_def->items[size_t(m_current)]
                                                                           : nullptr;
}

bool ItemTab::openItem(int index) {
    const auto at = std::find(m_items.begin(), m_items.end(), index);
    if (at == m_items.end()) return false;
    commitTypedText();
    m_list->setCurrentIndex(int(at - m_items.begin()));
    choose();
    return true;
}

void ItemTab::choose() {
    const int i = m_list->currentIndex();
    m_current = i >= 0 && i < int(m_items.size()) ? m_items[size_t(i)] : -1;
    reload();
}

void ItemTab::showInfo(const CalItem& item, const QString& trouble) {
    QStringList facts;
    if (!item.units.trimmed().isEmpty()) facts << item.units.trimmed();
    facts << layoutText(item.layout) << QStringLiteral("at %1").arg(addressText(item.address));
    if (m_cls == ItemClass::Array || m_cls == ItemClass::Map)
        facts << QStringLiteral("%1 × %2").arg(item.rows).arg(item.columns);
    if (!item.category.isEmpty()) facts << item.category;
    QString text = facts.join(QStringLiteral(" · "));
    if (!item.description.trimmed().isEmpty()) text += QLatin1Char('\n') + item.description.trimmed();
    if (!trouble.isEmpty()) text += QStringLiteral("\nRead-only: ") + trouble;
    m_info->setText(text);
}

void ItemTab::reload() {
    const CalItem* item = current();
    const AppState& state = m_context.services.state;
    m_loading = true;
    m_cells = item ? readCells(*m_def, *item, fileBytes(state)) : CellReading{};
    const QString readOnly = item ? itemEditRefusal(state, *item) : QString();
    const bool editable = item && readOnly.isEmpty() && m_cells.error.isEmpty();
    if (item)
        showInfo(*item, !m_cells.error.isEmpty() ? m_cells.error : readOnly);
    else
        m_info->clear();
    const bool shown = item && !m_cells.bits.empty();
    if (m_flag) {
        m_flag->setText(item ? item->title.trimmed() : QString());
        m_flag->setChecked(shown && item->flagSet(m_cells.bits[0]));
        m_flag->setEnabled(editable);
        m_flag->setVisible(item != nullptr);
    }
    if (m_value) {
        // Text being typed stays; a committed one follows the image (after an undo, say).
        for (QLineEdit* box : {m_value, m_raw})
            if (!(box->hasFocus() && box->isModified())) {
                const bool calc = box == m_value;
                box->setText(!shown ? QString()
                             : calc ? cellValueText(*item, m_cells, 0, 0)
                                    : rawText(m_cells.bits[0], item->layout));
                box->setModified(false);
            }
        m_units->setText(item ? item->units.trimmed() : QString());
        for (QWidget* w : {static_cast<QWidget*>(m_value), static_cast<QWidget*>(m_raw),
                           static_cast<QWidget*>(m_minus), static_cast<QWidget*>(m_plus)})
            w->setEnabled(editable);
    }
    m_loading = false;
    if (m_grid) {
        fillGrid();
        drawSurface();
    }
    showMarks();
}

void ItemTab::store(const CalItem& item, const std::vector<Write>& writes) {
    AppState& state = m_context.services.state;
    if (writes.empty()) return;
    if (recordEdit(m_context.vars.History, state, {{int(item.address), int(item.byteCount())}}, [&] {
            for (const Write& w : writes)
                storeCell(state, item, w.r, w.c, w.bits);
        }))
        m_context.vars.IsSaved = false;
    reload();
}

void ItemTab::commitValue(QLineEdit* box, bool calculated) {
    if (m_loading || !box->isModified()) return;
    box->setModified(false);
    const CalItem* item = current();
    if (!item || m_cells.bits.empty() || !itemEditRefusal(m_context.services.state, *item).isEmpty()) return;
    const QString typed = box->text();
    if (typed.trimmed().isEmpty()) {
        reload(); // nothing typed: the box shows the item again
        return;
    }
    QString why;
    const auto bits = typedCellBits(typed, *item, m_cells, 0, 0, calculated, why);
    if (!bits) {
        reload();
        m_context.services.prompt.message(QStringLiteral("%1 was not changed: %2").arg(itemName(*item), why),
                                          Prompt::Icon::Critical);
        return;
    }
    store(*item, {{0, 0, *bits}});
}

void ItemTab::stepValue(int delta) {
    commitTypedText();
    const CalItem* item = current();
    if (!item || m_cells.bits.empty() || !itemEditRefusal(m_context.services.state, *item).isEmpty()) return;
    // One past either end of the raw range does nothing.
    if (const auto next = stepRaw(m_cells.bits[0], delta, item->layout)) store(*item, {{0, 0, *next}});
}

void ItemTab::flagToggled(bool on) {
    const CalItem* item = current();
    if (m_loading || !item || m_cells.bits.empty()) return;
    if (!itemEditRefusal(m_context.services.state, *item).isEmpty()) {
        reload();
        return;
    }
    store(*item, {{0, 0, item->withFlag(m_cells.bits[0], on)}});
}

bool ItemTab::differs(const CalItem& item) const {
    const qint64 first = item.address, count = item.byteCount();
    if (first < 0 || first + count > std::numeric_limits<int>::max()) return false;
    return m_context.vars.Compare.anyDiffers(m_context.services.state, int(first), int(count));
}

void ItemTab::showMarks() {
    const CalItem* item = current();
    const bool changed = item && differs(*item);
    QString tip;
    if (changed && !m_cells.bits.empty() && (m_flag || m_value)) {
        const CellReading was = readCells(*m_def, *item, baselineBytes(m_context.vars.Compare));
        tip = was.bits.empty() ? QStringLiteral("not in the other file")
              : m_flag         ? QStringLiteral("was ") +
                             (item->flagSet(was.bits[0]) ? QStringLiteral("set") : QStringLiteral("clear"))
                       : QStringLiteral("was %1 (raw %2)")
                             .arg(cellValueText(*item, was, 0, 0), rawText(was.bits[0], item->layout));
    }
    if (m_flag) setChangeMark(m_flag, changed, tip);
    if (m_value) setChangeMark(m_value, changed, tip);
    if (m_grid) m_grid->refreshLooks();
    markList();
}

void ItemTab::markList() {
    QFont bold;
    bold.setBold(true);
    for (int i = 0; i < int(m_items.size()) && i < m_list->count(); ++i) {
        const bool d = differs(m_def->items[size_t(m_items[size_t(i)])]);
        if (m_list->itemData(i, Qt::FontRole).isValid() != d)
            m_list->setItemData(i, d ? QVariant(bold) : QVariant(), Qt::FontRole);
    }
}

void ItemTab::commitTypedText() {
    if (m_value) {
        commitValue(m_value, true);
        commitValue(m_raw, false);
    }
}

} // namespace korvel
