#pragma once

#include "linkmonitor/linkrow.h"

#include <QString>

#include <deque>
#include <vector>

namespace LinkMonitor {

// What the rows of one line add up to: answers and time-outs, refusals, round
// trips of the usable answers, the frame rate of the last second, the last error.
class LinkCounters
{
public:
    void add(const LinkRow &row);
    void clear();

    int answered() const { return m_answered; }
    int unanswered() const { return m_unanswered; }
    int refusals() const { return m_refusals; }
    int unusable() const { return m_unusable; }
    // Frames (requests and answers) in the second before `nowMs`.
    int framesPerSecond(qint64 nowMs) const;
    // Round trip in microseconds below which `share` (0..1) of the answers came; -1: none yet.
    qint64 roundTripPercentileUs(double share) const;
    QString lastError() const { return m_lastError; }
    qint64 lastErrorTimeMs() const { return m_lastErrorTimeMs; }

private:
    // Enough for the percentiles of a day's polling at any usable resolution.
    static constexpr size_t maxRoundTrips = 100000;

    int m_answered = 0;
    int m_unanswered = 0;
    int m_refusals = 0;
    int m_unusable = 0;
    std::deque<qint64> m_recentFrameTimes;
    std::deque<qint64> m_roundTrips;
    QString m_lastError;
    qint64 m_lastErrorTimeMs = 0;
};

} // namespace LinkMonitor
