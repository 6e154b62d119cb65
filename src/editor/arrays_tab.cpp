#include "arrays_tab.h"

#include "core/app_state.h"
#include "core/grid_text.h"
#include "core/values.h"
#include "editor/table_editing.h"
#include "editor/table_marks.h"
#include "widgets/line_graph.h"
#include "widgets/named_controls.h"
#include "widgets/prompt.h"
#include "widgets/table_grid.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace korvel {

ArraysTab::ArraysTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_cmb1Dim = new QComboBox(this);
    m_cmb1Dim->setObjectName(QStringLiteral("cmb1Dim"));
    m_cmb1Dim->setMinimumContentsLength(30);
    m_grdLine = new TableGrid(this);
    m_grdLine->setObjectName(QStringLiteral("grdLine"));
    m_marks = std::make_unique<TableMarks>(m_context, *m_grdLine, TableKind::Array,
                                           m_context.vars.ArrayShowRaw, m_context.vars.ArrayValues);
    m_graphLine = new LineGraph(this);
    m_graphLine->setObjectName(QStringLiteral("graphLine"));
    m_cmdShowIn_1 = new QPushButton(QStringLiteral("Show in Calculated Values"), this);
    m_cmdShowIn_1->setObjectName(QStringLiteral("cmdShowIn_1"));
    m_lblLine_Xlabel = namedLabel(this, "lblLine_Xlabel", QStringLiteral("X Label"));
    m_lblLine_Ylabel = namedLabel(this, "lblLine_Ylabel", QStringLiteral("Y Label"));
    m_lblLine_Zlabel = namedLabel(this, "lblLine_Zlabel", QStringLiteral("Z Label"));
    auto* lblInstructions5 =
        namedLabel(this, "lblInstructions5", QStringLiteral("Highlight values to change"));
    auto* lblInstructions4 = namedLabel(this, "lblInstructions4", QStringLiteral("+ or = to increase"));
    auto* lblInstructions3 = namedLabel(this, "lblInstructions3", QStringLiteral("- to decrease"));

    auto* top = new QGridLayout;
    top->addWidget(m_cmb1Dim, 0, 0);
    top->addWidget(m_cmdShowIn_1, 0, 1);
    top->addWidget(m_lblLine_Zlabel, 1, 0, 1, 2);
    top->setColumnStretch(2, 1);
    auto* instructions = new QVBoxLayout;
    instructions->addWidget(lblInstructions5);
    instructions->addWidget(lblInstructions4);
    instructions->addWidget(lblInstructions3);
    instructions->addStretch();
    auto* middle = new QGridLayout;
    middle->addWidget(m_lblLine_Ylabel, 0, 0, Qt::AlignTop);
    middle->addWidget(m_grdLine, 0, 1);
    middle->addLayout(instructions, 0, 2);
    middle->addWidget(m_graphLine, 0, 3);
    middle->addWidget(m_lblLine_Xlabel, 1, 1, Qt::AlignHCenter);
    middle->setColumnStretch(1, 1);
    middle->setColumnStretch(3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);

    connect(m_cmb1Dim, &QComboBox::activated, this, [this] { cmb1Dim_Click(); });
    connect(m_cmdShowIn_1, &QPushButton::clicked, this, [this] { cmdShowIn_1_Click(); });
    connect(m_grdLine, &TableGrid::keyDown, this, [this](int code) { grdLine_KeyDown(code); });
    connect(m_grdLine, &TableGrid::focusGained, this, [this] { setSelectionHighlight(true); });
    connect(m_grdLine, &TableGrid::focusLost, this, [this] { setSelectionHighlight(false); });
    m_editing = new TableEditing(
        context, m_grdLine,
        [this] {
            return TableEditing::Shown{currentItem(),
                                       TableKind::Array,
                                       m_span,
                                       &m_context.vars.ArrayValues,
                                       m_context.vars.ArrayShowRaw,
                                       {}};
        },
        [this] { reload(); });
}

ArraysTab::~ArraysTab() = default;

void ArraysTab::showMarks() {
    m_marks->refresh();
}

const EcuItem* ArraysTab::currentItem() const {
    if (m_itemNumber < 1 || m_itemNumber > kMaxItems) return nullptr;
    return &m_context.services.state.EcuItemTable[static_cast<size_t>(m_itemNumber)];
}

void ArraysTab::emptyTable() {
    EditorState& vars = m_context.vars;
    m_grdLine->clearTexts(vars.ArrayRows, vars.ArrayCols);
    m_grdLine->setCols(2);
    m_grdLine->setRows(2);
    for (QLabel* l : {m_lblLine_Xlabel, m_lblLine_Ylabel, m_lblLine_Zlabel})
        l->clear();
    vars.ArrayCols = vars.ArrayRows = 0;
    m_itemNumber = 0;
    m_span = {};
    m_marks->setTable(nullptr, m_span);
    drawGraph();
}

void ArraysTab::clearVars() {
    m_cmb1Dim->setCurrentIndex(-1);
    emptyTable();
}

void ArraysTab::setSelectionHighlight(bool on) {
    m_grdLine->setSelectionHighlight(on);
}

void ArraysTab::cmb1Dim_Click() {
    EditorState& vars = m_context.vars;
    AppState& state = m_context.services.state;
    const int index = m_cmb1Dim->currentIndex();
    if (index < 0 || index >= static_cast<int>(vars.ArrayItems.size())) return;
    const int number = vars.ArrayItems[static_cast<size_t>(index)];
    const EcuItem& item = state.EcuItemTable[static_cast<size_t>(number)];
    if (const QString refusal = itemRefusal(state, item, ItemClass::Array); !refusal.isEmpty()) {
        // Nothing of the table is shown, and no key press can write it.
        emptyTable();
        m_cmb1Dim->setCurrentIndex(-1);
        m_context.services.prompt.message(refusal, Prompt::Icon::Critical);
        return;
    }
    m_itemNumber = number;
    m_span = TableSpan{itemAddress(item), item.Columns, item.Rows};
    vars.ArrayRows = item.Rows;
    vars.ArrayCols = item.Columns;
    loadTable(state, m_span, vars.ArrayValues);
    m_marks->setTable(&item, m_span);
    m_lblLine_Xlabel->setText(item.XLabel);
    m_lblLine_Ylabel->setText(item.YLabel);
    {
        TableGrid::Bulk bulk(*m_grdLine);
        m_grdLine->setRows(vars.ArrayRows + 1);
        m_grdLine->setCols(vars.ArrayCols + 1);
        for (int k = 1; k <= vars.ArrayRows; ++k)
            m_grdLine->setText(vars.ArrayRows + 1 - k, 0, rowHeading(item, k));
        for (int k = 1; k <= vars.ArrayCols; ++k)
            m_grdLine->setText(0, k, columnHeading(item, k));
    }
    Draw_Grid(vars.ArrayCols, vars.ArrayRows);
}

void ArraysTab::cmdShowIn_1_Click() {
    EditorState& vars = m_context.vars;
    vars.ArrayShowRaw = !vars.ArrayShowRaw;
    m_cmdShowIn_1->setText(vars.ArrayShowRaw ? QStringLiteral("Show in Calculated Values")
                                             : QStringLiteral("Show Raw Values"));
    Draw_Grid(vars.ArrayCols, vars.ArrayRows);
}

void ArraysTab::grdLine_KeyDown(int keyCode) {
    EditorState& vars = m_context.vars;
    // Only the selected cells are written, from the image's bytes as they are now: a byte
    // another tab changed since the table was chosen is never put back.
    const int rows = vars.ArrayRows;
    bool stored = false;
    AppState& state = m_context.services.state;
    recordEdit(vars.History, state, {{m_span.address, m_span.cols * m_span.rows}}, [&] {
        stored = stepSelectedCells(
            state, m_span, vars.ArrayValues,
            [&](int c, int r) { return m_grdLine->isCellSelected(rows - r, c + 1); }, keyCode);
    });
    Draw_Grid(vars.ArrayCols, vars.ArrayRows);
    if (stored) vars.IsSaved = false;
}

void ArraysTab::reload() {
    if (!currentItem()) return;
    loadTable(m_context.services.state, m_span, m_context.vars.ArrayValues);
    Draw_Grid(m_context.vars.ArrayCols, m_context.vars.ArrayRows);
}

void ArraysTab::Draw_Grid(int X_Size, int Y_Size) {
    const EcuItem* item = currentItem();
    const bool showRaw = m_context.vars.ArrayShowRaw;
    if (!item) {
        // No table: no cells to write; calculated mode has no title to show.
        m_lblLine_Zlabel->setText(showRaw ? QStringLiteral("Raw Values") : QString());
        drawGraph();
        return;
    }
    m_lblLine_Zlabel->setText(valueLabelText(*item, showRaw));
    const QString& format = m_context.services.state.NumericFormat;
    {
        TableGrid::Bulk bulk(*m_grdLine);
        for (int r = 1; r <= Y_Size; ++r)
            for (int c = 1; c <= X_Size; ++c)
                m_grdLine->setText(Y_Size + 1 - r, c,
                                   cellText(*item, TableKind::Array, showRaw,
                                            m_context.vars.ArrayValues.at(c - 1, r - 1), format));
    }
    m_marks->refresh();
    drawGraph();
}

void ArraysTab::drawGraph() {
    const EcuItem* item = currentItem();
    if (!item) {
        m_graphLine->setValues({});
        return;
    }
    // A table of one row runs along its columns, one of one column along its rows (first row first).
    const EditorState& vars = m_context.vars;
    const bool alongColumns = vars.ArrayCols >= vars.ArrayRows;
    const int n = alongColumns ? vars.ArrayCols : vars.ArrayRows;
    std::vector<double> values;
    QStringList axis;
    for (int k = 0; k < n; ++k) {
        const double raw = alongColumns ? vars.ArrayValues.at(k, 0) : vars.ArrayValues.at(0, k);
        values.push_back(vars.ArrayShowRaw ? raw
                                           : CalculatedValue(*item, static_cast<quint64>(raw)).value_or(NAN));
        axis << (alongColumns ? columnHeading(*item, k + 1) : rowHeading(*item, k + 1));
    }
    m_graphLine->setValues(std::move(values), axis);
}

} // namespace korvel
