#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::enableTreeDataHandling(bool) {}
void SensorWindow::enableStringManagerHandling(bool) {}
void SensorWindow::intValueChanged(QtProperty *, int) {}
void SensorWindow::doubleValueChanged(QtProperty *, double) {}
void SensorWindow::boolValueChanged(QtProperty *, bool) {}
void SensorWindow::stringValueChanged(QtProperty *, const QString &) {}
void SensorWindow::enumValueChanged(QtProperty *, int) {}
void SensorWindow::buttonClicked(QtProperty *) {}
void SensorWindow::itemSelected(QtBrowserItem *) {}
void SensorWindow::comboIndexChangedString(const QString &) {}
void SensorWindow::comboIndexChangedInt(int) {}
void SensorWindow::enableEditableParameters() {}
void SensorWindow::scheduleWrite(QtProperty *, const QVariant &) {}

} // namespace Core
} // namespace OrvexSensorPlugin
