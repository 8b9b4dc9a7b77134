#include "common/connectionrig.h"

#include "qtdoublepropertymanager.h"

#include "utils/connectionstatus.h"

#include <QSignalSpy>
#include <QToolBar>
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

// Connected in the direction sensor to PC, the progress bar run out.
bool connectSensorToPc(Rig &rig)
{
    DialogScript answers({"sensorToPc"});
    rig.choosePort(rig.portIndex());
    rig.finishProgress();
    return rig.window().isConnected()
        && QTest::qWaitFor([&rig] { return !rig.state().progressDialog.isVisible(); });
}

// Offline with the port given back, and nothing polled any more.
void verifyDropped(Rig &rig)
{
    QVERIFY(!rig.window().isConnected());
    QCOMPARE(rig.combo()->currentIndex(), 0);
    QCOMPARE(rig.state().previousPortIndex, 0);
    QVERIFY(!rig.plugin()->isPortRegistered());
    QVERIFY(!rig.ui().sensorOperationsToolbar->isEnabled());
    QVERIFY(!rig.state().continuousDataTimer.isActive());
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

struct Recheck
{
    QString productId;
    bool onPort;
    int identifications;
    QStringList messages;
};

} // namespace

Q_DECLARE_METATYPE(Refusal)
Q_DECLARE_METATYPE(Recheck)

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
        QCOMPARE(combo->itemText(0), "Offline");
        QCOMPARE(combo->itemData(1, Qt::AccessibleDescriptionRole).toString(), "separator");
        QCOMPARE(combo->itemText(2), "/dev/ttyC");
        rig.window().updateComPortList({"/dev/TTYB"});
        QCOMPARE(combo->currentIndex(), -1);
        combo->setCurrentIndex(0);
        rig.window().updateComPortList({"/dev/ttyA"});
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(combo->count(), 3);
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
        QCOMPARE(answers.texts(), connects ? QStringList() : QStringList{mismatchText});
        QCOMPARE(rig.state().expectedSensorId, connects ? "ZT41" : "");
        QCOMPARE(rig.ui().actionOpen_Settings->isEnabled(), !connects);
    }

    void sensorToPcConnectsAndPolls()
    {
        Rig rig;
        rig.sensor().setPressure(2.5);
        DialogScript answers({"sensorToPc"});
        QSignalSpy spy(&rig.window(), &SensorWindow::vComPortSelected);
        rig.choosePort(rig.portIndex());
        QCOMPARE(answers.titles(), QStringList{"Dialog"});
        QCOMPARE(ports(spy), QStringList({"", ConnectionRig::portName()}));
        QCOMPARE(rig.window().windowTitle(), "ZT4K-010 -1...10 bar (/dev/ttySIM0)");
        QVERIFY(rig.ui().sensorOperationsToolbar->isEnabled());
        QCOMPARE(rig.state().previousPortIndex, rig.portIndex());
        QVERIFY(rig.state().continuousDataTimer.isActive());
        QVERIFY(rig.state().connectionStatus->isConnected());
        QCOMPARE(rig.state().progressBar->maximum(), 350);
        QCOMPARE(rig.requestCount(0x26), 1 + 28); // the product id, then every parameter
        // Live data begin when the progress bar has run out, not before.
        const int polls = rig.requestCount(0x22);
        QTest::qWait(150);
        QCOMPARE(rig.requestCount(0x22), polls);
        rig.finishProgress();
        QTRY_VERIFY(rig.points() >= 3);
        const auto &history = rig.state().chart->history(0);
        QCOMPARE(history.value(history.size() - 1, Utils::Charts::ChartHistory::Value), 2.5);

        rig.choosePort(0);
        QCOMPARE(rig.broker.calls.last(), "unregister");
        QCOMPARE(rig.window().windowTitle(), "ZT4K-010 -1...10 bar (Offline)");
        QVERIFY(rig.ui().actionOpen_Settings->isEnabled());
        QVERIFY(!rig.ui().actionEnable_live_data->isChecked());
        verifyDropped(rig);
    }

    void pcToSensorWritesThePcSettings()
    {
        Rig rig;
        rig.state().doubleManager->setValue(rig.property("ThresholdsPressure1A1"), 4.25);
        Access::clearPendingWrite(rig.window());
        DialogScript answers({"pcToSensor", "Ok"});
        rig.choosePort(rig.portIndex());
        QCOMPARE(answers.titles(), QStringList({"Dialog", "Kalvio"}));
        QCOMPARE(answers.texts().last(), "Sensor settings will be overwritten with the ones from PC");
        QVERIFY(rig.window().isConnected());
        QCOMPARE(rig.sensor().rawValue("ThresholdsPressure1A1"), 4250);
        QCOMPARE(rig.state().progressBar->maximum(), 430);
        QVERIFY(rig.ui().actionEnable_live_data->isChecked());
        QVERIFY(rig.state().continuousDataTimer.isActive());
        QVERIFY(rig.state().chartPollTimer.isActive() || rig.state().pendingFrameNumber != 0);
        QCOMPARE(rig.state().previousPortIndex, rig.portIndex());
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
        QCOMPARE(rig.broker.calls.isEmpty(), c.signalled.isEmpty());
        QVERIFY(!rig.window().isConnected() && !rig.plugin()->isPortRegistered());
        QCOMPARE(rig.requestCount(0x27), c.productId.isEmpty() ? 0 : 10);
        QCOMPARE(rig.requestCount(0x24), 0);
        if (!c.productId.isEmpty()) {
            QCOMPARE(answers.titles(), QStringList({"Dialog", "Connecting to sensor..."}));
            QCOMPARE(answers.texts().last(), mismatchText);
            QVERIFY(!rig.state().progressDialog.isVisible());
            QCOMPARE(rig.state().progressMaximum, 350);
            QVERIFY(rig.state().showProgress);
        }
    }

    void identityRecheck_data()
    {
        QTest::addColumn<Recheck>("c");
        QTest::newRow("the same sensor keeps the connection")
            << Recheck{"ZT41-G14-010", true, 1, {}};
        QTest::newRow("another sensor after eleven tries disconnects with the message")
            << Recheck{"ZT42-G14-100", true, 11, {silentText}};
        QTest::newRow("with the combo on offline a failed re-check stays silent")
            << Recheck{"ZT42-G14-100", false, 11, {}};
    }
    void identityRecheck()
    {
        QFETCH(Recheck, c);
        Rig rig;
        QVERIFY(connectSensorToPc(rig));
        if (!c.onPort)
            rig.combo()->setCurrentIndex(0);
        QSignalSpy spy(&rig.window(), &SensorWindow::vComPortSelected);
        rig.master().setProductId(c.productId);
        rig.master().clearLog();
        DialogScript answers;
        Access::slotContinousDataTimeout(rig.window());
        QCOMPARE(rig.requestCount(0x27), c.identifications);
        QCOMPARE(answers.texts(), c.messages);
        QCOMPARE(rig.state().continuousDataTimer.isActive(), c.identifications == 1);
        QCOMPARE(rig.window().isConnected(), c.messages.isEmpty());
        QCOMPARE(ports(spy), c.messages.isEmpty() ? QStringList() : QStringList{""});
        if (!c.messages.isEmpty()) {
            QCOMPARE(answers.titles(), QStringList{"Connecting to sensor"});
            QVERIFY(!rig.ui().outuptsComboToolBar->isEnabled());
            verifyDropped(rig);
        }
    }

    // Each identification restarts the identity timer; when eleven failing ones take
    // longer than its interval, it runs out inside the re-check's own transfers.
    void recheckIsNotEnteredAgainByItsOwnTimer()
    {
        Rig rig;
        QVERIFY(connectSensorToPc(rig));
        rig.master().setProductId("ZT42-G14-100");
        rig.master().setAnswerDelayMs(3);
        rig.master().clearLog();
        DialogScript answers;
        rig.state().continuousDataTimer.setInterval(1);
        Access::slotContinousDataTimeout(rig.window());
        QCOMPARE(rig.requestCount(0x27), 11);
        QVERIFY(!rig.window().isConnected());
        QTest::qWait(100);
        QCOMPARE(rig.requestCount(0x27), 11);
        QCOMPARE(answers.texts(), QStringList{silentText});
    }

    void pollsOneAtATimeEvery65ms()
    {
        Rig rig;
        rig.attach();
        rig.sensor().setPressure(-0.5);
        Access::setLive(rig.window(), true);
        Access::queryStatusData(rig.window(), 0);
        QCOMPARE(rig.state().pendingFrames.size(), 1);
        QTRY_VERIFY(rig.points() >= 8);
        rig.events.removeDuplicates();
        QCOMPARE(rig.events, QStringList{"send 027022 2000"});
        const auto log = rig.master().requestLog();
        const qint64 span = log.last().timeMs - log.first().timeMs;
        QVERIFY2(span >= 60 * (log.size() - 1), qPrintable(QString::number(span)));
        QCOMPARE(rig.state().chart->history(0).value(0, Utils::Charts::ChartHistory::Value),
                 -0.5);
    }

    // Any answer is a sign of life; one shorter than 8 bytes draws nothing.
    void shortAnswerIsNoPoint()
    {
        Rig rig;
        rig.attach();
        Access::setLive(rig.window(), true);
        rig.ui().chartToolbar->setEnabled(false);
        auto *frame = new SensorWindow::DataFrame; // handed to the window
        frame->queries.resize(1);
        frame->queries.front().answer = QByteArray::fromHex("067022000fa000").toStdString();
        frame->queries.front().answered = 1;
        rig.state().pendingFrames.insert(4711, frame);
        rig.state().pendingFrameNumber = 4711;
        Access::queryStatusData(rig.window(), 4711);
        QCOMPARE(rig.points(), std::size_t(0));
        QVERIFY(rig.ui().chartToolbar->isEnabled());
        QVERIFY(rig.state().pendingFrames.isEmpty());
        QVERIFY(rig.state().chartPollTimer.isActive());
    }

    // Two misses are forgiven; the third since connecting drops the connection.
    void thirdMissDisconnects()
    {
        Rig rig;
        rig.attach();
        Access::setLive(rig.window(), true);
        rig.master().injectFault(Fault::Drop, 2);
        Access::queryStatusData(rig.window(), 0);
        QTRY_VERIFY(rig.points() >= 2);
        QCOMPARE(rig.state().statusRetries, 0);
        DialogScript answers;
        rig.master().injectFault(Fault::Drop, 1);
        QTRY_COMPARE(answers.answered(), 1);
        QCOMPARE(answers.titles(), QStringList{"Connecting to sensor"});
        QCOMPARE(answers.texts(), QStringList{silentText});
        QTRY_VERIFY(rig.state().pendingFrames.isEmpty());
        // The disconnect gave the channel back, so the connection check failed.
        QCOMPARE(rig.state().statusRetries, 1);
        verifyDropped(rig);
    }

    void foreignFrameNumbersAreIgnored()
    {
        Rig rig;
        rig.attach();
        Access::setLive(rig.window(), true);
        rig.master().setAnswerDelayMs(100);
        Access::queryStatusData(rig.window(), 0);
        const unsigned int number = rig.state().pendingFrameNumber;
        Access::queryStatusData(rig.window(), number + 100);
        QCOMPARE(rig.state().pendingFrameNumber, number);
        QCOMPARE(rig.state().pendingFrames.size(), 1);
        // The window's own transfers finish frames of other numbers meanwhile.
        QVERIFY(rig.window().bWriteFrame(std::string("\x02\x73\x27", 3), false));
        QTRY_VERIFY(rig.points() >= 1);
        QCOMPARE(rig.state().statusRetries, 2);
    }

    void noPollWithoutChannel()
    {
        Rig rig;
        Access::connected(rig.window()) = true;
        rig.ui().actionEnable_live_data->setChecked(true);
        Access::actionEnableLiveData(rig.window());
        Access::enableStatusChecking(rig.window(), true);
        Access::queryStatusData(rig.window(), 0);
        QVERIFY(rig.state().liveDataEnabled);
        QVERIFY(!rig.state().chartPollTimer.isActive());
        QCOMPARE(rig.state().pendingFrameNumber, 0u);
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
        QTRY_VERIFY(rig.state().pendingFrames.isEmpty());
        QCOMPARE(rig.state().statusRetries, 2); // the connection check was answered
        QTest::qWait(300);
        QCOMPARE(rig.requestCount(0x22), 2);
        QCOMPARE(rig.requestCount(0x12), 1);
        rig.window().setCommunication(nullptr);
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
