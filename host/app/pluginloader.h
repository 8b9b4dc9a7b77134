#pragma once

#include "app/pluginlibrary.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace Kalvio {

// Finds and keeps the plug-in libraries of one folder. Libraries stay loaded for
// the life of the program: plug-in objects and their windows run code from them.
class PluginLoader
{
    Q_DISABLE_COPY(PluginLoader)

public:
    PluginLoader() = default;

    // Tries every library in the folder; the host's own libraries lack the
    // exports and are passed over. Returns the number of plug-ins found.
    int loadFolder(const QString &folder);

    const std::vector<std::unique_ptr<PluginLibrary>> &plugins() const { return m_plugins; }
    // Messages about libraries that looked like plug-ins but could not be used.
    QStringList errors() const { return m_errors; }

    // The plug-in that lists a sensor of this name, or null.
    PluginLibrary *pluginForSensor(const QString &sensorName) const;

private:
    std::vector<std::unique_ptr<PluginLibrary>> m_plugins;
    QStringList m_errors;
};

// Every plug-in's identity and sensors as text, as `kalvio --list` prints it:
//   <name> <version> [<communication type>] <file>
//     <description>
//     sensor <id>: <name>
QString describePlugins(const PluginLoader &loader);

} // namespace Kalvio
