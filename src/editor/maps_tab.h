#pragma once

#include "core/table_values.h"
#include "editor/editor_context.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace korvel {

class TableMarks;
class PictureBox;
class TableGrid;
class TableEditing;
struct EcuItem;

// The editor's tab for two-dimensional maps: a grid of the map's cells and a turnable
// wire-mesh surface of them. The four steppers (and dragging and the wheel on the
// picture) turn, pan and zoom the view; the keys add or subtract one on the selected cells.
class MapsTab : public QWidget {
    Q_OBJECT
public:
    explicit MapsTab(EditorContext& context, QWidget* parent = nullptr);
    ~MapsTab() override;

    QComboBox* itemList() const { return m_cmb2Dim; }
    TableGrid* grid() const { return m_grdMap; }
    // Copy, paste and table math on the grid.
    TableEditing* tableEditing() const { return m_editing; }
    PictureBox* picture() const { return m_picMap; }
    // This tab's share of the editor's reset: empty choice, empty 2 x 2 grid, empty
    // labels, counts and MapXMax / MapYMax 0, steppers 0.
    void clearVars();
    // Switches the grid's selection highlight (off on every change of tab).
    void setSelectionHighlight(bool on);
    // Draw_Map with the current map's state.
    void redrawMap();
    // Reads the map shown again from the image (the caller redraws it).
    void reload();
    // Marks and heat colours follow the baseline, the heat switch and edits made elsewhere.
    void showMarks();

    // Handlers (the combo box's choice by the user runs cmb2Dim_Click; the steppers'
    // value changes run their _Change handlers with the new value).
    void cmb2Dim_Click();
    void cmdShowIn_2_Click();
    void grdMap_KeyDown(int keyCode);
    void scrRotAngle_Change(int v);
    void scrPanHor_Change(int v);
    void scrPanVer_Change(int v);
    void scrZoom_Change(int v);
    // Draws the surface into picMap, then writes every value cell of grdMap and lblMap_Zlabel.
    void Draw_Map(int X_Size, int Y_Size, double X_Max, double Y_Max, double Z_Max);

private:
    const EcuItem* currentItem() const;
    // Forgets the map: counts 0, grid emptied to 2 x 2, labels and boxes emptied.
    void emptyMap();
    void fillGrid(int cols, int rows);
    // Moves a stepper as the user would, so its handler runs.
    static void step(QScrollBar* stepper, int v);

    EditorContext& m_context;
    TableEditing* m_editing = nullptr;
    std::unique_ptr<TableMarks> m_marks;
    // The map shown: its item (0 for none) and where its bytes lie.
    int m_itemNumber = 0;
    TableSpan m_span;

    QComboBox* m_cmb2Dim;
    TableGrid* m_grdMap;
    PictureBox* m_picMap;
    QPushButton* m_cmdShowIn_2;
    QScrollBar* m_scrRotAngle;
    QScrollBar* m_scrZoom;
    QScrollBar* m_scrPanHor;
    QScrollBar* m_scrPanVer;
    QLineEdit* m_txtStart3D;
    QLineEdit* m_txtRow3D;
    QLineEdit* m_txtCol3D;
    QLabel* m_lblMap_Xlabel;
    QLabel* m_lblMap_Ylabel;
    QLabel* m_lblMap_Zlabel;
};

} // namespace korvel
