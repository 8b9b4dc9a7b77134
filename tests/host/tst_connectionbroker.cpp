#include "connectionbroker.h"

#include "extensionsystem/plugininterface.h"
#include "extensionsystem/portsettings.h"
#include "extensionsystem/serialchannel.h"
#include "mastersimulator.h"
#include "ptyserver.h"
#include "sensordescription.h"
#include "simulatedchannel.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using ExtensionSystem::CommunicationInterface;
using ExtensionSystem::PluginInterface;
using ExtensionSystem::PortSettings;
using DataFrame = CommunicationInterface::DataFrame;
using Kalvio::ConnectionBroker;

namespace {

PortSettings settingsFor(const QString &port)
{
    PortSettings settings;
    settings.portName = port;
    return settings;
}

DataFrame probeFrame()
{
    DataFrame frame;
    CommunicationInterface::FrameQuery query;
    query.request = QByteArray::fromHex("03511201").toStdString();
    query.answerPattern = ".*";
    query.timeoutMs = 1000.0;
    frame.queries.push_back(query);
    return frame;
}

// Runs the deleteLater()s posted at this level.
void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// The host's broker lends real serial channels (a pseudo-terminal served by the
// master simulator) and the in-process simulator.
class TstConnectionBroker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void refusedPortGivesNoChannel_data();
    void refusedPortGivesNoChannel();
    void openablePortGivesAnOpenSerialChannel();
    void releasedPortCanBeTakenAgainAtOnce();
    void releasedChannelIsDeletedOnlyByTheEventLoop();
    void newRegistrationReleasesThePreviousChannel();
    void gonePluginLosesItsChannel();
    void simulatedPortAnswersTheProbe();
    void releaseFromInsideTheChannelsOwnSignal();
    void pluginInterfaceReachesTheInstalledBroker();

private:
    QString m_dataFile;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    std::unique_ptr<IoLinkSim::PtyServer> m_server;
    std::unique_ptr<ConnectionBroker> m_broker;
    PluginInterface m_plugin;
    PluginInterface m_other;
};

void TstConnectionBroker::initTestCase()
{
    qRegisterMetaType<PluginInterface *>();
    m_dataFile = QFINDTESTDATA("../../data/IoLinkZT4Kfamily.xml");
    QVERIFY(!m_dataFile.isEmpty());
}

void TstConnectionBroker::init()
{
    IoLinkSim::SensorDescription description;
    QVERIFY(description.load(m_dataFile));
    m_master = std::make_unique<IoLinkSim::MasterSimulator>(description);
    m_server = std::make_unique<IoLinkSim::PtyServer>(*m_master);
    QVERIFY2(m_server->open(), qPrintable(m_server->errorString()));
    QVERIFY(m_server->start());
    m_broker = std::make_unique<ConnectionBroker>();
}

void TstConnectionBroker::cleanup()
{
    m_broker.reset();
    runDeferredDeletes();
    if (m_server)
        m_server->stop();
    m_server.reset();
    m_master.reset();
}

void TstConnectionBroker::refusedPortGivesNoChannel_data()
{
    QTest::addColumn<QString>("port");
    QTest::newRow("missing device") << QStringLiteral("/dev/no-such-port-here");
    QTest::newRow("empty name") << QString();
    QTest::newRow("simulated port while the simulator is off")
        << ConnectionBroker::simulatedPortName();
}

void TstConnectionBroker::refusedPortGivesNoChannel()
{
    QFETCH(QString, port);
    QSignalSpy refused(m_broker.get(), &ConnectionBroker::connectionRefused);
    QCOMPARE(m_broker->registerConnection(settingsFor(port), &m_plugin), nullptr);
    QCOMPARE(m_broker->channelCount(), 0);
    QCOMPARE(m_broker->channelOf(&m_plugin), nullptr);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.first().first().toString(), port);
}

void TstConnectionBroker::openablePortGivesAnOpenSerialChannel()
{
    CommunicationInterface *channel =
        m_broker->registerConnection(settingsFor(m_server->devicePath()), &m_plugin);
    auto *serial = qobject_cast<ExtensionSystem::SerialChannel *>(channel);
    QVERIFY(serial);
    QVERIFY(serial->isOpen());
    QCOMPARE(m_broker->channelOf(&m_plugin), channel);
    QCOMPARE(serial->currentPortSettings().portName, m_server->devicePath());

    DataFrame frame = probeFrame();
    QSignalSpy finished(channel, &CommunicationInterface::emitFinished);
    const unsigned int number = channel->uSendDataFrame(&frame);
    QVERIFY(finished.wait(3000));
    QCOMPARE(finished.first().first().toUInt(), number);
    QCOMPARE(frame.queries.front().answered, 1);
}

void TstConnectionBroker::releasedPortCanBeTakenAgainAtOnce()
{
    const PortSettings settings = settingsFor(m_server->devicePath());
    QVERIFY(m_broker->registerConnection(settings, &m_plugin));
    // While one object holds the port, nobody else gets it.
    QCOMPARE(m_broker->registerConnection(settings, &m_other), nullptr);

    m_broker->unregisterConnection(&m_plugin);
    // No event loop in between: the released port must already be free.
    CommunicationInterface *again = m_broker->registerConnection(settings, &m_other);
    QVERIFY(again);
    QCOMPARE(m_broker->channelOf(&m_plugin), nullptr);
    QCOMPARE(m_broker->channelOf(&m_other), again);
}

void TstConnectionBroker::releasedChannelIsDeletedOnlyByTheEventLoop()
{
    QSignalSpy released(m_broker.get(), &ConnectionBroker::connectionReleased);
    QPointer<CommunicationInterface> channel =
        m_broker->registerConnection(settingsFor(m_server->devicePath()), &m_plugin);
    QVERIFY(channel);
    m_broker->unregisterConnection(&m_plugin);
    QVERIFY(channel);
    QCOMPARE(m_broker->channelCount(), 0);
    QCOMPARE(released.count(), 1);
    runDeferredDeletes();
    QVERIFY(!channel);

    // A second release of the same object is a no-op.
    m_broker->unregisterConnection(&m_plugin);
    QCOMPARE(released.count(), 1);
}

void TstConnectionBroker::newRegistrationReleasesThePreviousChannel()
{
    QVERIFY(m_broker->enableSimulator(m_dataFile));
    QPointer<CommunicationInterface> serial =
        m_broker->registerConnection(settingsFor(m_server->devicePath()), &m_plugin);
    QVERIFY(serial);
    CommunicationInterface *simulated = m_broker->registerConnection(
        settingsFor(ConnectionBroker::simulatedPortName()), &m_plugin);
    QVERIFY(qobject_cast<IoLinkSim::SimulatedChannel *>(simulated));
    QCOMPARE(m_broker->channelCount(), 1);
    QCOMPARE(m_broker->channelOf(&m_plugin), simulated);
    runDeferredDeletes();
    QVERIFY(!serial);
    // The serial port it held is free again.
    QVERIFY(m_broker->registerConnection(settingsFor(m_server->devicePath()), &m_other));
}

void TstConnectionBroker::gonePluginLosesItsChannel()
{
    QSignalSpy unregistered(m_broker.get(), &ConnectionBroker::pluginUnregistered);
    QPointer<CommunicationInterface> channel =
        m_broker->registerConnection(settingsFor(m_server->devicePath()), &m_plugin);
    QVERIFY(channel);
    m_broker->unregisterPlugin(&m_plugin);
    QCOMPARE(m_broker->channelOf(&m_plugin), nullptr);
    QCOMPARE(unregistered.count(), 1);
    runDeferredDeletes();
    QVERIFY(!channel);
}

void TstConnectionBroker::simulatedPortAnswersTheProbe()
{
    QVERIFY(m_broker->enableSimulator(m_dataFile));
    QVERIFY(m_broker->isSimulatorEnabled());
    CommunicationInterface *channel = m_broker->registerConnection(
        settingsFor(ConnectionBroker::simulatedPortName()), &m_plugin);
    QVERIFY(channel);
    DataFrame frame = probeFrame();
    QSignalSpy finished(channel, &CommunicationInterface::emitFinished);
    channel->uSendDataFrame(&frame);
    QVERIFY(finished.wait(3000));
    QCOMPARE(frame.queries.front().answered, 1);
    QVERIFY(m_broker->simulator()->requestCount() >= 1);
}

void TstConnectionBroker::releaseFromInsideTheChannelsOwnSignal()
{
    QVERIFY(m_broker->enableSimulator(m_dataFile));
    QPointer<CommunicationInterface> channel = m_broker->registerConnection(
        settingsFor(ConnectionBroker::simulatedPortName()), &m_plugin);
    QVERIFY(channel);
    DataFrame first = probeFrame();
    DataFrame second = probeFrame();
    bool aliveAfterRelease = false;
    int handled = 0;
    connect(channel.data(), &CommunicationInterface::emitFinished, this, [&] {
        ++handled;
        m_broker->unregisterConnection(&m_plugin);
        aliveAfterRelease = !channel.isNull();
    });
    channel->uSendDataFrame(&first);
    channel->uSendDataFrame(&second);
    QTRY_VERIFY_WITH_TIMEOUT(channel.isNull(), 3000);
    QVERIFY(handled >= 1);
    QVERIFY(aliveAfterRelease);
}

void TstConnectionBroker::pluginInterfaceReachesTheInstalledBroker()
{
    PluginInterface::setConnectionBroker(m_broker.get());
    CommunicationInterface *channel = nullptr;
    m_plugin.vRegisterConnection(settingsFor(m_server->devicePath()), &channel, &m_plugin);
    QVERIFY(channel);
    QCOMPARE(m_broker->channelOf(&m_plugin), channel);
    m_plugin.vUnregisterConnection(&m_plugin);
    QCOMPARE(m_broker->channelCount(), 0);
    PluginInterface::setConnectionBroker(nullptr);
}

QTEST_GUILESS_MAIN(TstConnectionBroker)
#include "tst_connectionbroker.moc"
