#include "app/serialconnectionbroker.h"

#include "extensionsystem/communicationinterface.h"
#include "extensionsystem/plugininterface.h"
#include "extensionsystem/portsettings.h"
#include "simulator/mastersimulator.h"
#include "simulator/ptyserver.h"
#include "simulator/sensordescription.h"

#include <QtTest>

using ExtensionSystem::PluginInterface;
using Kalvio::SerialConnectionBroker;

// The host's broker lends plug-in objects real serial channels (a pseudo-terminal
// served by the master simulator) and the in-process simulator. Each row is a
// script of steps by plug-in objects A and B, through the plug-in interface, and
// the trace of what the broker reported and which channels went when.
class TstSerialConnectionBroker : public QObject
{
    Q_OBJECT

private slots:
    void script_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("trace");
        QTest::newRow("port that cannot be opened is refused")
            << QStringList{"A+none"}
            << QStringList{"refused none", "A got nothing: No such file or directory"};
        QTest::newRow("simulated port is refused while the simulator is off")
            << QStringList{"simBad", "A+sim"}
            << QStringList{"refused sim", "A got nothing: The simulator is not enabled"};
        QTest::newRow("a held port is refused to others and free again right after its release")
            << QStringList{"A+pty", "B+pty", "A-", "A-", "B+pty", "A?", "loop"}
            << QStringList{"opened pty", "refused pty", "B got nothing: Permission error while locking the device", "released pty",
                           "opened pty", "A holds nothing", "deleted pty"};
        QTest::newRow("a new registration releases the previous channel first")
            << QStringList{"simOn", "A+pty", "A+sim", "A?", "loop", "B+pty"}
            << QStringList{"opened pty", "released pty", "opened sim", "A holds sim",
                           "deleted pty", "opened pty"};
        QTest::newRow("a plug-in object that goes loses its channel at once")
            << QStringList{"A+pty", "A~", "B+pty"}
            << QStringList{"opened pty", "deleted pty", "released pty", "gone A", "opened pty"};
        QTest::newRow("the broker takes lent and released channels along")
            << QStringList{"simOn", "A+sim", "B+pty", "B-", "end"}
            << QStringList{"opened sim", "opened pty", "released pty", "deleted sim",
                           "deleted pty"};
    }

    void script()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, trace);
        const QString data =
            qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml";
        IoLinkSim::SensorDescription description;
        QVERIFY(description.load(data));
        IoLinkSim::MasterSimulator master(description);
        IoLinkSim::PtyServer server(master);
        QVERIFY2(server.open() && server.start(), qPrintable(server.errorString()));
        const QMap<QString, QString> ports{{"pty", server.devicePath()}, {"none", "/dev/none"},
                                           {"sim", SerialConnectionBroker::simulatedPortName()}};
        const auto token = [&ports](const QString &port) { return ports.key(port, port); };
        PluginInterface a, b;
        QStringList log;
        auto broker = std::make_unique<SerialConnectionBroker>();
        PluginInterface::setConnectionBroker(broker.get());
        const auto note = [&log, token](const char *what) {
            return [&log, token, what](const QString &port) { log << what + token(port); };
        };
        connect(broker.get(), &SerialConnectionBroker::connectionOpened, this, note("opened "));
        connect(broker.get(), &SerialConnectionBroker::connectionRefused, this, note("refused "));
        connect(broker.get(), &SerialConnectionBroker::connectionReleased, this, note("released "));
        connect(broker.get(), &SerialConnectionBroker::pluginUnregistered, this,
                [&](PluginInterface *p) { log << QString("gone ") + (p == &a ? "A" : "B"); });

        for (const QString &step : steps) {
            PluginInterface *plugin = step.startsWith('A') ? &a : &b;
            if (step == "simOn") {
                QVERIFY(broker->enableSimulator(data));
            } else if (step == "simBad") {
                QVERIFY(!broker->enableSimulator("/none.xml") && !broker->errorString().isEmpty());
            } else if (step == "loop") {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            } else if (step == "end") {
                broker.reset();
            } else if (step[1] == '+') {
                ExtensionSystem::PortSettings settings;
                settings.portName = ports.value(step.mid(2));
                ExtensionSystem::CommunicationInterface *channel = nullptr;
                plugin->vRegisterConnection(settings, &channel, plugin);
                const QString deleted = "deleted " + step.mid(2);
                if (channel)
                    connect(channel, &QObject::destroyed, this, [&, deleted] { log << deleted; });
                else
                    log << step.left(1) + " got nothing: " + broker->lastError();
            } else if (step[1] == '-') {
                plugin->vUnregisterConnection(plugin);
            } else if (step[1] == '~') {
                plugin->vUnregisterPlugin(plugin);
            } else if (step[1] == '?') {
                auto *held = broker->channelOf(plugin);
                log << step.left(1) + " holds "
                           + (held ? token(held->currentPortSettings().portName) : "nothing");
            }
        }
        QCOMPARE(log, trace);
        PluginInterface::setConnectionBroker(nullptr);
        broker.reset();
    }
};

QTEST_GUILESS_MAIN(TstSerialConnectionBroker)
#include "tst_serialconnectionbroker.moc"
