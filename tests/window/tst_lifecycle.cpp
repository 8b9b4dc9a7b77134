#include "common/connectionrig.h"

#include "extensionsystem/globals.h"
#include "utils/connectionstatus.h"

#include <QAction>
#include <QDockWidget>
#include <QMetaMethod>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;

namespace {
const QString sim = ConnectionRig::portName();
const QString title = QStringLiteral("ZT4K-010 -1...10 bar (%1)");
} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setSleepFunction([](int) {}); }
    void cleanupTestCase() { setSleepFunction(nullptr); }
    void methodTable();
    void titles_data();
    void titles();
    void treeDockVisibility_data();
    void treeDockVisibility();
    void actionsTriggerTheirOperations_data();
    void actionsTriggerTheirOperations();
    void retranslationKeepsTheSelections();
    void autoConnect_data();
    void autoConnect();
    void closeWhileConnectedReleasesTheConnectionFirst();
    void hostDeletesThePluginWhileConnected();
    void hostClosesTheWindowMidway_data();
    void hostClosesTheWindowMidway();
};

// The host reaches the window through its meta-object: every signal and slot, in order,
// with its access and return type.
void TestLifecycle::methodTable()
{
    const QStringList expected = {
        "signal vAboutToClose()", "signal vSendData(QString)",
        "signal vSendFrame(ExtensionSystem::CommunicationInterface::DataFrame)",
        "signal vComPortSelected(QString)", "signal vUpdateChart(double)", "signal sendQuery()",
        "public vSensorUpdate(QVariant)", "public vOpenManual()", "public updateChart()",
        "public updateComPortList(QStringList)", "public vRestoreFactorySettings()",
        "public vExportChartData()", "public vClearHistory()", "public vPrintDocument()",
        "public setWindowActive(bool)", "public vAutoConnect(QString)",
        "public vSetCompleteName(QString)", "public vSaveSettings()",
        "public bool bOpenSettings(QString)", "public bool bOpenSettings()",
        "protected vLoadSettings()", "protected updateWindowTitle()",
        "protected vConnectToPort(QString)", "protected vDisconnect()",
        "protected enableStatusChecking(bool)", "protected removeSubProperties(QtProperty*)",
        "protected queryStatusData(uint)", "protected queryStatusData()",
        "protected queryChartData()", "protected slotContinousDataTimeout()",
        "protected bool bCheckConnection()", "protected bool bConnectToSensor()",
        "protected itemSelected(QtBrowserItem*)", "protected intValueChanged(QtProperty*,int)",
        "protected doubleValueChanged(QtProperty*,double)",
        "protected boolValueChanged(QtProperty*,bool)",
        "protected stringValueChanged(QtProperty*,QString)",
        "protected enumValueChanged(QtProperty*,int)", "protected buttonClicked(QtProperty*)",
        "protected sendDataFrame(ExtensionSystem::CommunicationInterface::DataFrame*,bool)",
        "protected sendDataFrame(ExtensionSystem::CommunicationInterface::DataFrame*)",
        "protected slotCurrentOutputChanged(int)", "protected chartThresholdChanged(uint,double)",
        "protected enableTreeDataHandling(bool)", "protected enableStringManagerHandling(bool)",
        "protected actionEnableLiveData()", "protected actionConnectSensor(int)",
        "protected sendDelayValue()", "protected vUpdateProgressBar()",
        "protected vWriteAllSettings(bool)", "protected writeAllSettings()",
        "protected vRadAllSettings(bool)", "protected signalWriteModeIcon(bool)",
        "protected signalWriteModeIcon()", "protected vZommResetForNoiseLine()",
        "protected comboIndexChangedString(QString)", "protected comboIndexChangedInt(int)"};
    const QMetaObject &mo = SensorWindow::staticMetaObject;
    QCOMPARE(mo.className(), "OrvexSensorPlugin::Core::SensorWindow");
    QStringList actual;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        const QMetaMethod m = mo.method(i);
        const QString kind = m.methodType() == QMetaMethod::Signal ? "signal "
            : m.access() == QMetaMethod::Public                   ? "public "
                                                                  : "protected ";
        const QString type = m.returnType() == QMetaType::Void ? "" : m.typeName() + QString(" ");
        actual << kind + type + m.methodSignature();
    }
    QCOMPARE(actual, expected);
}

void TestLifecycle::titles_data()
{
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<bool>("onPort");
    QTest::addColumn<QString>("expected");
    QTest::newRow("offline") << ConnectionRig::sensorName() << false << title.arg("Offline");
    QTest::newRow("a port selected") << ConnectionRig::sensorName() << true << title.arg(sim);
    QTest::newRow("a sensor the catalogue lacks") << "no such sensor" << false << " (Offline)";
}

void TestLifecycle::titles()
{
    QFETCH(QString, sensor);
    QFETCH(bool, onPort);
    QFETCH(QString, expected);
    Rig rig;
    QVERIFY(rig.isReady());
    ExtensionSystem::SensorBasic chosen;
    chosen.setName(sensor.toStdString());
    SensorWindow other(chosen);
    SensorWindow &window = sensor == ConnectionRig::sensorName() ? rig.window() : other;
    auto &state = Access::state(window);
    state.portCombo->addItem(sim);
    state.portCombo->setCurrentIndex(onPort ? state.portCombo->findText(sim) : 0);
    Access::updateWindowTitle(window);
    QCOMPARE(window.windowTitle(), expected);
    QCOMPARE(Access::ui(window).statusBar->currentMessage(), expected);
    QCOMPARE(state.rootProperty->propertyName(), expected);
}

void TestLifecycle::treeDockVisibility_data()
{
    QTest::addColumn<bool>("presentation");
    QTest::addColumn<bool>("update");
    QTest::addColumn<QVariant>("hide"); // what the host sends
    QTest::addColumn<bool>("hidden");
    QTest::newRow("shown by default") << false << false << QVariant() << false;
    QTest::newRow("presentation mode hides it") << true << false << QVariant() << true;
    QTest::newRow("host hides it") << false << true << QVariant(true) << true;
    QTest::newRow("host hides it by text") << false << true << QVariant("true") << true;
    QTest::newRow("host shows it in presentation mode") << true << true << QVariant(false) << false;
    QTest::newRow("an empty update shows it") << true << true << QVariant() << false;
}

void TestLifecycle::treeDockVisibility()
{
    QFETCH(bool, presentation);
    QFETCH(bool, update);
    QFETCH(QVariant, hide);
    QFETCH(bool, hidden);
    ExtensionSystem::Globals::setPresentationMode(presentation);
    Rig rig;
    ExtensionSystem::Globals::setPresentationMode(false);
    QVERIFY(rig.isReady());
    if (update)
        rig.plugin()->vUpdate(hide);
    QCOMPARE(rig.state().propertyDock->isHidden(), hidden);
}

void TestLifecycle::actionsTriggerTheirOperations_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("liveData");
    QTest::addColumn<bool>("chartBarEnabled");
    QTest::newRow("live data on") << "actionEnable_live_data" << "" << true << true;
    QTest::newRow("clear history, confirmed") << "actionClear_History" << "&Yes" << false << false;
    QTest::newRow("clear history, declined") << "actionClear_History" << "&No" << false << true;
}

void TestLifecycle::actionsTriggerTheirOperations()
{
    QFETCH(QString, action);
    QFETCH(QString, answer);
    QFETCH(bool, liveData);
    QFETCH(bool, chartBarEnabled);
    Rig rig;
    QVERIFY(rig.isReady());
    DialogScript answers({answer});
    rig.window().findChild<QAction *>(action)->trigger();
    QCOMPARE(answers.answered(), answer.isEmpty() ? 0 : 1);
    QCOMPARE(rig.state().liveDataEnabled, liveData);
    QCOMPARE(rig.ui().chartToolbar->isEnabled(), chartBarEnabled);
}

void TestLifecycle::retranslationKeepsTheSelections()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.combo()->setCurrentIndex(rig.portIndex());
    rig.combo()->setItemText(0, "Stale");
    rig.state().outputCombo->setCurrentIndex(1);
    rig.window().retranslateWindowTexts();
    QCOMPARE(rig.combo()->currentIndex(), rig.portIndex());
    QCOMPARE(rig.combo()->itemText(0), QStringLiteral("Offline"));
    QCOMPARE(rig.state().outputCombo->currentIndex(), 1);
    QCOMPARE(rig.state().outputCombo->itemText(1), QStringLiteral("Output 2"));
    QCOMPARE(rig.state().processDataDock->windowTitle(), QStringLiteral(" Process data"));
    QCOMPARE(rig.window().windowTitle(), title.arg(sim));
}

void TestLifecycle::autoConnect_data()
{
    QTest::addColumn<QString>("productId");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("selections"); // ports the window asks the host for
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("the matching sensor on an offered port connects")
        << "" << sim << QStringList{"", sim} << QStringList{};
    QTest::newRow("a port not offered stays offline without a message")
        << "" << "/dev/ttyNONE" << QStringList{"", "Offline", ""} << QStringList{};
    QTest::newRow("another sensor stays offline with the warning")
        << "ZT42-G14-100" << sim << QStringList{"", sim, ""}
        << QStringList{"The connected sensor does not match currently selected sensor, please "
                       "try again with the proper sensor"};
}

void TestLifecycle::autoConnect()
{
    QFETCH(QString, productId);
    QFETCH(QString, port);
    QFETCH(QStringList, selections);
    QFETCH(QStringList, messages);
    Rig rig(productId);
    QVERIFY(rig.isReady());
    DialogScript answers;
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);
    rig.plugin()->vAutoConnect(port);

    QStringList asked;
    for (const QList<QVariant> &args : ports)
        asked << args.at(0).toString();
    QCOMPARE(asked, selections);
    QCOMPARE(answers.texts(), messages);
    const bool connects = selections.size() == 2;
    QCOMPARE(rig.window().isConnected(), connects);
    QCOMPARE(rig.state().connectionStatus->isConnected(), connects);
    QVERIFY(rig.ui().actionEnable_live_data->isChecked()); // live data on either way
    QVERIFY(rig.state().liveDataEnabled);
    QCOMPARE(rig.ui().sensorOperationsToolbar->isEnabled(), connects);
    QCOMPARE(rig.plugin()->isPortRegistered(), connects);
    QCOMPARE(rig.window().windowTitle(), title.arg(connects ? port : "Offline"));
    if (connects) {
        QCOMPARE(rig.state().previousPortIndex, rig.portIndex());
        QVERIFY(rig.state().continuousDataTimer.isActive());
        QVERIFY(rig.requestCount(0x26) > 20); // every parameter read
        // The progress bar's end starts the polls.
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().chart->history(0).size() >= 2, 8000);
        QVERIFY(!rig.state().initialSyncPending);
    } else {
        QCOMPARE(rig.combo()->currentIndex(), 0);
        QVERIFY(!rig.state().progressDialog.isVisible());
    }
}

void TestLifecycle::closeWhileConnectedReleasesTheConnectionFirst()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.plugin()->vAutoConnect(sim);
    QVERIFY(rig.window().isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(rig.requestCount(0x22) > 3, 8000);
    QStringList order;
    connect(&rig.window(), &SensorWindow::vComPortSelected, this,
            [&order](const QString &port) { order << "port '" + port + "'"; });
    connect(&rig.window(), &SensorWindow::vAboutToClose, this,
            [&order] { order << QStringLiteral("about to close"); });

    QVERIFY(rig.window().close());
    QCOMPARE(order, QStringList({"port ''", "about to close"}));
    QVERIFY(!rig.window().isConnected());
    QVERIFY(!rig.plugin()->isPortRegistered());
    QVERIFY(!rig.window().communication());
    QVERIFY(!rig.ui().actionEnable_live_data->isChecked());
    QVERIFY(!rig.state().liveDataEnabled);
    QVERIFY(!rig.state().chartPollTimer.isActive());
    QVERIFY(!rig.state().continuousDataTimer.isActive());
    QTest::qWait(100);
    const int requests = rig.master().requestCount();
    rig.state().chartPollTimer.start(1); // no longer reaches its slot
    QTest::qWait(200);
    QCOMPARE(rig.master().requestCount(), requests);
}

// The window goes with the plug-in object, a poll in flight; its layout file
// is written and the next window of the sensor opens with that layout.
void TestLifecycle::hostDeletesThePluginWhileConnected()
{
    Rig rig;
    QVERIFY(rig.isReady());
    QVERIFY(!QFile::exists(rig.iniFile()));
    QToolBar *bar = rig.ui().chartToolbar;
    QCOMPARE(rig.window().toolBarArea(bar), Qt::TopToolBarArea);
    rig.window().addToolBar(Qt::BottomToolBarArea, bar);
    rig.plugin()->vAutoConnect(sim);
    QVERIFY(rig.window().isConnected());
    rig.master().setAnswerDelayMs(500);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.state().pendingFrames.isEmpty(), 8000);
    QPointer<SensorWindow> window(&rig.window());

    delete rig.takePlugin();
    QVERIFY(!window);
    QSettings settings(rig.iniFile(), QSettings::IniFormat);
    QVERIFY(!settings.value("SensorWindow/geometry").toByteArray().isEmpty());
    QVERIFY(!settings.value("SensorWindow/state").toByteArray().isEmpty());

    ExtensionSystem::SensorBasic chosen;
    chosen.setName(ConnectionRig::sensorName());
    setPluginFileDirectory(QFileInfo(rig.iniFile()).absolutePath());
    SensorWindow next(chosen);
    QCOMPARE(next.toolBarArea(Access::ui(next).chartToolbar), Qt::BottomToolBarArea);
    QCOMPARE(next.toolBarArea(Access::ui(next).fileToolBar), Qt::TopToolBarArea);
}

void TestLifecycle::hostClosesTheWindowMidway_data()
{
    // control -1: points in the chart instead of requests of that control octet
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("count");
    QTest::newRow("during the probe") << 0x12 << 1;
    QTest::newRow("during the identification") << 0x11 << 1;
    QTest::newRow("during the read of all settings under the progress dialog") << 0x26 << 5;
    QTest::newRow("while live data are polled") << -1 << 2;
}

// What the host does when the user closes the sub-window: close the plug-in's
// window, then delete the plug-in object later, which may well be inside one of
// the window's own waits for a transfer.
void TestLifecycle::hostClosesTheWindowMidway()
{
    QFETCH(int, control);
    QFETCH(int, count);
    Rig rig;
    QVERIFY(rig.isReady());
    QPointer<SensorInterface> plugin(rig.takePlugin());
    QPointer<SensorWindow> window(plugin->sensorWindow());
    DialogScript answers;
    bool closed = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &watch, [&] {
        if (closed || !plugin)
            return;
        const int seen = control < 0 ? int(Access::state(*window).chart->history(0).size())
                                     : rig.requestCount(control);
        if (seen < count)
            return;
        closed = true;
        window->close();
        plugin->deleteLater();
    });
    watch.start(1);

    // The window's code is on the stack until vAutoConnect() returns.
    bool returned = false;
    bool goneUnderItsCode = false;
    connect(window, &QObject::destroyed, this, [&] { goneUnderItsCode = !returned; });
    plugin->vAutoConnect(sim);
    returned = true;
    QTRY_VERIFY_WITH_TIMEOUT(closed, 10000);
    QTRY_VERIFY(!plugin);
    QTRY_VERIFY(!window);
    QVERIFY(!goneUnderItsCode);
    QCOMPARE(answers.texts(), QStringList()); // closing is no failure of the sensor
    QVERIFY(!rig.broker.current);
    const int requests = rig.master().requestCount();
    QTest::qWait(300);
    QCOMPARE(rig.master().requestCount(), requests); // nothing keeps talking to the master
}

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
