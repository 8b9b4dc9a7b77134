#include "common/connectionrig.h"

#include "utils/charts/genericchart.h"

#include <QAction>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <sys/resource.h>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;
using ConnectionRig::Transport;

namespace {

const char *const silentText =
    "The sensor did not respond, please make sure it is properly connected.";

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
    if (!rig.window().isConnected())
        return false;
    return QTest::qWaitFor([&rig] { return rig.state().chart->history(0).size() >= 3; }, 15000);
}

} // namespace

// Faults on the real road (serial channel, pseudo-terminal, master simulator)
// that must end in a message and an offline window, never in a hang or a crash.
class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void masterFallsSilentWhilePolling();
    void terminalClosesUnderTheOpenPort();
    void anotherSensorAtTheRecheck();
    void hostClosesTheWindowDuringTheFirstRead();
};

void TestFaults::initTestCase()
{
    setSleepFunction([](int ms) { QThread::msleep(ulong(ms / 10)); });
}

void TestFaults::cleanupTestCase()
{
    setSleepFunction(nullptr);
}

void TestFaults::masterFallsSilentWhilePolling()
{
    Rig rig(QString(), Transport::PseudoTerminal);
    QVERIFY(rig.isReady());
    QVERIFY(connectLive(rig));
    DialogScript answers;

    rig.master().setSilentAfter(rig.master().requestCount());

    // Three polls time out after 2 s each.
    QTRY_COMPARE_WITH_TIMEOUT(answers.answered(), 1, 12000);
    QCOMPARE(answers.titles(), QStringList{"Connecting to sensor"});
    QCOMPARE(answers.texts(), QStringList{silentText});
    QTRY_VERIFY(!rig.window().isConnected());
    QCOMPARE(rig.combo()->currentIndex(), 0);
    QVERIFY(!rig.plugin()->isPortRegistered());
    QTRY_VERIFY(!rig.broker.current);
    QVERIFY(!rig.state().chartPollTimer.isActive());
    QCOMPARE(answers.answered(), 1);
}

void TestFaults::terminalClosesUnderTheOpenPort()
{
    Rig rig(QString(), Transport::PseudoTerminal);
    QVERIFY(rig.isReady());
    QVERIFY(connectLive(rig));
    auto *channel = qobject_cast<ExtensionSystem::SerialChannel *>(rig.broker.current.data());
    QVERIFY(channel);
    QSignalSpy failed(channel, &ExtensionSystem::SerialChannel::portFailed);
    QSignalSpy finished(channel, &ExtensionSystem::CommunicationInterface::emitFinished);
    QPointer<ExtensionSystem::SerialChannel> alive(channel);
    DialogScript answers;

    rig.pty()->stop();

    QTRY_COMPARE_WITH_TIMEOUT(answers.answered(), 1, 8000);
    QCOMPARE(answers.texts(), QStringList{silentText});
    QCOMPARE(failed.size(), 1);
    QVERIFY(!rig.window().isConnected());
    QVERIFY(!rig.window().communication());
    QTRY_VERIFY(!alive); // released and deleted by the broker
    // The misses came from the first failure on, not from a storm of errors.
    QVERIFY2(finished.size() < 10, qPrintable(QString::number(finished.size())));

    // Quiet afterwards: no busy loop.
    const double before = cpuSeconds();
    QTest::qWait(1000);
    const double used = cpuSeconds() - before;
    QVERIFY2(used < 0.3, qPrintable(QString::number(used)));
    QCOMPARE(answers.answered(), 1);
}

void TestFaults::anotherSensorAtTheRecheck()
{
    Rig rig(QString(), Transport::PseudoTerminal);
    QVERIFY(rig.isReady());
    QVERIFY(connectLive(rig));
    DialogScript answers;

    rig.master().setProductId(QStringLiteral("ZT42-G14-100"));
    rig.master().clearLog();
    // The 19 s identity timer runs out now.
    rig.state().continuousDataTimer.start(10);

    QTRY_COMPARE_WITH_TIMEOUT(answers.answered(), 1, 20000);
    QCOMPARE(answers.titles(), QStringList{"Connecting to sensor"});
    QCOMPARE(answers.texts(), QStringList{silentText});
    QCOMPARE(rig.requestCount(0x27), 11);
    QTRY_VERIFY(!rig.window().isConnected());
    QCOMPARE(rig.combo()->currentIndex(), 0);
    QVERIFY(!rig.state().continuousDataTimer.isActive());
    QVERIFY(!rig.plugin()->isPortRegistered());
}

void TestFaults::hostClosesTheWindowDuringTheFirstRead()
{
    Rig rig(QString(), Transport::PseudoTerminal);
    QVERIFY(rig.isReady());
    QPointer<SensorInterface> plugin(rig.takePlugin());
    QPointer<SensorWindow> window(plugin->sensorWindow());
    bool closed = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &watch, [&] {
        if (closed || !plugin || rig.requestCount(0x26) < 3)
            return;
        closed = true;
        QVERIFY(Access::state(*window).progressDialog.isVisible());
        window->close();
        plugin->deleteLater();
    });
    watch.start(1);

    plugin->vAutoConnect(ConnectionRig::portName());
    QTRY_VERIFY_WITH_TIMEOUT(closed, 10000);
    QTRY_VERIFY(!plugin);
    QTRY_VERIFY(!window);
    QTRY_VERIFY(!rig.broker.current);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
