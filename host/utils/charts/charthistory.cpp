#include "utils/charts/charthistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Utils {
namespace Charts {

namespace {
constexpr double Inf = std::numeric_limits<double>::infinity();
}

void ChartHistory::Summary::reset()
{
    min = Inf;
    max = -Inf;
    finite = 0;
    nonFinite = 0;
}

void ChartHistory::Summary::add(double v)
{
    if (std::isfinite(v)) {
        min = std::min(min, v);
        max = std::max(max, v);
        ++finite;
    } else {
        ++nonFinite;
    }
}

void ChartHistory::Summary::merge(const Summary &other)
{
    min = std::min(min, other.min);
    max = std::max(max, other.max);
    finite += other.finite;
    nonFinite += other.nonFinite;
}

ChartHistory::Chunk::Chunk()
    : times(ChunkSize)
    , values{ValueColumn(ChunkSize), ValueColumn(ChunkSize)}
{
    for (int s = 0; s < 2; ++s) {
        all[s].reset();
        for (Summary &run : runs[s])
            run.reset();
        for (Summary &block : blocks[s])
            block.reset();
    }
}

ChartHistory::ChartHistory() = default;
ChartHistory::~ChartHistory() = default;
ChartHistory::ChartHistory(ChartHistory &&other) noexcept = default;
ChartHistory &ChartHistory::operator=(ChartHistory &&other) noexcept = default;

bool ChartHistory::append(double timeMs, double value, double analog)
{
    if (!std::isfinite(timeMs) || (m_size > 0 && timeMs < lastTime()))
        return false;
    const std::size_t offset = m_size % ChunkSize;
    if (offset == 0)
        m_chunks.push_back(std::make_unique<Chunk>());
    Chunk &chunk = *m_chunks.back();
    chunk.times.append(timeMs);
    chunk.values[Value].append(value);
    chunk.values[Analog].append(analog);
    if (offset + 1 == ChunkSize) {
        chunk.values[Value].seal();
        chunk.values[Analog].seal();
    }
    chunk.runs[Value][offset / RunSize].add(value);
    chunk.runs[Analog][offset / RunSize].add(analog);
    chunk.blocks[Value][offset / BlockSize].add(value);
    chunk.blocks[Analog][offset / BlockSize].add(analog);
    chunk.all[Value].add(value);
    chunk.all[Analog].add(analog);
    m_lastTime = timeMs;
    ++m_size;
    return true;
}

void ChartHistory::clear()
{
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_size = 0;
}

double ChartHistory::time(std::size_t i) const
{
    return m_chunks[i / ChunkSize]->times.at(i % ChunkSize);
}

double ChartHistory::value(std::size_t i, Series series) const
{
    return m_chunks[i / ChunkSize]->values[series].at(i % ChunkSize);
}

std::size_t ChartHistory::lowerBound(double timeMs) const
{
    return lowerBound(timeMs, 0);
}

std::size_t ChartHistory::lowerBound(double timeMs, std::size_t from) const
{
    if (from >= m_size || time(from) >= timeMs)
        return std::min(from, m_size);
    if (time(m_size - 1) < timeMs)
        return m_size;
    // time(lo) < timeMs <= time(hi). Points mostly come at a steady rate, so
    // a guess by interpolation usually lands a few points from the answer;
    // galloping from there keeps the search logarithmic for any spacing.
    std::size_t lo = from;
    std::size_t hi = m_size - 1;
    const double t0 = time(lo);
    const double t1 = time(hi);
    std::size_t guess = lo + 1;
    if (t1 > t0) {
        const double f = (timeMs - t0) / (t1 - t0);
        guess = std::clamp(lo + std::size_t(f * double(hi - lo)), lo + 1, hi);
    }
    if (time(guess) >= timeMs) {
        hi = guess;
        for (std::size_t step = 1; hi - lo > 1; step *= 2) {
            const std::size_t probe = hi - std::min(step, hi - lo - 1);
            if (time(probe) < timeMs) {
                lo = probe;
                break;
            }
            hi = probe;
            if (probe == lo + 1)
                break;
        }
    } else {
        lo = guess;
        for (std::size_t step = 1; hi - lo > 1; step *= 2) {
            const std::size_t probe = lo + std::min(step, hi - lo - 1);
            if (time(probe) >= timeMs) {
                hi = probe;
                break;
            }
            lo = probe;
            if (probe == hi - 1)
                break;
        }
    }
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        (time(mid) < timeMs ? lo : hi) = mid;
    }
    return hi;
}

void ChartHistory::add(Extremes &out, const Summary &summary)
{
    out.min = std::min(out.min, summary.min);
    out.max = std::max(out.max, summary.max);
    out.finite += summary.finite;
    out.nonFinite += summary.nonFinite;
}

void ChartHistory::scan(Series series, const Chunk &chunk, std::size_t from, std::size_t to,
                        Extremes &out) const
{
    const ValueColumn &values = chunk.values[series];
    for (std::size_t i = from; i < to; ++i) {
        const double v = values.at(i);
        if (std::isfinite(v)) {
            out.min = std::min(out.min, v);
            out.max = std::max(out.max, v);
            ++out.finite;
        } else {
            ++out.nonFinite;
        }
    }
}

ChartHistory::Extremes ChartHistory::extremes(Series series, std::size_t from,
                                              std::size_t to) const
{
    Extremes out{Inf, -Inf, 0, 0};
    to = std::min(to, m_size);
    while (from < to) {
        const std::size_t c = from / ChunkSize;
        const Chunk &chunk = *m_chunks[c];
        const std::size_t base = c * ChunkSize;
        const std::size_t begin = from - base;
        const std::size_t end = std::min(to - base, ChunkSize);
        if (begin == 0 && end == ChunkSize) {
            add(out, chunk.all[series]);
        } else {
            std::size_t i = begin;
            while (i < end) {
                const std::size_t blockEnd = (i / BlockSize + 1) * BlockSize;
                if (i % BlockSize == 0 && blockEnd <= end) {
                    add(out, chunk.blocks[series][i / BlockSize]);
                    i = blockEnd;
                    continue;
                }
                const std::size_t runEnd = (i / RunSize + 1) * RunSize;
                if (i % RunSize == 0 && runEnd <= end) {
                    add(out, chunk.runs[series][i / RunSize]);
                    i = runEnd;
                } else {
                    const std::size_t stop = std::min(runEnd, end);
                    scan(series, chunk, i, stop, out);
                    i = stop;
                }
            }
        }
        from = base + end;
    }
    return out;
}

ValueOverTime ChartHistory::toValueOverTime(Series series) const
{
    QVector<double> times(static_cast<int>(m_size));
    QVector<double> values(static_cast<int>(m_size));
    double *t = times.data();
    double *v = values.data();
    for (std::size_t c = 0; c < m_chunks.size(); ++c) {
        const std::size_t count = std::min(ChunkSize, m_size - c * ChunkSize);
        const Chunk &chunk = *m_chunks[c];
        for (std::size_t i = 0; i < count; ++i) {
            t[c * ChunkSize + i] = chunk.times.at(i);
            v[c * ChunkSize + i] = chunk.values[series].at(i);
        }
    }
    return ValueOverTime(std::move(times), std::move(values));
}

std::size_t ChartHistory::memoryBytes() const
{
    std::size_t bytes = m_chunks.capacity() * sizeof(void *);
    for (const auto &chunk : m_chunks) {
        bytes += sizeof(Chunk) + chunk->times.memoryBytes() + chunk->values[Value].memoryBytes()
            + chunk->values[Analog].memoryBytes();
    }
    return bytes;
}

} // namespace Charts
} // namespace Utils
