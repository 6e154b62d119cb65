// The table tabs of the item model: the grid, the surface, the steps of selected cells, and
// the logged data's trace and averages with their correction.
#include "editor/item_tab.h"

#include "core/app_state.h"
#include "core/edit_history.h"
#include "core/map_surface.h"
#include "core/projection.h"
#include "core/table_cells.h"
#include "core/table_text.h"
#include "core/value_matrix.h"
#include "editor/item_trace.h"
#include "editor/table_editing.h"
#include "widgets/heat_palette.h"
#include "widgets/named_controls.h"
#include "widgets/picture_box.h"
#include "widgets/prompt.h"
#include "widgets/table_grid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <cmath>
#include <limits>

namespace korvel {

void ItemTab::buildTableControls() {
    auto* layout = static_cast<QGridLayout*>(this->layout());
    m_showRaw = new QCheckBox(QStringLiteral("Show raw values"), this);
    m_showRaw->setObjectName(QStringLiteral("chkItemRaw"));
    m_grid = new TableGrid(this);
    m_grid->setObjectName(QStringLiteral("grdItem"));
    m_grid->setLooks([this](int row, int col, bool withToolTip) {
        CellLook l;
        const CalItem* item = current();
        const int c = col - 1, r = item ? item->rows - row : -1;
        if (!item || m_cells.bits.empty() || c < 0 || c >= item->columns || r < 0 || r >= item->rows)
            return l;
        const AppState& state = m_context.services.state;
        const Baseline& b = m_context.vars.Compare;
        const qint64 at = item->cellAddress(r, c);
        for (int k = 0; k < item->layout.bytes && !l.changed; ++k)
            l.changed = at + k <= std::numeric_limits<int>::max() && b.differs(state, int(at + k));
        if (m_context.vars.HeatMap && m_heatLow <= m_heatHigh) {
            const double x = shownAt(size_t(r * item->columns + c)), v = std::isnan(x) ? 0 : x;
            l.fill = heatColour(m_heatHigh > m_heatLow ? (v - m_heatLow) / (m_heatHigh - m_heatLow) : 0.5);
        }
        if (const auto trace = m_trace->traceColour(c, r)) l.fill = *trace;
        if (withToolTip && m_trace->count(c, r) > 0)
            l.toolTip =
                QStringLiteral("%1 samples").arg(m_trace->count(c, r)) +
                (m_trace->mean(c, r) ? QStringLiteral(", mean %1").arg(*m_trace->mean(c, r), 0, 'f', 2)
                                     : QString());
        if (l.changed && withToolTip) {
            const CellReading was = readCells(*m_def, *item, baselineBytes(b));
            const QString tip =
                was.bits.empty() ? QStringLiteral("not in the other file")
                : m_showRaw->isChecked()
                    ? QStringLiteral("was ") + rawText(was.bits[size_t(r * item->columns + c)], item->layout)
                    : QStringLiteral("was ") + cellValueText(*item, was, r, c);
            l.toolTip = l.toolTip.isEmpty() ? tip : tip + QLatin1Char('\n') + l.toolTip;
        }
        return l;
    });
    layout->addWidget(m_showRaw, 2, 0, 1, 6);
    if (m_cls == ItemClass::Map) {
        m_picture = new PictureBox(this);
        m_picture->setObjectName(QStringLiteral("picItem"));
        m_picture->setBackground(Qt::white);
        m_picture->setScaleWindow(kMapWindowReset);
        m_angle = new QScrollBar(Qt::Horizontal, this);
        m_angle->setObjectName(QStringLiteral("scrItemAngle"));
        m_angle->setRange(0, 359);
        m_angle->setValue(30);
        m_angle->setToolTip(QStringLiteral("Turn the surface"));
        m_surfaceValues = std::make_unique<ValueMatrix>();
        layout->addWidget(m_grid, 3, 0, 1, 3);
        layout->addWidget(m_picture, 3, 3, 1, 3);
        layout->addWidget(m_angle, 4, 3, 1, 3);
        layout->setColumnStretch(1, 3);
        layout->setColumnStretch(4, 2);
        connect(m_angle, &QScrollBar::valueChanged, this, &ItemTab::drawSurface);
        connect(m_picture, &PictureBox::dragSteps, this,
                [this](int steps) { m_angle->setValue((m_angle->value() - steps + 3600) % 360); });
    } else {
        layout->addWidget(m_grid, 3, 0, 1, 6);
    }
    layout->setRowStretch(3, 1);
    m_trace = new ItemTrace(m_context.services.settings, this, layout, 5);
    // Logged data arrives ten times a second, a replayed log thousands of rows at once: the grid
    // shows them at most every 50 ms.
    auto* repaint = new QTimer(this);
    repaint->setSingleShot(true);
    repaint->setInterval(50);
    connect(repaint, &QTimer::timeout, this, [this] {
        // The means beside the values (the columns keep their widths until the table is read again).
        if (m_trace->averagesShown()) showMeans();
        // Only the cells the trace leaves or reaches are painted again.
        if (const CalItem* item = current()) {
            for (const std::deque<TableCell>* cells : {&std::as_const(m_gridTail), &m_trace->tail()})
                for (const TableCell& t : *cells)
                    m_grid->viewport()->update(
                        m_grid->visualRect(m_grid->model()->index(item->rows - t.r, t.c + 1)));
            m_gridTail = m_trace->tail();
        }
        // The surface's rings move only when the trace does.
        if (m_trace->tail() != m_surfaceTail) drawSurface();
    });
    connect(m_trace, &ItemTrace::changed, repaint, [repaint] {
        if (!repaint->isActive()) repaint->start();
    });
    connect(m_trace->correctButton(), &QPushButton::clicked, this, &ItemTab::correctFromAverages);
    connect(m_showRaw, &QCheckBox::toggled, this, [this] {
        fillGrid();
        drawSurface();
    });
    connect(m_grid, &TableGrid::keyDown, this, [this](int keyCode) {
        if (keyCode == kKeyCodePlus) stepSelectedCells(1);
        if (keyCode == kKeyCodeMinus) stepSelectedCells(-1);
    });
    m_editing = new TableEditing(
        m_context, m_grid,
        [this] {
            TableEditing::Shown shown;
            shown.cells = [this]() -> std::unique_ptr<TableCells> {
                const CalItem* item = current();
                if (!item) return nullptr;
                const AppState& state = m_context.services.state;
                const ImageBytes image = fileBytes(state);
                CellReading cells = readCells(*m_def, *item, image);
                if (!cells.error.isEmpty()) return nullptr;
                // A read-only item can be copied; paste and table math say why not.
                const QString readOnly = itemEditRefusal(state, *item);
                return std::make_unique<ItemTableCells>(
                    *item, std::move(cells), axisLabels(*m_def, item->x, image),
                    axisLabels(*m_def, item->y, image), !m_showRaw->isChecked(),
                    readOnly.isEmpty() ? QString() : QStringLiteral("This item is read-only: ") + readOnly);
            };
            return shown;
        },
        [this] { reload(); });
}

void ItemTab::fillGrid() {
    const CalItem* item = current();
    const TableGrid::Bulk bulk(*m_grid);
    if (!item || m_cells.bits.empty()) {
        m_heatLow = 0;
        m_heatHigh = -1;
        m_trace->setTable(nullptr, {}, {});
        m_grid->setRows(1);
        m_grid->setCols(1);
        return;
    }
    const ImageBytes image = fileBytes(m_context.services.state);
    const AxisLabels x = axisLabels(*m_def, item->x, image), y = axisLabels(*m_def, item->y, image);
    m_trace->setTable(item, x, y, m_def->title.isEmpty() ? m_context.services.state.EcuPath : m_def->title);
    const bool raw = m_showRaw->isChecked();
    m_grid->setRows(item->rows + 1);
    m_grid->setCols(item->columns + 1);
    QString corner;
    if (!item->y.units.isEmpty() || !item->x.units.isEmpty())
        corner = item->y.units.trimmed() + QStringLiteral(" \\ ") + item->x.units.trimmed();
    m_grid->setText(0, 0, corner);
    for (int c = 0; c < item->columns; ++c)
        m_grid->setText(0, c + 1, axisHeading(x, item->x, c));
    for (int r = 0; r < item->rows; ++r) {
        m_grid->setText(item->rows - r, 0, axisHeading(y, item->y, r));
    }
    // The heat map's range, once per reading rather than once per painted cell.
    m_heatLow = std::numeric_limits<double>::infinity();
    m_heatHigh = -m_heatLow;
    for (size_t i = 0; i < m_cells.bits.size(); ++i)
        if (const double v = shownAt(i); !std::isnan(v)) {
            m_heatLow = std::min(m_heatLow, v);
            m_heatHigh = std::max(m_heatHigh, v);
        }
    m_cellTexts.clear();
    for (int r = 0; r < item->rows; ++r)
        for (int c = 0; c < item->columns; ++c)
            m_cellTexts.push_back(raw ? rawText(m_cells.bits[size_t(r * item->columns + c)], item->layout)
                                      : cellValueText(*item, m_cells, r, c));
    showMeans();
    // Every number whole in its column, however wide the element's values run.
    m_grid->resizeColumnsToContents();
}

double ItemTab::shownAt(size_t i) const {
    return m_showRaw->isChecked() ? rawNumber(m_cells.bits[i], current()->layout)
                                  : m_cells.values[i].value_or(std::nan(""));
}

void ItemTab::showMeans() {
    const CalItem* item = current();
    if (!item || m_cellTexts.size() != size_t(item->cellCount())) return;
    const TableGrid::Bulk bulk(*m_grid);
    // The last row on top, as every table grid shows them; with the averages shown, a cell with
    // enough samples carries its mean.
    for (int r = 0; r < item->rows; ++r)
        for (int c = 0; c < item->columns; ++c) {
            QString text = m_cellTexts[size_t(r * item->columns + c)];
            if (const auto mean = m_trace->mean(c, r)) text += QStringLiteral(" ‹%1›").arg(*mean, 0, 'f', 1);
            if (m_grid->text(item->rows - r, c + 1) != text) m_grid->setText(item->rows - r, c + 1, text);
        }
}

void ItemTab::drawSurface() {
    if (!m_picture) return;
    const CalItem* item = current();
    m_picture->clear();
    if (!item || m_cells.bits.empty() || item->columns > ValueMatrix::kSize ||
        item->rows > ValueMatrix::kSize)
        return;
    // The surface rises from the lowest value shown (the range fillGrid found).
    const double low = m_heatLow, high = m_heatHigh;
    const auto at = [&](int r, int c) { return shownAt(size_t(r * item->columns + c)); };
    // Heights from the lowest value shown (0) to the highest (100), whatever the units.
    const double span = high > low ? high - low : 1;
    for (int r = 0; r < item->rows; ++r)
        for (int c = 0; c < item->columns; ++c) {
            const double v = at(r, c);
            m_surfaceValues->set(c, r, std::isnan(v) || low > high ? 0.0 : (v - low) / span * 100);
        }
    MapSurfaceInput in;
    in.values = m_surfaceValues.get();
    in.cols = item->columns;
    in.rows = item->rows;
    in.xMax = std::max(1, item->columns - 1);
    in.yMax = std::max(1, item->rows - 1);
    in.zMax = 100;
    in.angle = m_angle->value();
    drawMapSurface(m_picture->surface(), in);
    // The trace: a ring around the operating point and smaller ones around the cells before it.
    const Projection p(in.angle);
    m_picture->surface().setLineWidth(2);
    const auto& tail = m_surfaceTail = m_trace->tail();
    for (size_t k = 0; k < tail.size(); ++k) {
        const double x = tail[k].c / in.xMax * 100, y = tail[k].r / in.yMax * 100,
                     z = m_surfaceValues->at(tail[k].c, tail[k].r) / in.zMax * 80;
        m_picture->surface().circle(p.x(x, y, z), p.y(x, y, z), k == 0 ? 4 : 2);
    }
    m_picture->update();
}

void ItemTab::stepSelectedCells(int delta) {
    const CalItem* item = current();
    if (!item || m_cells.bits.empty()) return;
    if (const QString why = itemEditRefusal(m_context.services.state, *item); !why.isEmpty()) {
        m_context.services.prompt.message(QStringLiteral("This item is read-only: ") + why,
                                          Prompt::Icon::Critical);
        return;
    }
    std::vector<Write> writes;
    for (int r = 0; r < item->rows; ++r)
        for (int c = 0; c < item->columns; ++c)
            if (m_grid->isCellSelected(item->rows - r, c + 1))
                if (const auto next =
                        stepRaw(m_cells.bits[size_t(r * item->columns + c)], delta, item->layout))
                    writes.push_back({r, c, *next});
    store(*item, writes);
}

void ItemTab::takeCycle(const std::shared_ptr<const AdxDefinition>& def, const AdxDecoded& decoded,
                        double seconds) {
    if (m_trace) m_trace->take(def, decoded, seconds);
}

void ItemTab::takeRow(const QStringList& labels, const std::vector<std::optional<double>>& row,
                      const std::shared_ptr<const AdxDefinition>& def) {
    if (m_trace) m_trace->takeRow(labels, row, def);
}

void ItemTab::correctFromAverages() {
    const CalItem* item = current();
    Prompt& prompt = m_context.services.prompt;
    if (!m_trace || !item || m_cells.bits.empty()) return;
    if (const QString why = itemEditRefusal(m_context.services.state, *item); !why.isEmpty()) {
        prompt.message(QStringLiteral("This item is read-only: ") + why, Prompt::Icon::Critical);
        return;
    }
    if (!m_trace->factor()) {
        prompt.message(QStringLiteral("The factor is not a number (or a fraction such as 1/128)."),
                       Prompt::Icon::Critical);
        return;
    }
    // From the image as it is now (another tab or the checksum may have written into the table).
    m_cells = readCells(*m_def, *item, fileBytes(m_context.services.state));
    if (m_cells.bits.empty()) return;
    // Through the rounding and the limits of table math: the nearest raw value of each cell,
    // a result past what the cell holds clamped to its end and counted.
    const ItemTableCells cells(*item, m_cells, {}, {}, true);
    const std::vector<std::optional<double>> next = m_trace->corrected(m_cells.values);
    std::vector<Write> writes;
    int clamped = 0;
    for (int r = 0; r < item->rows; ++r)
        for (int c = 0; c < item->columns; ++c)
            if (const auto& v = next[size_t(r * item->columns + c)])
                if (const auto raw = cells.nearest(c, r, *v)) {
                    clamped += raw->beyond;
                    writes.push_back({r, c, raw->bits});
                }
    if (writes.empty()) {
        prompt.message(
            QStringLiteral("No cell has an average of at least %1 samples.").arg(m_trace->minCount()));
        return;
    }
    store(*item, writes);
    if (clamped > 0)
        prompt.message(QStringLiteral("%1 of %2 corrected cells were clamped to what they hold (%3).")
                           .arg(clamped)
                           .arg(writes.size())
                           .arg(cells.reach(0, 0)),
                       Prompt::Icon::Information);
}

} // namespace korvel
