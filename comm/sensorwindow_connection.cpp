#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::updateComPortList(const QStringList &) {}
void SensorWindow::actionConnectSensor(int) {}
bool SensorWindow::bConnectToSensor() { return false; }
void SensorWindow::vDisconnect() {}
void SensorWindow::slotContinousDataTimeout() {}
void SensorWindow::vAutoConnect(const QString &) {}

} // namespace Core
} // namespace OrvexSensorPlugin
