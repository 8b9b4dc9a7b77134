#pragma once

#include <QString>

namespace OrvexSensorPlugin {
namespace Core {

// Left axis, timeline and title suffix of the chart for a pressure unit
// (0 bar, 1 psi, 2 MPa, 3 kPa) and a measuring range in bar.
struct UnitScale
{
    bool known = false;   // false for a unit index outside 0 to 3: change nothing
    double low = 0.0;
    double high = 0.0;
    double timelineLow = 0.0;
    double timelineHigh = 0.0;
    QString suffix;       // " (bar)" and so on, with a leading blank
};

UnitScale unitScale(int unitIndex, double minRange, double maxRange);

} // namespace Core
} // namespace OrvexSensorPlugin
