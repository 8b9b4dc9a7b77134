#pragma once

#include <QString>

namespace OrvexSensorPlugin {
namespace Core {

// The end of a process-data answer: the last four bytes as eight hex digits.
// Digits 1 to 4 are the raw pressure (signed 16-bit, most significant byte
// first), digits 5 to 7 are unused, digit 8 holds the status bits.
struct ProcessValue
{
    int raw = 0;
    unsigned int status = 0;

    bool output1Switched() const { return status & 0x1u; }
    bool output2Switched() const { return status & 0x2u; }
    bool signalTooLow() const { return status & 0x4u; }
};

// Digits that are not hexadecimal give a raw value (or status) of 0.
ProcessValue decodeProcessValue(const QString &hexAnswer);

// The analog output's signal for a pressure: 0 to 10 V when analogMode is 0,
// else 4 to 20 mA, scaled between the pressures at the two ends. With both ends
// equal (output 2 never found analog) the result is not finite.
double analogEquivalent(double pressure, double analogLow, double analogHigh, int analogMode);

// The unit in a chart title's suffix: " (bar)" gives "bar".
QString unitOfSuffix(const QString &unitSuffix);

// The process value row's state text: two blanks, 6 significant digits, a blank
// and the unit of the chart's title suffix (" (bar)" gives "  1.5 bar").
QString processValueText(double value, const QString &unitSuffix);

} // namespace Core
} // namespace OrvexSensorPlugin
