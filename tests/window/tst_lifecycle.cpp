#include "common/connectionrig.h"

#include "utils/connectionstatus.h"

#include "qtproperty.h"

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QResizeEvent>
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

const char *const mismatchText =
    "The connected sensor does not match currently selected sensor, please try again with the "
    "proper sensor";

QStringList portSignals(const QSignalSpy &spy)
{
    QStringList names;
    for (const QList<QVariant> &args : spy)
        names << args.at(0).toString();
    return names;
}

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void titleFormat_data();
    void titleFormat();
    void titleWithoutCatalogueRecord();
    void autoConnect_data();
    void autoConnect();
    void closeReleasesTheConnectionFirst();
    void destructorWritesTheLayout();
    void sensorUpdateHidesTheTree_data();
    void sensorUpdateHidesTheTree();
    void completeNameAndEventFilter();
    void retranslationKeepsThePort();
    void hostClosesTheWindowMidway_data();
    void hostClosesTheWindowMidway();
};

void TestLifecycle::initTestCase()
{
    setSleepFunction([](int) {});
}

void TestLifecycle::cleanupTestCase()
{
    setSleepFunction(nullptr);
}

void TestLifecycle::titleFormat_data()
{
    QTest::addColumn<bool>("onPort");
    QTest::addColumn<QString>("title");
    QTest::newRow("offline") << false << "ZT4K-010 -1...10 bar (Offline)";
    QTest::newRow("a port selected") << true << "ZT4K-010 -1...10 bar (/dev/ttySIM0)";
}

void TestLifecycle::titleFormat()
{
    QFETCH(bool, onPort);
    QFETCH(QString, title);

    Rig rig;
    QVERIFY(rig.isReady());
    rig.combo()->setCurrentIndex(onPort ? rig.portIndex() : 0);
    Access::updateWindowTitle(rig.window());
    QCOMPARE(rig.window().windowTitle(), title);
    QCOMPARE(rig.ui().statusBar->currentMessage(), title);
    QVERIFY(rig.state().rootProperty);
    QCOMPARE(rig.state().rootProperty->propertyName(), title);
}

void TestLifecycle::titleWithoutCatalogueRecord()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(ConnectionRig::sourceDataFile(),
                        dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml"))));
    setPluginFileDirectory(dir.path());
    ExtensionSystem::SensorBasic chosen;
    chosen.setName("no such sensor");
    {
        SensorWindow window(chosen);
        QCOMPARE(window.windowTitle(), QStringLiteral(" (Offline)"));
    }
    setPluginFileDirectory(QString());
}

void TestLifecycle::autoConnect_data()
{
    QTest::addColumn<QString>("productId");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<QStringList>("selections");
    QTest::addColumn<QStringList>("messages");

    const QString sim = ConnectionRig::portName();
    QTest::newRow("the matching sensor on an offered port connects")
        << "" << sim << true << QStringList{"", sim} << QStringList{};
    QTest::newRow("a port not offered stays offline without a message")
        << "" << "/dev/ttyNONE" << false << QStringList{"", "Offline", ""} << QStringList{};
    QTest::newRow("another sensor stays offline with the warning")
        << "ZT42-G14-100" << sim << false << QStringList{"", sim, ""}
        << QStringList{mismatchText};
}

void TestLifecycle::autoConnect()
{
    QFETCH(QString, productId);
    QFETCH(QString, port);
    QFETCH(bool, connects);
    QFETCH(QStringList, selections);
    QFETCH(QStringList, messages);

    Rig rig(productId);
    QVERIFY(rig.isReady());
    DialogScript answers;
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);

    rig.plugin()->vAutoConnect(port);

    QCOMPARE(portSignals(ports), selections);
    QCOMPARE(answers.texts(), messages);
    QCOMPARE(rig.window().isConnected(), connects);
    QCOMPARE(rig.state().connectionStatus->isConnected(), connects);
    // Live data is switched on either way.
    QVERIFY(rig.ui().actionEnable_live_data->isChecked());
    QVERIFY(rig.state().liveDataEnabled);
    QCOMPARE(rig.state().autoConnectRunning, connects);
    QCOMPARE(rig.ui().sensorOperationsToolbar->isEnabled(), connects);
    if (connects) {
        QCOMPARE(rig.combo()->currentText(), port);
        QCOMPARE(rig.state().previousPortIndex, rig.portIndex());
        QCOMPARE(rig.window().windowTitle(), QStringLiteral("ZT4K-010 -1...10 bar (") + port
                     + QStringLiteral(")"));
        QVERIFY(rig.state().continuousDataTimer.isActive());
        QVERIFY(rig.state().initialSyncPending);
        QVERIFY(rig.requestCount(0x26) > 20);
        // The progress bar's end starts the polls.
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().chart->history(0).size() >= 2, 8000);
        QVERIFY(!rig.state().initialSyncPending);
    } else {
        QCOMPARE(rig.combo()->currentIndex(), 0);
        QVERIFY(!rig.state().progressDialog.isVisible());
        QVERIFY(rig.state().showProgress);
        QVERIFY(!rig.plugin()->isPortRegistered());
        QCOMPARE(rig.window().windowTitle(), QStringLiteral("ZT4K-010 -1...10 bar (Offline)"));
    }
}

void TestLifecycle::closeReleasesTheConnectionFirst()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.plugin()->vAutoConnect(ConnectionRig::portName());
    QVERIFY(rig.window().isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(rig.requestCount(0x22) > 3, 8000);

    QStringList order;
    connect(&rig.window(), &SensorWindow::vComPortSelected, this,
            [&order](const QString &port) { order << QStringLiteral("port '%1'").arg(port); });
    connect(&rig.window(), &SensorWindow::vAboutToClose, this,
            [&order] { order << QStringLiteral("about to close"); });

    QVERIFY(rig.window().close());

    QCOMPARE(order, QStringList({"port ''", "about to close"}));
    QVERIFY(!rig.window().isConnected());
    QVERIFY(!rig.plugin()->isPortRegistered());
    QVERIFY(!rig.window().communication());
    QVERIFY(!rig.ui().actionEnable_live_data->isChecked());
    QVERIFY(!rig.state().liveDataEnabled);
    QVERIFY(!rig.state().showProgress);
    QVERIFY(!rig.state().chartPollTimer.isActive());
    QVERIFY(!rig.state().continuousDataTimer.isActive());
    QTest::qWait(100);
    const int requests = rig.master().requestCount();
    // Neither timer reaches its slot any more, even when started.
    rig.state().chartPollTimer.start(1);
    QTest::qWait(200);
    QCOMPARE(rig.master().requestCount(), requests);
}

void TestLifecycle::destructorWritesTheLayout()
{
    Rig rig;
    QVERIFY(rig.isReady());
    QVERIFY(!QFile::exists(rig.iniFile()));
    rig.plugin()->vAutoConnect(ConnectionRig::portName());
    QVERIFY(rig.window().isConnected());
    rig.master().setAnswerDelayMs(500);
    // A poll in flight when the window goes: its frame goes with the window.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.state().pendingFrames.isEmpty(), 8000);
    QPointer<SensorWindow> window(&rig.window());

    delete rig.takePlugin();

    QVERIFY(!window);
    QSettings settings(rig.iniFile(), QSettings::IniFormat);
    QVERIFY(!settings.value(QStringLiteral("SensorWindow/geometry")).toByteArray().isEmpty());
    const QByteArray state = settings.value(QStringLiteral("SensorWindow/state")).toByteArray();
    QVERIFY(!state.isEmpty());

    // It is a layout of this window, version 0.
    ExtensionSystem::SensorBasic chosen;
    chosen.setName(ConnectionRig::sensorName());
    setPluginFileDirectory(QFileInfo(rig.iniFile()).absolutePath());
    SensorWindow next(chosen);
    QVERIFY(next.restoreState(state, 0));
    QVERIFY(!next.restoreState(state, 1));
}

void TestLifecycle::sensorUpdateHidesTheTree_data()
{
    QTest::addColumn<QVariant>("hide");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("true hides") << QVariant(true) << true;
    QTest::newRow("false shows") << QVariant(false) << false;
    QTest::newRow("text true hides") << QVariant(QStringLiteral("true")) << true;
    QTest::newRow("invalid shows") << QVariant() << false;
}

void TestLifecycle::sensorUpdateHidesTheTree()
{
    QFETCH(QVariant, hide);
    QFETCH(bool, hidden);

    Rig rig;
    QVERIFY(rig.isReady());
    rig.state().propertyDock->setVisible(hidden ? true : false);
    rig.plugin()->vUpdate(hide);
    QCOMPARE(rig.state().propertyDock->isHidden(), hidden);
}

void TestLifecycle::completeNameAndEventFilter()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.window().vSetCompleteName(QStringLiteral("Line 3 / tank"));
    QCOMPARE(rig.state().completeName, QStringLiteral("Line 3 / tank"));

    // The filter lets everything through.
    QLabel watched;
    watched.installEventFilter(&rig.window());
    QResizeEvent resize(QSize(10, 10), QSize(5, 5));
    QVERIFY(!rig.window().eventFilter(&watched, &resize));
}

void TestLifecycle::retranslationKeepsThePort()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.combo()->setCurrentIndex(rig.portIndex());
    rig.state().outputCombo->setCurrentIndex(1);
    rig.window().retranslateWindowTexts();
    QCOMPARE(rig.combo()->currentIndex(), rig.portIndex());
    QCOMPARE(rig.combo()->itemText(0), QStringLiteral("Offline"));
    QCOMPARE(rig.state().outputCombo->currentIndex(), 1);
    QCOMPARE(rig.state().outputCombo->itemText(1), QStringLiteral("Output 2"));
    QCOMPARE(rig.state().processDataDock->windowTitle(), QStringLiteral(" Process data"));
    QCOMPARE(rig.window().windowTitle(), QStringLiteral("ZT4K-010 -1...10 bar (/dev/ttySIM0)"));
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
    plugin->vAutoConnect(ConnectionRig::portName());
    returned = true;
    QTRY_VERIFY_WITH_TIMEOUT(closed, 10000);
    QTRY_VERIFY(!plugin);
    QTRY_VERIFY(!window);
    QVERIFY(!goneUnderItsCode);
    // Closing is no failure of the sensor: nothing to tell.
    QCOMPARE(answers.texts(), QStringList());
    QVERIFY(!rig.broker.current);
    // Nothing keeps talking to the master.
    const int requests = rig.master().requestCount();
    QTest::qWait(300);
    QCOMPARE(rig.master().requestCount(), requests);
}

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
