// The plug-in object and its window as the host sees them, against the simulated
// master: contract, port registration, auto-connect, closing and deletion.
#include "common/connectionrig.h"

#include "utils/connectionstatus.h"

#include <QAction>
#include <QDockWidget>
#include <QMdiArea>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

extern "C" ExtensionSystem::PluginInterface *
poGetInterfaceInstance(const ExtensionSystem::SensorBasic &sensor, QMdiSubWindow *subWindow);

Q_DECLARE_METATYPE(const QMetaObject *)

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;

namespace {
const QString sim = ConnectionRig::portName();
const QString other = QStringLiteral("/dev/ttyOTHER"); // offered, but refused by the host
const QString title = QStringLiteral("ZT4K-010 -1...10 bar (%1)");

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setSleepFunction([](int) {}); }
    void cleanupTestCase() { setSleepFunction(nullptr); }

    // The host calls both objects through their meta-objects: every signal and slot
    // in order, as "[signal|public|protected|private] [return type] signature"; "@" is
    // the channel's frame type.
    void methodTables_data()
    {
        QTest::addColumn<const QMetaObject *>("metaObject");
        QTest::addColumn<QString>("methods");
        QTest::newRow("plug-in object") << &SensorInterface::staticMetaObject << QString(
            "public vUpdate(QVariant);public vComPortListChanged();public vComPortChanged(QString);"
            "public vSendDataBytes(QString);public vReceivedData(QString);"
            "public vAvailablePortsUpdated(QStringList);public vActionOpen(QString);"
            "public vActionExit(QString);public setWindowActive(bool);public vAboutToClose();"
            "public vAutoConnect(QString);public setSensorName(QString);"
            "public QString getSensorName();private receivedData(std::string)");
        QTest::newRow("window") << &SensorWindow::staticMetaObject << QString(
            "signal vAboutToClose();signal vSendData(QString);signal vSendFrame(@);"
            "signal vComPortSelected(QString);signal vUpdateChart(double);signal sendQuery();"
            "public vSensorUpdate(QVariant);public vOpenManual();public updateChart();"
            "public updateComPortList(QStringList);public vRestoreFactorySettings();"
            "public vExportChartData();public vClearHistory();public vPrintDocument();"
            "public setWindowActive(bool);public vAutoConnect(QString);"
            "public vSetCompleteName(QString);public vSaveSettings();"
            "public bool bOpenSettings(QString);public bool bOpenSettings();"
            "protected vLoadSettings();protected updateWindowTitle();"
            "protected vConnectToPort(QString);protected vDisconnect();"
            "protected enableStatusChecking(bool);protected removeSubProperties(QtProperty*);"
            "protected queryStatusData(uint);protected queryStatusData();"
            "protected queryChartData();protected slotContinousDataTimeout();"
            "protected bool bCheckConnection();protected bool bConnectToSensor();"
            "protected itemSelected(QtBrowserItem*);protected intValueChanged(QtProperty*,int);"
            "protected doubleValueChanged(QtProperty*,double);"
            "protected boolValueChanged(QtProperty*,bool);"
            "protected stringValueChanged(QtProperty*,QString);"
            "protected enumValueChanged(QtProperty*,int);protected buttonClicked(QtProperty*);"
            "protected sendDataFrame(@*,bool);protected sendDataFrame(@*);"
            "protected slotCurrentOutputChanged(int);protected chartThresholdChanged(uint,double);"
            "protected enableTreeDataHandling(bool);protected enableStringManagerHandling(bool);"
            "protected actionEnableLiveData();protected actionConnectSensor(int);"
            "protected sendDelayValue();protected vUpdateProgressBar();"
            "protected vWriteAllSettings(bool);protected writeAllSettings();"
            "protected vRadAllSettings(bool);protected signalWriteModeIcon(bool);"
            "protected signalWriteModeIcon();protected vZommResetForNoiseLine();"
            "protected comboIndexChangedString(QString);protected comboIndexChangedInt(int)")
                       .replace("@", "ExtensionSystem::CommunicationInterface::DataFrame");
    }
    void methodTables()
    {
        QFETCH(const QMetaObject *, metaObject);
        QFETCH(QString, methods);
        QStringList actual;
        for (int i = metaObject->methodOffset(); i < metaObject->methodCount(); ++i) {
            const QMetaMethod m = metaObject->method(i);
            const char *kinds[] = {"private ", "protected ", "public "};
            actual << (m.methodType() == QMetaMethod::Signal ? "signal " : kinds[m.access()])
                    + QString(m.returnType() == QMetaType::Void ? "" : m.typeName() + QString(" "))
                    + m.methodSignature();
        }
        QCOMPARE(actual, methods.split(';'));
    }

    void identityAndFactory()
    {
        Rig rig;
        QVERIFY(rig.isReady());
        QCOMPARE(rig.plugin()->pluginIdentifier(), QStringLiteral("OrvexSensorPlugin"));
        QCOMPARE(rig.plugin()->pluginGroup(), QStringLiteral("OrvexSensors"));
        QCOMPARE(rig.window().size(), QSize(850, 500)); // 800 wide asked, 850 at least
        rig.plugin()->vUpdate(QStringLiteral("true")); // the host hides the tree, then shows it
        QVERIFY(rig.state().propertyDock->isHidden());
        rig.plugin()->vUpdate(false);
        QVERIFY(!rig.state().propertyDock->isHidden());
        ExtensionSystem::SensorBasic sensor;
        sensor.setName(ConnectionRig::sensorName());
        QCOMPARE(poGetInterfaceInstance(sensor, nullptr), nullptr); // no sub-window, no object
        QMdiArea area;
        auto *sub = new QMdiSubWindow; // owned by the area
        area.addSubWindow(sub);
        auto *made = qobject_cast<SensorInterface *>(poGetInterfaceInstance(sensor, sub));
        QVERIFY(made && made != rig.plugin());
        QCOMPARE(sub->widget(), made->sensorWindow());
        delete made;
        QCOMPARE(rig.broker.calls, QStringList{"unregister plugin"});
    }

    // Port selections of the window and the host calls they must cause.
    void registration_data()
    {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("calls");
        const QString reg = "register ";
        QTest::newRow("a port registers") << QStringList{sim} << QStringList{reg + sim};
        QTest::newRow("the same port again calls nothing")
            << QStringList{sim, sim} << QStringList{reg + sim};
        QTest::newRow("another port unregisters first; refused, it leaves no channel")
            << QStringList{sim, other} << QStringList{reg + sim, "unregister", reg + other};
        QTest::newRow("a refused port is not asked for again")
            << QStringList{other, other} << QStringList{reg + other};
        QTest::newRow("no port while connected unregisters once")
            << QStringList{sim, "", ""} << QStringList{reg + sim, "unregister"};
        QTest::newRow("no port while not connected calls nothing")
            << QStringList{""} << QStringList{};
    }
    void registration()
    {
        QFETCH(QStringList, ports);
        QFETCH(QStringList, calls);
        Rig rig;
        QVERIFY(rig.isReady());
        for (const QString &port : ports)
            emit rig.window().vComPortSelected(port);
        QCOMPARE(rig.broker.calls, calls);
        const bool registered = ports.last() == sim;
        QCOMPARE(rig.plugin()->isPortRegistered(), registered);
        QCOMPARE(rig.window().communication(), registered ? rig.broker.current.data() : nullptr);
        if (registered) { // the catalogue's delays for this sensor: 2 and 10 ms
            const ExtensionSystem::PortSettings asked = rig.broker.current->currentPortSettings();
            QCOMPARE(asked.characterDelay, 2);
            QCOMPARE(asked.lineDelay, 10);
            QCOMPARE(asked.interFrameDelay, 0);
        }
    }

    void portListAndBytesWhileRegistered()
    {
        Rig rig;
        QVERIFY(rig.isReady());
        rig.plugin()->vSendDataBytes(QStringLiteral("dropped without a channel"));
        emit rig.window().vComPortSelected(sim);
        rig.plugin()->vAvailablePortsUpdated({"/dev/ttyA", "/dev/ttyC"});
        QStringList items;
        for (int i = 0; i < rig.combo()->count(); ++i)
            items << rig.combo()->itemText(i);
        QCOMPARE(items, (QStringList{"Offline", "", "/dev/ttyA", "/dev/ttyC", sim}));
        QCOMPARE(rig.broker.calls, QStringList{"register " + sim}); // refilling changes nothing
        rig.plugin()->vSendDataBytes(QString::fromLatin1("AB\0CD", 5)); // up to the first NUL
        rig.plugin()->vSendDataBytes(QString::fromLatin1("\xE9x"));     // Latin-1 bytes
        QStringList requests;
        for (const auto &entry : rig.master().requestLog())
            requests << QString::fromLatin1(entry.request);
        QCOMPARE(requests, (QStringList{"AB", QString::fromLatin1("\xE9x")}));
    }

    void autoConnect_data()
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
            << QStringList{"The connected sensor does not match currently selected sensor, "
                           "please try again with the proper sensor\n\nProductID found: "
                           "ZT42-G14-100"};
    }
    void autoConnect()
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
        QCOMPARE((QVector<bool>{rig.window().isConnected(), rig.plugin()->isPortRegistered(),
                              rig.state().connectionStatus->isConnected(),
                              rig.ui().sensorOperationsToolbar->isEnabled()}),
                 QVector<bool>(4, connects));
        QVERIFY(rig.ui().actionEnable_live_data->isChecked()); // live data on either way
        QVERIFY(rig.state().liveDataEnabled);
        const QString expected = title.arg(connects ? port : "Offline");
        QCOMPARE(rig.window().windowTitle(), expected);
        QCOMPARE(rig.ui().statusBar->currentMessage(), expected);
        QCOMPARE(rig.state().rootProperty->propertyName(), expected);
        QCOMPARE(rig.combo()->currentIndex(), connects ? rig.portIndex() : 0);
        if (connects) {
            QVERIFY(rig.state().continuousDataTimer.isActive());
            QVERIFY(rig.requestCount(0x26) > 20); // every parameter read
            // The progress bar's end starts the polls.
            QTRY_VERIFY_WITH_TIMEOUT(rig.state().chart->history(0).size() >= 2, 8000);
            QVERIFY(!rig.state().initialSyncPending);
        }
    }

    void hostExitWhileConnectedReleasesTheConnectionFirst()
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
        rig.plugin()->vActionExit(QString());
        QCOMPARE(order, QStringList({"port ''", "about to close"}));
        QCOMPARE(rig.broker.calls.last(), QStringLiteral("unregister"));
        QVERIFY(!rig.window().isConnected() && !rig.plugin()->isPortRegistered());
        QVERIFY(!rig.window().communication() && !rig.broker.current);
        QVERIFY(!rig.ui().actionEnable_live_data->isChecked() && !rig.state().liveDataEnabled);
        QVERIFY(!rig.state().chartPollTimer.isActive());
        QVERIFY(!rig.state().continuousDataTimer.isActive());
        QTest::qWait(100);
        const int requests = rig.master().requestCount();
        rig.state().chartPollTimer.start(1); // no longer reaches its slot
        rig.plugin()->vSendDataBytes(QStringLiteral("after release"));
        QTest::qWait(200);
        QCOMPARE(rig.master().requestCount(), requests);
    }

    // The window goes with the plug-in object, a poll in flight; its layout file is
    // written, and the next window of the sensor opens with that layout.
    void hostDeletesThePluginWhileConnected()
    {
        Rig rig;
        QVERIFY(rig.isReady());
        rig.window().addToolBar(Qt::BottomToolBarArea, rig.ui().chartToolbar);
        rig.plugin()->vAutoConnect(sim);
        QVERIFY(rig.window().isConnected());
        rig.master().setAnswerDelayMs(500);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.state().pendingFrames.isEmpty(), 8000);
        rig.state().statusRetries = 0; // one more miss would disconnect with a message
        QPointer<SensorWindow> window(&rig.window());
        ModalAnswerer answers;
        delete rig.takePlugin();
        QVERIFY(!window);
        QCOMPARE(answers.titles(), QStringList()); // the poll cut short is no miss
        ExtensionSystem::SensorBasic chosen;
        chosen.setName(ConnectionRig::sensorName());
        setPluginFileDirectory(QFileInfo(rig.iniFile()).absolutePath());
        SensorWindow next(chosen);
        QCOMPARE(next.toolBarArea(Access::ui(next).chartToolbar), Qt::BottomToolBarArea);
        QCOMPARE(next.toolBarArea(Access::ui(next).fileToolBar), Qt::TopToolBarArea);
    }

    // The user's last edit, still inside its delay, is written before the disconnect.
    void closingWritesThePendingEdit()
    {
        Rig rig;
        QVERIFY(rig.isReady());
        rig.plugin()->vAutoConnect(sim);
        QVERIFY(rig.window().isConnected());
        rig.state().intManager->setValue(Access::find(rig.window(), "OnDelay1"), 250);
        QVERIFY(Access::writeDelayTimer(rig.window()).isActive());
        rig.master().clearLog();
        rig.window().close();
        QByteArrayList sent;
        for (const auto &entry : rig.master().requestLog())
            sent << entry.request.toHex(' ');
        QVERIFY2(sent.contains("07 6b 24 46 00 00 00 fa"), sent.join(" | ").constData());
        QCOMPARE(rig.master().sensor().rawValue("OnDelay1"), 250);
        QVERIFY(!rig.window().isConnected());
    }

    // The host may delete the sub-window, and the window with it, while one of the
    // window's dialogs waits; the plug-in object is left without a dangling window.
    void hostDeletesTheWindowUnderADialog_data()
    {
        QTest::addColumn<QString>("operation");
        for (const char *operation : {"export", "print", "clear history", "save", "open",
                                      "open a damaged file"})
            QTest::newRow(operation) << QString(operation);
    }
    void hostDeletesTheWindowUnderADialog()
    {
        QFETCH(QString, operation);
        Rig rig;
        QVERIFY(rig.isReady());
        QTemporaryFile damaged;
        QVERIFY(damaged.open());
        damaged.write("not a settings file");
        damaged.close();
        QPointer<SensorWindow> window(&rig.window());
        QPointer<QWidget> sub(window->parentWidget());
        QString seen;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &watch, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && sub && seen.isEmpty()) {
                seen = modal->metaObject()->className();
                delete sub.data();
            }
        });
        watch.start(20);
        SensorWindow *w = window.data();
        if (operation == "export")
            w->vExportChartData();
        else if (operation == "print")
            w->vPrintDocument();
        else if (operation == "clear history")
            w->vClearHistory();
        else if (operation == "save")
            w->vSaveSettings();
        else
            w->bOpenSettings(operation == "open" ? QString() : damaged.fileName());
        QVERIFY2(!seen.isEmpty(), "no dialog came up");
        QVERIFY(!window);
        QCOMPARE(rig.plugin()->sensorWindow(), nullptr);
    }

    void hostClosesTheWindowMidway_data()
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
    void hostClosesTheWindowMidway()
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
        QTRY_VERIFY(!plugin && !window);
        QVERIFY(!goneUnderItsCode);
        QCOMPARE(answers.texts(), QStringList()); // closing is no failure of the sensor
        QVERIFY(!rig.broker.current);
        const int requests = rig.master().requestCount();
        QTest::qWait(300);
        QCOMPARE(rig.master().requestCount(), requests); // nothing talks to the master any more
    }
};

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
