#include "app/pluginloader.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace Kalvio {

int PluginLoader::loadFolder(const QString &folder)
{
    int found = 0;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        if (!QLibrary::isLibrary(file.fileName()))
            continue;
        auto plugin = std::make_unique<PluginLibrary>(file.absoluteFilePath());
        if (!plugin->load()) {
            // A library without the entry-point name is simply not a plug-in.
            if (!plugin->errorString().contains(QLatin1String("pcTolvaneKalvioPluginName")))
                m_errors << plugin->errorString();
            continue;
        }
        m_plugins.push_back(std::move(plugin));
        ++found;
    }
    return found;
}

PluginLibrary *PluginLoader::pluginForSensor(const QString &sensorName) const
{
    for (const auto &plugin : m_plugins) {
        if (plugin->findSensor(sensorName))
            return plugin.get();
    }
    return nullptr;
}

QString describePlugins(const PluginLoader &loader)
{
    QString text;
    for (const auto &plugin : loader.plugins()) {
        text += QStringLiteral("%1 %2 [%3] %4\n")
                    .arg(plugin->name(), plugin->version(), plugin->communicationType(),
                         plugin->fileName());
        text += QStringLiteral("  %1\n").arg(plugin->description());
        for (const ExtensionSystem::SensorBasic &sensor : plugin->sensors()) {
            text += QStringLiteral("  sensor %1: %2\n")
                        .arg(QString::fromStdString(sensor.id()),
                             QString::fromStdString(sensor.name()));
        }
    }
    return text;
}

} // namespace Kalvio
