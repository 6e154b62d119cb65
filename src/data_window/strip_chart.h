#pragma once

#include "core/adx_decoder.h"

#include <QChartView>

#include <deque>

class QLineSeries;
class QValueAxis;

namespace korvel {

// The data window's strip chart: the values the user picks, over the last kSpan seconds
// of frames. One value is drawn in its own units; several are each drawn as a percentage
// of their scale, so an engine speed and a temperature share the axis. A value's scale is
// its range in the definition, else what was seen of it, and widens to take in whatever
// comes outside it.
class StripChart : public QChartView {
    Q_OBJECT
public:
    static constexpr double kSpan = 60; // s

    explicit StripChart(QWidget* parent = nullptr);

    // Forgets every frame and trace; `def` must outlive its use here.
    void setDefinition(const AdxDefinition* def);
    // Draws value `index` (of the definition's values) or takes it away; its past frames show at once.
    void setPlotted(int index, bool on);
    bool plotted(int index) const;
    // A frame at `seconds` on the line's clock.
    void append(double seconds, const AdxDecoded& decoded);

    // What is drawn for value `index`, in the vertical axis's terms; empty when not plotted.
    QList<QPointF> points(int index) const;
    QString axisTitle() const;

private:
    struct Trace {
        int index;
        QLineSeries* series;
        double low, high; // the value's scale
    };
    // The scale with room: a scale of one point spreads to either side of it.
    static std::pair<double, double> padded(const Trace& t);
    double shown(const Trace& t, double value) const;
    void widen(Trace& t, double value) const;
    // Draws every trace again from the frames kept, with its name and the axes.
    void rebuild();

    const AdxDefinition* m_def = nullptr;
    // Every value of the frames of the last kSpan seconds, NaN where a value was not valid.
    std::deque<std::pair<double, std::vector<double>>> m_history;
    std::vector<Trace> m_traces;
    QValueAxis* m_x;
    QValueAxis* m_y;
};

} // namespace korvel
