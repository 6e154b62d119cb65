#pragma once

#include <QDialog>

class QLabel;
class QTreeWidget;

namespace korvel {

struct AppState;
class Baseline;

// What differs between the image and its baseline: every item that differs (title, class,
// address, raw and calculated before -> after), the items that cannot be compared, and the
// differing bytes that belong to no item. Choosing a row (double click or Enter) asks for it
// to be opened. The list is read again with refresh().
class frmChanges : public QDialog {
    Q_OBJECT
public:
    frmChanges(const AppState& state, const Baseline& baseline, QWidget* parent = nullptr);

    void refresh();

signals:
    void itemChosen(int number);
    void byteChosen(int address);

private:
    const AppState& m_state;
    const Baseline& m_baseline;
    QLabel* m_lblChanges;
    QTreeWidget* m_lstChanges;
};

} // namespace korvel
