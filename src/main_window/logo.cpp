#include "logo.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace korvel {

QPixmap korvelLogo(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    p.setBrush(QColor(0x1d, 0x3b, 0x5a));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.12, s * 0.12);

    // A small wire mesh, seen from the side, rising to the right like a fuel map.
    p.setPen(QPen(QColor(0xf2, 0xa9, 0x3b), std::max(1.0, s / 48)));
    constexpr int kLines = 5;
    for (int r = 0; r < kLines; ++r) {
        QPainterPath path;
        for (int c = 0; c <= 10; ++c) {
            const double x = s * (0.14 + 0.06 * c + 0.05 * r);
            const double h = std::sin(c / 10.0 * 1.6) * (0.25 + 0.05 * r);
            const double y = s * (0.80 - 0.08 * r - h * 0.9);
            if (c == 0)
                path.moveTo(x, y);
            else
                path.lineTo(x, y);
        }
        p.drawPath(path);
    }
    return pixmap;
}

} // namespace korvel
