#include "linkmonitor/linkcounters.h"

#include <algorithm>
#include <cmath>

namespace LinkMonitor {

void LinkCounters::add(const LinkRow &row)
{
    using Outcome = LinkDecoder::Outcome;
    if (!row.bytes.isEmpty()) {
        m_recentFrameTimes.push_back(row.timeMs);
        while (m_recentFrameTimes.front() < row.timeMs - 1000)
            m_recentFrameTimes.pop_front();
    }
    switch (row.meaning.outcome) {
    case Outcome::Answer:
    case Outcome::ProcessData:
    case Outcome::Refusal:
        ++m_answered;
        if (row.roundTripUs >= 0) {
            m_roundTrips.push_back(row.roundTripUs);
            if (m_roundTrips.size() > maxRoundTrips)
                m_roundTrips.pop_front();
        }
        break;
    case Outcome::Timeout:
        ++m_unanswered;
        break;
    case Outcome::Unusable:
        ++m_unusable;
        break;
    case Outcome::Request:
        return;
    }
    if (row.meaning.outcome == Outcome::Refusal)
        ++m_refusals;
    if (row.meaning.outcome == Outcome::Refusal || row.meaning.outcome == Outcome::Timeout
        || row.meaning.outcome == Outcome::Unusable) {
        m_lastError = row.meaning.text;
        m_lastErrorTimeMs = row.timeMs;
    }
}

void LinkCounters::clear()
{
    *this = LinkCounters();
}

int LinkCounters::framesPerSecond(qint64 nowMs) const
{
    return int(std::count_if(m_recentFrameTimes.begin(), m_recentFrameTimes.end(),
                             [nowMs](qint64 t) { return t > nowMs - 1000 && t <= nowMs; }));
}

qint64 LinkCounters::roundTripPercentileUs(double share) const
{
    if (m_roundTrips.empty())
        return -1;
    std::vector<qint64> sorted(m_roundTrips.begin(), m_roundTrips.end());
    const size_t rank = size_t(std::ceil(qBound(0.0, share, 1.0) * double(sorted.size())));
    const size_t index = rank == 0 ? 0 : rank - 1;
    std::nth_element(sorted.begin(), sorted.begin() + long(index), sorted.end());
    return sorted[index];
}

} // namespace LinkMonitor
