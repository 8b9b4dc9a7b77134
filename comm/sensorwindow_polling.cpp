#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::queryStatusData(unsigned int) {}
void SensorWindow::queryChartData() {}
void SensorWindow::enableStatusChecking(bool) {}
void SensorWindow::actionEnableLiveData() {}

} // namespace Core
} // namespace OrvexSensorPlugin
