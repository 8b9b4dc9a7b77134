#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::createOutputCombo() {}
void SensorWindow::initChartDecorations() {}
void SensorWindow::slotCurrentOutputChanged(int) {}
void SensorWindow::chartThresholdChanged(unsigned int, double) {}
void SensorWindow::updateThresholdDecimals() {}
void SensorWindow::reexpressThresholds(int) {}

} // namespace Core
} // namespace OrvexSensorPlugin
