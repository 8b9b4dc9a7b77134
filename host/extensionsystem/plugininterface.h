#pragma once

#include "extensionsystem/extensionsystem_global.h"
#include "extensionsystem/sensorbasic.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace ExtensionSystem {

class CommunicationInterface;
class ConnectionBroker;
class PortSettings;

// The object a plug-in hands the host for one opened sensor.
class EXTENSIONSYSTEM_EXPORT PluginInterface : public QObject
{
    Q_OBJECT

public:
    explicit PluginInterface(QObject *parent = nullptr);
    ~PluginInterface() override;

    // The broker that lends ports; with none, registrations yield no channel.
    static void setConnectionBroker(ConnectionBroker *broker);
    static ConnectionBroker *connectionBroker();

    void vRegisterConnection(const PortSettings &settings, CommunicationInterface **channel,
                             PluginInterface *plugin);
    void vUnregisterConnection(PluginInterface *plugin);
    void vUnregisterPlugin(PluginInterface *plugin);

public slots:
    virtual QString pluginIdentifier();
    virtual QString pluginGroup();
    virtual QList<QObject *> pluginItems();
    virtual void vSensorListUpdated(const QList<ExtensionSystem::SensorBasic> &sensors);
    virtual void vAvailablePortsUpdated(const QStringList &ports);
    virtual void vActionOpen(const QString &fileName);
    virtual void vAutoConnect(const QString &port);
    virtual void vSetCompleteNameDescription(const QString &text);
    virtual void vUpdate(const QVariant &value);
    virtual void vActionExit(const QString &text);
    virtual void vActionExport(const QString &fileName);
    virtual void setWindowActive(bool active);
    virtual void setSensorName(const QString &name);
    virtual QString getSensorName();
};

} // namespace ExtensionSystem
