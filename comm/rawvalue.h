#pragma once

#include <QString>

namespace OrvexSensorPlugin {
namespace Core {

// Raw numbers that parameter writes carry.

// Raw value written for an enumeration index: "DataStorageLock" sends 2 for
// locked (index 1) and 0 otherwise; "PinFunctionA2" sends 1 for index 0 and
// index + 2 otherwise; every other enumeration sends its index.
int enumRawFromIndex(const QString &id, int index);

// Raw value of a double: formatted in fixed notation (1 decimal when decVal
// is 10, otherwise 2), the first "." after position 0 removed, read as a
// whole number (0 when that fails, and *ok false); pressures are scaled by a
// further 10 when decVal is neither 10 nor 100.
int doubleRawValue(const QString &id, double value, double decVal, bool *ok = nullptr);

// The raw numbers a value of this size code carries as the sensor reads them:
// one byte 0 to 255; two bytes signed for doubles, unsigned otherwise.
struct RawRange
{
    long minimum = 0;
    long maximum = 0;
    bool contains(long raw) const { return raw >= minimum && raw <= maximum; }
};
RawRange rawRangeOf(int sizeCode, bool isDouble);

} // namespace Core
} // namespace OrvexSensorPlugin
