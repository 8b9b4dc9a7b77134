#include "plugin/catalogue.h"
#include "plugin/sensorinterface.h"

#include "extensionsystem/plugininterface.h"
#include "extensionsystem/sensorbasic.h"

#include <list>
#include <new>

class QMdiSubWindow;

// The library's whole exported surface; the version script exports.map hides
// everything else.
#define ORVEX_PLUGIN_EXPORT __attribute__((visibility("default")))

extern "C" {

ORVEX_PLUGIN_EXPORT const char *pcTolvaneKalvioPluginName()
{
    return "IoLinkZT4Kfamily";
}

ORVEX_PLUGIN_EXPORT const char *pcPluginVersion()
{
    return "1.0.0";
}

ORVEX_PLUGIN_EXPORT const char *pcDescription()
{
    return "Plugin for handling MASTER IO_LINK-KB6  TOLVANE  FLUID sensors family";
}

ORVEX_PLUGIN_EXPORT const char *pcCommunicationType()
{
    return "SERIAL";
}

ORVEX_PLUGIN_EXPORT void vSensorMap(std::list<ExtensionSystem::SensorBasic> &sensors)
{
    sensors = OrvexSensorPlugin::Core::readSensorList();
}

ORVEX_PLUGIN_EXPORT void vInitialisePlugin()
{
}

// The host takes ownership of the plug-in object.
ORVEX_PLUGIN_EXPORT ExtensionSystem::PluginInterface *
poGetInterfaceInstance(const ExtensionSystem::SensorBasic &sensor, QMdiSubWindow *subWindow)
{
    if (!subWindow)
        return nullptr;
    return new (std::nothrow) OrvexSensorPlugin::Core::SensorInterface(sensor, subWindow);
}

} // extern "C"
