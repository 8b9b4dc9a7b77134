#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"

#include <QEvent>

// Not built yet: each body below is filled in by its subsystem.

namespace OrvexSensorPlugin {
namespace Core {

void SensorWindow::buildParameterTree() {}
void SensorWindow::addParameterNode(const boost::property_tree::ptree &, QtProperty *) {}
QtProperty *SensorWindow::findPropertyById(QtProperty *, const std::string &) const { return nullptr; }
QList<QtProperty *> SensorWindow::collectSubProperties(QtProperty *) const { return {}; }
void SensorWindow::setParameterVisible(const QString &, bool) {}
bool SensorWindow::isParameterVisible(const QString &) { return lastVisibility; }
void SensorWindow::removeSubProperties(QtProperty *) {}
void SensorWindow::applySensorListLimits() {}
void SensorWindow::applySensorVariantLimits() {}

} // namespace Core
} // namespace OrvexSensorPlugin
