#include "strip_chart.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel {

namespace {
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
}

StripChart::StripChart(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("chtStrip"));
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    m_x = new QValueAxis;
    m_x->setTitleText(QStringLiteral("Seconds"));
    m_x->setLabelFormat(QStringLiteral("%.0f"));
    m_y = new QValueAxis;
    m_y->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(m_x, Qt::AlignBottom);
    chart->addAxis(m_y, Qt::AlignLeft);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(360, 240);
    rebuild();
}

void StripChart::setDefinition(const AdxDefinition* def) {
    for (const Trace& t : m_traces)
        chart()->removeSeries(t.series), delete t.series;
    m_traces.clear();
    m_history.clear();
    m_def = def;
    m_x->setRange(0, kSpan);
    rebuild();
}

bool StripChart::plotted(int index) const {
    return std::any_of(m_traces.begin(), m_traces.end(), [&](const Trace& t) { return t.index == index; });
}

void StripChart::setPlotted(int index, bool on) {
    if (!m_def || index < 0 || size_t(index) >= m_def->values.size() || plotted(index) == on) return;
    if (on) {
        const AdxValue& v = m_def->values[size_t(index)];
        Trace t{index, new QLineSeries, kNone, kNone};
        if (v.rangeHigh > v.rangeLow) t.low = v.rangeLow, t.high = v.rangeHigh;
        for (const auto& frame : m_history)
            widen(t, frame.second[size_t(index)]);
        chart()->addSeries(t.series);
        t.series->attachAxis(m_x);
        t.series->attachAxis(m_y);
        m_traces.push_back(t);
    } else {
        const auto at =
            std::find_if(m_traces.begin(), m_traces.end(), [&](const Trace& t) { return t.index == index; });
        chart()->removeSeries(at->series);
        delete at->series;
        m_traces.erase(at);
    }
    rebuild();
}

void StripChart::widen(Trace& t, double value) const {
    if (std::isnan(value)) return;
    if (std::isnan(t.low) || value < t.low) t.low = value;
    if (std::isnan(t.high) || value > t.high) t.high = value;
}

std::pair<double, double> StripChart::padded(const Trace& t) {
    if (std::isnan(t.low)) return {0, 1};
    if (t.high > t.low) return {t.low, t.high};
    const double room = std::max(1.0, std::abs(t.low) * 0.05);
    return {t.low - room, t.high + room};
}

double StripChart::shown(const Trace& t, double value) const {
    if (m_traces.size() == 1) return value;
    const auto [low, high] = padded(t);
    return 100 * (value - low) / (high - low);
}

void StripChart::append(double seconds, const AdxDecoded& decoded) {
    if (!m_def) return;
    std::vector<double> values(m_def->values.size(), kNone);
    for (size_t k = 0; k < values.size() && k < decoded.values.size(); ++k)
        if (decoded.values[k].valid) values[k] = decoded.values[k].value;
    m_history.emplace_back(seconds, std::move(values));
    const double oldest = seconds - kSpan;
    while (m_history.front().first < oldest)
        m_history.pop_front();
    m_x->setRange(std::max(0.0, oldest), std::max(kSpan, seconds));

    bool rescaled = false;
    for (Trace& t : m_traces) {
        const double v = m_history.back().second[size_t(t.index)];
        const auto before = padded(t);
        widen(t, v);
        rescaled = rescaled || padded(t) != before;
    }
    if (rescaled) return rebuild();
    for (const Trace& t : m_traces) {
        const double v = m_history.back().second[size_t(t.index)];
        if (!std::isnan(v)) t.series->append(seconds, shown(t, v));
        int old = 0;
        while (old < t.series->count() && t.series->at(old).x() < oldest)
            ++old;
        if (old > 0) t.series->removePoints(0, old);
    }
}

void StripChart::rebuild() {
    for (const Trace& t : m_traces) {
        const AdxValue& v = m_def->values[size_t(t.index)];
        QList<QPointF> points;
        for (const auto& [seconds, values] : m_history)
            if (!std::isnan(values[size_t(t.index)]))
                points.append(QPointF(seconds, shown(t, values[size_t(t.index)])));
        t.series->replace(points);
        const auto [low, high] = padded(t);
        QString scale = QStringLiteral("%1 to %2").arg(adxFormat(v, low), adxFormat(v, high));
        if (!v.units.isEmpty()) scale += QLatin1Char(' ') + v.units;
        t.series->setName(m_traces.size() == 1 ? v.name() : QStringLiteral("%1 (%2)").arg(v.name(), scale));
    }
    if (m_traces.size() == 1) {
        const Trace& t = m_traces.front();
        const AdxValue& v = m_def->values[size_t(t.index)];
        const auto [low, high] = padded(t);
        m_y->setRange(low, high);
        m_y->setTitleText(v.units.isEmpty() ? v.name() : QStringLiteral("%1 (%2)").arg(v.name(), v.units));
    } else {
        m_y->setRange(0, 100);
        m_y->setTitleText(m_traces.empty() ? QStringLiteral("Tick a value to chart it")
                                           : QStringLiteral("% of scale"));
    }
    chart()->legend()->setVisible(!m_traces.empty());
}

QList<QPointF> StripChart::points(int index) const {
    for (const Trace& t : m_traces)
        if (t.index == index) return t.series->points();
    return {};
}

QString StripChart::axisTitle() const {
    return m_y->titleText();
}

} // namespace korvel
