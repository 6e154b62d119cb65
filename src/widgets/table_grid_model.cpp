#include "table_grid_model.h"

#include "heat_palette.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace korvel {

TableGridModel::TableGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int TableGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int TableGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_cols;
}

QVariant TableGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !contains(index.row(), index.column())) return {};
    const bool fixed = index.row() == 0 || index.column() == 0;
    const auto look = [&](bool withToolTip = false) {
        return fixed || !m_looks ? CellLook{} : m_looks(index.row(), index.column(), withToolTip);
    };
    switch (role) {
    case Qt::DisplayRole:
        return m_texts[at(index.row(), index.column())];
    case Qt::BackgroundRole: {
        if (fixed) return QGuiApplication::palette().button();
        const CellLook l = look();
        if (l.fill.isValid()) return l.fill;
        if (l.changed) return kChangedFill;
        return {};
    }
    case Qt::ForegroundRole: {
        const CellLook l = look();
        if (l.fill.isValid()) return legibleTextOn(l.fill);
        if (l.changed) return QColor(Qt::black);
        return {};
    }
    case Qt::FontRole: {
        if (!look().changed) return {};
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    case Qt::ToolTipRole:
        return look(true).toolTip;
    case kChangedRole:
        return look().changed;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(fixed ? Qt::Alignment(Qt::AlignCenter)
                                         : Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    default:
        return {};
    }
}

Qt::ItemFlags TableGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (index.row() == 0 || index.column() == 0) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant TableGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole) return orientation == Qt::Horizontal ? text(0, section) : text(section, 0);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

void TableGridModel::setSize(int rows, int cols) {
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    if (rows == m_rows && cols == m_cols) return;
    std::vector<QString> texts(static_cast<size_t>(rows) * static_cast<size_t>(cols));
    for (int r = 0; r < std::min(rows, m_rows); ++r)
        for (int c = 0; c < std::min(cols, m_cols); ++c)
            texts[static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c)] =
                std::move(m_texts[at(r, c)]);
    beginResetModel();
    m_rows = rows;
    m_cols = cols;
    m_texts = std::move(texts);
    endResetModel();
}

QString TableGridModel::text(int row, int col) const {
    return contains(row, col) ? m_texts[at(row, col)] : QString();
}

void TableGridModel::setText(int row, int col, const QString& text) {
    if (!contains(row, col)) return;
    m_texts[at(row, col)] = text;
    if (m_bulkDepth > 0) {
        m_bulkChanged = true;
        return;
    }
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {Qt::DisplayRole});
    if (row == 0) emit headerDataChanged(Qt::Horizontal, col, col);
    if (col == 0) emit headerDataChanged(Qt::Vertical, row, row);
}

void TableGridModel::setLooks(CellLooks looks) {
    m_looks = std::move(looks);
    refreshLooks();
}

void TableGridModel::refreshLooks() {
    if (m_rows > 1 && m_cols > 1) emit dataChanged(index(1, 1), index(m_rows - 1, m_cols - 1));
}

void TableGridModel::beginBulk() {
    ++m_bulkDepth;
}

void TableGridModel::endBulk() {
    if (m_bulkDepth == 0 || --m_bulkDepth > 0) return;
    if (m_bulkChanged && m_rows > 0 && m_cols > 0) {
        emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1), {Qt::DisplayRole});
        emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
        emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
    }
    m_bulkChanged = false;
}

} // namespace korvel
