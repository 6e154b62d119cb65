#pragma once

#include "core/table_values.h"
#include "editor/editor_context.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;

namespace korvel {

class TableMarks;
class LineGraph;
class TableGrid;
class TableEditing;
struct EcuItem;

// The editor's tab for one-dimensional tables as a grid: choose a table, switch between
// raw and calculated values, add or subtract one on the selected cells with the keys.
class ArraysTab : public QWidget {
    Q_OBJECT
public:
    explicit ArraysTab(EditorContext& context, QWidget* parent = nullptr);
    ~ArraysTab() override;

    QComboBox* itemList() const { return m_cmb1Dim; }
    TableGrid* grid() const { return m_grdLine; }
    // Copy, paste and table math on the grid.
    TableEditing* tableEditing() const { return m_editing; }
    // This tab's share of the editor's reset: empty choice, empty 2 x 2 grid, empty labels, counts 0.
    void clearVars();
    // Switches the grid's selection highlight (off on every change of tab).
    void setSelectionHighlight(bool on);

    // Handlers (the combo box's choice by the user runs cmb1Dim_Click).
    void cmb1Dim_Click();
    void cmdShowIn_1_Click();
    void grdLine_KeyDown(int keyCode);
    // Writes every value cell of grdLine and lblLine_Zlabel from ArrayValues.
    void Draw_Grid(int X_Size, int Y_Size);
    // Reads the table shown again from the image and redraws it (after another tab or the
    // checksum may have written into its bytes).
    void reload();
    // Marks and heat colours follow the baseline, the heat switch and edits made elsewhere.
    void showMarks();

private:
    const EcuItem* currentItem() const;
    // Forgets the table: counts 0, grid emptied to 2 x 2, labels emptied.
    void emptyTable();
    // The graph beside the grid: the table's values over its axis, in the mode shown.
    void drawGraph();

    EditorContext& m_context;
    TableEditing* m_editing = nullptr;
    std::unique_ptr<TableMarks> m_marks;
    // The table shown: its item (0 for none) and where its bytes lie.
    int m_itemNumber = 0;
    TableSpan m_span;

    QComboBox* m_cmb1Dim;
    TableGrid* m_grdLine;
    LineGraph* m_graphLine;
    QPushButton* m_cmdShowIn_1;
    QLabel* m_lblLine_Xlabel;
    QLabel* m_lblLine_Ylabel;
    QLabel* m_lblLine_Zlabel;
};

} // namespace korvel
