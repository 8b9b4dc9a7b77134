#pragma once

#include "utils/utils_global.h"

#include <QVector>

namespace Utils {

// A series of values over time: times in milliseconds since the epoch and the
// value at each time. Copies share their data until one of them is changed.
class UTILS_EXPORT ValueOverTime
{
public:
    ValueOverTime() = default;
    // Keeps as many pairs as the shorter of the two vectors holds.
    ValueOverTime(QVector<double> times, QVector<double> values);

    int size() const { return m_times.size(); }
    bool isEmpty() const { return m_times.isEmpty(); }

    const double *pxData() const { return m_times.constData(); }
    const double *pyData() const { return m_values.constData(); }
    double x(int i) const { return m_times.at(i); }
    double y(int i) const { return m_values.at(i); }

    void reserve(int size);
    void append(double timeMs, double value);
    void clear();

private:
    QVector<double> m_times;
    QVector<double> m_values;
};

} // namespace Utils
