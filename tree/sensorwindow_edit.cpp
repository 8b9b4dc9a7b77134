#include "window/sensorwindow.h"

#include "tree/treehandlingpause.h"

#include "window/sensorwindowstate.h"

#include "utils/buttonmanager.h"

#include "propertybrowser/qtboolpropertymanager.h"
#include "propertybrowser/qtdoublepropertymanager.h"
#include "propertybrowser/qtenumpropertymanager.h"
#include "propertybrowser/qtintpropertymanager.h"
#include "propertybrowser/qtstringpropertymanager.h"
#include "propertybrowser/qttreepropertybrowser.h"

#include <algorithm>

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::enableTreeDataHandling(bool enabled)
{
    if (enabled) {
        // Unique: bracketing operations nest, and each ends by switching on again.
        connect(state->boolManager, &QtBoolPropertyManager::valueChanged,
                this, &SensorWindow::boolValueChanged, Qt::UniqueConnection);
        connect(state->intManager, &QtIntPropertyManager::valueChanged,
                this, &SensorWindow::intValueChanged, Qt::UniqueConnection);
        connect(state->doubleManager, &QtDoublePropertyManager::valueChanged,
                this, &SensorWindow::doubleValueChanged, Qt::UniqueConnection);
        connect(state->enumManager, &QtEnumPropertyManager::valueChanged,
                this, &SensorWindow::enumValueChanged, Qt::UniqueConnection);
        connect(state->buttonManager, &Utils::ButtonManager::buttonClicked,
                this, &SensorWindow::buttonClicked, Qt::UniqueConnection);
    } else {
        disconnect(state->boolManager, &QtBoolPropertyManager::valueChanged,
                   this, &SensorWindow::boolValueChanged);
        disconnect(state->intManager, &QtIntPropertyManager::valueChanged,
                   this, &SensorWindow::intValueChanged);
        disconnect(state->doubleManager, &QtDoublePropertyManager::valueChanged,
                   this, &SensorWindow::doubleValueChanged);
        disconnect(state->enumManager, &QtEnumPropertyManager::valueChanged,
                   this, &SensorWindow::enumValueChanged);
        disconnect(state->buttonManager, &Utils::ButtonManager::buttonClicked,
                   this, &SensorWindow::buttonClicked);
    }
}

void SensorWindow::enableStringManagerHandling(bool enabled)
{
    if (enabled) {
        connect(state->stringManager, &QtStringPropertyManager::valueChanged,
                this, &SensorWindow::stringValueChanged, Qt::UniqueConnection);
    } else {
        disconnect(state->stringManager, &QtStringPropertyManager::valueChanged,
                   this, &SensorWindow::stringValueChanged);
    }
}

void SensorWindow::intValueChanged(QtProperty *property, int value)
{
    // Off around the write scheduling: a unit change re-expresses thresholds,
    // whose value changes must not come back here as edits.
    TreeHandlingPause pause(this);
    scheduleWrite(property, QVariant(value));
}

void SensorWindow::enumValueChanged(QtProperty *property, int value)
{
    intValueChanged(property, value);
}

void SensorWindow::doubleValueChanged(QtProperty *property, double value)
{
    TreeHandlingPause pause(this);
    scheduleWrite(property, QVariant(value));
}

void SensorWindow::buttonClicked(QtProperty *property)
{
    TreeHandlingPause pause(this);
    scheduleWrite(property, QVariant(QString()));
}

void SensorWindow::boolValueChanged(QtProperty *property, bool value)
{
    scheduleWrite(property, QVariant(value));
}

void SensorWindow::stringValueChanged(QtProperty *property, const QString &value)
{
    pendingProperty = property;
    scheduleWrite(property, QVariant(value));
}

void SensorWindow::itemSelected(QtBrowserItem *item)
{
    pendingProperty = item ? item->property() : nullptr;
}

void SensorWindow::comboIndexChangedString(const QString &text)
{
    if (!pendingProperty)
        return;
    QtProperty *property =
        findPropertyById(state->rootProperty, pendingProperty->propertyId().toStdString());
    if (property)
        state->stringManager->setValue(property, text);
}

void SensorWindow::comboIndexChangedInt(int index)
{
    scheduleWrite(pendingProperty, QVariant(index));
}

void SensorWindow::enableEditableParameters()
{
    const QList<QtProperty *> properties = collectSubProperties(state->rootProperty);
    for (QtProperty *property : properties) {
        if (property->statusTip() != QLatin1String("readOnly"))
            property->setEnabled(true);
    }
}

void SensorWindow::scheduleWrite(QtProperty *property, const QVariant &value)
{
    if (languageChanging || !property)
        return;
    pendingProperty = property;
    pendingValue = value;
    const QString id = property->propertyId();
    queueWrite(id, value);
    if (id == QLatin1String("TemperatureSettings")) {
        reexpressThresholds(lastUnitSetting);
        lastUnitSetting = value.toInt();
    }
    writeDelayTimer.start();
}

void SensorWindow::queueWrite(const QString &id, const QVariant &value)
{
    auto queued = std::find_if(pendingWrites.begin(), pendingWrites.end(),
                               [&id](const PendingWrite &write) { return write.id == id; });
    if (queued != pendingWrites.end())
        queued->value = value;
    else
        pendingWrites.append({id, value});
}

// Writes the edits still inside their delay now: the window is about to close,
// to disconnect, or to send or read every parameter. Offline there is nothing to
// write them to.
void SensorWindow::flushPendingWrites()
{
    if (!connected || !state->communication) {
        pendingWrites.clear();
        return;
    }
    if (pendingWrites.isEmpty() || state->parameterExchanges > 0)
        return;
    sendDelayValue();
}

} // namespace Core
} // namespace OrvexSensorPlugin
