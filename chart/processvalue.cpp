#include "chart/processvalue.h"

namespace OrvexSensorPlugin {
namespace Core {

namespace {

int hexDigit(QChar c)
{
    const char ch = c.toLatin1();
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Only hexadecimal digits count; a sign, blank or "0x" prefix makes the field unreadable.
bool readHex(const QString &digits, unsigned int &out)
{
    unsigned int value = 0;
    for (const QChar c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return false;
        value = value * 16u + unsigned(digit);
    }
    out = value;
    return !digits.isEmpty();
}

} // namespace

ProcessValue decodeProcessValue(const QString &hexAnswer)
{
    const QString tail = hexAnswer.right(8);
    ProcessValue result;
    unsigned int raw = 0;
    if (tail.size() == 8 && readHex(tail.left(4), raw))
        result.raw = raw >= 0x8000u ? int(raw) - 0x10000 : int(raw);
    unsigned int status = 0;
    if (tail.size() == 8 && readHex(tail.mid(7, 1), status))
        result.status = status;
    return result;
}

double analogEquivalent(double pressure, double analogLow, double analogHigh, int analogMode)
{
    const double ratio = (pressure - analogLow) / (analogHigh - analogLow);
    return analogMode == 0 ? ratio * 10.0 : ratio * 16.0 + 4.0;
}

QString unitOfSuffix(const QString &unitSuffix)
{
    const QString unit = unitSuffix.trimmed();
    if (unit.startsWith(QLatin1Char('(')) && unit.endsWith(QLatin1Char(')')))
        return unit.mid(1, unit.size() - 2);
    return unit;
}

QString processValueText(double value, const QString &unitSuffix)
{
    const QString unit = unitOfSuffix(unitSuffix);
    QString text = QStringLiteral("  ") + QString::number(value, 'g', 6);
    if (!unit.isEmpty())
        text += QLatin1Char(' ') + unit;
    return text;
}

} // namespace Core
} // namespace OrvexSensorPlugin
