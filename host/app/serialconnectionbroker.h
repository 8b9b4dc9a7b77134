#pragma once

#include "extensionsystem/connectionbroker.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

namespace ExtensionSystem {
class CommunicationInterface;
class LinkTap;
class PluginInterface;
class PortSettings;
}

namespace IoLinkSim {
class MasterSimulator;
}

namespace Kalvio {

// Lends ports to plug-in objects: a serial channel per registration, or the
// in-process simulator for the simulated port. Each plug-in object holds at most
// one channel; a new registration releases the previous one.
class SerialConnectionBroker : public QObject, public ExtensionSystem::ConnectionBroker
{
    Q_OBJECT
    Q_DISABLE_COPY(SerialConnectionBroker)

public:
    explicit SerialConnectionBroker(QObject *parent = nullptr);
    ~SerialConnectionBroker() override;

    // The port name that stands for the built-in simulator.
    static QString simulatedPortName();

    // Serves the simulated port from the sensor data file `dataFile`; false with
    // errorString() when that file cannot be read.
    bool enableSimulator(const QString &dataFile);
    bool isSimulatorEnabled() const { return m_master != nullptr; }
    IoLinkSim::MasterSimulator *simulator() const { return m_master.get(); }
    QString errorString() const { return m_error; }
    // Watches the line of every channel lent from now on, and of those lent already.
    void setLinkTap(ExtensionSystem::LinkTap *tap);

    ExtensionSystem::CommunicationInterface *registerConnection(
        const ExtensionSystem::PortSettings &settings,
        ExtensionSystem::PluginInterface *plugin) override;
    void unregisterConnection(ExtensionSystem::PluginInterface *plugin) override;
    void unregisterPlugin(ExtensionSystem::PluginInterface *plugin) override;
    QString lastError() const override;

    ExtensionSystem::CommunicationInterface *channelOf(
        ExtensionSystem::PluginInterface *plugin) const;
    int channelCount() const { return m_channels.size(); }

signals:
    void connectionOpened(const QString &port);
    void connectionRefused(const QString &port, const QString &reason);
    void connectionReleased(const QString &port);
    void pluginUnregistered(ExtensionSystem::PluginInterface *plugin);

private:
    struct Lent
    {
        QPointer<ExtensionSystem::CommunicationInterface> channel;
        QString port;
    };

    void release(ExtensionSystem::PluginInterface *plugin, bool now);
    void refuse(const QString &port, const QString &reason);
    ExtensionSystem::CommunicationInterface *openChannel(
        const ExtensionSystem::PortSettings &settings);

    QHash<ExtensionSystem::PluginInterface *, Lent> m_channels;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    QString m_error;
    QString m_lastRefusal;
    ExtensionSystem::LinkTap *m_tap = nullptr;
};

} // namespace Kalvio
