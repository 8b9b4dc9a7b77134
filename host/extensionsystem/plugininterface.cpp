#include "extensionsystem/plugininterface.h"

#include "extensionsystem/communicationinterface.h"
#include "extensionsystem/connectionbroker.h"

namespace ExtensionSystem {

namespace {
ConnectionBroker *g_broker = nullptr;
} // namespace

ConnectionBroker::~ConnectionBroker() = default;

PluginInterface::PluginInterface(QObject *parent)
    : QObject(parent)
{
}

PluginInterface::~PluginInterface() = default;

void PluginInterface::setConnectionBroker(ConnectionBroker *broker)
{
    g_broker = broker;
}

ConnectionBroker *PluginInterface::connectionBroker()
{
    return g_broker;
}

void PluginInterface::vRegisterConnection(const PortSettings &settings,
                                          CommunicationInterface **channel,
                                          PluginInterface *plugin)
{
    if (!channel)
        return;
    *channel = g_broker ? g_broker->registerConnection(settings, plugin) : nullptr;
}

void PluginInterface::vUnregisterConnection(PluginInterface *plugin)
{
    if (g_broker)
        g_broker->unregisterConnection(plugin);
}

void PluginInterface::vUnregisterPlugin(PluginInterface *plugin)
{
    if (g_broker)
        g_broker->unregisterPlugin(plugin);
}

QString PluginInterface::pluginIdentifier() { return QString(); }
QString PluginInterface::pluginGroup() { return QString(); }
QList<QObject *> PluginInterface::pluginItems() { return {}; }
void PluginInterface::vSensorListUpdated(const QList<SensorBasic> &) {}
void PluginInterface::vAvailablePortsUpdated(const QStringList &) {}
void PluginInterface::vActionOpen(const QString &) {}
void PluginInterface::vAutoConnect(const QString &) {}
void PluginInterface::vSetCompleteNameDescription(const QString &) {}
void PluginInterface::vUpdate(const QVariant &) {}
void PluginInterface::vActionExit(const QString &) {}
void PluginInterface::vActionExport(const QString &) {}
void PluginInterface::setWindowActive(bool) {}
void PluginInterface::setSensorName(const QString &) {}
QString PluginInterface::getSensorName() { return QString(); }

} // namespace ExtensionSystem
