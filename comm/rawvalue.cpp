#include "rawvalue.h"

namespace OrvexSensorPlugin {
namespace Core {

int enumRawFromIndex(const QString &id, int index)
{
    if (id == QLatin1String("DataStorageLock"))
        return index == 1 ? 2 : 0;
    if (id == QLatin1String("PinFunctionA2"))
        return index == 0 ? 1 : index + 2;
    return index;
}

int doubleRawValue(const QString &id, double value, double decVal)
{
    const int decimals = decVal == 10.0 ? 1 : 2;
    QString text = QString::number(value, 'f', decimals);
    const int dot = text.indexOf(QLatin1Char('.'), 1);
    if (dot >= 0)
        text.remove(dot, 1);
    bool ok = false;
    int raw = text.toInt(&ok);
    if (!ok)
        raw = 0;
    // Two decimals reach only a hundredth; pressures at decVal 1000 need one more digit.
    if (decVal != 10.0 && decVal != 100.0 && id.contains(QLatin1String("Pressure")))
        raw *= 10;
    return raw;
}

} // namespace Core
} // namespace OrvexSensorPlugin
