#pragma once

#include "linkmonitor/linkdecoder.h"

#include <QByteArray>
#include <QString>

class QTextStream;

namespace LinkMonitor {

// One frame on a line (or the time-out that stood in for one), decoded.
struct LinkRow
{
    enum class Direction { Request, Answer };

    qint64 timeMs = 0;           // wall clock, milliseconds since the epoch
    qint64 roundTripUs = -1;     // answers and time-outs: since their request; -1: none
    QString port;
    Direction direction = Direction::Request;
    QByteArray bytes;            // empty for a time-out
    LinkDecoder::Meaning meaning;

    // "12:04:31.250"
    QString timeText() const;
    QString directionText() const;
    // "03 51 12 01"
    QString bytesText() const;
    // "1.3" (milliseconds), or empty
    QString roundTripText() const;

    static QString csvHeader();
    // One line of CSV, without the line end; the order of csvHeader().
    QString csvLine() const;
};

} // namespace LinkMonitor
