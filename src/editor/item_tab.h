#pragma once

#include "core/adx_decoder.h"
#include "core/cal_item.h"
#include "core/item_cells.h"
#include "core/log_trace.h"
#include "editor/editor_context.h"

#include <QWidget>

#include <deque>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace korvel {

class ItemTrace;
class PictureBox;
class TableGrid;
class TableEditing;
class ValueMatrix;

// One tab of the editor for the items of a definition read into the item model (XDF): flags
// (one box each), values, arrays or maps, as `cls` says. Cells of 1 to 8 bytes, signed or
// not, in either byte and storage order; grids show calculated values unless raw ones are
// asked for; every edit is one undo step through StoreByte, so marks, compare and Live
// follow it as they follow the other tabs.
class ItemTab : public QWidget {
    Q_OBJECT
public:
    ItemTab(EditorContext& context, ItemClass cls, QWidget* parent = nullptr);
    ~ItemTab() override;

    // The items this tab lists: indexes into the definition's items, in list order.
    void setItems(const Definition* def, std::vector<int> items);
    const std::vector<int>& items() const { return m_items; }
    QComboBox* itemList() const { return m_list; }
    // The grid of an array or map tab (null otherwise), and its copy, paste and table math.
    TableGrid* grid() const { return m_grid; }
    TableEditing* tableEditing() const { return m_editing; }

    // Shows item `index` (of the definition) as if chosen from the list; false when this tab
    // does not list it.
    bool openItem(int index);
    // Reads the item shown again from the image; marks follow.
    void reload();
    // Marks what differs from the baseline: the cells, the boxes and the list entries.
    void showMarks();
    // A typed value not yet committed goes to its item.
    void commitTypedText();
    // One monitor cycle of logged data (`seconds` from the first): the table tabs trace the
    // operating point and average the chosen value.
    void takeCycle(const std::shared_ptr<const AdxDefinition>& def, const AdxDecoded& decoded,
                   double seconds);
    // One row of a replayed log (see ItemTrace::takeRow).
    void takeRow(const QStringList& labels, const std::vector<std::optional<double>>& row,
                 const std::shared_ptr<const AdxDefinition>& def);
    // Writes cell x mean x factor into every cell with enough samples, as one undo step.
    void correctFromAverages();

private:
    const CalItem* current() const;
    void choose();
    void buildValueControls();
    void buildTableControls();
    void showInfo(const CalItem& item, const QString& trouble);
    // Stores cells as one undo step: (row, column, bits) each.
    struct Write {
        int r, c;
        quint64 bits;
    };
    void store(const CalItem& item, const std::vector<Write>& writes);
    // A value typed in the calculated or the raw box.
    void commitValue(QLineEdit* box, bool calculated);
    void stepValue(int delta);
    void flagToggled(bool on);
    void stepSelectedCells(int delta);
    // The grid's headings and texts, the columns sized to them.
    void fillGrid();
    // The cells' texts with their means, where the averages give one.
    void showMeans();
    // Cell i (row-major) of the item shown, in the mode shown; NaN where it has no value.
    double shownAt(size_t i) const;
    void drawSurface();
    void markList();
    // The bytes the item covers differ from the baseline's (any of them).
    bool differs(const CalItem& item) const;

    EditorContext& m_context;
    ItemClass m_cls;
    const Definition* m_def = nullptr;
    std::vector<int> m_items;
    int m_current = -1; // index into the definition's items
    CellReading m_cells;
    bool m_loading = false;

    QComboBox* m_list = nullptr;
    QLabel* m_info = nullptr;
    QCheckBox* m_flag = nullptr;
    QLineEdit* m_value = nullptr;
    QLineEdit* m_raw = nullptr;
    QLabel* m_units = nullptr;
    QPushButton* m_minus = nullptr;
    QPushButton* m_plus = nullptr;
    QCheckBox* m_showRaw = nullptr;
    TableGrid* m_grid = nullptr;
    TableEditing* m_editing = nullptr;
    ItemTrace* m_trace = nullptr;
    PictureBox* m_picture = nullptr;
    QScrollBar* m_angle = nullptr;
    std::unique_ptr<ValueMatrix> m_surfaceValues;
    std::deque<TableCell> m_surfaceTail;   // the trace as the surface last drew it
    std::deque<TableCell> m_gridTail;      // and as the grid last painted it
    std::vector<QString> m_cellTexts;      // the cells' texts as read, row-major
    double m_heatLow = 0, m_heatHigh = -1; // the heat map's range over the cells as read
};

} // namespace korvel
