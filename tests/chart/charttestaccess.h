#pragma once

#include "common/windowaccess.h"

#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "plugin/pluginpaths.h"

#include "extensionsystem/sensorbasic.h"

#include "qtproperty.h"
#include "qtpropertymanager.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace OrvexSensorPlugin {
namespace Core {


// A folder with the sensor data file, optionally altered, that the plug-in reads.
class ChartTestFiles
{
public:
    static constexpr const char *sensorName = "ZT4K-010 -1...10 bar";

    bool install(const std::function<QByteArray(QByteArray)> &alter = {})
    {
        if (!m_dir.isValid())
            return false;
        QFile source(qEnvironmentVariable("TEST_SOURCE_DIR")
                     + QStringLiteral("/data/IoLinkZT4Kfamily.xml"));
        if (!source.open(QIODevice::ReadOnly))
            return false;
        QByteArray text = source.readAll();
        if (alter)
            text = alter(text);
        QFile target(m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")));
        if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        target.write(text);
        target.close();
        QFile::remove(m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.ini")));
        setPluginFileDirectory(m_dir.path());
        setSleepFunction([](int) {});
        return true;
    }

    QString dataFile() const { return m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")); }

    static std::unique_ptr<SensorWindow> makeWindow(const char *name = sensorName)
    {
        ExtensionSystem::SensorBasic chosen;
        chosen.setName(name);
        auto window = std::make_unique<SensorWindow>(chosen);
        SensorWindowTestAccess::clearPendingWrite(*window);
        return window;
    }

private:
    QTemporaryDir m_dir;
};

} // namespace Core
} // namespace OrvexSensorPlugin
