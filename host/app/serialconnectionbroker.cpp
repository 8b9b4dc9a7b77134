#include "app/serialconnectionbroker.h"

#include "extensionsystem/plugininterface.h"
#include "extensionsystem/portsettings.h"
#include "extensionsystem/serialchannel.h"

#include "simulator/mastersimulator.h"
#include "simulator/sensordescription.h"
#include "simulator/simulatedchannel.h"

namespace Kalvio {

namespace {

void setTap(ExtensionSystem::CommunicationInterface *channel, ExtensionSystem::LinkTap *tap)
{
    if (auto *serial = qobject_cast<ExtensionSystem::SerialChannel *>(channel))
        serial->setLinkTap(tap);
    else if (auto *simulated = qobject_cast<IoLinkSim::SimulatedChannel *>(channel))
        simulated->setLinkTap(tap);
}

} // namespace

SerialConnectionBroker::SerialConnectionBroker(QObject *parent)
    : QObject(parent)
{
}

SerialConnectionBroker::~SerialConnectionBroker()
{
    // Simulated channels use the master, which goes with this object: the lent
    // ones and those released but not yet deleted go first.
    m_channels.clear();
    qDeleteAll(findChildren<ExtensionSystem::CommunicationInterface *>(
        QString(), Qt::FindDirectChildrenOnly));
}

QString SerialConnectionBroker::simulatedPortName()
{
    return QStringLiteral("Simulated IO-Link master");
}

bool SerialConnectionBroker::enableSimulator(const QString &dataFile)
{
    IoLinkSim::SensorDescription description;
    if (!description.load(dataFile)) {
        m_error = description.errorString();
        return false;
    }
    m_master = std::make_unique<IoLinkSim::MasterSimulator>(description);
    return true;
}

void SerialConnectionBroker::setLinkTap(ExtensionSystem::LinkTap *tap)
{
    m_tap = tap;
    for (const Lent &lent : qAsConst(m_channels))
        setTap(lent.channel, tap);
}

ExtensionSystem::CommunicationInterface *SerialConnectionBroker::registerConnection(
    const ExtensionSystem::PortSettings &settings, ExtensionSystem::PluginInterface *plugin)
{
    if (!plugin)
        return nullptr;
    unregisterConnection(plugin);
    m_lastRefusal.clear();
    ExtensionSystem::CommunicationInterface *channel = openChannel(settings);
    if (!channel)
        return nullptr;
    setTap(channel, m_tap);
    m_channels.insert(plugin, Lent{channel, settings.portName});
    emit connectionOpened(settings.portName);
    return channel;
}

void SerialConnectionBroker::refuse(const QString &port, const QString &reason)
{
    m_lastRefusal = reason;
    emit connectionRefused(port, reason);
}

QString SerialConnectionBroker::lastError() const
{
    return m_lastRefusal;
}

ExtensionSystem::CommunicationInterface *SerialConnectionBroker::openChannel(
    const ExtensionSystem::PortSettings &settings)
{
    if (settings.portName.isEmpty()) {
        refuse(settings.portName, tr("No port name"));
        return nullptr;
    }
    if (settings.portName == simulatedPortName()) {
        if (!m_master) {
            refuse(settings.portName, tr("The simulator is not enabled"));
            return nullptr;
        }
        auto *channel = new IoLinkSim::SimulatedChannel(m_master.get(), this);
        channel->vApplyPortSettings(settings);
        return channel;
    }
    auto *channel = new ExtensionSystem::SerialChannel(settings, this);
    if (!channel->open()) {
        refuse(settings.portName, channel->errorString());
        delete channel;
        return nullptr;
    }
    return channel;
}

void SerialConnectionBroker::unregisterConnection(ExtensionSystem::PluginInterface *plugin)
{
    // The plug-in may be releasing the channel from inside its own emitFinished():
    // the object lives on until the event loop gets back to this level.
    release(plugin, false);
}

void SerialConnectionBroker::unregisterPlugin(ExtensionSystem::PluginInterface *plugin)
{
    // Called first thing in the plug-in object's destructor, while its window
    // and the frames it queued still exist: the channel goes now and finishes
    // those frames, instead of touching them after the window has gone.
    release(plugin, true);
    emit pluginUnregistered(plugin);
}

void SerialConnectionBroker::release(ExtensionSystem::PluginInterface *plugin, bool now)
{
    const auto it = m_channels.find(plugin);
    if (it == m_channels.end())
        return;
    const Lent lent = it.value();
    m_channels.erase(it);
    if (!lent.channel)
        return;
    // The port is given up at once, so that it can be registered again right away.
    if (auto *serial = qobject_cast<ExtensionSystem::SerialChannel *>(lent.channel.data()))
        serial->close();
    if (now)
        delete lent.channel.data();
    else
        lent.channel->deleteLater();
    emit connectionReleased(lent.port);
}

ExtensionSystem::CommunicationInterface *SerialConnectionBroker::channelOf(
    ExtensionSystem::PluginInterface *plugin) const
{
    const auto it = m_channels.constFind(plugin);
    return it == m_channels.constEnd() ? nullptr : it->channel.data();
}

} // namespace Kalvio
