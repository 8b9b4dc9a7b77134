#pragma once

#include "extensionsystem/plugininterface.h"
#include "extensionsystem/portsettings.h"

#include <QPointer>
#include <QString>

#include <string>

class QMdiSubWindow;

namespace ExtensionSystem {
class CommunicationInterface;
}

namespace OrvexSensorPlugin {
namespace Core {

class SensorWindow;

// The object the host receives for one opened sensor: owns the main window,
// lends it the host's channel for the port the window selects, and forwards
// the host's requests to it.
class SensorInterface : public ExtensionSystem::PluginInterface
{
    Q_OBJECT

public:
    SensorInterface(const ExtensionSystem::SensorBasic &sensor, QMdiSubWindow *subWindow);
    ~SensorInterface() override;

    QString pluginIdentifier() override;
    QString pluginGroup() override;
    QList<QObject *> pluginItems() override;

    SensorWindow *sensorWindow() const;
    bool isPortRegistered() const { return portRegistered; }
    const ExtensionSystem::PortSettings &registeredPortSettings() const { return portSettings; }

    // The host calls these through the meta-object too: names, argument types
    // and their order are part of the contract.
public slots:
    void vUpdate(const QVariant &value) override;
    void vComPortListChanged();
    void vComPortChanged(const QString &port);
    void vSendDataBytes(const QString &text);
    void vReceivedData(const QString &text);
    void vAvailablePortsUpdated(const QStringList &ports) override;
    void vActionOpen(const QString &fileName) override;
    void vActionExit(const QString &text) override;
    void setWindowActive(bool active) override;
    void vAboutToClose();
    void vAutoConnect(const QString &port) override;
    void setSensorName(const QString &name) override;
    QString getSensorName() override;

private slots:
    void receivedData(std::string data);

private:
    void releaseConnection();

    bool portRegistered = false;
    // Guarded: the host may delete the sub-window, and with it the window, first.
    QPointer<SensorWindow> window;
    ExtensionSystem::PortSettings portSettings;
    ExtensionSystem::CommunicationInterface *communication = nullptr;
    QString sensorName;
};

} // namespace Core
} // namespace OrvexSensorPlugin
