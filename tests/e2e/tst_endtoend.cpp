#include "common/connectionrig.h"

#include "chart/pressureunits.h"
#include "utils/charts/genericchart.h"

#include "qtpropertymanager.h"

#include <QAction>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;
using ConnectionRig::Transport;
using Series = Utils::Charts::ChartHistory::Series;

// The whole road: the window's port choice, the plug-in object, the host's serial
// channel on a pseudo-terminal, and the master simulator serving it.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectWatchEditDisconnect();
};

void TestEndToEnd::initTestCase()
{
    // The waits between master requests give a real master time; a fifth of
    // each is plenty for the simulator and keeps the run short.
    setSleepFunction([](int ms) { QThread::msleep(ulong(ms / 5)); });
}

void TestEndToEnd::cleanupTestCase()
{
    setSleepFunction(nullptr);
}

void TestEndToEnd::connectWatchEditDisconnect()
{
    QElapsedTimer clock;
    clock.start();
    Rig rig(QString(), Transport::PseudoTerminal);
    QVERIFY(rig.isReady());
    IoLinkSim::SimulatedSensor &sensor = rig.master().sensor();
    // The sensor shows psi; its pressure stands at 2 bar.
    QVERIFY(sensor.setRawValue(QStringLiteral("TemperatureSettings"), 1));
    sensor.setPressure(2.0);

    DialogScript answers({"sensorToPc"});
    rig.choosePort(rig.portIndex());
    QCOMPARE(answers.titles(), QStringList{"Dialog"});
    QVERIFY(rig.window().isConnected());
    QVERIFY(qobject_cast<ExtensionSystem::SerialChannel *>(rig.window().communication()));
    QCOMPARE(Access::identification(rig.window()).left(4), QStringLiteral("ZT41"));
    QtProperty *unit = Access::find(rig.window(), QStringLiteral("TemperatureSettings"));
    QVERIFY(unit);
    QCOMPARE(rig.state().enumManager->value(unit), 1);

    // Live points arrive once the progress bar has run out, in psi.
    QTRY_VERIFY_WITH_TIMEOUT(rig.state().chart->history(0).size() >= 5, 15000);
    const auto &history = rig.state().chart->history(0);
    const double psi = convertPressure(2.0, 1, true);
    QCOMPARE(psi, 29.008);
    QCOMPARE(history.value(history.size() - 1, Series::Value), psi);

    // A switching point edited in the tree (in psi) lands in the sensor in bar.
    QtProperty *point = Access::find(rig.window(), QStringLiteral("ThresholdsPressure1A1"));
    QVERIFY(point);
    rig.state().doubleManager->setValue(point, convertPressure(4.0, 1, true));
    QTRY_VERIFY_WITH_TIMEOUT(
        qAbs(sensor.rawValue(QStringLiteral("ThresholdsPressure1A1")) - 4000) <= 1, 5000);
    QVERIFY(rig.window().isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(history.size() >= 8, 5000);

    // Offline: the port is given back and nothing is asked any more.
    rig.choosePort(0);
    QVERIFY(!rig.window().isConnected());
    QVERIFY(!rig.window().communication());
    QVERIFY(!rig.plugin()->isPortRegistered());
    QTRY_VERIFY(!rig.broker.current);
    QTest::qWait(200);
    const int requests = rig.master().requestCount();
    QTest::qWait(300);
    QCOMPARE(rig.master().requestCount(), requests);
    qInfo("end to end: %lld ms", clock.elapsed());
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
