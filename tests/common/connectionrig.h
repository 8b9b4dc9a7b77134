#pragma once

#include "common/modalanswerer.h"
#include "common/windowaccess.h"

#include "plugin/pluginpaths.h"
#include "plugin/sensorinterface.h"

#include "simulator/mastersimulator.h"
#include "simulator/ptyserver.h"
#include "simulator/simulatedchannel.h"

#include "extensionsystem/connectionbroker.h"
#include "extensionsystem/sensorbasic.h"
#include "extensionsystem/serialchannel.h"
#include "utils/charts/genericchart.h"

#include <QComboBox>
#include <QFile>
#include <QHash>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace ConnectionRig {

namespace Core = OrvexSensorPlugin::Core;
namespace Ext = ExtensionSystem;
using Access = Core::SensorWindowTestAccess;
using DialogScript = ModalAnswerer;

inline const char *sensorName() { return "ZT4K-010 -1...10 bar"; }
inline QString portName() { return QStringLiteral("/dev/ttySIM0"); }

// With setSleepFunction(noteWait) the rig in use notes waits ("sleep <ms>") instead
// of waiting; its channel grants a query at most timeoutCapMs (0: the query's own).
inline QStringList *waitLog = nullptr;
inline int timeoutCapMs = 0;
inline void noteWait(int ms)
{
    if (waitLog)
        waitLog->append(QStringLiteral("sleep %1").arg(ms));
}

// The in-process channel to the simulated master; it notes the port settings and
// the requests it is handed with their time-outs ("apply <baud>", "send <hex> <ms>").
class RecordingChannel : public IoLinkSim::SimulatedChannel
{
public:
    RecordingChannel(IoLinkSim::MasterSimulator *master, QStringList *events)
        : SimulatedChannel(master)
        , m_events(events)
    {
        setLatencyMs(1);
        // A capped time-out is the channel's own business: the frame gets its own back.
        connect(this, &CommunicationInterface::emitFinished, this, [this](unsigned int number) {
            const auto sent = m_sent.take(number);
            for (std::size_t i = 0; sent.first && i < sent.second.size(); ++i)
                sent.first->queries[i].timeoutMs = sent.second[i];
        });
    }
    ~RecordingChannel() override { disconnect(this, nullptr, this, nullptr); }

    void vApplyPortSettings(const Ext::PortSettings &settings) override
    {
        m_events->append(QStringLiteral("apply %1").arg(settings.baudRate));
        SimulatedChannel::vApplyPortSettings(settings);
    }

    unsigned int uSendDataFrame(DataFrame *frame) override
    {
        std::vector<double> timeouts;
        for (FrameQuery &query : frame->queries) {
            const QByteArray bytes(query.request.data(), int(query.request.size()));
            m_events->append(QStringLiteral("send %1 %2").arg(QString::fromLatin1(bytes.toHex()),
                                                              QString::number(query.timeoutMs)));
            timeouts.push_back(query.timeoutMs);
            if (timeoutCapMs > 0)
                query.timeoutMs = qMin(query.timeoutMs, double(timeoutCapMs));
        }
        const unsigned int number = SimulatedChannel::uSendDataFrame(frame);
        m_sent.insert(number, {frame, timeouts});
        return number;
    }

private:
    QStringList *m_events;
    QHash<unsigned int, std::pair<DataFrame *, std::vector<double>>> m_sent;
};

// Lends channels as the host application does: released ones are closed at once and
// deleted later, or at once when the plug-in object goes. Other ports are refused.
class Broker : public Ext::ConnectionBroker
{
public:
    Ext::CommunicationInterface *registerConnection(const Ext::PortSettings &settings,
                                                    Ext::PluginInterface *) override
    {
        calls << QStringLiteral("register ") + settings.portName;
        if (settings.portName != portName())
            return nullptr;
        release(false);
        return (current = factory(settings)).data();
    }
    void unregisterConnection(Ext::PluginInterface *) override
    {
        calls << QStringLiteral("unregister");
        release(false);
    }
    void unregisterPlugin(Ext::PluginInterface *) override
    {
        calls << QStringLiteral("unregister plugin");
        release(true);
    }

    void release(bool now)
    {
        if (auto *serial = qobject_cast<Ext::SerialChannel *>(current.data()))
            serial->close();
        if (now)
            delete current.data();
        else if (current)
            current->deleteLater();
        current = nullptr;
    }

    std::function<Ext::CommunicationInterface *(const Ext::PortSettings &)> factory;
    QPointer<Ext::CommunicationInterface> current;
    QStringList calls;
};

enum class Transport { InProcess, PseudoTerminal };

// A plug-in object with its window in an MDI area, the simulated master behind the
// port "/dev/ttySIM0", and the description in a folder of its own (with the layout).
class Rig
{
public:
    explicit Rig(const QString &productId = QString(), Transport transport = Transport::InProcess)
    {
        m_ready = m_dir.isValid()
            && QFile::copy(qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml",
                           dataFile());
        Core::setPluginFileDirectory(m_dir.path());
        m_ready = m_ready && m_description.load(dataFile());
        m_master = std::make_unique<IoLinkSim::MasterSimulator>(m_description, productId);
        waitLog = &events;
        if (transport == Transport::PseudoTerminal) {
            m_pty = std::make_unique<IoLinkSim::PtyServer>(*m_master);
            m_ready = m_ready && m_pty->open() && m_pty->start();
            broker.factory = [this](Ext::PortSettings settings) -> Ext::CommunicationInterface * {
                settings.portName = m_pty->devicePath();
                auto channel = std::make_unique<Ext::SerialChannel>(settings);
                return channel->open() ? channel.release() : nullptr;
            };
        } else {
            broker.factory = [this](Ext::PortSettings settings) -> Ext::CommunicationInterface * {
                auto *channel = new RecordingChannel(m_master.get(), &events);
                settings.baudRate = 115200; // opened at another rate than the probe's
                channel->vApplyPortSettings(settings);
                events.clear();
                return channel;
            };
        }
        Ext::PluginInterface::setConnectionBroker(&broker);
        Ext::SensorBasic chosen;
        chosen.setName(sensorName());
        auto *sub = new QMdiSubWindow; // owned by the area
        m_area.addSubWindow(sub);
        m_area.resize(1000, 700);
        m_plugin = new Core::SensorInterface(chosen, sub);
        m_plugin->vAvailablePortsUpdated({QStringLiteral("/dev/ttyOTHER"), portName()});
        Access::clearPendingWrite(window()); // the one that building the tree scheduled
    }

    ~Rig()
    {
        // As the host does: released channels go before windows whose frames they hold.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete m_plugin.data();
        broker.release(true);
        Ext::PluginInterface::setConnectionBroker(nullptr);
        waitLog = nullptr;
        Core::setPluginFileDirectory(QString());
    }

    bool isReady() const { return m_ready; }
    QString dataFile() const { return m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml")); }
    QString iniFile() const { return m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.ini")); }
    Core::SensorInterface *plugin() { return m_plugin.data(); }
    Core::SensorWindow &window() { return *m_plugin->sensorWindow(); }
    Core::SensorWindowState &state() { return Access::state(window()); }
    Core::SensorWindowUi &ui() { return Access::ui(window()); }
    QtProperty *property(const QString &id) { return Access::find(window(), id); }
    QComboBox *combo() { return state().portCombo; }
    int portIndex() { return combo()->findText(portName()); }
    IoLinkSim::MasterSimulator &master() { return *m_master; }
    IoLinkSim::SimulatedSensor &sensor() { return m_master->sensor(); }
    IoLinkSim::PtyServer *pty() { return m_pty.get(); }
    std::size_t points() { return state().chart->history(0).size(); }

    // The plug-in object is handed to someone else (the test deletes it itself).
    Core::SensorInterface *takePlugin()
    {
        auto *plugin = m_plugin.data();
        m_plugin = nullptr;
        return plugin;
    }

    // The requests with this control octet the master received, in order.
    QList<QByteArray> requests(int control) const
    {
        QList<QByteArray> list;
        for (const auto &entry : m_master->requestLog()) {
            if (entry.request.size() > 2 && quint8(entry.request.at(2)) == control)
                list << entry.request;
        }
        return list;
    }
    int requestCount(int control) const { return requests(control).size(); }

    // Selects the port as a user would; `activated` runs the connection procedure.
    void choosePort(int index)
    {
        combo()->setCurrentIndex(index);
        emit combo()->activated(index);
    }

    // The port registered through the plug-in object and the window counted as
    // connected, as after a connection but without its transfers.
    void attach()
    {
        emit window().vComPortSelected(portName());
        combo()->setCurrentIndex(portIndex());
        Access::connected(window()) = true;
        events.clear();
    }

    // The transfer progress bar runs out at its next step.
    void finishProgress() { state().progressBar->setValue(state().progressBar->maximum()); }

    Broker broker;
    QStringList events;

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
    IoLinkSim::SensorDescription m_description;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    std::unique_ptr<IoLinkSim::PtyServer> m_pty;
    QMdiArea m_area;
    QPointer<Core::SensorInterface> m_plugin;
};

} // namespace ConnectionRig
