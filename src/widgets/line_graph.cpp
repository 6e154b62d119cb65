#include "line_graph.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace korvel {

LineGraph::LineGraph(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void LineGraph::setValues(std::vector<double> values, QStringList axis) {
    m_values = std::move(values);
    m_axis = std::move(axis);
    update();
}

namespace {

QString valueText(double v) {
    return QString::number(v, 'g', 6);
}

} // namespace

void LineGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    double low = INFINITY, high = -INFINITY;
    for (double v : m_values) {
        if (!std::isfinite(v)) continue;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    const QFontMetrics fm(font());
    const bool any = low <= high;
    // Room for the value texts on the left and the axis texts below.
    const int left =
        any ? std::max(fm.horizontalAdvance(valueText(low)), fm.horizontalAdvance(valueText(high))) + 8 : 8;
    const QRectF plot(left, fm.height() / 2.0 + 4, width() - left - 12, height() - 2.5 * fm.height() - 8);
    if (plot.width() < 2 || plot.height() < 2) return;
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    if (!any) return;
    if (high == low) { // a flat line in the middle
        low -= 1;
        high += 1;
    }
    const int n = static_cast<int>(m_values.size());
    const auto at = [&](int i) {
        const double x = n > 1 ? plot.left() + plot.width() * i / (n - 1) : plot.center().x();
        return QPointF(x, plot.bottom() -
                              plot.height() * (m_values[static_cast<size_t>(i)] - low) / (high - low));
    };
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    bool joined = false;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(m_values[static_cast<size_t>(i)])) {
            joined = false;
            continue;
        }
        const QPointF q = at(i);
        joined ? path.lineTo(q) : path.moveTo(q);
        joined = true;
        p.drawEllipse(q, 2.5, 2.5);
    }
    p.drawPath(path);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawText(QRectF(0, plot.top() - fm.height() / 2.0, left - 4, fm.height()), Qt::AlignRight,
               valueText(high));
    p.drawText(QRectF(0, plot.bottom() - fm.height() / 2.0, left - 4, fm.height()), Qt::AlignRight,
               valueText(low));
    if (m_axis.size() == n && n > 0) {
        const qreal y = plot.bottom() + 4;
        p.drawText(QRectF(plot.left() - 40, y, 80, fm.height()), Qt::AlignHCenter, m_axis.first().trimmed());
        if (n > 1)
            p.drawText(QRectF(plot.right() - 40, y, 80, fm.height()), Qt::AlignHCenter,
                       m_axis.last().trimmed());
    }
}

} // namespace korvel
