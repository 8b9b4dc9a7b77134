#include "utils/charts/valuecolumn.h"

#include <algorithm>
#include <cstring>

namespace Utils {
namespace Charts {

namespace {

std::uint64_t bitsOf(double d)
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

} // namespace

ValueColumn::ValueColumn(std::size_t capacity)
    : m_capacity(capacity)
    , m_index8(new std::uint8_t[capacity])
{}

void ValueColumn::append(double v)
{
    if (m_form == Plain) {
        m_plain[m_size++] = v;
        return;
    }
    const std::size_t index = indexOf(v);
    if (m_form == Index8 && index > 0xff)
        widen();
    // A table as large as three quarters of the column costs as much as plain doubles.
    if (m_form == Index16 && index >= m_capacity * 3 / 4)
        widen();
    switch (m_form) {
    case Index8:
        m_index8[m_size++] = std::uint8_t(index);
        break;
    case Index16:
        m_index16[m_size++] = std::uint16_t(index);
        break;
    case Plain:
        m_plain[m_size++] = v;
        break;
    }
}

std::size_t ValueColumn::indexOf(double v)
{
    if (m_slots.empty())
        m_slots.assign(std::max<std::size_t>(64, m_capacity * 2), 0);
    const std::size_t mask = m_slots.size() - 1; // a power of two
    const std::uint64_t bits = bitsOf(v);
    std::size_t slot = std::size_t((bits * 0x9e3779b97f4a7c15ULL) >> 40) & mask;
    while (m_slots[slot] != 0) {
        const std::size_t index = m_slots[slot] - 1u;
        if (bitsOf(m_table[index]) == bits)
            return index;
        slot = (slot + 1) & mask;
    }
    m_table.push_back(v);
    m_slots[slot] = std::uint16_t(m_table.size());
    return m_table.size() - 1;
}

void ValueColumn::widen()
{
    if (m_form == Index8) {
        m_index16.reset(new std::uint16_t[m_capacity]);
        std::copy_n(m_index8.get(), m_size, m_index16.get());
        m_index8.reset();
        m_form = Index16;
        return;
    }
    m_plain.reset(new double[m_capacity]);
    for (std::size_t i = 0; i < m_size; ++i)
        m_plain[i] = m_table[m_index16[i]];
    m_index16.reset();
    m_table.clear();
    m_table.shrink_to_fit();
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_form = Plain;
}

void ValueColumn::seal()
{
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_table.shrink_to_fit();
}

std::size_t ValueColumn::memoryBytes() const
{
    const std::size_t perPoint = m_form == Index8 ? 1 : m_form == Index16 ? 2 : 8;
    return m_capacity * perPoint + m_table.capacity() * sizeof(double)
        + m_slots.capacity() * sizeof(std::uint16_t);
}

} // namespace Charts
} // namespace Utils
