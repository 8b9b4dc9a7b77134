#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::vSaveSettings() {}
void SensorWindow::vLoadSettings() {}
bool SensorWindow::bOpenSettings(const QString &) { return false; }
void SensorWindow::vRestoreFactorySettings() {}

} // namespace Core
} // namespace OrvexSensorPlugin
