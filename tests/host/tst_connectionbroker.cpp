#include "connectionbroker.h"

#include "extensionsystem/communicationinterface.h"
#include "extensionsystem/plugininterface.h"
#include "extensionsystem/portsettings.h"
#include "mastersimulator.h"
#include "ptyserver.h"
#include "sensordescription.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

using ExtensionSystem::CommunicationInterface;
using ExtensionSystem::PluginInterface;
using Kalvio::ConnectionBroker;

// The host's broker lends plug-in objects real serial channels (a pseudo-terminal
// served by the master simulator) and the in-process simulator. Each row is a
// script of steps by plug-in objects A and B, through the plug-in interface, and
// the trace of what the broker reported and which channels went when.
class TstConnectionBroker : public QObject
{
    Q_OBJECT

private slots:
    void script_data();
    void script();
    void cleanup();
};

void TstConnectionBroker::script_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("trace");

    const QString answer = QStringLiteral("A answer 03 79 12 81");
    QTest::newRow("port that cannot be opened is refused")
        << QStringList{"A+none", "A?"}
        << QStringList{"refused none", "A got nothing", "A holds nothing"};
    QTest::newRow("empty port name is refused")
        << QStringList{"A+"} << QStringList{"refused ", "A got nothing"};
    QTest::newRow("simulated port is refused while the simulator is off")
        << QStringList{"simBad", "A+sim"}
        << QStringList{"no simulator", "refused sim", "A got nothing"};
    QTest::newRow("a lent serial port answers the probe")
        << QStringList{"A+pty", "A?"} << QStringList{"opened pty", answer};
    QTest::newRow("the simulated port answers the probe")
        << QStringList{"simOn", "A+sim", "A?"} << QStringList{"opened sim", answer};
    QTest::newRow("a held port is refused to others and free again right after its release")
        << QStringList{"A+pty", "B+pty", "A-", "B+pty", "A?", "loop"}
        << QStringList{"opened pty", "refused pty", "B got nothing", "released pty", "opened pty",
                       "A holds nothing", "deleted pty"};
    QTest::newRow("a new registration releases the previous channel first")
        << QStringList{"simOn", "A+pty", "A+sim", "loop", "B+pty", "A?"}
        << QStringList{"opened pty", "released pty", "opened sim", "deleted pty", "opened pty",
                       answer};
    QTest::newRow("a plug-in object that goes loses its channel at once")
        << QStringList{"A+pty", "A~", "B+pty"}
        << QStringList{"opened pty", "deleted pty", "released pty", "gone A", "opened pty"};
    QTest::newRow("a second release reports nothing")
        << QStringList{"A+pty", "A-", "A-", "loop", "A~"}
        << QStringList{"opened pty", "released pty", "deleted pty", "gone A"};
    QTest::newRow("the broker takes lent and released channels along")
        << QStringList{"simOn", "A+sim", "B+pty", "B-", "end"}
        << QStringList{"opened sim", "opened pty", "released pty", "deleted sim", "deleted pty"};
    QTest::newRow("without a broker nothing is lent")
        << QStringList{"noBroker", "A+pty"} << QStringList{"A got nothing"};
}

void TstConnectionBroker::script()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, trace);

    const QString dataFile =
        qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml";
    IoLinkSim::SensorDescription description;
    QVERIFY(description.load(dataFile));
    IoLinkSim::MasterSimulator master(description);
    IoLinkSim::PtyServer server(master);
    QVERIFY2(server.open() && server.start(), qPrintable(server.errorString()));
    const QMap<QString, QString> ports{{"pty", server.devicePath()},
                                       {"sim", ConnectionBroker::simulatedPortName()},
                                       {"none", "/dev/no-such-port-here"},
                                       {"", ""}};
    const auto token = [&ports](const QString &port) { return ports.key(port, port); };

    PluginInterface a;
    PluginInterface b;
    QStringList log;
    auto broker = std::make_unique<ConnectionBroker>();
    PluginInterface::setConnectionBroker(broker.get());
    connect(broker.get(), &ConnectionBroker::connectionOpened, this,
            [&](const QString &port) { log << "opened " + token(port); });
    connect(broker.get(), &ConnectionBroker::connectionRefused, this,
            [&](const QString &port) { log << "refused " + token(port); });
    connect(broker.get(), &ConnectionBroker::connectionReleased, this,
            [&](const QString &port) { log << "released " + token(port); });
    connect(broker.get(), &ConnectionBroker::pluginUnregistered, this,
            [&](PluginInterface *p) { log << QString("gone ") + (p == &a ? "A" : "B"); });

    for (const QString &step : steps) {
        PluginInterface *plugin = step.startsWith('A') ? &a : &b;
        const QString name = step.left(1);
        if (step == "simOn") {
            QVERIFY(broker->enableSimulator(dataFile));
        } else if (step == "simBad") {
            if (!broker->enableSimulator("/no/such/file.xml") && !broker->errorString().isEmpty())
                log << "no simulator";
        } else if (step == "noBroker") {
            PluginInterface::setConnectionBroker(nullptr);
        } else if (step == "loop") {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } else if (step == "end") {
            broker.reset();
        } else if (step.at(1) == '+') {
            ExtensionSystem::PortSettings settings;
            settings.portName = ports.value(step.mid(2));
            CommunicationInterface *channel = nullptr;
            plugin->vRegisterConnection(settings, &channel, plugin);
            if (!channel) {
                log << name + " got nothing";
                continue;
            }
            QCOMPARE(broker->channelOf(plugin), channel);
            const QString port = token(settings.portName);
            connect(channel, &QObject::destroyed, this,
                    [&log, port] { log << "deleted " + port; });
        } else if (step.at(1) == '-') {
            plugin->vUnregisterConnection(plugin);
        } else if (step.at(1) == '~') {
            plugin->vUnregisterPlugin(plugin);
        } else if (step.at(1) == '?') {
            CommunicationInterface *channel = broker->channelOf(plugin);
            if (!channel) {
                log << name + " holds nothing";
                continue;
            }
            CommunicationInterface::DataFrame probe;
            probe.queries.resize(1);
            probe.queries[0].request = QByteArray::fromHex("03511201").toStdString();
            probe.queries[0].timeoutMs = 1000;
            QSignalSpy finished(channel, &CommunicationInterface::emitFinished);
            channel->uSendDataFrame(&probe);
            QVERIFY(finished.wait(3000));
            log << name + " answer "
                       + QByteArray::fromStdString(probe.queries[0].answer).toHex(' ');
        }
    }
    QCOMPARE(log, trace);
    broker.reset();
    server.stop();
}

void TstConnectionBroker::cleanup()
{
    PluginInterface::setConnectionBroker(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_GUILESS_MAIN(TstConnectionBroker)
#include "tst_connectionbroker.moc"
