#include "common/connectionrig.h"

#include "comm/connectionswitchdialog.h"

#include "utils/connectionstatus.h"

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;
using Fault = IoLinkSim::MasterSimulator::Fault;

namespace {

const char *const probeHex = "send 03511201";
const char *const mismatchText =
    "The connected sensor does not match currently selected sensor, please try again with the "
    "proper sensor";
const char *const silentText =
    "The sensor did not respond, please make sure it is properly connected.";

QStringList portSignals(const QSignalSpy &spy)
{
    QStringList names;
    for (const QList<QVariant> &args : spy)
        names << args.at(0).toString();
    return names;
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void portListRefill_data();
    void portListRefill();
    void directionDialogResult_data();
    void directionDialogResult();
    void probeAttempts_data();
    void probeAttempts();
    void foreignSensorRefusedAfterTenIdentifications();
    void offlineEntryStillDisconnects();
    void cancelledDirectionKeepsThePreviousPort_data();
    void cancelledDirectionKeepsThePreviousPort();
    void sensorToPcConnectsAndStartsLiveData();
    void pcToSensorWritesThePcSettings();
    void cancelledPcToSensorConfirmationKeepsTheConnection();
    void identityRecheck_data();
    void identityRecheck();
    void recheckIsNotEnteredAgainByItsOwnTimer();
};

void TestConnection::initTestCase()
{
    // Waits between master requests are for a real master; the simulator needs none.
    setSleepFunction([](int) {});
}

void TestConnection::cleanupTestCase()
{
    setSleepFunction(nullptr);
}

void TestConnection::portListRefill_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("refill");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    QTest::newRow("a refill still holding the selected port keeps it selected")
        << "/dev/ttyB" << QStringList{"/dev/ttyC", "/dev/ttyB"} << 3 << "/dev/ttyB";
    QTest::newRow("a refill without the selected port leaves no current item")
        << "/dev/ttyB" << QStringList{"/dev/ttyA"} << -1 << "";
    QTest::newRow("a name differing only in case is another port")
        << "/dev/ttyB" << QStringList{"/dev/TTYB"} << -1 << "";
    QTest::newRow("offline stays selected") << "Offline" << QStringList{"/dev/ttyA"} << 0
                                            << "Offline";
}

void TestConnection::portListRefill()
{
    QFETCH(QString, selected);
    QFETCH(QStringList, refill);
    QFETCH(int, index);
    QFETCH(QString, text);

    Rig rig;
    QVERIFY(rig.isReady());
    rig.window().updateComPortList({"/dev/ttyA", "/dev/ttyB"});
    QComboBox *combo = rig.combo();
    combo->setCurrentIndex(combo->findText(selected));
    QCOMPARE(combo->currentText(), selected);

    rig.window().updateComPortList(refill);
    QCOMPARE(combo->currentIndex(), index);
    QCOMPARE(combo->currentText(), text);
    QCOMPARE(combo->count(), 2 + refill.size());
    QCOMPARE(combo->itemText(0), QStringLiteral("Offline"));
    QVERIFY(!combo->itemData(0).isValid());
    QCOMPARE(combo->itemData(1, Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("separator"));
    for (int i = 0; i < refill.size(); ++i)
        QCOMPARE(combo->itemText(2 + i), refill.at(i));
}

void TestConnection::directionDialogResult_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");

    QTest::newRow("PC to sensor gives 2") << "pcToSensor" << 2;
    QTest::newRow("sensor to PC gives 1") << "sensorToPc" << 1;
    QTest::newRow("Cancel gives 0") << "cancel" << 0;
    QTest::newRow("the window's close button gives 0") << "" << 0;
}

void TestConnection::directionDialogResult()
{
    QFETCH(QString, button);
    QFETCH(int, result);

    ConnectionSwitchDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("connectionSwitchingDialog"));
    QTimer::singleShot(0, &dialog, [&dialog, button] {
        if (button.isEmpty())
            dialog.close();
        else
            dialog.findChild<QPushButton *>(button)->click();
    });
    dialog.exec();
    QCOMPARE(dialog.result(), result);
}

void TestConnection::probeAttempts_data()
{
    QTest::addColumn<int>("lostAnswers");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<int>("probes");

    QTest::newRow("a probe answered at once connects") << 0 << true << 1;
    QTest::newRow("a probe answered on the fourth attempt connects") << 3 << true << 4;
    QTest::newRow("a master silent on five probes is refused") << 5 << false << 5;
}

void TestConnection::probeAttempts()
{
    QFETCH(int, lostAnswers);
    QFETCH(bool, connects);
    QFETCH(int, probes);

    Rig rig;
    QVERIFY(rig.isReady());
    DialogScript answerer;
    emit rig.window().vComPortSelected(ConnectionRig::portName());
    QVERIFY(rig.window().communication());
    rig.master().injectFault(Fault::Drop, lostAnswers);

    QCOMPARE(Access::bConnectToSensor(rig.window()), connects);

    // The port settings, with the probe's rate, go to the channel before every attempt.
    QVERIFY(rig.events.size() >= 2 * probes);
    for (int i = 0; i < probes; ++i) {
        QCOMPARE(rig.events.at(2 * i), QStringLiteral("apply 38400"));
        QCOMPARE(rig.events.at(2 * i + 1), QString::fromLatin1(probeHex));
    }
    if (connects) {
        // The identification follows without a further change of the port settings.
        QCOMPARE(rig.events.at(2 * probes), QString::fromLatin1(probeHex));
        QVERIFY(answerer.texts().isEmpty());
        QCOMPARE(rig.state().expectedSensorId, QStringLiteral("ZT41"));
        QVERIFY(rig.state().convertAfterRead);
        QVERIFY(!rig.ui().actionOpen_Settings->isEnabled());
    } else {
        QCOMPARE(rig.events.size(), 2 * probes);
        QCOMPARE(answerer.titles(), QStringList{"Connecting to sensor..."});
        QCOMPARE(answerer.texts(), QStringList{mismatchText});
        QVERIFY(!rig.window().isConnected());
    }
}

void TestConnection::foreignSensorRefusedAfterTenIdentifications()
{
    Rig rig(QStringLiteral("ZT42-G14-100"));
    QVERIFY(rig.isReady());
    DialogScript answers({"sensorToPc", "Ok"});
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);

    rig.choosePort(rig.portIndex());

    QCOMPARE(rig.requestCount(0x27), 10);
    QCOMPARE(rig.requestCount(0x12), 11); // the probe and the first step of each identification
    QCOMPARE(answers.titles(), QStringList({"Dialog", "Connecting to sensor..."}));
    QCOMPARE(answers.texts().last(), QString::fromLatin1(mismatchText));
    QVERIFY(!rig.window().isConnected());
    QCOMPARE(rig.combo()->currentIndex(), 0);
    QCOMPARE(rig.state().previousPortIndex, 0);
    QCOMPARE(portSignals(ports), QStringList({"", ConnectionRig::portName(), ""}));
    QVERIFY(!rig.plugin()->isPortRegistered());
    QVERIFY(!rig.state().progressDialog.isVisible());
    QCOMPARE(rig.state().progressMaximum, 350);
    QVERIFY(rig.state().showProgress);
    QVERIFY(!rig.ui().sensorOperationsToolbar->isEnabled());
}

void TestConnection::offlineEntryStillDisconnects()
{
    Rig rig;
    QVERIFY(rig.isReady());
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);
    rig.state().continuousDataTimer.start();
    rig.state().previousPortIndex = 3;

    rig.choosePort(0);

    QCOMPARE(portSignals(ports), QStringList{""});
    QVERIFY(!rig.state().continuousDataTimer.isActive());
    QCOMPARE(rig.state().previousPortIndex, 0);
    QVERIFY(!rig.window().isConnected());
    QVERIFY(!rig.ui().sensorOperationsToolbar->isEnabled());
    QVERIFY(rig.ui().actionOpen_Settings->isEnabled());
    QVERIFY(!rig.ui().actionEnable_live_data->isChecked());
    QCOMPARE(rig.window().windowTitle(), QStringLiteral("ZT4K-010 -1...10 bar (Offline)"));
}

void TestConnection::cancelledDirectionKeepsThePreviousPort_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("the Cancel button") << "cancel";
    QTest::newRow("the window's close button") << "";
}

void TestConnection::cancelledDirectionKeepsThePreviousPort()
{
    QFETCH(QString, button);

    Rig rig;
    QVERIFY(rig.isReady());
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);
    QTimer closer;
    QStringList seen;
    connect(&closer, &QTimer::timeout, &closer, [&seen, button] {
        auto *dialog = qobject_cast<ConnectionSwitchDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen << dialog->windowTitle();
        if (button.isEmpty())
            dialog->close();
        else
            dialog->findChild<QPushButton *>(button)->click();
    });
    closer.start(10);
    rig.state().previousPortIndex = 2;
    rig.combo()->setCurrentIndex(2);

    rig.choosePort(rig.portIndex());

    QCOMPARE(seen, QStringList{"Dialog"});
    QCOMPARE(rig.combo()->currentIndex(), 2);
    QCOMPARE(rig.state().previousPortIndex, 2);
    QVERIFY(ports.isEmpty());
    QVERIFY(rig.broker.calls.isEmpty());
    QCOMPARE(rig.master().requestCount(), 0);
}

void TestConnection::sensorToPcConnectsAndStartsLiveData()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.master().sensor().setPressure(2.5);
    DialogScript answers({"sensorToPc"});
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);

    rig.choosePort(rig.portIndex());

    QCOMPARE(answers.titles(), QStringList{"Dialog"});
    QVERIFY(rig.window().isConnected());
    QCOMPARE(portSignals(ports), QStringList({"", ConnectionRig::portName()}));
    QCOMPARE(rig.window().windowTitle(), QStringLiteral("ZT4K-010 -1...10 bar (/dev/ttySIM0)"));
    QVERIFY(rig.ui().sensorOperationsToolbar->isEnabled());
    QCOMPARE(rig.state().previousPortIndex, rig.portIndex());
    QVERIFY(rig.state().continuousDataTimer.isActive());
    QVERIFY(rig.ui().actionEnable_live_data->isChecked());
    QVERIFY(rig.state().connectionStatus->isConnected());
    // Every parameter of the description was read (one read request each).
    QVERIFY(rig.requestCount(0x26) > 20);

    // Live data begins when the progress bar has run out, not before.
    QVERIFY(rig.state().initialSyncPending);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.state().progressDialog.isVisible(), 8000);
    QVERIFY(!rig.state().initialSyncPending);
    QTRY_VERIFY_WITH_TIMEOUT(rig.state().chart->history(0).size() >= 3, 5000);
    const auto &history = rig.state().chart->history(0);
    QCOMPARE(history.value(history.size() - 1, Utils::Charts::ChartHistory::Value), 2.5);

    // The offline entry ends it all: the port is given back, polling stops.
    rig.choosePort(0);
    QVERIFY(!rig.window().isConnected());
    QVERIFY(!rig.plugin()->isPortRegistered());
    QCOMPARE(rig.broker.calls.last(), QStringLiteral("unregister"));
    QTest::qWait(200);
    const int polls = rig.requestCount(0x22);
    QTest::qWait(300);
    QCOMPARE(rig.requestCount(0x22), polls);
}

void TestConnection::pcToSensorWritesThePcSettings()
{
    Rig rig;
    QVERIFY(rig.isReady());
    // The PC's value of the first switching point differs from the sensor's.
    QtProperty *point = Access::find(rig.window(), QStringLiteral("ThresholdsPressure1A1"));
    QVERIFY(point);
    rig.state().doubleManager->setValue(point, 4.25);
    Access::writeDelayTimer(rig.window()).stop();
    QVERIFY(rig.master().sensor().rawValue(QStringLiteral("ThresholdsPressure1A1")) != 4250);
    DialogScript answers({"pcToSensor", "Ok"});

    rig.choosePort(rig.portIndex());

    QCOMPARE(answers.titles(), QStringList({"Dialog", "Kalvio"}));
    QCOMPARE(answers.texts().last(),
             QStringLiteral("Sensor settings will be overwritten with the ones from PC"));
    QVERIFY(rig.window().isConnected());
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("ThresholdsPressure1A1")), 4250);
    QVERIFY(!rig.ui().actionWriting->isChecked());
    QVERIFY(rig.ui().actionEnable_live_data->isChecked());
    QVERIFY(rig.state().continuousDataTimer.isActive());
    QVERIFY(rig.state().chartPollTimer.isActive() || rig.state().pendingFrameNumber != 0);
    QCOMPARE(rig.state().previousPortIndex, rig.portIndex());
}

void TestConnection::cancelledPcToSensorConfirmationKeepsTheConnection()
{
    Rig rig;
    QVERIFY(rig.isReady());
    {
        DialogScript answers({"sensorToPc"});
        rig.choosePort(rig.portIndex());
    }
    QVERIFY(rig.window().isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.state().progressDialog.isVisible(), 8000);
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);
    const int requests = rig.master().requestCount();

    DialogScript answers({"pcToSensor", "Cancel"});
    rig.choosePort(rig.portIndex());

    QCOMPARE(answers.titles(), QStringList({"Dialog", "Kalvio"}));
    QCOMPARE(rig.combo()->currentIndex(), 0);
    QCOMPARE(rig.state().previousPortIndex, 0);
    QVERIFY(ports.isEmpty());
    QVERIFY(rig.window().isConnected());
    QVERIFY(rig.plugin()->isPortRegistered());
    // No write of the PC's settings reached the sensor.
    int writes = 0;
    const auto log = rig.master().requestLog();
    for (int i = requests; i < log.size(); ++i)
        writes += log.at(i).request.size() > 2 && quint8(log.at(i).request.at(2)) == 0x24;
    QCOMPARE(writes, 0);
}

void TestConnection::identityRecheck_data()
{
    QTest::addColumn<QString>("productId");
    QTest::addColumn<bool>("onPort");
    QTest::addColumn<int>("identifications");
    QTest::addColumn<bool>("stays");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("the same sensor keeps the connection")
        << "ZT41-G14-010" << true << 1 << true << QStringList{};
    QTest::newRow("another sensor after eleven tries disconnects with the message")
        << "ZT42-G14-100" << true << 11 << false << QStringList{silentText};
    QTest::newRow("with the combo on offline a failed re-check stays silent")
        << "ZT42-G14-100" << false << 11 << false << QStringList{};
}

void TestConnection::identityRecheck()
{
    QFETCH(QString, productId);
    QFETCH(bool, onPort);
    QFETCH(int, identifications);
    QFETCH(bool, stays);
    QFETCH(QStringList, messages);

    Rig rig;
    QVERIFY(rig.isReady());
    {
        DialogScript answers({"sensorToPc"});
        rig.choosePort(rig.portIndex());
    }
    QVERIFY(rig.window().isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.state().progressDialog.isVisible(), 8000);
    if (!onPort)
        rig.combo()->setCurrentIndex(0);
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);
    rig.master().setProductId(productId);
    rig.master().clearLog();
    DialogScript answerer;

    Access::slotContinousDataTimeout(rig.window());

    QCOMPARE(rig.requestCount(0x27), identifications);
    QCOMPARE(answerer.texts(), messages);
    QCOMPARE(rig.state().continuousDataTimer.isActive(), stays);
    if (stays) {
        QVERIFY(rig.window().isConnected());
        QVERIFY(ports.isEmpty());
    } else if (onPort) {
        QCOMPARE(answerer.titles(), QStringList{"Connecting to sensor"});
        QVERIFY(!rig.window().isConnected());
        QCOMPARE(rig.combo()->currentIndex(), 0);
        QCOMPARE(rig.state().previousPortIndex, 0);
        QCOMPARE(portSignals(ports), QStringList{""});
        QVERIFY(!rig.plugin()->isPortRegistered());
        QVERIFY(!rig.ui().outuptsComboToolBar->isEnabled());
    } else {
        // Silent: nothing else is touched.
        QVERIFY(ports.isEmpty());
        QVERIFY(rig.window().isConnected());
    }
}

// Each identification restarts the identity timer; when eleven failing ones take
// longer than its interval (19 s against a silent master), it runs out inside the
// re-check's own transfers.
void TestConnection::recheckIsNotEnteredAgainByItsOwnTimer()
{
    Rig rig;
    QVERIFY(rig.isReady());
    {
        DialogScript answers({"sensorToPc"});
        rig.choosePort(rig.portIndex());
    }
    QVERIFY(rig.window().isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.state().progressDialog.isVisible(), 8000);
    rig.master().setProductId(QStringLiteral("ZT42-G14-100"));
    rig.master().setAnswerDelayMs(3);
    rig.master().clearLog();
    DialogScript answerer;
    rig.state().continuousDataTimer.setInterval(1);

    Access::slotContinousDataTimeout(rig.window());

    QCOMPARE(rig.requestCount(0x27), 11);
    QCOMPARE(answerer.texts(), QStringList{silentText});
    QVERIFY(!rig.window().isConnected());
    QTest::qWait(100);
    QCOMPARE(rig.requestCount(0x27), 11);
    QCOMPARE(answerer.answered(), 1);
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
