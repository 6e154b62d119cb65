#include "maps_tab.h"

#include "core/app_state.h"
#include "core/grid_text.h"
#include "core/map_surface.h"
#include "core/values.h"
#include "editor/table_editing.h"
#include "editor/table_marks.h"
#include "widgets/named_controls.h"
#include "widgets/picture_box.h"
#include "widgets/prompt.h"
#include "widgets/table_grid.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cstdlib>

namespace korvel {

namespace {

QLineEdit* displayBox(QWidget* parent, const char* name) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    t->setReadOnly(true);
    t->setMaximumWidth(90);
    return t;
}

} // namespace

MapsTab::MapsTab(EditorContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_cmb2Dim = new QComboBox(this);
    m_cmb2Dim->setObjectName(QStringLiteral("cmb2Dim"));
    m_cmb2Dim->setMinimumContentsLength(30);
    m_grdMap = new TableGrid(this);
    m_grdMap->setObjectName(QStringLiteral("grdMap"));
    m_marks = std::make_unique<TableMarks>(m_context, *m_grdMap, TableKind::Map, m_context.vars.MapShowRaw,
                                           m_context.vars.MapValues);
    m_picMap = new PictureBox(this);
    m_picMap->setObjectName(QStringLiteral("picMap"));
    m_picMap->setBackground(Qt::white);
    m_picMap->setScaleWindow(kMapWindowStart);
    m_cmdShowIn_2 = new QPushButton(QStringLiteral("Show in Calculated Values"), this);
    m_cmdShowIn_2->setObjectName(QStringLiteral("cmdShowIn_2"));
    m_scrRotAngle = namedStepper(this, "scrRotAngle", Qt::Horizontal);
    m_scrPanHor = namedStepper(this, "scrPanHor", Qt::Horizontal);
    m_scrPanVer = namedStepper(this, "scrPanVer", Qt::Vertical);
    m_scrZoom = namedStepper(this, "scrZoom", Qt::Vertical);
    m_txtStart3D = displayBox(this, "txtStart3D");
    m_txtRow3D = displayBox(this, "txtRow3D");
    m_txtCol3D = displayBox(this, "txtCol3D");
    m_lblMap_Xlabel = namedLabel(this, "lblMap_Xlabel", QStringLiteral("X Label"));
    m_lblMap_Ylabel = namedLabel(this, "lblMap_Ylabel", QStringLiteral("Y Label"));
    m_lblMap_Zlabel = namedLabel(this, "lblMap_Zlabel", QStringLiteral("Z Label"));

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(namedLabel(this, "lblStart3D", QStringLiteral("Start:")));
    boxes->addWidget(m_txtStart3D);
    boxes->addWidget(namedLabel(this, "lblRow3D", QStringLiteral("Rows:")));
    boxes->addWidget(m_txtRow3D);
    boxes->addWidget(namedLabel(this, "lblCol3D", QStringLiteral("Columns:")));
    boxes->addWidget(m_txtCol3D);
    boxes->addStretch();
    auto* instructions = new QVBoxLayout;
    instructions->addWidget(
        namedLabel(this, "lblInstructions0", QStringLiteral("Highlight values to change")));
    instructions->addWidget(namedLabel(this, "lblInstructions1", QStringLiteral("+ or = to increase")));
    instructions->addWidget(namedLabel(this, "lblInstructions2", QStringLiteral("- to decrease")));

    auto* left = new QGridLayout;
    left->addWidget(m_cmb2Dim, 0, 0, 1, 2);
    left->addWidget(m_cmdShowIn_2, 1, 0, 1, 2, Qt::AlignLeft);
    left->addLayout(boxes, 2, 0, 1, 2);
    left->addWidget(m_lblMap_Zlabel, 3, 1);
    left->addWidget(m_lblMap_Ylabel, 4, 0, Qt::AlignTop);
    left->addWidget(m_grdMap, 4, 1);
    left->addWidget(m_lblMap_Xlabel, 5, 1, Qt::AlignHCenter);
    left->addLayout(instructions, 6, 1);
    left->setRowStretch(4, 1);
    left->setColumnStretch(1, 1);

    auto* right = new QGridLayout;
    right->addWidget(m_picMap, 0, 0);
    right->addWidget(m_scrPanVer, 0, 1);
    right->addWidget(m_scrZoom, 0, 2);
    right->addWidget(namedLabel(this, "lblZoom", QStringLiteral("Zoom")), 1, 2);
    right->addWidget(m_scrPanHor, 1, 0);
    right->addWidget(m_scrRotAngle, 2, 0);
    right->addWidget(namedLabel(this, "lblRotate", QStringLiteral("Rotate")), 2, 1, 1, 2);
    right->setRowStretch(0, 1);
    right->setColumnStretch(0, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 5);
    layout->addLayout(right, 4);

    connect(m_cmb2Dim, &QComboBox::activated, this, [this] { cmb2Dim_Click(); });
    connect(m_cmdShowIn_2, &QPushButton::clicked, this, [this] { cmdShowIn_2_Click(); });
    connect(m_grdMap, &TableGrid::keyDown, this, [this](int code) { grdMap_KeyDown(code); });
    connect(m_grdMap, &TableGrid::focusGained, this, [this] { setSelectionHighlight(true); });
    connect(m_grdMap, &TableGrid::focusLost, this, [this] { setSelectionHighlight(false); });
    m_editing = new TableEditing(
        context, m_grdMap,
        [this] {
            return TableEditing::Shown{currentItem(),
                                       TableKind::Map,
                                       m_span,
                                       &m_context.vars.MapValues,
                                       m_context.vars.MapShowRaw,
                                       {}};
        },
        [this] {
            reload();
            redrawMap();
        });
    connect(m_scrRotAngle, &QScrollBar::valueChanged, this, [this](int v) { scrRotAngle_Change(v); });
    connect(m_scrPanHor, &QScrollBar::valueChanged, this, [this](int v) { scrPanHor_Change(v); });
    connect(m_scrPanVer, &QScrollBar::valueChanged, this, [this](int v) { scrPanVer_Change(v); });
    connect(m_scrZoom, &QScrollBar::valueChanged, this, [this](int v) { scrZoom_Change(v); });
    // Dragging to the right turns the angle up, a wheel notch away from the user zooms in:
    // each step goes through its stepper as if the user had clicked it.
    connect(m_picMap, &PictureBox::dragSteps, this, [this](int steps) {
        for (int i = 0; i < std::abs(steps); ++i)
            step(m_scrRotAngle, steps > 0 ? -1 : 1);
    });
    connect(m_picMap, &PictureBox::wheelSteps, this, [this](int steps) {
        for (int i = 0; i < std::abs(steps); ++i)
            step(m_scrZoom, steps > 0 ? -1 : 1);
    });
}

void MapsTab::step(QScrollBar* stepper, int v) {
    stepper->setValue(v);
}

MapsTab::~MapsTab() = default;

void MapsTab::showMarks() {
    m_marks->refresh();
}

const EcuItem* MapsTab::currentItem() const {
    if (m_itemNumber < 1 || m_itemNumber > kMaxItems) return nullptr;
    return &m_context.services.state.EcuItemTable[static_cast<size_t>(m_itemNumber)];
}

void MapsTab::emptyMap() {
    EditorState& vars = m_context.vars;
    m_grdMap->clearTexts(vars.MapRows, vars.MapCols);
    m_grdMap->setCols(2);
    m_grdMap->setRows(2);
    for (QLabel* l : {m_lblMap_Xlabel, m_lblMap_Ylabel, m_lblMap_Zlabel})
        l->clear();
    for (QLineEdit* t : {m_txtStart3D, m_txtRow3D, m_txtCol3D})
        t->clear();
    vars.MapCols = vars.MapRows = 0;
    m_itemNumber = 0;
    m_span = {};
    m_marks->setTable(nullptr, m_span);
}

void MapsTab::clearVars() {
    EditorState& vars = m_context.vars;
    m_cmb2Dim->setCurrentIndex(-1);
    emptyMap();
    vars.MapXMax = 0;
    vars.MapYMax = 0;
    for (QScrollBar* s : {m_scrPanHor, m_scrPanVer, m_scrZoom, m_scrRotAngle})
        s->setValue(0);
}

void MapsTab::setSelectionHighlight(bool on) {
    m_grdMap->setSelectionHighlight(on);
}

void MapsTab::redrawMap() {
    const EditorState& vars = m_context.vars;
    Draw_Map(vars.MapCols, vars.MapRows, vars.MapXMax, vars.MapYMax, vars.MapZMax);
}

void MapsTab::cmb2Dim_Click() {
    EditorState& vars = m_context.vars;
    AppState& state = m_context.services.state;
    const int index = m_cmb2Dim->currentIndex();
    if (index < 0 || index >= static_cast<int>(vars.MapItems.size())) return;
    const int number = vars.MapItems[static_cast<size_t>(index)];
    const EcuItem& item = state.EcuItemTable[static_cast<size_t>(number)];
    if (const QString refusal = itemRefusal(state, item, ItemClass::Map); !refusal.isEmpty()) {
        // Nothing of the map is shown, and no key press can write it; the picture keeps its axes.
        emptyMap();
        m_cmb2Dim->setCurrentIndex(-1);
        redrawMap();
        m_context.services.prompt.message(refusal, Prompt::Icon::Critical);
        return;
    }

    m_picMap->setScaleWindow(kMapWindowReset);
    for (QScrollBar* s : {m_scrPanHor, m_scrPanVer, m_scrZoom, m_scrRotAngle})
        s->setValue(0);
    vars.RotationAngle = 30;

    m_itemNumber = number;
    m_span = TableSpan{itemAddress(item), item.Columns, item.Rows};
    vars.MapRows = item.Rows;
    vars.MapCols = item.Columns;
    MapDivisors divisors; // all 1
    loadTable(state, m_span, vars.MapValues, &divisors);
    vars.MapXMax = divisors.xMax;
    vars.MapYMax = divisors.yMax;
    vars.MapZMax = divisors.zMax;
    m_marks->setTable(&item, m_span);

    m_lblMap_Xlabel->setText(item.XLabel);
    m_lblMap_Ylabel->setText(item.YLabel);
    m_txtStart3D->setText(item.Address);
    m_txtRow3D->setText(QString::number(item.Rows));
    m_txtCol3D->setText(QString::number(item.Columns));
    {
        TableGrid::Bulk bulk(*m_grdMap);
        m_grdMap->setRows(vars.MapRows + 1);
        m_grdMap->setCols(vars.MapCols + 1);
        for (int k = 1; k <= vars.MapRows; ++k)
            m_grdMap->setText(vars.MapRows + 1 - k, 0, rowHeading(item, k));
        for (int k = 1; k <= vars.MapCols; ++k)
            m_grdMap->setText(0, k, columnHeading(item, k));
    }
    redrawMap();
}

void MapsTab::cmdShowIn_2_Click() {
    EditorState& vars = m_context.vars;
    vars.MapShowRaw = !vars.MapShowRaw;
    m_cmdShowIn_2->setText(vars.MapShowRaw ? QStringLiteral("Show in Calculated Values")
                                           : QStringLiteral("Show Raw Values"));
    redrawMap();
}

void MapsTab::grdMap_KeyDown(int keyCode) {
    EditorState& vars = m_context.vars;
    // Only the selected cells are written, from the image's bytes as they are now; the
    // divisors can only rise.
    MapDivisors divisors{vars.MapXMax, vars.MapYMax, vars.MapZMax};
    const int rows = vars.MapRows;
    bool stored = false;
    AppState& state = m_context.services.state;
    recordEdit(vars.History, state, {{m_span.address, m_span.cols * m_span.rows}}, [&] {
        stored = stepSelectedCells(
            state, m_span, vars.MapValues,
            [&](int c, int r) { return m_grdMap->isCellSelected(rows - r, c + 1); }, keyCode, &divisors);
    });
    vars.MapXMax = divisors.xMax;
    vars.MapYMax = divisors.yMax;
    vars.MapZMax = divisors.zMax;
    redrawMap();
    if (stored) vars.IsSaved = false;
}

void MapsTab::reload() {
    EditorState& vars = m_context.vars;
    if (!currentItem()) return;
    MapDivisors divisors{vars.MapXMax, vars.MapYMax, vars.MapZMax};
    loadTable(m_context.services.state, m_span, vars.MapValues, &divisors);
    vars.MapXMax = divisors.xMax;
    vars.MapYMax = divisors.yMax;
    vars.MapZMax = divisors.zMax;
}

// A stepper's handler runs again with 0 when it is put back to rest; that run has
// nothing to apply and would only draw the same picture again.
void MapsTab::scrRotAngle_Change(int v) {
    if (v == 0) return;
    EditorState& vars = m_context.vars;
    vars.RotationAngle = rotatedAngle(vars.RotationAngle, v);
    m_scrRotAngle->setValue(0);
    redrawMap();
}

void MapsTab::scrPanHor_Change(int v) {
    if (v == 0) return;
    m_picMap->setScaleWindow(pannedHorizontally(m_picMap->scaleWindow(), v));
    m_scrPanHor->setValue(0);
    redrawMap();
}

void MapsTab::scrPanVer_Change(int v) {
    if (v == 0) return;
    m_picMap->setScaleWindow(pannedVertically(m_picMap->scaleWindow(), v));
    m_scrPanVer->setValue(0);
    redrawMap();
}

void MapsTab::scrZoom_Change(int v) {
    if (v == 0) return;
    // A step that would leave the window no width or height is refused.
    if (const auto window = zoomed(m_picMap->scaleWindow(), v)) m_picMap->setScaleWindow(*window);
    m_scrZoom->setValue(0);
    redrawMap();
}

void MapsTab::Draw_Map(int X_Size, int Y_Size, double X_Max, double Y_Max, double Z_Max) {
    EditorState& vars = m_context.vars;
    drawMapSurface(m_picMap->surface(),
                   MapSurfaceInput{&vars.MapValues, X_Size, Y_Size, X_Max, Y_Max, Z_Max, vars.RotationAngle});
    fillGrid(X_Size, Y_Size);
}

void MapsTab::fillGrid(int cols, int rows) {
    const EcuItem* item = currentItem();
    const bool showRaw = m_context.vars.MapShowRaw;
    if (!item) {
        m_lblMap_Zlabel->setText(showRaw ? QStringLiteral("Raw Values") : QString());
        return;
    }
    m_lblMap_Zlabel->setText(valueLabelText(*item, showRaw));
    const QString& format = m_context.services.state.NumericFormat;
    {
        TableGrid::Bulk bulk(*m_grdMap);
        for (int r = 1; r <= rows; ++r)
            for (int c = 1; c <= cols; ++c)
                m_grdMap->setText(rows + 1 - r, c,
                                  cellText(*item, TableKind::Map, showRaw,
                                           m_context.vars.MapValues.at(c - 1, r - 1), format));
    }
    m_marks->refresh();
}

} // namespace korvel
