#pragma once

#include "extensionsystem/serialchannel.h"

#include <QElapsedTimer>

#include <sys/resource.h>

#include <algorithm>
#include <functional>
#include <vector>

// The host's channel, noting when each frame is handed to it. After stopAfter
// frames it calls onEnough from the poll itself: a timer that looked for the end
// would wake the process between polls and count as their CPU time.
class TimedChannel : public ExtensionSystem::SerialChannel
{
public:
    using SerialChannel::SerialChannel;

    unsigned int uSendDataFrame(DataFrame *frame) override
    {
        sentNs.push_back(clock->nsecsElapsed());
        if (sentNs.size() == stopAfter && onEnough)
            onEnough();
        return SerialChannel::uSendDataFrame(frame);
    }

    // Milliseconds between one frame and the next.
    std::vector<double> intervalsMs() const
    {
        std::vector<double> intervals;
        for (std::size_t i = 1; i < sentNs.size(); ++i)
            intervals.push_back(double(sentNs[i] - sentNs[i - 1]) / 1e6);
        return intervals;
    }

    const QElapsedTimer *clock = nullptr;
    std::vector<qint64> sentNs;
    std::size_t stopAfter = 0;
    std::function<void()> onEnough;
};

// CPU time of this process, user and system, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const std::size_t i = std::min(values.size() - 1,
                                   static_cast<std::size_t>(p * double(values.size() - 1) + 0.5));
    return values[i];
}
