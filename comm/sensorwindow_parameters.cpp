#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::readParameter(const QString &, bool) {}
void SensorWindow::sendDelayValue() {}
void SensorWindow::readAllParameters() {}
void SensorWindow::writeAllSettings() {}
void SensorWindow::vWriteAllSettings(bool) {}
void SensorWindow::vRadAllSettings(bool) {}

} // namespace Core
} // namespace OrvexSensorPlugin
