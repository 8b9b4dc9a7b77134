#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::sendDataFrame(DataFrame *, bool) {}
bool SensorWindow::bWriteFrame(std::string, bool) { return false; }
QByteArray SensorWindow::readAnswer(std::string, std::string) { return {}; }
bool SensorWindow::bCheckConnection() { return false; }
bool SensorWindow::identifySensor() { return false; }

} // namespace Core
} // namespace OrvexSensorPlugin
