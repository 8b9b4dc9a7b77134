#pragma once

#include "plugin/sensor.h"

#include "extensionsystem/sensorbasic.h"

#include <list>
#include <string>

namespace OrvexSensorPlugin {
namespace Core {

// The catalogue file is pluginFilePath(".xml"); it is read anew on every call.
// A missing, unreadable, too deeply nested or foreign file (documentId other
// than "IoLinkZT4Kfamily", or no sensorList) gives an empty result.

// Every entry that the host's reader accepts, in document order.
std::list<ExtensionSystem::SensorBasic> readSensorList();

// The first entry whose name is exactly name, or an empty record.
Sensor readSensorByName(const std::string &name);

} // namespace Core
} // namespace OrvexSensorPlugin
