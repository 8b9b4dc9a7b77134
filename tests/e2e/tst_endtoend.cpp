#include "common/connectionrig.h"

#include "propertybrowser/qtdoublepropertymanager.h"

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

using Fault = IoLinkSim::MasterSimulator::Fault;

// What the tree shows, parameter by parameter.
QMap<QString, QString> shownValues(Rig &rig)
{
    QMap<QString, QString> values;
    for (QtProperty *property : Access::all(rig.window()))
        values.insert(property->propertyId(), property->valueText());
    return values;
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

    // A damaged line: every value shown is the sensor's, or the one shown before when
    // its read failed, and then the window says which; no pressure beyond the range is
    // drawn; a connect that fails says why, once.
    void faultyLine_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("productId");
        QTest::addColumn<QString>("failure");
        QTest::newRow("garbled answers") << int(Fault::Garbage) << 0.2 << "" << "";
        QTest::newRow("refused answers") << int(Fault::Error) << 0.2 << "" << "";
        QTest::newRow("answers too late") << int(Fault::Late) << 0.015 << "" << "";
        QTest::newRow("no master answers") << int(Fault::Silent) << 1.0 << ""
                                           << "No IO-Link master answered on /dev/pts/";
        QTest::newRow("another sensor") << int(Fault::None) << 0.0 << "ZT42-G14-100"
            << "The connected sensor does not match currently selected sensor, please try "
               "again with the proper sensor\n\nProductID found: ZT42-G14-100";
    }
    void faultyLine()
    {
        QFETCH(int, fault);
        QFETCH(double, rate);
        QFETCH(QString, productId);
        QFETCH(QString, failure);
        if (m_sensorValues.isEmpty()) { // what a healthy line shows
            Rig healthy(QString(), ConnectionRig::Transport::PseudoTerminal);
            QVERIFY(healthy.isReady() && connectLive(healthy));
            m_sensorValues = shownValues(healthy);
        }
        Rig rig(productId, ConnectionRig::Transport::PseudoTerminal);
        QVERIFY(rig.isReady());
        const QMap<QString, QString> before = shownValues(rig);
        rig.master().setSeed(5);
        if (fault == int(Fault::Silent))
            rig.master().setSilentAfter(0);
        else if (fault != int(Fault::None))
            rig.master().setFaultRate(Fault(fault), rate);
        DialogScript answers;
        rig.plugin()->vAutoConnect(ConnectionRig::portName());
        rig.finishProgress();
        if (!failure.isEmpty()) {
            QVERIFY(!rig.window().isConnected());
            QCOMPARE(answers.answered(), 1);
            QVERIFY2(answers.texts().value(0).startsWith(failure),
                     qPrintable(answers.texts().value(0)));
            QCOMPARE(shownValues(rig), before);
            QVERIFY(!rig.state().continuousDataTimer.isActive());
            return;
        }
        QVERIFY(rig.window().isConnected());
        QTest::qWait(1000); // polls, some of them damaged
        const QString unread = answers.texts().join('\n');
        QVERIFY(answers.answered() <= 1);
        const QMap<QString, QString> shown = shownValues(rig);
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            if (it.value() == m_sensorValues.value(it.key()))
                continue;
            QtProperty *property = Access::find(rig.window(), it.key());
            QVERIFY2(it.value() == before.value(it.key())
                         && unread.contains("\n" + property->propertyName()),
                     qPrintable(it.key() + ": " + it.value() + " | " + unread));
        }
        const auto &history = rig.state().chart->history(0);
        QVERIFY(history.size() > 3);
        for (std::size_t i = 0; i < history.size(); ++i) {
            const double bar = history.value(i, Utils::Charts::ChartHistory::Value);
            QVERIFY2(bar >= -1.0 && bar <= 10.0, qPrintable(QString::number(bar)));
        }
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

private:
    QMap<QString, QString> m_sensorValues;
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
