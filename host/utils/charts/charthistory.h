#pragma once

#include "utils/utils_global.h"
#include "utils/charts/timecolumn.h"
#include "utils/charts/valuecolumn.h"
#include "utils/charts/valueovertime.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Utils {
namespace Charts {

// History of one plot row: per point a time (ms since the epoch, never
// decreasing), a value and an analog value. Points are kept in fixed-size
// chunks, so growing never copies the history; within a chunk, times are
// offsets from its first time and values indices into a table of its distinct
// values wherever that gives every number back exactly (see TimeColumn and
// ValueColumn). Every run of 32 points, every block of 1024 and every chunk
// keeps the minimum and maximum of its finite values, so that the extremes of
// any index range are found without rescanning it.
class UTILS_EXPORT ChartHistory
{
public:
    enum Series { Value = 0, Analog = 1 };

    struct Extremes
    {
        double min;
        double max;
        std::size_t finite;    // finite points in the range
        std::size_t nonFinite; // NaN and infinite points in the range
    };

    ChartHistory();
    ~ChartHistory();
    ChartHistory(ChartHistory &&other) noexcept;
    ChartHistory &operator=(ChartHistory &&other) noexcept;
    ChartHistory(const ChartHistory &) = delete;
    ChartHistory &operator=(const ChartHistory &) = delete;

    // Refuses a time that is not finite or lies before the last one.
    bool append(double timeMs, double value, double analog);
    void clear();

    std::size_t size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    double time(std::size_t i) const;
    double value(std::size_t i, Series series) const;
    double lastTime() const { return m_size ? m_lastTime : 0.0; }

    // First index whose time is not below timeMs (size() if there is none).
    std::size_t lowerBound(double timeMs) const;
    // The same, searching only from index `from` on (the answer is at least `from`).
    std::size_t lowerBound(double timeMs, std::size_t from) const;
    // Extremes of the finite values of [from, to).
    Extremes extremes(Series series, std::size_t from, std::size_t to) const;

    ValueOverTime toValueOverTime(Series series = Value) const;
    // Bytes held for the points and their cached extremes.
    std::size_t memoryBytes() const;

    static constexpr std::size_t ChunkSize = 4096;
    static constexpr std::size_t RunSize = 32;
    static constexpr std::size_t BlockSize = 1024;

private:
    struct Summary
    {
        double min;
        double max;
        std::uint32_t finite;
        std::uint32_t nonFinite;
        void reset();
        void add(double v);
        void merge(const Summary &other);
    };
    struct Chunk
    {
        Chunk();
        TimeColumn times;
        ValueColumn values[2];
        Summary runs[2][ChunkSize / RunSize];
        Summary blocks[2][ChunkSize / BlockSize];
        Summary all[2];
    };

    void scan(Series series, const Chunk &chunk, std::size_t from, std::size_t to,
              Extremes &out) const;
    static void add(Extremes &out, const Summary &summary);

    std::vector<std::unique_ptr<Chunk>> m_chunks;
    std::size_t m_size = 0;
    double m_lastTime = 0.0; // time(m_size - 1), kept for appending
};

} // namespace Charts
} // namespace Utils
