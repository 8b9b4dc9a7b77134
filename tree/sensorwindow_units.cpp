#include "window/sensorwindow.h"

#include "tree/treehandlingpause.h"

#include "window/sensorwindowstate.h"

#include "chart/pressureunits.h"

#include "propertybrowser/qtdoublepropertymanager.h"
#include "propertybrowser/qtenumpropertymanager.h"

namespace OrvexSensorPlugin {
namespace Core {

namespace {
const char *const pressureParameterIds[] = {
    "ThresholdsPressure1A1", "ThresholdsPressure2A1", "ThresholdsPressure1A2",
    "ThresholdsPressure2A2", "analogPressure0V",      "analogPressure10V"};
}

void SensorWindow::updateThresholdDecimals()
{
    TreeHandlingPause pause(this);
    const int decimals = pressureDecimals(state->decVal);
    for (int i = 0; i < 4; ++i) {
        if (QtProperty *property = findPropertyById(state->rootProperty, pressureParameterIds[i]))
            state->doubleManager->setDecimals(property, decimals);
    }
}

void SensorWindow::reexpressThresholds(int previousUnit)
{
    TreeHandlingPause pause(this);
    if (QtProperty *unit = findPropertyById(state->rootProperty, "TemperatureSettings"))
        state->unitIndex = state->enumManager->value(unit);

    QtDoublePropertyManager *doubles = state->doubleManager;
    QtProperty *properties[6];
    for (int i = 0; i < 6; ++i)
        properties[i] = findPropertyById(state->rootProperty, pressureParameterIds[i]);

    // Wide limits first, so that no value is clipped on its way between units.
    for (QtProperty *property : properties) {
        if (property)
            doubles->setRange(property, -1000000000.0, 1000000000.0);
    }

    const double toBar = pressureFactorToBar(previousUnit);
    const int unit = state->unitIndex;
    for (QtProperty *property : properties) {
        if (!property)
            continue;
        const double bar = roundToThreeDecimals(doubles->value(property) * toBar);
        doubles->setValue(property, convertPressure(bar, unit, true));
        doubles->setMinimum(property, convertPressure(state->minRange, unit, true));
        doubles->setMaximum(property, convertPressure(state->maxRange, unit, true));
    }
}

} // namespace Core
} // namespace OrvexSensorPlugin
