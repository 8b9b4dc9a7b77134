#include "chart/unitscale.h"

#include "chart/pressureunits.h"

namespace OrvexSensorPlugin {
namespace Core {

UnitScale unitScale(int unitIndex, double minRange, double maxRange)
{
    UnitScale scale;
    if (unitIndex < 0 || unitIndex >= pressureUnitCount)
        return scale;
    const double factor = pressureFactorFromBar(unitIndex);
    scale.known = true;
    scale.low = minRange * factor;
    scale.high = maxRange * factor;
    scale.suffix = pressureUnitSuffix(unitIndex);
    scale.timelineLow = scale.low;
    scale.timelineHigh = scale.high;
    // The kPa overview strip keeps one more maxRange of head room above the axis top.
    if (unitIndex == 3)
        scale.timelineHigh += maxRange;
    return scale;
}

} // namespace Core
} // namespace OrvexSensorPlugin
