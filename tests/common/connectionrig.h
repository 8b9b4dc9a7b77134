#pragma once

#include "common/windowaccess.h"

#include "plugin/pluginpaths.h"
#include "plugin/sensorinterface.h"
#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "mastersimulator.h"
#include "ptyserver.h"
#include "sensordescription.h"
#include "simulatedchannel.h"

#include "extensionsystem/connectionbroker.h"
#include "utils/charts/genericchart.h"
#include "extensionsystem/portsettings.h"
#include "extensionsystem/sensorbasic.h"
#include "extensionsystem/serialchannel.h"

#include "qtpropertymanager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace OrvexSensorPlugin {
namespace Core {


} // namespace Core
} // namespace OrvexSensorPlugin

namespace ConnectionRig {

using Access = OrvexSensorPlugin::Core::SensorWindowTestAccess;

inline const char *sensorName() { return "ZT4K-010 -1...10 bar"; }
inline QString portName() { return QStringLiteral("/dev/ttySIM0"); }

inline QString sourceDataFile()
{
    return qEnvironmentVariable("TEST_SOURCE_DIR") + QStringLiteral("/data/IoLinkZT4Kfamily.xml");
}

// The in-process channel to the simulated master; it notes the port settings it
// is given and the requests it is handed, in order ("apply <baud>", "send <hex>").
class RecordingChannel : public IoLinkSim::SimulatedChannel
{
public:
    RecordingChannel(IoLinkSim::MasterSimulator *master, QStringList *events)
        : SimulatedChannel(master)
        , m_events(events)
    {
        setLatencyMs(1);
    }

    void vApplyPortSettings(const ExtensionSystem::PortSettings &settings) override
    {
        m_events->append(QStringLiteral("apply %1").arg(settings.baudRate));
        SimulatedChannel::vApplyPortSettings(settings);
    }

    unsigned int uSendDataFrame(DataFrame *frame) override
    {
        if (frame && !frame->queries.empty()) {
            const std::string &r = frame->queries.front().request;
            m_events->append(QStringLiteral("send ")
                             + QString::fromLatin1(QByteArray(r.data(), int(r.size())).toHex()));
        }
        return SimulatedChannel::uSendDataFrame(frame);
    }

private:
    QStringList *m_events;
};

// Lends channels the way the host application does: the port is given up at
// once on release and the object is deleted later, or at once when the plug-in
// object goes away. Names other than the known port are refused.
class Broker : public ExtensionSystem::ConnectionBroker
{
public:
    using Factory = std::function<ExtensionSystem::CommunicationInterface *(
        const ExtensionSystem::PortSettings &)>;

    ExtensionSystem::CommunicationInterface *
    registerConnection(const ExtensionSystem::PortSettings &settings,
                       ExtensionSystem::PluginInterface *) override
    {
        calls << QStringLiteral("register ") + settings.portName;
        if (settings.portName != portName() || !factory)
            return nullptr;
        release(false);
        current = factory(settings);
        ++opened;
        return current.data();
    }
    void unregisterConnection(ExtensionSystem::PluginInterface *) override
    {
        calls << QStringLiteral("unregister");
        release(false);
    }
    void unregisterPlugin(ExtensionSystem::PluginInterface *) override
    {
        calls << QStringLiteral("unregister plugin");
        release(true);
    }

    void release(bool now)
    {
        if (!current)
            return;
        if (auto *serial = qobject_cast<ExtensionSystem::SerialChannel *>(current.data()))
            serial->close();
        if (now)
            delete current.data();
        else
            current->deleteLater();
        current = nullptr;
    }

    Factory factory;
    QPointer<ExtensionSystem::CommunicationInterface> current;
    QStringList calls;
    int opened = 0;
};

// Answers the modal questions a test provokes, one after another, each with its
// entry of the script: "Ok" or "Cancel" for a message box's standard button, an
// object name or text of a push button, or "" to close the dialog with its window
// button. Without an entry a message box gets Ok and a dialog is closed. The
// progress dialogs are modal too, but ask nothing, and are left alone.
class DialogScript : public QObject
{
public:
    explicit DialogScript(const QStringList &script = QStringList())
        : m_script(script)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start(10);
    }

    QStringList titles() const { return m_titles; }
    // The message boxes' texts; an empty entry for any other dialog.
    QStringList texts() const { return m_texts; }
    int answered() const { return m_titles.size(); }

private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w == m_last || !w->isVisible()
            || w->objectName() == QLatin1String("DataFrameSenderUi")
            || w->objectName() == QLatin1String("ProgressBarUi"))
            return;
        m_last = w;
        const QString answer = m_script.value(m_titles.size(), QStringLiteral("Ok"));
        m_titles << w->windowTitle();
        auto *box = qobject_cast<QMessageBox *>(w);
        m_texts << (box ? box->text() : QString());
        if (box && (answer == QLatin1String("Ok") || answer == QLatin1String("Cancel"))) {
            QAbstractButton *button = box->button(answer == QLatin1String("Ok")
                                                      ? QMessageBox::Ok : QMessageBox::Cancel);
            if (button) {
                button->click();
                return;
            }
        }
        if (!answer.isEmpty()) {
            for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
                if (b->objectName() == answer || b->text() == answer) {
                    b->click();
                    return;
                }
            }
        }
        w->close();
    }

    QStringList m_script;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    QStringList m_titles;
    QStringList m_texts;
};

enum class Transport { InProcess, PseudoTerminal };

// A plug-in object with its window in an MDI area, the simulated master behind
// the port "/dev/ttySIM0", and the catalogue in a folder of its own (the window
// writes its layout file there too).
class Rig
{
public:
    explicit Rig(const QString &productId = QString(), Transport transport = Transport::InProcess)
    {
        m_ready = m_dir.isValid()
            && QFile::copy(sourceDataFile(),
                           m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")));
        OrvexSensorPlugin::Core::setPluginFileDirectory(m_dir.path());
        m_ready = m_ready && m_description.load(dataFile());
        m_master = std::make_unique<IoLinkSim::MasterSimulator>(m_description, productId);
        if (transport == Transport::PseudoTerminal) {
            m_pty = std::make_unique<IoLinkSim::PtyServer>(*m_master);
            m_ready = m_ready && m_pty->open() && m_pty->start();
            const QString device = m_pty->devicePath();
            broker.factory = [device](const ExtensionSystem::PortSettings &settings)
                -> ExtensionSystem::CommunicationInterface * {
                ExtensionSystem::PortSettings real = settings;
                real.portName = device;
                auto *channel = new ExtensionSystem::SerialChannel(real);
                if (!channel->open()) {
                    delete channel;
                    return nullptr;
                }
                return channel;
            };
        } else {
            IoLinkSim::MasterSimulator *master = m_master.get();
            QStringList *log = &events;
            broker.factory = [master, log](const ExtensionSystem::PortSettings &settings)
                -> ExtensionSystem::CommunicationInterface * {
                auto *channel = new RecordingChannel(master, log);
                // Opened at another rate, so that the probe's own rate shows.
                ExtensionSystem::PortSettings opened = settings;
                opened.baudRate = 115200;
                channel->vApplyPortSettings(opened);
                log->clear();
                return channel;
            };
        }
        ExtensionSystem::PluginInterface::setConnectionBroker(&broker);

        ExtensionSystem::SensorBasic chosen;
        chosen.setName(sensorName());
        auto *sub = new QMdiSubWindow; // owned by the area
        m_area.addSubWindow(sub);
        m_area.resize(1000, 700);
        m_plugin = new OrvexSensorPlugin::Core::SensorInterface(chosen, sub);
        m_plugin->vAvailablePortsUpdated({QStringLiteral("/dev/ttyOTHER"), portName()});
        // Forget the write that building the tree scheduled.
        Access::writeDelayTimer(window()).stop();
    }

    ~Rig()
    {
        // As the host does: channels released with deleteLater() go before the
        // windows whose frames they may still hold.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete m_plugin.data();
        broker.release(true);
        ExtensionSystem::PluginInterface::setConnectionBroker(nullptr);
        if (m_pty)
            m_pty->stop();
        m_pty.reset();
        m_master.reset();
        OrvexSensorPlugin::Core::setPluginFileDirectory(QString());
    }

    bool isReady() const { return m_ready; }
    QString dataFile() const { return m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")); }
    QString iniFile() const { return m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.ini")); }
    OrvexSensorPlugin::Core::SensorInterface *plugin() { return m_plugin.data(); }
    // Valid while the plug-in object lives.
    OrvexSensorPlugin::Core::SensorWindow &window() { return *m_plugin->sensorWindow(); }
    OrvexSensorPlugin::Core::SensorWindowState &state() { return Access::state(window()); }
    OrvexSensorPlugin::Core::SensorWindowUi &ui() { return Access::ui(window()); }
    QComboBox *combo() { return state().portCombo; }
    int portIndex() { return combo()->findText(portName()); }
    IoLinkSim::MasterSimulator &master() { return *m_master; }
    IoLinkSim::PtyServer *pty() { return m_pty.get(); }
    QMdiArea &area() { return m_area; }

    // The plug-in object is handed to someone else (the test deletes it itself).
    OrvexSensorPlugin::Core::SensorInterface *takePlugin()
    {
        auto *plugin = m_plugin.data();
        m_plugin = nullptr;
        return plugin;
    }

    // Requests the master received with this control octet.
    int requestCount(int control) const
    {
        int count = 0;
        for (const auto &entry : m_master->requestLog()) {
            if (entry.request.size() > 2 && quint8(entry.request.at(2)) == control)
                ++count;
        }
        return count;
    }

    // Selects the port as a user would; `activated` runs the connection procedure.
    void choosePort(int index)
    {
        combo()->setCurrentIndex(index);
        emit combo()->activated(index);
    }

    Broker broker;
    QStringList events;

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
    IoLinkSim::SensorDescription m_description;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    std::unique_ptr<IoLinkSim::PtyServer> m_pty;
    QMdiArea m_area;
    QPointer<OrvexSensorPlugin::Core::SensorInterface> m_plugin;
};

} // namespace ConnectionRig
