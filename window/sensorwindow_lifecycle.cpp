#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::closeEvent(QCloseEvent *event) { QMainWindow::closeEvent(event); }
void SensorWindow::retranslateWindowTexts() {}

} // namespace Core
} // namespace OrvexSensorPlugin
