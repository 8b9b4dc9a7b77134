#include "app/pluginlibrary.h"

#include "extensionsystem/plugininterface.h"

namespace Kalvio {

namespace {

QString textOf(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

PluginLibrary::PluginLibrary(const QString &fileName)
    : m_library(fileName)
{
}

bool PluginLibrary::load()
{
    if (!m_library.load()) {
        m_error = m_library.errorString();
        return false;
    }
    const auto resolve = [this](const char *symbol) {
        QFunctionPointer function = m_library.resolve(symbol);
        if (!function && m_error.isEmpty())
            m_error = QStringLiteral("%1: no export %2").arg(fileName(), QLatin1String(symbol));
        return function;
    };
    const auto pluginName = reinterpret_cast<TextFunction>(resolve("pcTolvaneKalvioPluginName"));
    const auto version = reinterpret_cast<TextFunction>(resolve("pcPluginVersion"));
    const auto description = reinterpret_cast<TextFunction>(resolve("pcDescription"));
    const auto communication = reinterpret_cast<TextFunction>(resolve("pcCommunicationType"));
    const auto sensorMap = reinterpret_cast<SensorMapFunction>(resolve("vSensorMap"));
    const auto initialise = reinterpret_cast<InitialiseFunction>(resolve("vInitialisePlugin"));
    m_factory = reinterpret_cast<FactoryFunction>(resolve("poGetInterfaceInstance"));
    if (!m_error.isEmpty()) {
        m_factory = nullptr;
        m_library.unload();
        return false;
    }
    initialise();
    m_name = textOf(pluginName());
    m_version = textOf(version());
    m_description = textOf(description());
    m_communicationType = textOf(communication());
    sensorMap(m_sensors);
    return true;
}

const ExtensionSystem::SensorBasic *PluginLibrary::findSensor(const QString &name) const
{
    const std::string wanted = name.toStdString();
    for (const ExtensionSystem::SensorBasic &sensor : m_sensors) {
        if (sensor.name() == wanted)
            return &sensor;
    }
    return nullptr;
}

ExtensionSystem::PluginInterface *PluginLibrary::createInstance(
    const ExtensionSystem::SensorBasic &sensor, QMdiSubWindow *subWindow) const
{
    return m_factory ? m_factory(sensor, subWindow) : nullptr;
}

} // namespace Kalvio
