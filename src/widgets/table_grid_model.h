#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <functional>
#include <vector>

namespace korvel {

// How a value cell looks beyond its text.
struct CellLook {
    bool changed = false; // differs from what it is compared with: bold text in a marked frame
    QColor fill;          // a colour of its own (the heat map's); invalid for the grid's
    QString toolTip;      // filled only when it is asked for
};
// Asked while the grid paints, for value cells only; `withToolTip` when the tool tip is wanted.
using CellLooks = std::function<CellLook(int row, int col, bool withToolTip)>;

// The role under which a value cell tells whether it carries a change mark.
inline constexpr int kChangedRole = Qt::UserRole + 1;
// The background of a changed cell without a colour of its own.
inline const QColor kChangedFill{0xFF, 0xE0, 0xB2};
// The frame of a changed cell, visible on every heat colour.
inline const QColor kChangedFrame{0xD8, 0x1B, 0x60};

// The texts of a cell grid whose row 0 and column 0 are fixed (headings): those cells
// are shown in the control face colour and cannot be selected. Texts are kept when the
// grid is resized, as far as the cells remain.
class TableGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The fixed row and column are shown by the view's headers, so they stay in view when
    // the cells scroll: horizontal section c shows cell (0, c), vertical section r cell (r, 0).
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setSize(int rows, int cols);
    // Empty text for a cell outside the grid.
    QString text(int row, int col) const;
    // A cell outside the grid is ignored.
    void setText(int row, int col, const QString& text);

    // While a bulk change runs, cell changes are announced once, at its end.
    void beginBulk();
    void endBulk();

    void setLooks(CellLooks looks);
    // The looks of every cell may have changed: the view asks again.
    void refreshLooks();

private:
    bool contains(int row, int col) const { return row >= 0 && col >= 0 && row < m_rows && col < m_cols; }
    size_t at(int row, int col) const {
        return static_cast<size_t>(row) * static_cast<size_t>(m_cols) + static_cast<size_t>(col);
    }

    int m_rows = 0;
    int m_cols = 0;
    std::vector<QString> m_texts;
    int m_bulkDepth = 0;
    bool m_bulkChanged = false;
    CellLooks m_looks;
};

} // namespace korvel
