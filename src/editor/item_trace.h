#pragma once

#include "core/adx_decoder.h"
#include "core/cal_item.h"
#include "core/cell_averages.h"
#include "core/item_cells.h"
#include "core/log_trace.h"

#include <QColor>
#include <QObject>

#include <deque>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace korvel {

class SettingsFile;

// The logged data on a table tab of the item model: the cell nearest the operating point with a
// short tail of the cells before it, fading out, and the mean of a chosen logged value per cell
// (with filters and a minimum count) for "Correct from averages". Its controls appear with the
// first cycle of logged data. The logged values that move along the axes are the ones the
// definition links to them, else the ones the user picks.
class ItemTrace : public QObject {
    Q_OBJECT
public:
    static constexpr int kTail = 6; // cells shown: the operating point and the five before it

    // The logged values picked for axes without a link are remembered in `settings`, per
    // definition and item.
    ItemTrace(SettingsFile& settings, QWidget* parent, QGridLayout* layout, int row);

    // The table shown (null for none) with its axes' labels: the trace and the averages start again.
    // `definition` names the definition for the remembered picks (its title or file).
    void setTable(const CalItem* item, const AxisLabels& x, const AxisLabels& y,
                  const QString& definition = {});
    // One monitor cycle of the data window, `seconds` from its first.
    void take(const std::shared_ptr<const AdxDefinition>& def, const AdxDecoded& decoded, double seconds);
    // One row of logged data, its columns named by `labels` ("Time (s)" first), as a replayed log
    // gives it; `def` (may be null) tells which columns the axes' links name.
    void takeRow(const QStringList& labels, const std::vector<std::optional<double>>& row,
                 const std::shared_ptr<const AdxDefinition>& def);

    // The colour of cell (c, r) on the trace: strongest at the operating point; nothing when the
    // cell is not on it.
    std::optional<QColor> traceColour(int c, int r) const;
    // The cell's mean, when the averages are shown and it has enough samples.
    std::optional<double> mean(int c, int r) const;
    int count(int c, int r) const;
    // The factor "Correct from averages" multiplies by cell x mean (1/128 unless typed); nothing
    // when the typed text is not a number or a fraction.
    std::optional<double> factor() const;
    bool averagesShown() const;
    // The cells' new calculated values by their means (row-major, row 0 first); nothing where a
    // cell is left as it is.
    std::vector<std::optional<double>> corrected(const std::vector<std::optional<double>>& cells) const;
    int minCount() const;

    QPushButton* correctButton() const { return m_correct; }
    // The cells of the trace, the operating point first.
    const std::deque<TableCell>& tail() const { return m_tail; }

signals:
    // The trace or the averages changed: the grid paints them again.
    void changed();

private:
    void restartAverages();
    void fillColumns(const QStringList& labels);
    // The column of `labels` the axis link names: through the definition's own labels.
    int linkedIndex(const QStringList& labels, const QString& link) const;
    QString memoryKey() const;

    SettingsFile& m_settings;
    QString m_definition;

    const CalItem* m_item = nullptr;
    std::vector<std::optional<double>> m_xs, m_ys;
    std::deque<TableCell> m_tail;
    std::unique_ptr<CellAverages> m_averages;
    std::vector<LogFilter> m_filters;
    QStringList m_labels;    // of the logged data taken last, "Time (s)" first
    QStringList m_ownLabels; // of the data stream definition's log
    std::shared_ptr<const AdxDefinition> m_def;

    QWidget* m_panel = nullptr;
    QComboBox* m_xColumn = nullptr;
    QComboBox* m_yColumn = nullptr;
    QCheckBox* m_show = nullptr;
    QComboBox* m_of = nullptr;
    QLineEdit* m_filtersText = nullptr;
    QSpinBox* m_minCount = nullptr;
    QLineEdit* m_factor = nullptr;
    QPushButton* m_correct = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace korvel
