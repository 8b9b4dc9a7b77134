#pragma once

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

// The window's private fields and protected slots, for the chart tests.
struct SensorWindowTestAccess
{
    static SensorWindowState &state(SensorWindow &w) { return *w.state; }
    static SensorWindowUi &ui(SensorWindow &w) { return *w.ui; }
    static bool &connected(SensorWindow &w) { return w.connected; }
    static QtProperty *&pendingProperty(SensorWindow &w) { return w.pendingProperty; }
    static QVariant &pendingValue(SensorWindow &w) { return w.pendingValue; }
    static QTimer &writeDelayTimer(SensorWindow &w) { return w.writeDelayTimer; }
    static int &lastUnitSetting(SensorWindow &w) { return w.lastUnitSetting; }

    static QtProperty *property(SensorWindow &w, const char *id)
    {
        return w.findPropertyById(w.state->rootProperty, id);
    }
    static bool isShown(SensorWindow &w, const char *id)
    {
        return w.isParameterVisible(QLatin1String(id));
    }

    // Live data as the action's slot leaves it.
    static void setLive(SensorWindow &w, bool on)
    {
        w.ui->actionEnable_live_data->setChecked(on);
        w.state->liveDataEnabled = on;
    }

    // Values set as a read from the sensor sets them: not taken for user edits.
    static void setEnum(SensorWindow &w, const char *id, int value)
    {
        w.enableTreeDataHandling(false);
        w.state->enumManager->setValue(property(w, id), value);
        w.enableTreeDataHandling(true);
    }
    static void setDouble(SensorWindow &w, const char *id, double value)
    {
        w.enableTreeDataHandling(false);
        w.state->doubleManager->setValue(property(w, id), value);
        w.enableTreeDataHandling(true);
    }
    static double doubleValue(SensorWindow &w, const char *id)
    {
        return w.state->doubleManager->value(property(w, id));
    }

    static void refreshOutputs(SensorWindow &w) { w.slotCurrentOutputChanged(0); }
    static void receive(SensorWindow &w, const QString &hex) { w.processDataReceived(hex); }

    static void clearPendingWrite(SensorWindow &w)
    {
        w.writeDelayTimer.stop();
        w.pendingProperty = nullptr;
        w.pendingValue = QVariant();
    }
};

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
