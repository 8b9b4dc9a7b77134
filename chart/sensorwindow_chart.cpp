#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

Utils::Charts::GenericChart *SensorWindow::createChart(QWidget *) { return nullptr; }
void SensorWindow::setPressurePlotTitle() {}
void SensorWindow::processDataReceived(const QString &) {}
void SensorWindow::updateChart() {}
void SensorWindow::setWindowActive(bool) {}
void SensorWindow::vZommResetForNoiseLine() {}

} // namespace Core
} // namespace OrvexSensorPlugin
