#include "common/connectionrig.h"

#include "chart/pressureunits.h"

#include "qtdoublepropertymanager.h"
#include "qtenumpropertymanager.h"

#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;
using ConnectionRig::Transport;

// The whole road: the window's port choice, the plug-in object, the host's serial
// channel on a pseudo-terminal, and the master simulator serving it.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setSleepFunction(ConnectionRig::noteWait); }
    void cleanupTestCase() { setSleepFunction(nullptr); }

    void connectWatchEditDisconnect()
    {
        Rig rig(QString(), Transport::PseudoTerminal);
        QVERIFY(rig.isReady());
        // The sensor shows psi; its pressure stands at 2 bar.
        QVERIFY(rig.sensor().setRawValue("TemperatureSettings", 1));
        rig.sensor().setPressure(2.0);

        DialogScript answers({"sensorToPc"});
        rig.choosePort(rig.portIndex());
        QCOMPARE(answers.titles(), QStringList{"Dialog"});
        QVERIFY(rig.window().isConnected());
        QVERIFY(qobject_cast<ExtensionSystem::SerialChannel *>(rig.window().communication()));
        QCOMPARE(Access::identification(rig.window()), "ZT41-G14-010");
        QCOMPARE(rig.state().enumManager->value(rig.property("TemperatureSettings")), 1);

        // Live points arrive once the progress bar has run out, in psi.
        rig.finishProgress();
        QTRY_VERIFY_WITH_TIMEOUT(rig.points() >= 5, 5000);
        const auto &history = rig.state().chart->history(0);
        QCOMPARE(history.value(history.size() - 1, Utils::Charts::ChartHistory::Value), 29.008);

        // A switching point edited in the tree (in psi) lands in the sensor in bar.
        rig.state().doubleManager->setValue(rig.property("ThresholdsPressure1A1"),
                                            convertPressure(4.0, 1, true));
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(rig.sensor().rawValue("ThresholdsPressure1A1") - 4000) <= 1,
                                 5000);
        const std::size_t points = rig.points();
        QTRY_VERIFY_WITH_TIMEOUT(rig.points() >= points + 3, 5000);

        // Offline: the port is given back and nothing is asked any more.
        rig.choosePort(0);
        QVERIFY(!rig.window().communication());
        QVERIFY(!rig.plugin()->isPortRegistered());
        QTRY_VERIFY(!rig.broker.current);
        QTest::qWait(150);
        const int requests = rig.master().requestCount();
        QTest::qWait(200);
        QCOMPARE(rig.master().requestCount(), requests);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
