#pragma once

#include "core/item_browse.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvel {

// The item browser: every item of the definition in a tree by category, narrowed as the user
// types in the filter box (every word of it must occur in the title or the description,
// whatever the case), with the chosen entry's details and description below. Choosing an
// entry (double click, Enter, or Enter in the filter box for the current one) hands its key
// back through itemChosen. A category with no match is hidden; each shows its count.
class frmBrowser : public QDialog {
    Q_OBJECT
public:
    explicit frmBrowser(QWidget* parent = nullptr);

    // Lists these entries instead; the filter typed stays and applies to them.
    void setEntries(std::vector<BrowseEntry> entries);
    // Shows what the filter text matches (runs on every change of txtFilter).
    void txtFilter_Change();
    // How many entries the filter lets through.
    int shownCount() const { return m_shown; }

signals:
    void itemChosen(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Category {
        QString name;
        QTreeWidgetItem* node = nullptr;
        int shown = 0;
    };
    void showDescription();
    void choose(QTreeWidgetItem* row);

    std::vector<BrowseEntry> m_entries;
    std::vector<QString> m_texts;         // what each entry is searched in
    std::vector<QTreeWidgetItem*> m_rows; // each entry's row, owned by the tree
    std::vector<bool> m_hidden;           // each entry's row is hidden by the filter
    std::vector<size_t> m_categoryOf;     // each entry's index into m_categories
    std::vector<Category> m_categories;
    int m_shown = 0;

    QLineEdit* m_txtFilter;
    QTreeWidget* m_tvwItems;
    QLabel* m_lblDescription;
};

} // namespace korvel
