#pragma once

#include "core/hex_window.h"
#include "editor/editor_context.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace korvel {

class PictureBox;
class TableGrid;

// The editor's tab of raw bytes: a hex grid of the image's first 32 KiB, filled on
// demand, and a byte window (start, columns, rows) drawn twice: as a mesh turned by the
// editor's rotation angle (picHexMap) and as a flat side view (picHexLine).
class HexTab : public QWidget {
    Q_OBJECT
public:
    explicit HexTab(EditorContext& context, QWidget* parent = nullptr);

    // Fills grdHex with the addresses and bytes of the first min(BinSize, 32784) cells,
    // 16 to a row, under the busy pointer.
    void Pop_Hex();
    // Loads the boxes' window into HexValues and draws both pictures; leaves them as
    // they are when a divisor comes out 0. Bytes past the image load as 0.
    void RedrawHex();
    // The grid's bytes that differ from the baseline are marked again.
    void showMarks();
    // Once the grid has been filled, its bytes are read again (other tabs write into them).
    void reload();
    // Brings the grid's cell of `address` into view and makes it current, filling the grid
    // first when it does not reach that far yet (past the first 32 KiB too, until the next
    // press of Populate Chart).
    void showAddress(int address);
    // The turned mesh at the current RotationAngle, on picHexMap.
    void Draw_Hex_Map(int X_Size, int Y_Size, double X_Max, double Y_Max);
    // The same steps at angle 0 on picHexLine (the divisors stay those of the current
    // angle); RotationAngle is put back afterwards.
    void Draw_Hex_Line(int X_Size, int Y_Size, double X_Max, double Y_Max);

    // Handlers. A box's LostFocus is its stepper's step with v = 0.
    void cmdPopulate_Click() {
        m_rowsAsked = 0;
        Pop_Hex();
    }
    void txtStart_LostFocus();
    void txtCols_LostFocus();
    void txtRows_LostFocus();
    void vscStart_Change(int v);
    void vscCols_Change(int v);
    void vscRows_Change(int v);
    void hscHexMap_Change(int v);

    // The largest projected x and smallest projected y of the last redraw.
    double hexXMax() const { return m_hexXMax; }
    double hexYMin() const { return m_hexYMin; }

private:
    void buildControls();
    void setGridWidths();
    QLineEdit* box(HexBox which) const;
    // Runs one box's handler: applies or refuses the change, then redraws.
    void changeBox(HexBox which, int v);

    EditorContext& m_context;
    // The texts in force; a refused change puts the box's text back to these.
    HexWindowTexts m_accepted;
    double m_hexXMax = 0;
    double m_hexYMin = 0;

    TableGrid* m_grdHex;
    QPushButton* m_cmdPopulate;
    bool m_populated = false;
    // The grid row of the furthest byte showAddress asked for; Pop_Hex fills at least to it.
    int m_rowsAsked = 0;
    QLabel* m_lblLimit;
    PictureBox* m_picHexMap;
    PictureBox* m_picHexLine;
    QScrollBar* m_hscHexMap;
    QLineEdit* m_txtStart;
    QLineEdit* m_txtCols;
    QLineEdit* m_txtRows;
    QScrollBar* m_vscStart;
    QScrollBar* m_vscCols;
    QScrollBar* m_vscRows;
};

} // namespace korvel
