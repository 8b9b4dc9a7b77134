#pragma once

#include "extensionsystem/sensorbasic.h"

#include <QLibrary>
#include <QString>

#include <list>

class QMdiSubWindow;

namespace ExtensionSystem {
class PluginInterface;
}

namespace Kalvio {

// One plug-in library, reached only through its seven plain exports.
class PluginLibrary
{
    Q_DISABLE_COPY(PluginLibrary)

public:
    explicit PluginLibrary(const QString &fileName);

    // Loads the library and asks it for its identity and sensors. False, with
    // errorString(), when it is no library of ours; it is then unloaded again.
    bool load();
    QString errorString() const { return m_error; }

    QString fileName() const { return m_library.fileName(); }
    QString name() const { return m_name; }
    QString version() const { return m_version; }
    QString description() const { return m_description; }
    QString communicationType() const { return m_communicationType; }
    const std::list<ExtensionSystem::SensorBasic> &sensors() const { return m_sensors; }

    // The catalogue entry with this name, or null.
    const ExtensionSystem::SensorBasic *findSensor(const QString &name) const;
    // A new plug-in object for the sensor, shown in the sub-window; the caller owns it.
    ExtensionSystem::PluginInterface *createInstance(const ExtensionSystem::SensorBasic &sensor,
                                                     QMdiSubWindow *subWindow) const;

private:
    using TextFunction = const char *(*)();
    using SensorMapFunction = void (*)(std::list<ExtensionSystem::SensorBasic> &);
    using InitialiseFunction = void (*)();
    using FactoryFunction = ExtensionSystem::PluginInterface *(*)(
        const ExtensionSystem::SensorBasic &, QMdiSubWindow *);

    QLibrary m_library;
    QString m_error;
    QString m_name;
    QString m_version;
    QString m_description;
    QString m_communicationType;
    std::list<ExtensionSystem::SensorBasic> m_sensors;
    FactoryFunction m_factory = nullptr;
};

} // namespace Kalvio
