#include "browser_view.h"

#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace korvel {

namespace {
// Entry rows keep their index into the entries; category rows keep -1.
constexpr int kEntryRole = Qt::UserRole;

// The keys that move up and down pass over the category headings to the nearest entry, so the
// current row is an entry (selected, described, ready for Enter) wherever the keys go.
class ItemTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        const QModelIndex from = currentIndex();
        QModelIndex to = QTreeWidget::moveCursor(action, modifiers);
        const bool down =
            action == MoveDown || action == MovePageDown || action == MoveHome || action == MoveNext;
        const bool up =
            action == MoveUp || action == MovePageUp || action == MoveEnd || action == MovePrevious;
        while ((up || down) && to.isValid() && to.data(kEntryRole).toInt() < 0) {
            to = up ? indexAbove(to) : indexBelow(to);
            if (!to.isValid()) return from; // no entry that way: stay
        }
        return to;
    }
};

} // namespace

frmBrowser::frmBrowser(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmBrowser"));
    setWindowTitle(QStringLiteral("Items"));
    m_txtFilter = new QLineEdit(this);
    m_txtFilter->setObjectName(QStringLiteral("txtFilter"));
    m_txtFilter->setPlaceholderText(QStringLiteral("Filter by title or description"));
    m_txtFilter->setClearButtonEnabled(true);
    m_txtFilter->installEventFilter(this);
    m_tvwItems = new ItemTree(this);
    m_tvwItems->setObjectName(QStringLiteral("tvwItems"));
    m_tvwItems->setHeaderHidden(true);
    m_tvwItems->setUniformRowHeights(true); // thousands of rows lay out without measuring each
    m_lblDescription = new QLabel(this);
    m_lblDescription->setObjectName(QStringLiteral("lblDescription"));
    m_lblDescription->setWordWrap(true);
    m_lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblDescription->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblDescription->setMinimumHeight(4 * fontMetrics().lineSpacing());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_txtFilter);
    layout->addWidget(m_tvwItems, 1);
    layout->addWidget(m_lblDescription);
    resize(380, 560);

    connect(m_txtFilter, &QLineEdit::textChanged, this, &frmBrowser::txtFilter_Change);
    connect(m_txtFilter, &QLineEdit::returnPressed, this, [this] { choose(m_tvwItems->currentItem()); });
    connect(m_tvwItems, &QTreeWidget::itemActivated, this, &frmBrowser::choose);
    connect(m_tvwItems, &QTreeWidget::currentItemChanged, this, &frmBrowser::showDescription);
}

void frmBrowser::setEntries(std::vector<BrowseEntry> entries) {
    m_tvwItems->clear();
    m_entries = std::move(entries);
    m_texts.clear();
    m_rows.clear();
    m_hidden.clear();
    m_categoryOf.clear();
    m_categories.clear();
    QHash<QString, size_t> byName;
    QList<QTreeWidgetItem*> nodes;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const BrowseEntry& e = m_entries[i];
        auto found = byName.constFind(e.category);
        if (found == byName.cend()) {
            auto* node = new QTreeWidgetItem;
            node->setData(0, kEntryRole, -1);
            node->setFlags(Qt::ItemIsEnabled); // a heading: never selected, never chosen
            nodes << node;
            found = byName.insert(e.category, m_categories.size());
            m_categories.push_back(
                {e.category.isEmpty() ? QStringLiteral("(no category)") : e.category, node, 0});
        }
        auto* row = new QTreeWidgetItem(m_categories[*found].node);
        row->setText(0, e.title);
        row->setData(0, kEntryRole, static_cast<int>(i));
        if (!e.description.isEmpty()) row->setToolTip(0, e.description);
        m_rows.push_back(row);
        m_hidden.push_back(false);
        m_categoryOf.push_back(*found);
        m_texts.push_back(browseText(e));
    }
    m_tvwItems->addTopLevelItems(nodes);
    m_tvwItems->expandAll();
    txtFilter_Change();
}

void frmBrowser::txtFilter_Change() {
    const QStringList words = browseWords(m_txtFilter->text());
    for (Category& c : m_categories)
        c.shown = 0;
    m_shown = 0;
    // Only rows whose state changes are touched: a keystroke that narrows a narrow list is cheap.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const bool match = browseMatches(m_texts[i], words);
        if (m_hidden[i] == match) m_rows[i]->setHidden(m_hidden[i] = !match);
        if (match) ++m_categories[m_categoryOf[i]].shown, ++m_shown;
    }
    for (const Category& c : m_categories) {
        c.node->setHidden(c.shown == 0);
        c.node->setText(0, QStringLiteral("%1 (%2)").arg(c.name).arg(c.shown));
        // What was typed for is shown even in a category the user folded.
        if (!words.isEmpty() && c.shown > 0) c.node->setExpanded(true);
    }
    QTreeWidgetItem* current = m_tvwItems->currentItem();
    if (!current || current->isHidden() || current->data(0, kEntryRole).toInt() < 0) {
        const auto first = std::find(m_hidden.begin(), m_hidden.end(), false);
        m_tvwItems->setCurrentItem(first == m_hidden.end() ? nullptr
                                                           : m_rows[size_t(first - m_hidden.begin())]);
    }
    if (m_tvwItems->currentItem()) m_tvwItems->scrollToItem(m_tvwItems->currentItem());
    showDescription();
}

void frmBrowser::showDescription() {
    const QTreeWidgetItem* row = m_tvwItems->currentItem();
    const int i = row && !row->isHidden() ? row->data(0, kEntryRole).toInt() : -1;
    if (i < 0) {
        m_lblDescription->clear();
        return;
    }
    const BrowseEntry& e = m_entries[static_cast<size_t>(i)];
    QStringList lines{e.details, e.description};
    lines.removeAll(QString());
    m_lblDescription->setText(lines.join(QStringLiteral("\n\n")));
}

void frmBrowser::choose(QTreeWidgetItem* row) {
    const int i = row && !row->isHidden() ? row->data(0, kEntryRole).toInt() : -1;
    if (i >= 0) emit itemChosen(m_entries[static_cast<size_t>(i)].key);
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event) {
    // Up and down in the filter box move through the tree, so the keys never leave the box.
    if (watched == m_txtFilter && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
            QKeyEvent copy(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(m_tvwItems, &copy);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace korvel
