#include "frm_view.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/definition_reader.h"
#include "core/ecu_reader.h"
#include "core/hex_window.h"
#include "core/values.h"
#include "core/version.h"
#include "viewer/view_layout.h"
#include "widgets/busy_pointer.h"
#include "widgets/named_controls.h"
#include "widgets/picture_box.h"
#include "widgets/prompt.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace korvel {

frmView::frmView(Services& services, QWidget* parent) : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("frmView"));
    m_picHexLine = new PictureBox(this);
    m_picHexLine->setObjectName(QStringLiteral("picHexLine"));
    m_picHexLine->setBackground(palette().color(QPalette::Button));
    m_picHexLine->setScaleWindow(kViewWindow);
    m_picHexLine->setKeepAspectRatio(false); // the graph fills the space its labels are laid out for

    m_lblStart = namedLabel(this, "lblStart", QStringLiteral("Start Address"));
    m_lblCols = namedLabel(this, "lblCols", QStringLiteral("Total Address's"));
    m_txtStart = new QLineEdit(QStringLiteral("35"), this);
    m_txtStart->setObjectName(QStringLiteral("txtStart"));
    m_txtCols = new QLineEdit(QStringLiteral("140"), this);
    m_txtCols->setObjectName(QStringLiteral("txtCols"));
    m_vscStart = namedStepper(this, "vscStart", Qt::Vertical);
    m_vscCols = namedStepper(this, "vscCols", Qt::Vertical);
    m_lbl0 = namedLabel(this, "lbl0", QStringLiteral("0"));
    m_lbl128 = namedLabel(this, "lbl128", QStringLiteral("128"));
    m_lbl255 = namedLabel(this, "lbl255", QStringLiteral("255"));
    for (int k = 0; k < 5; ++k) {
        m_lblAddress[k] = new QLabel(this);
        m_lblAddress[k]->setObjectName(QStringLiteral("lbl%1").arg(k + 1));
    }

    // Leaving a box commits it; so does Return, as users expect.
    m_txtStart->installEventFilter(this);
    m_txtCols->installEventFilter(this);
    connect(m_txtStart, &QLineEdit::returnPressed, this, &frmView::txtStart_LostFocus);
    connect(m_txtCols, &QLineEdit::returnPressed, this, &frmView::txtCols_LostFocus);
    connect(m_vscStart, &QScrollBar::valueChanged, this, &frmView::vscStart_Change);
    connect(m_vscCols, &QScrollBar::valueChanged, this, &frmView::vscCols_Change);

    setMinimumSize(twipsToPixelsX(kViewLeastWidth), twipsToPixelsY(kViewLeastHeight));
    resize(twipsToPixelsX(9600), twipsToPixelsY(6000));
    ClearVars();
}

int frmView::twipsToPixelsX(double twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}
int frmView::twipsToPixelsY(double twips) const {
    return qRound(twips * logicalDpiY() / 1440.0);
}

void frmView::ClearVars() {
    ViewAngle = kViewAngle;
}

frmView::~frmView() {
    // ~QDialog would hide a window still shown only after this class's members are gone;
    // the focus leaving a box then must not reach its handler against freed state.
    // Hiding here runs that handler while everything still exists.
    hide();
}

OpeningResult frmView::Form_Load() {
    ClearVars();
    AppState& state = m_services.state;
    if (Status s = ReadBinFile(state); !s) return {OpeningResult::Outcome::Failed, s.error()};
    if (QFile probe(state.EcuPath);
        probe.open(QIODevice::ReadOnly) && detectDefinitionFormat(probe.readAll()) != DefinitionFormat::Ecu) {
        // The viewer does not use the items, but a definition that cannot be read closes it.
        const DefinitionRead read = readDefinitionFile(state.EcuPath);
        if (!read.ok()) {
            setDefaultPointer();
            m_services.prompt.message(
                QStringLiteral("%1 cannot be read: %2").arg(QFileInfo(state.EcuPath).fileName(), read.error),
                Prompt::Icon::Critical);
            return {OpeningResult::Outcome::ClosedItself, {}};
        }
        return finishOpening();
    }
    const EcuReadResult ecu = ReadEcuFile(state);
    if (ecu.outcome == EcuReadResult::Outcome::HeaderError)
        return {OpeningResult::Outcome::Failed, ecu.message};
    if (ecu.outcome != EcuReadResult::Outcome::Read) {
        // The viewer does not use the items, but a definition it cannot read closes it.
        setDefaultPointer();
        m_services.prompt.message(ecu.message, Prompt::Icon::Critical);
        return {OpeningResult::Outcome::ClosedItself, {}};
    }
    return finishOpening();
}

OpeningResult frmView::finishOpening() {
    const AppState& state = m_services.state;
    setDefaultPointer();
    setWindowTitle(QStringLiteral("Lumsk Version ") + versionText() + fileSizeCaption(state.BinSize));
    setAddressLabels();
    RedrawView();
    return {};
}

void frmView::RedrawView() {
    const auto start = ParseHex(m_txtStart->text());
    bool ok = false;
    ViewCols = m_txtCols->text().trimmed().toInt(&ok);
    if (!start || !ok) return;
    m_divisors = loadViewRun(m_services.state, *start, ViewCols, ViewAngle, ViewValues);
    if (!m_divisors.drawable()) return; // the picture stays as it was
    // Drawn at angle 0 with the divisors taken at the viewer's angle.
    drawViewLine(m_picHexLine->surface(), ViewValues, ViewCols, m_divisors);
    m_picHexLine->update();
}

void frmView::setAddressLabels() {
    const auto start = ParseHex(m_txtStart->text()).value_or(0);
    const quint64 cols = static_cast<quint64>(std::max(0, m_txtCols->text().trimmed().toInt()));
    m_lblAddress[0]->setText(m_txtStart->text());
    for (int k = 1; k <= 3; ++k)
        m_lblAddress[k]->setText(hexNumber(start + cols * static_cast<quint64>(k) / 4));
    m_lblAddress[4]->setText(hexNumber(start + cols));
}

void frmView::applyStart(int v) {
    applyBox(HexBox::Start, m_txtStart, v);
}

void frmView::applyCols(int v) {
    applyBox(HexBox::Cols, m_txtCols, v);
}

void frmView::applyBox(HexBox box, QLineEdit* edit, int v) {
    // The viewer's run is a byte window of one row, with the Hex tab's rules: a refused
    // value gives the box its last good text back.
    const HexWindowTexts accepted{m_goodStart, m_goodCols, QStringLiteral("1")};
    if (const auto next = hexBoxChange(accepted, box, edit->text(), v, m_services.state.BinSize)) {
        m_goodStart = next->start;
        m_goodCols = next->cols;
    }
    m_txtStart->setText(m_goodStart);
    m_txtCols->setText(m_goodCols);
}

void frmView::txtStart_LostFocus() {
    applyStart(0);
    setAddressLabels();
    RedrawView();
}

void frmView::vscStart_Change() {
    const int v = m_vscStart->value();
    if (v == 0) return; // the return to rest is not a step
    applyStart(v);
    m_vscStart->setValue(0);
    setAddressLabels();
    m_txtStart->repaint();
    RedrawView();
}

void frmView::txtCols_LostFocus() {
    applyCols(0);
    setAddressLabels();
    RedrawView();
}

void frmView::vscCols_Change() {
    const int v = m_vscCols->value();
    if (v == 0) return;
    applyCols(v);
    m_vscCols->setValue(0);
    setAddressLabels();
    RedrawView();
}

bool frmView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_txtStart)
            txtStart_LostFocus();
        else if (watched == m_txtCols)
            txtCols_LostFocus();
    }
    return QDialog::eventFilter(watched, event);
}

void frmView::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmView::Form_Resize() {
    // The layout is planned in twips on the window's size.
    const ViewLayout l = viewLayout(width() * 1440.0 / logicalDpiX(), height() * 1440.0 / logicalDpiY());
    auto place = [this](QWidget* w, const QRectF& r) {
        w->setGeometry(twipsToPixelsX(r.left()), twipsToPixelsY(r.top()), twipsToPixelsX(r.width()),
                       twipsToPixelsY(r.height()));
    };
    place(m_picHexLine, l.picture);
    m_picHexLine->setScaleWindow(kViewWindow);
    place(m_lblStart, l.lblStart);
    place(m_txtStart, l.txtStart);
    place(m_vscStart, l.vscStart);
    place(m_lblCols, l.lblCols);
    place(m_txtCols, l.txtCols);
    place(m_vscCols, l.vscCols);
    place(m_lbl0, l.lbl0);
    place(m_lbl128, l.lbl128);
    place(m_lbl255, l.lbl255);
    for (size_t k = 0; k < 5; ++k)
        place(m_lblAddress[k], l.addressLabels[k]);
    setAddressLabels();
    RedrawView();
}

} // namespace korvel
