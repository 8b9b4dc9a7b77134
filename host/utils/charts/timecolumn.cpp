#include "utils/charts/timecolumn.h"

#include <cmath>
#include <cstring>

namespace Utils {
namespace Charts {

TimeColumn::TimeColumn(std::size_t capacity)
    : m_capacity(capacity)
    , m_offsets(new std::uint32_t[capacity])
{}

bool TimeColumn::fitsOffset(double t, std::uint32_t &offset) const
{
    const double d = t - m_base;
    if (!(d >= 0.0 && d <= 4294967295.0) || d != std::floor(d))
        return false;
    offset = std::uint32_t(d);
    // Negative zero and times far from the base do not come back by addition.
    const double back = m_base + double(offset);
    return std::memcmp(&back, &t, sizeof t) == 0;
}

void TimeColumn::append(double t)
{
    if (m_size == 0)
        m_base = t;
    std::uint32_t offset = 0;
    if (!m_plain && !fitsOffset(t, offset)) {
        m_plain.reset(new double[m_capacity]);
        for (std::size_t i = 0; i < m_size; ++i)
            m_plain[i] = m_base + double(m_offsets[i]);
        m_offsets.reset();
    }
    if (m_plain)
        m_plain[m_size] = t;
    else
        m_offsets[m_size] = offset;
    ++m_size;
}

std::size_t TimeColumn::memoryBytes() const
{
    return m_capacity * (m_plain ? sizeof(double) : sizeof(std::uint32_t));
}

} // namespace Charts
} // namespace Utils
