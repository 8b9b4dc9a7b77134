#include "chart/pressureunits.h"

#include <cmath>

namespace OrvexSensorPlugin {
namespace Core {

double pressureFactorFromBar(int unitIndex)
{
    switch (unitIndex) {
    case 0: return 1.0;
    case 1: return 14.504;
    case 2: return 0.1;
    case 3: return 100.0;
    default: return 0.0;
    }
}

double pressureFactorToBar(int unitIndex)
{
    switch (unitIndex) {
    case 0: return 1.0;
    case 1: return 1.0 / 14.504;
    case 2: return 10.0;
    case 3: return 0.01;
    default: return 0.0;
    }
}

QString pressureUnitSuffix(int unitIndex)
{
    switch (unitIndex) {
    case 0: return QStringLiteral(" (bar)");
    case 1: return QStringLiteral(" (psi)");
    case 2: return QStringLiteral(" (MPa)");
    case 3: return QStringLiteral(" (kPa)");
    default: return QString();
    }
}

double roundToThreeDecimals(double value)
{
    if (!std::isfinite(value))
        return value;
    // Through text, as the value is shown, and independent of the C locale.
    return QString::number(value, 'f', 3).toDouble();
}

double convertPressure(double value, int unitIndex, bool fromBar)
{
    const double factor = fromBar ? pressureFactorFromBar(unitIndex)
                                  : pressureFactorToBar(unitIndex);
    return roundToThreeDecimals(value * factor);
}

int pressureDecimals(double decVal)
{
    if (decVal == 10.0)
        return 1;
    if (decVal == 100.0)
        return 2;
    return 3;
}

bool isThresholdParameter(const QString &id)
{
    return id == QLatin1String("ThresholdsPressure1A1")
        || id == QLatin1String("ThresholdsPressure2A1")
        || id == QLatin1String("ThresholdsPressure1A2")
        || id == QLatin1String("ThresholdsPressure2A2");
}

bool isPressureParameter(const QString &id)
{
    return isThresholdParameter(id) || id == QLatin1String("analogPressure0V")
        || id == QLatin1String("analogPressure10V");
}

} // namespace Core
} // namespace OrvexSensorPlugin
