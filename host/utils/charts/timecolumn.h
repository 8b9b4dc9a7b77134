#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Utils {
namespace Charts {

// Up to `capacity` times, filled from the front, each read back bit for bit as
// it was stored. Times stamped in whole milliseconds are kept as 32-bit
// offsets from the first one (49 days); any time that offset cannot give back
// exactly turns the column into plain doubles.
class TimeColumn
{
public:
    explicit TimeColumn(std::size_t capacity);

    double at(std::size_t i) const
    {
        return m_plain ? m_plain[i] : m_base + double(m_offsets[i]);
    }
    // Stores t at index size(); the caller keeps size() below the capacity.
    void append(double t);
    std::size_t size() const { return m_size; }
    std::size_t memoryBytes() const;

private:
    bool fitsOffset(double t, std::uint32_t &offset) const;

    std::size_t m_capacity;
    std::size_t m_size = 0;
    double m_base = 0.0;
    std::unique_ptr<std::uint32_t[]> m_offsets;
    std::unique_ptr<double[]> m_plain;
};

} // namespace Charts
} // namespace Utils
