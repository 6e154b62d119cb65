#include "table_grid.h"

#include "table_grid_model.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace korvel {

namespace {

// Paints a changed cell's frame over its background, and leaves selected cells looking
// like the others while the grid's selection highlight is off.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TableGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!index.data(kChangedRole).toBool()) return;
        painter->save();
        painter->setPen(QPen(kChangedFrame, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!m_grid->selectionHighlight()) option->state &= ~QStyle::State_Selected;
    }

private:
    TableGrid* m_grid;
};

} // namespace

TableGrid::TableGrid(QWidget* parent) : QTableView(parent), m_model(new TableGridModel(this)) {
    setModel(m_model);
    setItemDelegate(new CellDelegate(this));
    // Row 0 and column 0 are shown by the headers, which stay in view while the cells
    // scroll; their own cells are hidden. Headers take no clicks: a heading is never
    // selected, and neither is the whole table through the corner.
    for (QHeaderView* h : {horizontalHeader(), verticalHeader()}) {
        h->setSectionsClickable(false);
        h->setHighlightSections(false);
    }
    setCornerButtonEnabled(false);
    // Item scrolling miscounts with the hidden heading cells and leaves a sliver of the
    // previous column beside the headings; pixel scrolling lines the cells up with them.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalHeader()->setDefaultSectionSize(40);
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setMinimumSectionSize(10);
    verticalHeader()->setMinimumSectionSize(10);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setRows(2);
    setCols(2);
}

int TableGrid::rows() const {
    return m_model->rowCount();
}
int TableGrid::cols() const {
    return m_model->columnCount();
}
void TableGrid::setRows(int rows) {
    m_model->setSize(rows, m_model->columnCount());
    hideFixedCells();
}
void TableGrid::setCols(int cols) {
    m_model->setSize(m_model->rowCount(), cols);
    hideFixedCells();
}
void TableGrid::hideFixedCells() {
    if (m_model->rowCount() > 0 && !isRowHidden(0)) setRowHidden(0, true);
    if (m_model->columnCount() > 0 && !isColumnHidden(0)) setColumnHidden(0, true);
}
void TableGrid::setHeadingColumnWidth(int width) {
    setColumnWidth(0, width);
    verticalHeader()->setMinimumWidth(width);
}
QString TableGrid::text(int row, int col) const {
    return m_model->text(row, col);
}
void TableGrid::setText(int row, int col, const QString& text) {
    m_model->setText(row, col, text);
}

void TableGrid::clearTexts(int rows, int cols) {
    Bulk bulk(*this);
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c)
            m_model->setText(r, c, QString());
}

void TableGrid::setLooks(CellLooks looks) {
    m_model->setLooks(std::move(looks));
}

void TableGrid::refreshLooks() {
    m_model->refreshLooks();
}

bool TableGrid::isCellSelected(int row, int col) const {
    const QModelIndex i = m_model->index(row, col);
    return i.isValid() && selectionModel()->isSelected(i);
}

void TableGrid::setSelectionHighlight(bool on) {
    m_highlight = on;
    QPalette p = palette();
    const QPalette base = QPalette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        // Without the highlight, selected cells look like the others; the selection stays.
        p.setColor(g, QPalette::Highlight,
                   on ? base.color(g, QPalette::Highlight) : base.color(g, QPalette::Base));
        p.setColor(g, QPalette::HighlightedText,
                   on ? base.color(g, QPalette::HighlightedText) : base.color(g, QPalette::Text));
    }
    setPalette(p);
    viewport()->update();
}

TableGrid::Bulk::Bulk(TableGrid& grid) : m_model(*grid.m_model) {
    m_model.beginBulk();
}
TableGrid::Bulk::~Bulk() {
    m_model.endBulk();
}

int TableGrid::keyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (qtKey) {
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return keypad ? 107 : 187;
    case Qt::Key_Minus:
        return keypad ? 109 : 189;
    case Qt::Key_Underscore:
        return 189; // the "-" key with shift
    case Qt::Key_Asterisk:
        return keypad ? 106 : 56;
    case Qt::Key_Slash:
        return keypad ? 111 : 191;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    default:
        break;
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return keypad ? 96 + (qtKey - Qt::Key_0) : qtKey;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
    return 0;
}

void TableGrid::keyPressEvent(QKeyEvent* event) {
    emit keyDown(keyCodeOf(event->key(), event->modifiers()));
    QTableView::keyPressEvent(event);
}

void TableGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    emit focusGained();
}

void TableGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    emit focusLost();
}

} // namespace korvel
