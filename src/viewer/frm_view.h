#pragma once

#include "core/hex_window.h"
#include "core/value_matrix.h"
#include "core/view_graph.h"
#include "widgets/opening_result.h"
#include "widgets/services.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QScrollBar;

namespace korvel {

class PictureBox;

// The stand-alone hex viewer: a run of the image's bytes as a line graph on a fixed
// frame, with address labels under it and value labels beside it. It reads both files
// itself and keeps its own angle, values and divisors.
class frmView : public QDialog {
    Q_OBJECT
public:
    explicit frmView(Services& services, QWidget* parent = nullptr);
    ~frmView() override;
    // Reads both files; the caller shows the window only when it opened.
    OpeningResult Form_Load();
    // After the definition was read (of either format): caption, labels, picture.
    OpeningResult finishOpening();

    void RedrawView();
    void txtStart_LostFocus();
    void vscStart_Change();
    void txtCols_LostFocus();
    void vscCols_Change();

    const ViewDivisors& divisors() const { return m_divisors; }
    PictureBox* picture() const { return m_picHexLine; }

    // Twips to pixels at the screen's resolution.
    int twipsToPixelsX(double twips) const;
    int twipsToPixelsY(double twips) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ClearVars();
    void Form_Resize();
    void setAddressLabels();
    // Applies a step (0 for a typed text) to the start box; a refused value restores the last good text.
    void applyStart(int v);
    void applyCols(int v);
    void applyBox(HexBox box, QLineEdit* edit, int v);

    Services& m_services;
    qint16 ViewAngle = kViewAngle;
    ValueMatrix ViewValues;
    int ViewCols = 140;
    ViewDivisors m_divisors;
    QString m_goodStart = QStringLiteral("35");
    QString m_goodCols = QStringLiteral("140");

    PictureBox* m_picHexLine;
    QLineEdit* m_txtStart;
    QLineEdit* m_txtCols;
    QScrollBar* m_vscStart;
    QScrollBar* m_vscCols;
    QLabel* m_lblStart;
    QLabel* m_lblCols;
    QLabel* m_lbl0;
    QLabel* m_lbl128;
    QLabel* m_lbl255;
    QLabel* m_lblAddress[5];
};

} // namespace korvel
