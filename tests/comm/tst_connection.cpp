#include "common/connectionrig.h"

#include "propertybrowser/qtdoublepropertymanager.h"

#include <QSignalSpy>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;
using Fault = IoLinkSim::MasterSimulator::Fault;

namespace {

const QString mismatchText = "The connected sensor does not match currently selected sensor, "
                             "please try again with the proper sensor";
const QString silentText = "The sensor did not respond, please make sure it is properly connected.";

QStringList ports(const QSignalSpy &spy)
{
    QStringList names;
    for (const QList<QVariant> &args : spy)
        names << args.at(0).toString();
    return names;
}

// Offline with the port given back, and nothing polled any more.
void verifyDropped(Rig &rig)
{
    QVERIFY(!rig.window().isConnected());
    QCOMPARE(rig.combo()->currentIndex(), 0);
    QVERIFY(!rig.plugin()->isPortRegistered());
    QTest::qWait(150);
    const int polls = rig.requestCount(0x22);
    QTest::qWait(200);
    QCOMPARE(rig.requestCount(0x22), polls);
}

struct Refusal
{
    QStringList script;
    QString productId;
    int index;            // of the port combo afterwards
    QStringList signalled; // ports the window asked the plug-in object for
};

} // namespace

Q_DECLARE_METATYPE(Refusal)

// The connection procedure, the identity re-check and the process-data poll.
class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setSleepFunction(ConnectionRig::noteWait);
        ConnectionRig::timeoutCapMs = 200; // a lost answer costs a tenth of its time-out
        QVERIFY(Rig().isReady());
    }
    void cleanupTestCase() { setSleepFunction(nullptr); }

    // A refill keeps the selected port (matched case-sensitively) or offline.
    void portListRefill()
    {
        Rig rig;
        QComboBox *combo = rig.combo();
        rig.window().updateComPortList({"/dev/ttyA", "/dev/ttyB"});
        combo->setCurrentIndex(3);
        rig.window().updateComPortList({"/dev/ttyC", "/dev/ttyB"});
        QCOMPARE(combo->currentIndex(), 3);
        QCOMPARE(combo->itemText(0) + combo->itemText(2), "Offline/dev/ttyC");
        QCOMPARE(combo->itemData(1, Qt::AccessibleDescriptionRole).toString(), "separator");
        rig.window().updateComPortList({"/dev/TTYB"});
        QCOMPARE(combo->currentIndex(), -1);
        combo->setCurrentIndex(0);
        rig.window().updateComPortList({"/dev/ttyA"});
        QCOMPARE(combo->currentIndex(), 0);
    }

    void probeAttempts_data()
    {
        QTest::addColumn<int>("lost");
        QTest::newRow("a probe answered at once connects") << 0;
        QTest::newRow("a probe answered on the fifth attempt connects") << 4;
        QTest::newRow("a master silent on five probes is refused") << 5;
    }
    // Each attempt applies the probe's rate, then sends the probe with 1 s to answer.
    void probeAttempts()
    {
        QFETCH(int, lost);
        const bool connects = lost < 5;
        Rig rig;
        DialogScript answers;
        emit rig.window().vComPortSelected(ConnectionRig::portName());
        rig.master().injectFault(Fault::Drop, lost);
        QCOMPARE(Access::bConnectToSensor(rig.window()), connects);
        const int probes = qMin(lost + 1, 5);
        for (int i = 0; i < probes; ++i)
            QCOMPARE(rig.events.mid(2 * i, 2), QStringList({"apply 38400", "send 03511201 1000"}));
        QCOMPARE(rig.events.value(2 * probes), connects ? "send 03511201 2000" : QString());
        QCOMPARE(answers.texts(), connects ? QStringList()
                                           : QStringList{"No IO-Link master answered on "
                                                         + ConnectionRig::portName()});
    }

    // A port the host cannot open is told as such, once, and nothing is sent.
    void portThatCannotBeOpened()
    {
        Rig rig;
        DialogScript answers({"sensorToPc"});
        rig.choosePort(rig.combo()->findText("/dev/ttyOTHER"));
        QCOMPARE(answers.texts(), (QStringList{"", "The port /dev/ttyOTHER cannot be opened: "
                                                   "the port was refused"}));
        QVERIFY(!rig.window().isConnected() && !rig.state().continuousDataTimer.isActive());
        QCOMPARE(rig.combo()->currentIndex(), 0);
        QCOMPARE(rig.master().requestCount(), 0);
    }

    void sensorToPcConnectsAndPolls()
    {
        Rig rig;
        DialogScript answers({"Enter"}); // the direction that reads the sensor is the default
        QSignalSpy spy(&rig.window(), &SensorWindow::vComPortSelected);
        rig.choosePort(rig.portIndex());
        QCOMPARE(ports(spy), QStringList({"", ConnectionRig::portName()}));
        QCOMPARE(rig.window().windowTitle(), "ZT4K-010 -1...10 bar (/dev/ttySIM0)");
        QCOMPARE(rig.state().progressBar->maximum(), 350);
        QCOMPARE(rig.requestCount(0x26), 1 + 28); // the product id, then every parameter
        QCOMPARE(rig.requestCount(0x24), 0);      // and nothing written to the sensor
        // Live data begin when the progress bar has run out, not before.
        const int polls = rig.requestCount(0x22);
        QTest::qWait(150);
        QCOMPARE(rig.requestCount(0x22), polls);
        rig.finishProgress();
        QTRY_VERIFY(rig.points() >= 3);

        rig.choosePort(0);
        QCOMPARE(rig.broker.calls.last(), "unregister");
        QCOMPARE(rig.window().windowTitle(), "ZT4K-010 -1...10 bar (Offline)");
        verifyDropped(rig);
    }

    void pcToSensorWritesThePcSettings()
    {
        Rig rig;
        rig.state().doubleManager->setValue(rig.property("ThresholdsPressure1A1"), 4.25);
        Access::clearPendingWrite(rig.window());
        DialogScript answers({"pcToSensor", "Ok"});
        rig.choosePort(rig.portIndex());
        QCOMPARE(answers.titles(), QStringList({"Connect to sensor", "Kalvio"}));
        QCOMPARE(answers.texts().last(),
                 "Sensor settings will be overwritten with the ones from PC");
        QCOMPARE(rig.sensor().rawValue("ThresholdsPressure1A1"), 4250);
        QCOMPARE(rig.state().progressBar->maximum(), 430);
        // A pause before the write of all settings, and two around each parameter.
        QCOMPARE(rig.events.count("sleep 250"), 1 + 2 * 22);
        QVERIFY(rig.state().chartPollTimer.isActive() || rig.state().pendingFrameNumber != 0);
    }

    void refusedOrCancelled_data()
    {
        QTest::addColumn<Refusal>("c");
        const QString port = ConnectionRig::portName();
        QTest::newRow("another sensor is refused after ten identifications")
            << Refusal{{"sensorToPc", "Ok"}, "ZT42-G14-100", 0, {"", port, ""}};
        QTest::newRow("Cancel in the direction dialog keeps the previous port")
            << Refusal{{"cancel"}, "", 2, {}};
        QTest::newRow("closing the direction dialog keeps the previous port")
            << Refusal{{""}, "", 2, {}};
        QTest::newRow("Cancel of the overwrite question goes offline")
            << Refusal{{"pcToSensor", "Cancel"}, "", 0, {}};
    }
    void refusedOrCancelled()
    {
        QFETCH(Refusal, c);
        Rig rig(c.productId);
        DialogScript answers(c.script);
        QSignalSpy spy(&rig.window(), &SensorWindow::vComPortSelected);
        rig.state().previousPortIndex = 2;
        rig.combo()->setCurrentIndex(2);
        rig.choosePort(rig.portIndex());
        QCOMPARE(answers.answered(), c.script.size());
        QCOMPARE(rig.combo()->currentIndex(), c.index);
        QCOMPARE(rig.state().previousPortIndex, c.index);
        QCOMPARE(ports(spy), c.signalled);
        QVERIFY(!rig.window().isConnected() && !rig.plugin()->isPortRegistered());
        QCOMPARE(rig.requestCount(0x27), c.productId.isEmpty() ? 0 : 10);
        QCOMPARE(rig.requestCount(0x24), 0);
        QCOMPARE(answers.texts().contains(mismatchText + "\n\nProductID found: " + c.productId),
                 !c.productId.isEmpty());
        QVERIFY(!rig.state().progressDialog.isVisible());
        // Nothing is left running that would raise another message later.
        QVERIFY(!rig.state().continuousDataTimer.isActive());
    }

    void identityRecheck_data()
    {
        QTest::addColumn<QString>("productId");
        QTest::addColumn<bool>("onPort");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("the same sensor keeps the connection") << "ZT41-G14-010" << true
                                                              << QStringList();
        QTest::newRow("another sensor after eleven tries disconnects with the message")
            << "ZT42-G14-100" << true << QStringList{silentText};
        QTest::newRow("with the combo on offline a failed re-check stays silent")
            << "ZT42-G14-100" << false << QStringList();
    }
    void identityRecheck()
    {
        QFETCH(QString, productId);
        QFETCH(bool, onPort);
        QFETCH(QStringList, messages);
        const int identifications = productId.startsWith("ZT41") ? 1 : 11;
        Rig rig;
        rig.plugin()->vAutoConnect(ConnectionRig::portName());
        rig.finishProgress();
        QTRY_VERIFY(rig.window().isConnected() && !rig.state().progressDialog.isVisible());
        rig.combo()->setCurrentIndex(onPort ? rig.portIndex() : 0);
        rig.master().setProductId(productId);
        rig.master().setAnswerDelayMs(3);
        rig.master().clearLog();
        DialogScript answers;
        // Each identification restarts the identity timer; when it runs out inside the
        // re-check's own transfers, that is no second re-check.
        rig.state().continuousDataTimer.setInterval(1);
        Access::slotContinousDataTimeout(rig.window());
        QCOMPARE(rig.requestCount(0x27), identifications);
        QCOMPARE(answers.texts(), messages);
        QCOMPARE(rig.state().continuousDataTimer.isActive(), identifications == 1);
        QCOMPARE(rig.window().isConnected(), messages.isEmpty());
        if (!messages.isEmpty()) {
            QCOMPARE(answers.titles(), QStringList{"Connecting to sensor"});
            verifyDropped(rig);
        }
        QTest::qWait(50);
        QCOMPARE(rig.requestCount(0x27) > identifications, identifications == 1);
    }

    // Polls go out one at a time; an answer forgives the misses before it (a slow
    // line raises no warning), the third miss in a row drops the connection.
    void pollsAndThirdMiss()
    {
        Rig rig;
        rig.attach();
        rig.sensor().setPressure(-0.5);
        Access::setLive(rig.window(), true);
        rig.master().injectFault(Fault::Drop, 2);
        Access::queryStatusData(rig.window(), 0);
        QCOMPARE(rig.state().pendingFrames.size(), 1);
        QTRY_VERIFY(rig.points() >= 2);
        QCOMPARE(rig.state().chart->history(0).value(0, Utils::Charts::ChartHistory::Value),
                 -0.5);
        QCOMPARE(rig.state().statusRetries, 2);
        const QStringList events = rig.events;
        QCOMPARE(QSet<QString>(events.begin(), events.end()), QSet<QString>{"send 027022 2000"});
        DialogScript answers;
        rig.master().injectFault(Fault::Drop, 3);
        QTRY_COMPARE(answers.texts(), QStringList{silentText});
        QTRY_VERIFY(rig.state().pendingFrames.isEmpty());
        // The disconnect gave the channel back, so the connection check failed.
        QCOMPARE(rig.state().statusRetries, 1);
        verifyDropped(rig);
    }

    // The warning of the third miss runs a nested event loop in which the poll
    // timer fires: that poll waits for the handler instead of locking up or
    // replacing its frame, and runs once afterwards.
    void pollDuringTheWarningWaitsForTheHandler()
    {
        Rig rig;
        QStringList events;
        ConnectionRig::RecordingChannel channel(&rig.master(), &events);
        rig.window().setCommunication(&channel); // not through the plug-in: it stays
        Access::connected(rig.window()) = true;
        rig.state().liveDataEnabled = true;
        rig.state().statusRetries = 0;
        rig.master().injectFault(Fault::Drop, 1);
        bool pollWhileUp = true;
        QTimer slowAnswer;
        connect(&slowAnswer, &QTimer::timeout, &slowAnswer, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            slowAnswer.stop();
            QTest::qWait(250); // the 65 ms poll timer runs out under the box
            pollWhileUp = rig.requestCount(0x22) > 1;
            box->button(QMessageBox::Ok)->click();
        });
        slowAnswer.start(10);
        Access::queryStatusData(rig.window(), 0);
        QTRY_VERIFY(!slowAnswer.isActive());
        QVERIFY(!pollWhileUp);
        QTRY_COMPARE(rig.requestCount(0x22), 2);
        QCOMPARE(rig.state().statusRetries, 2); // the connection check was answered
        QTest::qWait(200);
        QCOMPARE(rig.requestCount(0x22), 2);
        rig.window().setCommunication(nullptr);
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
