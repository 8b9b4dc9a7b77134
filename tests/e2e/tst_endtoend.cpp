#include "common/connectionrig.h"

#include "qtdoublepropertymanager.h"

#include <QSignalSpy>
#include <QtTest>

#include <sys/resource.h>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Connected automatically over the pseudo-terminal, with live points arriving.
bool connectLive(Rig &rig)
{
    rig.plugin()->vAutoConnect(ConnectionRig::portName());
    rig.finishProgress();
    return rig.window().isConnected()
        && QTest::qWaitFor([&rig] { return rig.points() >= 3; }, 5000);
}

} // namespace

// The whole road: the plug-in object, the host's serial channel on a pseudo-terminal
// and the master simulator serving it; a fault on it ends in one message and an
// offline window, never in a hang.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setSleepFunction(ConnectionRig::noteWait); }
    void cleanupTestCase() { setSleepFunction(nullptr); }

    void connectWatchEditDisconnect()
    {
        Rig rig(QString(), ConnectionRig::Transport::PseudoTerminal);
        QVERIFY(rig.sensor().setRawValue("TemperatureSettings", 1)); // the sensor shows psi
        rig.sensor().setPressure(2.0);
        QVERIFY(rig.isReady() && connectLive(rig));
        QVERIFY(qobject_cast<ExtensionSystem::SerialChannel *>(rig.window().communication()));
        QCOMPARE(Access::identification(rig.window()), "ZT41-G14-010");
        const auto &history = rig.state().chart->history(0);
        QCOMPARE(history.value(history.size() - 1, Utils::Charts::ChartHistory::Value), 29.008);

        // A switching point edited in the tree in psi lands in the sensor in bar.
        rig.state().doubleManager->setValue(rig.property("ThresholdsPressure1A1"), 58.016);
        QTRY_COMPARE_WITH_TIMEOUT(rig.sensor().rawValue("ThresholdsPressure1A1"), 4000, 5000);
        const std::size_t points = rig.points();
        QTRY_VERIFY_WITH_TIMEOUT(rig.points() >= points + 3, 5000);

        rig.choosePort(0);
        QTRY_VERIFY(!rig.broker.current && !rig.window().communication());
    }

    // The port fails once, the missed polls follow from it, and all is quiet afterwards.
    void terminalClosesUnderTheOpenPort()
    {
        Rig rig(QString(), ConnectionRig::Transport::PseudoTerminal);
        QVERIFY(rig.isReady() && connectLive(rig));
        auto *channel = qobject_cast<ExtensionSystem::SerialChannel *>(rig.broker.current.data());
        QSignalSpy failed(channel, &ExtensionSystem::SerialChannel::portFailed);
        QSignalSpy finished(channel, &ExtensionSystem::CommunicationInterface::emitFinished);
        DialogScript answers;
        rig.pty()->stop();
        QTRY_COMPARE_WITH_TIMEOUT(answers.answered(), 1, 8000);
        QCOMPARE(answers.texts(), QStringList{"The sensor did not respond, please make sure it "
                                              "is properly connected."});
        QCOMPARE(failed.size(), 1);
        QVERIFY2(finished.size() < 10, qPrintable(QString::number(finished.size())));
        QTRY_VERIFY(!rig.window().isConnected());
        QCOMPARE(rig.combo()->currentIndex(), 0);
        QTRY_VERIFY(!rig.broker.current);
        const double before = cpuSeconds();
        QTest::qWait(500);
        QVERIFY2(cpuSeconds() - before < 0.15, "busy after the port failed");
        QCOMPARE(answers.answered(), 1);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
