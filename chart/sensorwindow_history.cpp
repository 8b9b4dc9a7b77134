#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::vExportChartData() {}
void SensorWindow::vPrintDocument() {}
void SensorWindow::vClearHistory() {}

} // namespace Core
} // namespace OrvexSensorPlugin
