#include "utils/charts/valueovertime.h"

#include <utility>

namespace Utils {

ValueOverTime::ValueOverTime(QVector<double> times, QVector<double> values)
    : m_times(std::move(times))
    , m_values(std::move(values))
{
    const int n = qMin(m_times.size(), m_values.size());
    m_times.resize(n);
    m_values.resize(n);
}

void ValueOverTime::reserve(int size)
{
    m_times.reserve(size);
    m_values.reserve(size);
}

void ValueOverTime::append(double timeMs, double value)
{
    m_times.append(timeMs);
    m_values.append(value);
}

void ValueOverTime::clear()
{
    m_times.clear();
    m_values.clear();
}

} // namespace Utils
