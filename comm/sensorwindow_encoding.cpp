#include "window/sensorwindow.h"

#include "chart/pressureunits.h"
#include "comm/rawvalue.h"
#include "window/sensorwindowstate.h"

#include "propertybrowser/qtboolpropertymanager.h"
#include "propertybrowser/qtdoublepropertymanager.h"
#include "propertybrowser/qtenumpropertymanager.h"
#include "propertybrowser/qtintpropertymanager.h"
#include "propertybrowser/qtproperty.h"
#include "propertybrowser/qtstringpropertymanager.h"

namespace OrvexSensorPlugin {
namespace Core {

SensorWindow::EncodedWrite SensorWindow::encodeWrite(const QString &id, QtProperty *property,
                                                     const QVariant &value)
{
    EncodedWrite encoded;
    QtAbstractPropertyManager *manager = property->propertyManager();
    if (manager == state->boolManager || manager == state->intManager) {
        encoded.raw = value.toInt();
    } else if (manager == state->enumManager) {
        encoded.raw = enumRawFromIndex(id, value.toInt());
    } else if (manager == state->doubleManager) {
        encodeDoubleWrite(id, property, value, encoded);
    } else if (manager == state->stringManager || manager == state->stringManager2) {
        // A text parameter holds text: the command value 1 that buttons
        // send would overwrite it (write-all reaches every string).
        encoded.text = true;
    } else {
        // Button parameters: the command value.
        encoded.raw = buttonValueFlag ? 1 : 0;
    }
    return encoded;
}

// Pressures go to the sensor in bar. The analog output's two points may not be
// equal: the window keeps them apart.
void SensorWindow::encodeDoubleWrite(const QString &id, QtProperty *property,
                                     const QVariant &value, EncodedWrite &encoded)
{
    double x = value.toDouble();
    const int unit = state->unitIndex;
    bool inBar = isThresholdParameter(id);
    if (isParameterVisible(QStringLiteral("AnalogPointsPressure"))) {
        inBar = inBar || isPressureParameter(id);
        if (id == QLatin1String("analogPressure0V")) {
            x = convertPressure(value.toDouble(), unit, false);
            const double high = convertPressure(state->analogHigh, unit, false);
            state->analogLow = x;
            if (state->analogLow == high) {
                // Both points equal: the shown low point moves one bar
                // away; the frame still carries the value entered.
                state->analogLow = high == 0.0 ? high + 1.0 : high - 1.0;
                state->doubleManager->setValue(property,
                                               convertPressure(state->analogLow, unit, true));
            }
        } else if (id == QLatin1String("analogPressure10V")) {
            x = convertPressure(value.toDouble(), unit, false);
            const double low = convertPressure(state->analogLow, unit, false);
            if (state->analogHigh == low) {
                state->doubleManager->setValue(property,
                                               convertPressure(state->analogHigh, unit, true));
            }
        }
    }
    if (isThresholdParameter(id))
        x = convertPressure(x, unit, false);
    encoded.raw = doubleRawValue(id, x, state->decVal, &encoded.fits);
    if (inBar) {
        // A file may have widened the limits beyond the sensor's range.
        const double slack = 0.5 / state->decVal;
        if (!(x >= state->minRange - slack && x <= state->maxRange + slack))
            encoded.fits = false;
        encoded.allowed = tr("%1 to %2%3")
                              .arg(convertPressure(state->minRange, unit, true))
                              .arg(convertPressure(state->maxRange, unit, true))
                              .arg(pressureUnitSuffix(unit));
    }
}

} // namespace Core
} // namespace OrvexSensorPlugin
