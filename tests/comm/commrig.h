#pragma once

#include "common/windowaccess.h"

#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "plugin/pluginpaths.h"

#include "mastersimulator.h"
#include "sensordescription.h"
#include "simulatedchannel.h"

#include "extensionsystem/sensorbasic.h"

#include "qtproperty.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <memory>

namespace OrvexSensorPlugin {
namespace Core {


} // namespace Core
} // namespace OrvexSensorPlugin

namespace CommRig {

inline const char *sensorName() { return "ZT4K-010 -1...10 bar"; }

// The real data file with a category of parameters it lacks: a double that is
// no pressure, an "InputMode" that writing all settings leaves out, and a
// parameter with a size code no frame exists for.
inline QByteArray fixtureDescription()
{
    QFile real(qEnvironmentVariable("TEST_SOURCE_DIR")
               + QStringLiteral("/data/IoLinkZT4Kfamily.xml"));
    if (!real.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray text = real.readAll();
    const QByteArray extras =
        "<node><type>category</type><id>Extras</id>"
        "<text><en>Extras</en><de>Extras</de></text><readonly>false</readonly>"
        "<property><type>double</type><id>DampingFactor</id><index>90</index>"
        "<subIndex>0</subIndex><size>7</size><text><en>Damping</en><de>Daempfung</de></text>"
        "<readonly>false</readonly><min>-10</min><max>10</max><defaultvalue>1</defaultvalue>"
        "</property>"
        "<property><type>enumerator</type><id>InputMode</id><index>91</index>"
        "<subIndex>0</subIndex><size>6</size><text><en>Input</en><de>Eingang</de></text>"
        "<readonly>false</readonly><defaultvalue>0</defaultvalue><items>"
        "<item><en>a</en><de>a</de></item><item><en>b</en><de>b</de></item></items>"
        "</property>"
        "<property><type>int</type><id>WideCounter</id><index>92</index>"
        "<subIndex>0</subIndex><size>8</size><text><en>Counter</en><de>Zaehler</de></text>"
        "<readonly>false</readonly><min>0</min><max>100</max><defaultvalue>0</defaultvalue>"
        "</property></node>";
    const int end = text.indexOf("</default>");
    if (end < 0)
        return QByteArray();
    text.insert(end, extras);
    return text;
}

// A window on the sensor, its channel and the simulated master behind it. The
// description is written into a folder of its own that the plug-in and the
// simulator both read.
class Rig
{
public:
    explicit Rig(const QByteArray &description = fixtureDescription(),
                 const QString &productId = QString())
    {
        QFile file(m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")));
        m_ready = !description.isEmpty() && file.open(QIODevice::WriteOnly)
            && file.write(description) == description.size();
        file.close();
        OrvexSensorPlugin::Core::setPluginFileDirectory(m_dir.path());
        m_ready = m_ready && m_description.load(file.fileName());
        m_master = std::make_unique<IoLinkSim::MasterSimulator>(m_description, productId);
        m_channel = new IoLinkSim::SimulatedChannel(m_master.get());
        m_channel->setLatencyMs(1);
        ExtensionSystem::SensorBasic chosen;
        chosen.setName(sensorName());
        m_window = std::make_unique<OrvexSensorPlugin::Core::SensorWindow>(chosen);
        // Forget what building the tree scheduled.
        using Access = OrvexSensorPlugin::Core::SensorWindowTestAccess;
        Access::writeDelayTimer(*m_window).stop();
        Access::pendingProperty(*m_window) = nullptr;
        Access::pendingValue(*m_window) = QVariant();
    }

    // The host's order: the window lets go of the channel, the channel finishes
    // what is queued (a poll frame the window still owns), then the window goes.
    ~Rig()
    {
        m_window->setCommunication(nullptr);
        delete m_channel.data();
        m_window.reset();
        OrvexSensorPlugin::Core::setPluginFileDirectory(QString());
    }

    bool isReady() const { return m_ready; }
    OrvexSensorPlugin::Core::SensorWindow &window() { return *m_window; }
    IoLinkSim::MasterSimulator &master() { return *m_master; }
    IoLinkSim::SimulatedChannel *channel() { return m_channel.data(); }
    const IoLinkSim::SensorDescription &description() const { return m_description; }
    QtProperty *property(const QString &id)
    {
        return OrvexSensorPlugin::Core::SensorWindowTestAccess::find(*m_window, id);
    }

    // The window holds the channel and counts as connected.
    void attach()
    {
        m_window->setCommunication(m_channel.data());
        OrvexSensorPlugin::Core::SensorWindowTestAccess::connected(*m_window) = true;
    }

    // Requests the master received, in order; with a control octet only those.
    QList<QByteArray> requests(int control = -1) const
    {
        QList<QByteArray> list;
        for (const auto &entry : m_master->requestLog()) {
            const QByteArray &request = entry.request;
            if (control < 0 || (request.size() > 2 && quint8(request.at(2)) == control))
                list << request;
        }
        return list;
    }

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
    IoLinkSim::SensorDescription m_description;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    QPointer<IoLinkSim::SimulatedChannel> m_channel;
    std::unique_ptr<OrvexSensorPlugin::Core::SensorWindow> m_window;
};

} // namespace CommRig
