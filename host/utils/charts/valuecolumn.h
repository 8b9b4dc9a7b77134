#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Utils {
namespace Charts {

// Up to `capacity` doubles, filled from the front, each read back bit for bit
// as it was stored. A sensor's readings repeat a few hundred distinct values
// over thousands of points, so the column keeps a table of its distinct
// values and one 8-bit index a point; it widens to 16-bit indices past 256
// distinct values and to plain doubles once the table would cost more than
// they do.
class ValueColumn
{
public:
    explicit ValueColumn(std::size_t capacity);

    double at(std::size_t i) const
    {
        switch (m_form) {
        case Index8:
            return m_table[m_index8[i]];
        case Index16:
            return m_table[m_index16[i]];
        default:
            return m_plain[i];
        }
    }
    // Stores v at index size(); the caller keeps size() below the capacity.
    void append(double v);
    std::size_t size() const { return m_size; }
    // Drops what only appending needs; the column stays readable.
    void seal();
    std::size_t memoryBytes() const;

private:
    enum Form { Index8, Index16, Plain };

    std::size_t indexOf(double v);
    void widen();

    std::size_t m_capacity;
    std::size_t m_size = 0;
    Form m_form = Index8;
    std::unique_ptr<std::uint8_t[]> m_index8;
    std::unique_ptr<std::uint16_t[]> m_index16;
    std::unique_ptr<double[]> m_plain;
    std::vector<double> m_table;
    // Open addressing over the table while appending: slot holds index + 1, 0 is free.
    std::vector<std::uint16_t> m_slots;
};

} // namespace Charts
} // namespace Utils
