#pragma once

#include "table_grid_model.h"

#include <QTableView>

namespace korvel {

// A cell grid with one fixed row (row 0) and one fixed column (column 0) for headings,
// which stay in view when the cells scroll.
// Value cells can be selected with the mouse and the keyboard (shift and control
// extend the selection); the selection's highlight can be switched off while the
// selection itself stays. Keys are reported with their key codes before the grid
// moves its current cell; cells are never edited in place.
class TableGrid : public QTableView {
    Q_OBJECT
public:
    explicit TableGrid(QWidget* parent = nullptr);

    int rows() const;
    int cols() const;
    void setRows(int rows);
    void setCols(int cols);

    // The width of the fixed column (the row headings), at least.
    void setHeadingColumnWidth(int width);

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    // Empties the cells of rows 0..rows and columns 0..cols that exist.
    void clearTexts(int rows, int cols);

    // What value cells look like beyond their texts (change marks, heat colours); asked
    // while the grid paints. refreshLooks asks again for every cell.
    void setLooks(CellLooks looks);
    void refreshLooks();

    // Whether a cell lies in the user's selection.
    bool isCellSelected(int row, int col) const;
    void setSelectionHighlight(bool on);
    bool selectionHighlight() const { return m_highlight; }

    // Announces a run of text changes once at its end; nests.
    class Bulk {
    public:
        explicit Bulk(TableGrid& grid);
        ~Bulk();
        Bulk(const Bulk&) = delete;
        Bulk& operator=(const Bulk&) = delete;

    private:
        TableGridModel& m_model;
    };

    // The key code of a key press: the main keyboard's "=" / "+" key is 187 and its "-"
    // key 189, with or without shift; the keypad's plus and minus are 107 and 109; letters, digits, arrows
    // and the other keys carry their usual virtual-key codes where they have one.
    static int keyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers);

signals:
    void keyDown(int keyCode);
    void focusGained();
    void focusLost();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Typing must not jump to a cell whose text starts with the letter.
    void keyboardSearch(const QString&) override {}

private:
    void hideFixedCells();

    TableGridModel* m_model;
    bool m_highlight = true;
};

} // namespace korvel
