#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

namespace korvel {

// A line graph of a row of values over their axis: one point a value, left to right, joined
// by lines, scaled to fill the widget between the lowest and the highest value. The first and
// last axis texts stand under the ends, the lowest and highest value beside the value axis.
// A value that is not a number (a cell without a calculated value) leaves a gap in the line.
class LineGraph : public QWidget {
    Q_OBJECT
public:
    explicit LineGraph(QWidget* parent = nullptr);

    // The values and the axis texts (one for each value, or none); repaints.
    void setValues(std::vector<double> values, QStringList axis = {});
    const std::vector<double>& values() const { return m_values; }

    QSize sizeHint() const override { return {320, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> m_values;
    QStringList m_axis;
};

} // namespace korvel
