#include "view_layout.h"

#include <algorithm>

namespace korvel {

ViewLayout viewLayout(double W, double H) {
    ViewLayout l;
    l.picture = QRectF(480, 120, std::max(0.0, W - 620), std::max(0.0, H - 1620));
    l.lblStart = QRectF(480, H - 1155, 1500, 300);
    l.txtStart = QRectF(2100, H - 1155, 1000, 300);
    l.vscStart = QRectF(3120, H - 1155, 255, 300);
    l.lblCols = QRectF(480, H - 795, 1500, 300);
    l.txtCols = QRectF(2100, H - 795, 1000, 300);
    l.vscCols = QRectF(3120, H - 795, 255, 300);
    l.lbl0 = QRectF(60, H - 1730, 400, 240);
    l.lbl128 = QRectF(60, H / 1.8 - 850, 400, 240);
    l.lbl255 = QRectF(60, H / 6 - 300, 400, 240);
    const double lefts[5] = {480, W / 4 + 200, W / 2, W * 3 / 4 - 200, W - 480};
    for (int k = 0; k < 5; ++k)
        l.addressLabels[static_cast<size_t>(k)] = QRectF(lefts[k], H - 1395, 600, 240);
    return l;
}

} // namespace korvel
