#pragma once

#include <QRectF>
#include <array>

namespace korvel {

// Where the viewer's controls go for a window of W x H twips (1/1440 inch). The
// picture keeps its left and top and takes the rest; the boxes and the address labels
// sit below it, the value labels at the left edge beside the frame's lines.
struct ViewLayout {
    QRectF picture;
    QRectF lblStart, txtStart, vscStart;
    QRectF lblCols, txtCols, vscCols;
    QRectF lbl0, lbl128, lbl255;
    std::array<QRectF, 5> addressLabels; // lbl1 .. lbl5
};

ViewLayout viewLayout(double widthTwips, double heightTwips);

// The least window that leaves room for the graph, in twips.
inline constexpr double kViewLeastWidth = 620 + 2000;
inline constexpr double kViewLeastHeight = 1620 + 1500;

} // namespace korvel
