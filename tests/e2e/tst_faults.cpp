#include "common/connectionrig.h"

#include <QSignalSpy>
#include <QtTest>

#include <sys/resource.h>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;
using ConnectionRig::Transport;

namespace {

const QString silentText = "The sensor did not respond, please make sure it is properly connected.";

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Connected over the pseudo-terminal with live points arriving.
bool connectLive(Rig &rig)
{
    rig.plugin()->vAutoConnect(ConnectionRig::portName());
    rig.finishProgress();
    return rig.window().isConnected()
        && QTest::qWaitFor([&rig] { return rig.points() >= 3; }, 5000);
}

// One warning, then offline with the port given back.
void verifyDropped(Rig &rig, const DialogScript &answers)
{
    QCOMPARE(answers.titles(), QStringList{"Connecting to sensor"});
    QCOMPARE(answers.texts(), QStringList{silentText});
    QTRY_VERIFY(!rig.window().isConnected());
    QCOMPARE(rig.combo()->currentIndex(), 0);
    QVERIFY(!rig.plugin()->isPortRegistered());
    QVERIFY(!rig.state().continuousDataTimer.isActive());
    QTRY_VERIFY(!rig.broker.current);
}

} // namespace

// Faults on the real road (serial channel, pseudo-terminal, master simulator)
// that must end in one message and an offline window, never in a hang or a crash.
class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setSleepFunction(ConnectionRig::noteWait); }
    void cleanupTestCase() { setSleepFunction(nullptr); }

    // Three polls time out after 2 s each.
    void masterFallsSilentWhilePolling()
    {
        Rig rig(QString(), Transport::PseudoTerminal);
        QVERIFY(rig.isReady() && connectLive(rig));
        DialogScript answers;
        rig.master().setSilentAfter(rig.master().requestCount());
        QTRY_COMPARE_WITH_TIMEOUT(answers.answered(), 1, 12000);
        verifyDropped(rig, answers);
        QVERIFY(!rig.state().chartPollTimer.isActive());
        QCOMPARE(answers.answered(), 1);
    }

    void terminalClosesUnderTheOpenPort()
    {
        Rig rig(QString(), Transport::PseudoTerminal);
        QVERIFY(rig.isReady() && connectLive(rig));
        auto *channel = qobject_cast<ExtensionSystem::SerialChannel *>(rig.broker.current.data());
        QVERIFY(channel);
        QSignalSpy failed(channel, &ExtensionSystem::SerialChannel::portFailed);
        QSignalSpy finished(channel, &ExtensionSystem::CommunicationInterface::emitFinished);
        DialogScript answers;
        rig.pty()->stop();
        QTRY_COMPARE_WITH_TIMEOUT(answers.answered(), 1, 8000);
        QCOMPARE(failed.size(), 1);
        verifyDropped(rig, answers);
        // The misses came from the first failure on, not from a storm of errors.
        QVERIFY2(finished.size() < 10, qPrintable(QString::number(finished.size())));
        const double before = cpuSeconds();
        QTest::qWait(500);
        QVERIFY2(cpuSeconds() - before < 0.15, "busy after the port failed");
        QCOMPARE(answers.answered(), 1);
    }

    void anotherSensorAtTheRecheck()
    {
        Rig rig(QString(), Transport::PseudoTerminal);
        QVERIFY(rig.isReady() && connectLive(rig));
        DialogScript answers;
        rig.master().setProductId("ZT42-G14-100");
        rig.master().clearLog();
        rig.state().continuousDataTimer.start(10); // the 19 s identity timer runs out now
        QTRY_COMPARE_WITH_TIMEOUT(answers.answered(), 1, 10000);
        QCOMPARE(rig.requestCount(0x27), 11);
        verifyDropped(rig, answers);
    }

    // The window outlives its own waits when the host deletes the plug-in object
    // during the first read of all settings; no mismatch warning follows.
    void hostClosesTheWindowDuringTheFirstRead()
    {
        Rig rig(QString(), Transport::PseudoTerminal);
        QVERIFY(rig.isReady());
        QPointer<SensorInterface> plugin(rig.takePlugin());
        QPointer<SensorWindow> window(plugin->sensorWindow());
        DialogScript answers;
        bool closed = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &watch, [&] {
            if (closed || !plugin || rig.requestCount(0x26) < 3)
                return;
            closed = true;
            window->close();
            plugin->deleteLater();
        });
        watch.start(1);
        plugin->vAutoConnect(ConnectionRig::portName());
        QVERIFY(closed);
        QTRY_VERIFY(!plugin);
        QTRY_VERIFY(!window);
        QTRY_VERIFY(!rig.broker.current);
        QCOMPARE(answers.answered(), 0);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
