#pragma once

#include <QString>

namespace OrvexSensorPlugin {
namespace Core {

// Pressure units of the parameter "TemperatureSettings": 0 bar, 1 psi, 2 MPa, 3 kPa.
constexpr int pressureUnitCount = 4;

// Factor that turns a value in bar into the unit; 0.0 outside 0 to 3.
double pressureFactorFromBar(int unitIndex);

// Factor that turns a value in the unit back into bar; 0.0 outside 0 to 3.
double pressureFactorToBar(int unitIndex);

// " (bar)", " (psi)", " (MPa)", " (kPa)"; empty outside 0 to 3.
QString pressureUnitSuffix(int unitIndex);

// The value formatted in fixed notation with 3 decimals and read back.
double roundToThreeDecimals(double value);

// value x the unit's factor from bar (fromBar) or to bar, rounded to 3 decimals.
double convertPressure(double value, int unitIndex, bool fromBar);

// The four switching points, and with them the analog output's two ends: the
// doubles the window shows in the chosen unit and the sensor holds in bar.
bool isThresholdParameter(const QString &id);
bool isPressureParameter(const QString &id);

// Decimals of pressure parameters for a raw-value divisor: exactly 10 gives 1,
// exactly 100 gives 2, anything else 3.
int pressureDecimals(double decVal);

} // namespace Core
} // namespace OrvexSensorPlugin
