#include "plugin/sensorinterface.h"

#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "extensionsystem/communicationinterface.h"
#include "utils/charts/genericchart.h"
#include "utils/progressbarui.h"

#include <QAction>
#include <QDebug>
#include <QDialog>
#include <QDockWidget>
#include <QMdiSubWindow>
#include <QTimer>

namespace OrvexSensorPlugin {
namespace Core {

SensorInterface::SensorInterface(const ExtensionSystem::SensorBasic &sensor,
                                 QMdiSubWindow *subWindow)
{
    window = new SensorWindow(sensor); // owned: deleted in the destructor
    subWindow->setWidget(window);
    window->resize(800, 500);
    window->show();

    connect(window, &SensorWindow::vSendData, this, &SensorInterface::vSendDataBytes);
    connect(window, &SensorWindow::vComPortSelected, this, &SensorInterface::vComPortChanged);
    connect(window, &SensorWindow::vAboutToClose, this, &SensorInterface::vAboutToClose);
    portRegistered = false;
}

namespace {

// True while one of the window's own waits runs a nested event loop (a transfer,
// a question to the user): the window's code is then further up the stack.
bool isInsideOwnWait(SensorWindow *window)
{
    const auto waits = window->findChildren<Utils::ProgressBarUi *>();
    for (const Utils::ProgressBarUi *wait : waits) {
        if (wait->isWaiting())
            return true;
    }
    // The transfer progress dialog is modal too, but nothing waits in it.
    const QDialog *progress = &window->windowState()->progressDialog;
    const auto dialogs = window->findChildren<QDialog *>();
    for (const QDialog *dialog : dialogs) {
        if (dialog != progress && dialog->isVisible() && dialog->isModal())
            return true;
    }
    return false;
}

} // namespace

SensorInterface::~SensorInterface()
{
    // The window lets go of the channel before the host deletes it: the frames the
    // channel cuts short on its way out are no misses of a sensor that stopped
    // answering, whose handling (a disconnect, a message box) has no place here.
    if (window)
        window->setCommunication(nullptr);
    vUnregisterPlugin(this);
    if (!window)
        return;
    if (!isInsideOwnWait(window)) {
        // The sub-window may still hold the window; deleting it removes it from there.
        delete window.data();
        return;
    }
    // The host deletes us from inside one of the window's waits (it closed the
    // window during a transfer). Deleting the window now would pull it from under
    // its own code, which carries on once the wait has ended (the channel is gone,
    // so it ends at once). The window leaves its sub-window, which the host deletes
    // next, and goes as soon as none of its waits runs any more.
    window->hide();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget()))
        sub->setWidget(nullptr);
    window->setParent(nullptr);
    QPointer<SensorWindow> doomed(window);
    auto *reaper = new QTimer(window); // goes with the window
    reaper->setInterval(10);
    connect(reaper, &QTimer::timeout, reaper, [doomed, reaper] {
        if (doomed && !isInsideOwnWait(doomed)) {
            reaper->stop();
            doomed->deleteLater();
        }
    });
    reaper->start();
    window = nullptr;
}

SensorWindow *SensorInterface::sensorWindow() const
{
    return window.data();
}

QString SensorInterface::pluginIdentifier()
{
    return QStringLiteral("OrvexSensorPlugin");
}

QString SensorInterface::pluginGroup()
{
    return QStringLiteral("OrvexSensors");
}

QList<QObject *> SensorInterface::pluginItems()
{
    return {};
}

void SensorInterface::vUpdate(const QVariant &value)
{
    if (window)
        window->vSensorUpdate(value);
}

void SensorInterface::vComPortListChanged()
{
}

void SensorInterface::releaseConnection()
{
    vUnregisterConnection(this);
    // The host has released the channel: neither we nor the window may use it again.
    communication = nullptr;
    if (window)
        window->setCommunication(nullptr);
}

void SensorInterface::vComPortChanged(const QString &port)
{
    if (!port.isEmpty()) {
        if (port == portSettings.portName)
            return;
        if (portRegistered)
            releaseConnection();
        portRegistered = false;
        portSettings.vInit();
        portSettings.portName = port;
        if (window) {
            portSettings.characterDelay = window->catalogueRecord().getCharacterDelay();
            portSettings.lineDelay = window->catalogueRecord().getLineDelay();
        }
        portSettings.interFrameDelay = 0;
        communication = nullptr;
        vRegisterConnection(portSettings, &communication, this);
        if (communication) {
            portRegistered = true;
            if (window)
                window->setCommunication(communication);
        } else if (window) {
            // A failed registration leaves no channel the window could still use.
            window->setCommunication(nullptr);
        }
        return;
    }
    if (portRegistered) {
        releaseConnection();
        portSettings.vInit();
        portRegistered = false;
    }
}

void SensorInterface::vSendDataBytes(const QString &text)
{
    if (!communication)
        return;
    const QByteArray bytes = text.toLatin1();
    const int end = bytes.indexOf('\0');
    communication->vSendString(std::string(bytes.constData(), end < 0 ? bytes.size() : end));
}

void SensorInterface::vReceivedData(const QString &)
{
}

void SensorInterface::vAvailablePortsUpdated(const QStringList &ports)
{
    if (!window)
        return;
    disconnect(window, &SensorWindow::vComPortSelected, this, &SensorInterface::vComPortChanged);
    QStringList copy = ports;
    if (portRegistered) {
        qDebug() << portSettings.portName;
        copy.append(portSettings.portName);
    }
    window->updateComPortList(copy);
    connect(window, &SensorWindow::vComPortSelected, this, &SensorInterface::vComPortChanged);
}

void SensorInterface::vActionOpen(const QString &fileName)
{
    if (window)
        window->bOpenSettings(fileName);
}

void SensorInterface::vActionExit(const QString &)
{
    if (window)
        window->close();
}

void SensorInterface::setWindowActive(bool active)
{
    if (window && active && window->form()->actionEnable_live_data->isChecked()
        && window->windowState()->chart) {
        window->windowState()->chart->jumpToPlottingArea();
    }
}

void SensorInterface::vAboutToClose()
{
    vUnregisterConnection(this);
    // The released channel must not be used by anyone any more.
    communication = nullptr;
    if (window)
        window->setCommunication(nullptr);
}

void SensorInterface::vAutoConnect(const QString &port)
{
    if (window)
        window->vAutoConnect(port);
}

void SensorInterface::setSensorName(const QString &name)
{
    sensorName = name;
}

QString SensorInterface::getSensorName()
{
    return sensorName;
}

void SensorInterface::receivedData(std::string)
{
}

} // namespace Core
} // namespace OrvexSensorPlugin
