#include "item_trace.h"

#include "core/aldl_log.h"
#include "core/settings_file.h"
#include "widgets/named_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

namespace korvel {

ItemTrace::ItemTrace(SettingsFile& settings, QWidget* parent, QGridLayout* layout, int row)
    : QObject(parent), m_settings(settings) {
    m_panel = new QWidget(parent);
    m_panel->setObjectName(QStringLiteral("panItemLog"));
    auto* grid = new QGridLayout(m_panel);
    grid->setContentsMargins(0, 0, 0, 0);
    m_xColumn = new QComboBox(m_panel);
    m_xColumn->setObjectName(QStringLiteral("cmbItemTraceX"));
    m_yColumn = new QComboBox(m_panel);
    m_yColumn->setObjectName(QStringLiteral("cmbItemTraceY"));
    m_show = new QCheckBox(QStringLiteral("Averages of"), m_panel);
    m_show->setObjectName(QStringLiteral("chkItemAverages"));
    m_of = new QComboBox(m_panel);
    m_of->setObjectName(QStringLiteral("cmbItemAverageOf"));
    m_filtersText = new QLineEdit(m_panel);
    m_filtersText->setObjectName(QStringLiteral("txtItemFilters"));
    m_filtersText->setToolTip(QStringLiteral("Samples counted only where every condition holds, separated by "
                                             "\";\": a column, then >=, <=, >, <, = or !=, then a number"));
    m_minCount = new QSpinBox(m_panel);
    m_minCount->setObjectName(QStringLiteral("spnItemMinCount"));
    m_minCount->setRange(1, 100000);
    m_minCount->setValue(20);
    m_minCount->setToolTip(QStringLiteral("A cell with fewer samples shows no average and is not corrected"));
    m_factor = new QLineEdit(QStringLiteral("1/128"), m_panel);
    m_factor->setObjectName(QStringLiteral("txtItemFactor"));
    m_factor->setToolTip(QStringLiteral("Correct from averages: cell × mean × this factor"));
    m_correct = namedButton(m_panel, "cmdItemCorrect", QStringLiteral("Correct from averages"));
    m_status = namedLabel(m_panel, QStringLiteral("lblItemTrace"));
    // Of a fixed size, so a new text ten times a second lays nothing out again.
    m_status->setFixedSize(
        m_status->fontMetrics().horizontalAdvance(QStringLiteral("operating point: row 0000, column 0000")),
        m_status->sizeHint().height());
    grid->addWidget(new QLabel(QStringLiteral("Columns follow"), m_panel), 0, 0);
    grid->addWidget(m_xColumn, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("rows follow"), m_panel), 0, 2);
    grid->addWidget(m_yColumn, 0, 3);
    grid->addWidget(m_status, 0, 4, 1, 5);
    grid->addWidget(m_show, 1, 0);
    grid->addWidget(m_of, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("where"), m_panel), 1, 2);
    grid->addWidget(m_filtersText, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("at least"), m_panel), 1, 4);
    grid->addWidget(m_minCount, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("× factor"), m_panel), 1, 6);
    grid->addWidget(m_factor, 1, 7);
    grid->addWidget(m_correct, 1, 8);
    grid->setColumnStretch(3, 1);
    m_factor->setMaximumWidth(m_factor->fontMetrics().horizontalAdvance(QStringLiteral("0000/0000")));
    layout->addWidget(m_panel, row, 0, 1, 6);
    m_panel->hide();

    for (QComboBox* c : {m_xColumn, m_yColumn})
        connect(c, &QComboBox::activated, this, [this] {
            if (m_item)
                m_settings.WriteSetting(memoryKey(), m_xColumn->currentText() + QStringLiteral(" | ") +
                                                         m_yColumn->currentText());
            m_tail.clear();
            restartAverages();
        });
    connect(m_of, &QComboBox::activated, this, &ItemTrace::restartAverages);
    connect(m_show, &QCheckBox::toggled, this, &ItemTrace::restartAverages);
    connect(m_filtersText, &QLineEdit::editingFinished, this, &ItemTrace::restartAverages);
    connect(m_minCount, &QSpinBox::valueChanged, this, &ItemTrace::changed);
}

QString ItemTrace::memoryKey() const {
    return QStringLiteral("Trace Axes %1 %2").arg(m_definition, m_item ? m_item->id : QString());
}

void ItemTrace::setTable(const CalItem* item, const AxisLabels& x, const AxisLabels& y,
                         const QString& definition) {
    const bool same = item == m_item;
    m_item = item;
    m_definition = definition;
    m_xs = x.isText ? std::vector<std::optional<double>>{} : x.numbers;
    m_ys = y.isText ? std::vector<std::optional<double>>{} : y.numbers;
    if (same) return; // read again after an edit: the trace and the averages stay
    m_tail.clear();
    if (m_def) fillColumns(m_labels);
    restartAverages();
}

void ItemTrace::fillColumns(const QStringList& labels) {
    const auto fill = [&](QComboBox* c, const QString& link) {
        c->clear();
        c->addItem(QStringLiteral("(none)"));
        for (int i = 1; i < labels.size(); ++i)
            c->addItem(labels[i]);
        c->setCurrentIndex(m_item ? linkedIndex(labels, link) : 0);
    };
    fill(m_xColumn, m_item ? m_item->x.logLink : QString());
    fill(m_yColumn, m_item ? m_item->y.logLink : QString());
    // Without a link, the values picked for this item before.
    const QStringList picked =
        m_item ? m_settings.ReadSetting(memoryKey()).split(QStringLiteral(" | ")) : QStringList();
    if (picked.size() == 2)
        for (auto [box, text] : {std::pair(m_xColumn, picked[0]), std::pair(m_yColumn, picked[1])})
            if (box->currentIndex() == 0 && box->findText(text) > 0)
                box->setCurrentIndex(box->findText(text));
    const QString of = m_of->currentText();
    m_of->clear();
    for (int i = 1; i < labels.size(); ++i)
        m_of->addItem(labels[i]);
    // The block learn where the stream has one: its mean over 128 is the correction.
    int pick = m_of->findText(of);
    if (pick < 0)
        for (int i = 0; i < m_of->count() && pick < 0; ++i)
            if (m_of->itemText(i).contains(QLatin1String("learn"), Qt::CaseInsensitive) ||
                m_of->itemText(i).startsWith(QLatin1String("BLM")))
                pick = i;
    m_of->setCurrentIndex(std::max(pick, 0));
}

int ItemTrace::linkedIndex(const QStringList& labels, const QString& link) const {
    if (!m_def) return 0;
    const int column = linkedColumn(*m_def, link);
    if (column <= 0) return 0;
    const QStringList own = QStringList{QStringLiteral("Time (s)")} + AldlLogWriter(*m_def).labels();
    return std::max(int(labels.indexOf(own.value(column))), 0);
}

void ItemTrace::restartAverages() {
    m_averages.reset();
    m_filters.clear();
    if (m_item && m_show->isChecked()) {
        std::vector<double> xs, ys;
        for (const auto& v : m_xs)
            xs.push_back(v.value_or(std::numeric_limits<double>::quiet_NaN()));
        for (const auto& v : m_ys)
            ys.push_back(v.value_or(std::numeric_limits<double>::quiet_NaN()));
        xs.resize(size_t(m_item->columns), std::numeric_limits<double>::quiet_NaN());
        ys.resize(size_t(m_item->rows), std::numeric_limits<double>::quiet_NaN());
        // An array's one row (or column) takes every sample, whatever follows that axis.
        if (m_item->columns == 1) xs = {0};
        if (m_item->rows == 1) ys = {0};
        m_averages = std::make_unique<CellAverages>(xs, ys);
        QStringList problems;
        for (const QString& f : m_filtersText->text().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            QString error;
            if (auto filter = readLogFilter(f.trimmed(), m_labels, error))
                m_filters.push_back(*filter);
            else
                problems << error;
        }
        m_filtersText->setStyleSheet(problems.isEmpty() ? QString() : QStringLiteral("color: #C62828"));
        m_filtersText->setToolTip(problems.join(QLatin1Char('\n')));
    }
    emit changed();
}

void ItemTrace::take(const std::shared_ptr<const AdxDefinition>& def, const AdxDecoded& decoded,
                     double seconds) {
    if (def != m_def || m_ownLabels.isEmpty())
        m_ownLabels = QStringList{QStringLiteral("Time (s)")} + AldlLogWriter(*def).labels();
    takeRow(m_ownLabels, logRow(*def, decoded, seconds), def);
}

void ItemTrace::takeRow(const QStringList& labels, const std::vector<std::optional<double>>& row,
                        const std::shared_ptr<const AdxDefinition>& def) {
    if (def != m_def || labels != m_labels) {
        m_def = def;
        m_labels = labels;
        fillColumns(m_labels);
        m_filtersText->setText(defaultAverageFilters(m_labels.mid(1)).join(QStringLiteral("; ")));
        m_panel->show();
        restartAverages();
    }
    if (!m_item) return;
    const auto column = [&](const QComboBox* c) {
        const int i = c->currentIndex();
        return i > 0 && size_t(i) < row.size() ? row[size_t(i)] : std::nullopt;
    };
    const std::optional<double> x = column(m_xColumn), y = column(m_yColumn);
    const auto cell = operatingCell(m_xs, m_ys, x, y, m_item->columns, m_item->rows);
    if (cell && (m_tail.empty() || !(m_tail.front() == *cell))) {
        m_tail.push_front(*cell);
        if (m_tail.size() > size_t(kTail)) m_tail.pop_back();
    }
    const std::optional<double> ax = m_item->columns == 1 ? std::optional(0.0) : x,
                                ay = m_item->rows == 1 ? std::optional(0.0) : y;
    if (m_averages && ax && ay) {
        const int z = m_of->currentIndex() + 1;
        if (size_t(z) < row.size() && row[size_t(z)] &&
            std::all_of(m_filters.begin(), m_filters.end(),
                        [&](const LogFilter& f) { return f.passes(row); }))
            m_averages->add(*ax, *ay, *row[size_t(z)]);
    }
    const QString where = cell ? QStringLiteral("operating point: row %1, column %2")
                                     .arg(m_item->rows - cell->r)
                                     .arg(cell->c + 1)
                               : QStringLiteral("no operating point");
    if (m_status->text() != where) {
        m_status->setText(where);
        m_status->setToolTip(cell ? QString()
                                  : QStringLiteral("Pick the logged values the columns and the rows follow"));
    }
    emit changed();
}

std::optional<QColor> ItemTrace::traceColour(int c, int r) const {
    for (size_t k = 0; k < m_tail.size(); ++k)
        if (m_tail[k] == TableCell{c, r}) {
            // The operating point solid, the cells before it ever nearer white (opaque, so the
            // grid picks a readable text colour for each).
            static constexpr int kStrength[kTail] = {255, 150, 105, 75, 50, 30};
            const auto mix = [&](int full) { return 255 + (full - 255) * kStrength[k] / 255; };
            return QColor(mix(0x15), mix(0x65), mix(0xC0));
        }
    return std::nullopt;
}

bool ItemTrace::averagesShown() const {
    return m_averages != nullptr;
}

std::optional<double> ItemTrace::mean(int c, int r) const {
    return m_averages ? m_averages->mean(c, r, m_minCount->value()) : std::nullopt;
}

std::vector<std::optional<double>>
ItemTrace::corrected(const std::vector<std::optional<double>>& cells) const {
    const auto f = factor();
    if (!m_averages || !f) return std::vector<std::optional<double>>(cells.size());
    return m_averages->corrected(cells, m_minCount->value(), *f);
}

int ItemTrace::minCount() const {
    return m_minCount->value();
}

int ItemTrace::count(int c, int r) const {
    return m_averages ? m_averages->count(c, r) : 0;
}

std::optional<double> ItemTrace::factor() const {
    const QString t = m_factor->text().trimmed();
    bool ok = false;
    if (const qsizetype slash = t.indexOf(QLatin1Char('/')); slash > 0) {
        bool okB = false;
        const double a = t.left(slash).toDouble(&ok), b = t.mid(slash + 1).toDouble(&okB);
        if (ok && okB && b != 0) return a / b;
        return std::nullopt;
    }
    const double v = t.toDouble(&ok);
    return ok ? std::optional(v) : std::nullopt;
}

} // namespace korvel
