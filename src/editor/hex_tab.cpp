#include "hex_tab.h"

#include "core/app_state.h"
#include "core/hex_mesh.h"
#include "core/map_surface.h"
#include "core/values.h"
#include "widgets/busy_pointer.h"
#include "widgets/named_controls.h"
#include "widgets/picture_box.h"
#include "widgets/table_grid.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace korvel {

namespace {

// The grid is made with more rows than a fill ever uses (2049: the heading and 2048
// rows of 16 bytes); Pop_Hex sets the count to what it filled.
constexpr int kGridRowsAtStart = 10002;
constexpr int kGridCols = 17; // the address, then bytes 0 to F
// Pop_Hex counts at most this many cells (32 KiB and one block) and shows all but the
// last block of them, so 32 KiB at most.
constexpr int kGridCellLimit = 32784;
// Column widths in twips (1/1440 inch).
constexpr int kAddressColumnTwips = 800;
constexpr int kByteColumnTwips = 300;

QLineEdit* namedBox(QWidget* parent, const char* name, const QString& text) {
    auto* t = new QLineEdit(text, parent);
    t->setObjectName(QLatin1String(name));
    t->setMaximumWidth(80);
    return t;
}

PictureBox* picture(QWidget* parent, const char* name, const PictureWindow& window) {
    auto* p = new PictureBox(parent);
    p->setObjectName(QLatin1String(name));
    p->setBackground(parent->palette().color(QPalette::Button));
    p->setScaleWindow(window);
    return p;
}

} // namespace

HexTab::HexTab(EditorContext& context, QWidget* parent)
    : QWidget(parent),
      m_context(context), m_accepted{QStringLiteral("35"), QStringLiteral("140"), QStringLiteral("1")} {
    buildControls();
}

void HexTab::buildControls() {
    m_grdHex = new TableGrid(this);
    m_grdHex->setObjectName(QStringLiteral("grdHex"));
    m_grdHex->setCols(kGridCols);
    m_grdHex->setRows(kGridRowsAtStart);
    // Grid row r (from 1) shows the bytes from 16 x (r - 1).
    m_grdHex->setLooks([this](int row, int col, bool withToolTip) {
        const int address = 16 * (row - 1) + col - 1;
        const Baseline& baseline = m_context.vars.Compare;
        CellLook look;
        // Cells not filled yet show nothing, not even a mark.
        if (m_grdHex->text(row, col).isEmpty()) return look;
        look.changed = baseline.differs(m_context.services.state, address);
        if (look.changed && withToolTip)
            look.toolTip = QStringLiteral("was ") + hexByte(baseline.byteAt(address));
        return look;
    });
    setGridWidths();
    m_cmdPopulate = new QPushButton(QStringLiteral("Populate Chart"), this);
    m_cmdPopulate->setObjectName(QStringLiteral("cmdPopulate"));
    m_lblLimit = namedLabel(this, "lblLimit", QStringLiteral("Limited to first 32K of file"));

    m_picHexMap = picture(this, "picHexMap", kHexMapWindow);
    m_picHexLine = picture(this, "picHexLine", kHexLineWindow);
    m_hscHexMap = namedStepper(this, "hscHexMap", Qt::Horizontal);
    m_txtStart = namedBox(this, "txtStart", m_accepted.start);
    m_txtCols = namedBox(this, "txtCols", m_accepted.cols);
    m_txtRows = namedBox(this, "txtRows", m_accepted.rows);
    m_vscStart = namedStepper(this, "vscStart", Qt::Vertical);
    m_vscCols = namedStepper(this, "vscCols", Qt::Vertical);
    m_vscRows = namedStepper(this, "vscRows", Qt::Vertical);

    auto* gridTop = new QHBoxLayout;
    gridTop->addWidget(m_cmdPopulate);
    gridTop->addWidget(m_lblLimit);
    gridTop->addStretch();
    auto* left = new QVBoxLayout;
    left->addLayout(gridTop);
    left->addWidget(m_grdHex, 1);

    auto* boxes = new QGridLayout;
    const struct {
        const char* name;
        const char* caption;
        QLineEdit* box;
        QScrollBar* step;
    } rows[] = {{"lblStart", "Start Address", m_txtStart, m_vscStart},
                {"lblCols", "Columns", m_txtCols, m_vscCols},
                {"lblRows", "Rows", m_txtRows, m_vscRows}};
    int column = 0;
    for (const auto& r : rows) {
        boxes->addWidget(namedLabel(this, r.name, QLatin1String(r.caption)), 0, column, 1, 2);
        boxes->addWidget(r.box, 1, column);
        boxes->addWidget(r.step, 1, column + 1);
        column += 2;
    }
    boxes->setColumnStretch(column, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(m_picHexMap, 1);
    right->addWidget(m_hscHexMap);
    right->addWidget(m_picHexLine, 1);
    right->addLayout(boxes);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);

    connect(m_cmdPopulate, &QPushButton::clicked, this, [this] { cmdPopulate_Click(); });
    connect(m_txtStart, &QLineEdit::editingFinished, this, [this] { txtStart_LostFocus(); });
    connect(m_txtCols, &QLineEdit::editingFinished, this, [this] { txtCols_LostFocus(); });
    connect(m_txtRows, &QLineEdit::editingFinished, this, [this] { txtRows_LostFocus(); });
    connect(m_vscStart, &QScrollBar::valueChanged, this, [this](int v) { vscStart_Change(v); });
    connect(m_vscCols, &QScrollBar::valueChanged, this, [this](int v) { vscCols_Change(v); });
    connect(m_vscRows, &QScrollBar::valueChanged, this, [this](int v) { vscRows_Change(v); });
    connect(m_hscHexMap, &QScrollBar::valueChanged, this, [this](int v) { hscHexMap_Change(v); });
}

void HexTab::setGridWidths() {
    // The widths are planned in twips, but a column is never narrower than its digits
    // in the font at hand: an address or byte shown as "..." would be no use.
    const int dpi = m_grdHex->logicalDpiX();
    const QFontMetrics metrics(m_grdHex->font());
    const int padding = 2 * metrics.averageCharWidth() + 8; // the cell's own margins
    m_grdHex->setHeadingColumnWidth(std::max(twipsToPixels(kAddressColumnTwips, dpi),
                                             metrics.horizontalAdvance(QStringLiteral("000000")) + padding));
    const int byteWidth = std::max(twipsToPixels(kByteColumnTwips, dpi),
                                   metrics.horizontalAdvance(QStringLiteral("FF")) + padding);
    for (int c = 1; c < kGridCols; ++c)
        m_grdHex->setColumnWidth(c, byteWidth);
}

void HexTab::Pop_Hex() {
    const AppState& state = m_context.services.state;
    setBusyPointer();
    const int shown = std::clamp(state.BinSize, 0, kGridCellLimit);
    // One heading row and shown / 16 - 1 rows of bytes: the last block counted in
    // BinSize, which holds no file data when the file is a whole number of blocks,
    // stays out; so do the bytes from 32 KiB on, unless a byte further on was asked for.
    const int gridRows = std::max({1, shown / 16, m_rowsAsked + 1});
    {
        TableGrid::Bulk bulk(*m_grdHex);
        if (m_grdHex->rows() < gridRows) m_grdHex->setRows(gridRows);
        setGridWidths();
        for (int i = 0; i < 16; ++i)
            m_grdHex->setText(0, i + 1, hexNumber(static_cast<quint64>(i)));
        int n = 0;
        for (int r = 0; r + 1 < gridRows; ++r) {
            m_grdHex->setText(r + 1, 0, state.BinImage[static_cast<size_t>(n)].addressText());
            for (int j = 0; j < 16; ++j, ++n)
                m_grdHex->setText(r + 1, j + 1, state.BinImage[static_cast<size_t>(n)].valueText());
        }
        m_grdHex->setRows(gridRows);
    }
    m_lblLimit->setText(gridRows > kGridCellLimit / 16
                            ? QStringLiteral("Filled up to %1")
                                  .arg(state.BinImage[static_cast<size_t>(16 * gridRows - 17)].addressText())
                            : QStringLiteral("Limited to first 32K of file"));
    m_populated = true;
    setDefaultPointer();
}

void HexTab::reload() {
    if (m_populated) Pop_Hex();
}

QLineEdit* HexTab::box(HexBox which) const {
    switch (which) {
    case HexBox::Start:
        return m_txtStart;
    case HexBox::Cols:
        return m_txtCols;
    case HexBox::Rows:
        break;
    }
    return m_txtRows;
}

void HexTab::changeBox(HexBox which, int v) {
    QLineEdit* edit = box(which);
    if (const auto next = hexBoxChange(m_accepted, which, edit->text(), v, m_context.services.state.BinSize))
        m_accepted = *next;
    const HexWindowTexts& a = m_accepted;
    edit->setText(which == HexBox::Start ? a.start : which == HexBox::Cols ? a.cols : a.rows);
    RedrawHex();
}

void HexTab::txtStart_LostFocus() {
    changeBox(HexBox::Start, 0);
}
void HexTab::txtCols_LostFocus() {
    changeBox(HexBox::Cols, 0);
}
void HexTab::txtRows_LostFocus() {
    changeBox(HexBox::Rows, 0);
}

// A stepper's handler runs again with 0 when it is put back to rest; that run has
// nothing to apply.
void HexTab::vscStart_Change(int v) {
    if (v == 0) return;
    m_vscStart->setValue(0);
    changeBox(HexBox::Start, v);
}

void HexTab::vscCols_Change(int v) {
    if (v == 0) return;
    m_vscCols->setValue(0);
    changeBox(HexBox::Cols, v);
}

void HexTab::vscRows_Change(int v) {
    if (v == 0) return;
    m_vscRows->setValue(0);
    changeBox(HexBox::Rows, v);
}

void HexTab::hscHexMap_Change(int v) {
    if (v == 0) return;
    EditorState& vars = m_context.vars;
    vars.RotationAngle = rotatedAngle(vars.RotationAngle, v);
    m_hscHexMap->setValue(0);
    RedrawHex();
}

void HexTab::showMarks() {
    m_grdHex->refreshLooks();
}

void HexTab::showAddress(int address) {
    const int row = address / 16 + 1;
    // A byte past the first 32 KiB, or in the last block, is shown by filling the grid on
    // to its row (only cells the image has filled).
    if (address >= 0 && address < m_context.services.state.BinSize) m_rowsAsked = std::max(m_rowsAsked, row);
    if (row >= m_grdHex->rows() || m_grdHex->text(row, 0).isEmpty()) Pop_Hex();
    if (row >= m_grdHex->rows()) return;
    const QModelIndex cell = m_grdHex->model()->index(row, address % 16 + 1);
    m_grdHex->setCurrentIndex(cell);
    m_grdHex->scrollTo(cell);
}

void HexTab::RedrawHex() {
    m_hexXMax = 0;
    m_hexYMin = 0;
    // The texts in force: a box being typed in counts only once it has been accepted.
    const auto window = parseHexWindow(m_accepted);
    if (!window) return;
    EditorState& vars = m_context.vars;
    const HexDivisors d =
        loadHexWindow(m_context.services.state, *window, vars.HexValues, vars.RotationAngle);
    m_hexXMax = d.xMax;
    m_hexYMin = d.yMin;
    if (!d.drawable()) return;
    Draw_Hex_Map(window->cols, window->rows, d.xMax, d.yMin);
    Draw_Hex_Line(window->cols, window->rows, d.xMax, d.yMin);
}

void HexTab::Draw_Hex_Map(int X_Size, int Y_Size, double X_Max, double Y_Max) {
    EditorState& vars = m_context.vars;
    drawHexPicture(m_picHexMap->surface(), HexMeshInput{&vars.HexValues, X_Size, Y_Size, X_Max, Y_Max},
                   vars.RotationAngle);
}

void HexTab::Draw_Hex_Line(int X_Size, int Y_Size, double X_Max, double Y_Max) {
    EditorState& vars = m_context.vars;
    const qint16 kept = vars.RotationAngle;
    vars.RotationAngle = 0;
    drawHexPicture(m_picHexLine->surface(), HexMeshInput{&vars.HexValues, X_Size, Y_Size, X_Max, Y_Max},
                   vars.RotationAngle);
    vars.RotationAngle = kept;
}

} // namespace korvel
