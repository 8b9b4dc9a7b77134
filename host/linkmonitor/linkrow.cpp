#include "linkmonitor/linkrow.h"

#include <QDateTime>

namespace LinkMonitor {

namespace {

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString LinkRow::timeText() const
{
    return QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString LinkRow::directionText() const
{
    return direction == Direction::Request ? QStringLiteral("request") : QStringLiteral("answer");
}

QString LinkRow::bytesText() const
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString LinkRow::roundTripText() const
{
    return roundTripUs < 0 ? QString() : QString::number(double(roundTripUs) / 1000.0, 'f', 1);
}

QString LinkRow::csvHeader()
{
    return QStringLiteral("time,port,direction,bytes,meaning,round_trip_ms");
}

QString LinkRow::csvLine() const
{
    const QString time =
        QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    return QStringList{time, csvField(port), directionText(), bytesText(),
                       csvField(meaning.text), roundTripText()}
        .join(QLatin1Char(','));
}

} // namespace LinkMonitor
