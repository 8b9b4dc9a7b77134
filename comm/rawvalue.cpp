#include "comm/rawvalue.h"

#include <climits>

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

int doubleRawValue(const QString &id, double value, double decVal, bool *ok)
{
    if (ok)
        *ok = false;
    const int decimals = decVal == 10.0 ? 1 : 2;
    QString text = QString::number(value, 'f', decimals);
    const int dot = text.indexOf(QLatin1Char('.'), 1);
    if (dot >= 0)
        text.remove(dot, 1);
    bool converted = false;
    int raw = text.toInt(&converted);
    if (!converted)
        return 0;
    // Two decimals reach only a hundredth; pressures at decVal 1000 need one more digit.
    if (decVal != 10.0 && decVal != 100.0 && id.contains(QLatin1String("Pressure"))) {
        if (raw > INT_MAX / 10 || raw < INT_MIN / 10)
            return 0;
        raw *= 10;
    }
    if (ok)
        *ok = true;
    return raw;
}

RawRange rawRangeOf(int sizeCode, bool isDouble)
{
    if (sizeCode == 6)
        return {0, 255};
    return isDouble ? RawRange{-32768, 32767} : RawRange{0, 65535};
}

} // namespace Core
} // namespace OrvexSensorPlugin
