#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::changeEvent(QEvent *event) { QMainWindow::changeEvent(event); }
void SensorWindow::retranslateParameterNode(const boost::property_tree::ptree &) {}
void SensorWindow::readCategoryLabel(const boost::property_tree::ptree &, int) {}

} // namespace Core
} // namespace OrvexSensorPlugin
