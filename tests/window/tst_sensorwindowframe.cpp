#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "plugin/pluginpaths.h"

#include "extensionsystem/globals.h"
#include "extensionsystem/sensorbasic.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QMetaMethod>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace OrvexSensorPlugin {
namespace Core {

struct SensorWindowTestAccess
{
    static SensorWindowState *state(SensorWindow &w) { return w.state; }
    static SensorWindowUi *ui(SensorWindow &w) { return w.ui; }
    static QTimer &writeDelayTimer(SensorWindow &w) { return w.writeDelayTimer; }
    static const Sensor &sensor(SensorWindow &w) { return w.sensor; }
    static bool connected(SensorWindow &w) { return w.connected; }
};

} // namespace Core
} // namespace OrvexSensorPlugin

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

class SensorWindowFrameTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void methodTable();
    void actions_data();
    void actions();
    void toolBars_data();
    void toolBars();
    void timers();
    void initialState();
    void missingCatalogueSensorStillOpens();
    void presentationModeHidesTheDock();
    void layoutRestore();

private:
    std::unique_ptr<SensorWindow> makeWindow(const std::string &name);
    QString firstSensorName() const;

    QTemporaryDir m_dir;
};

namespace {

QString sourceDataFile()
{
    return qEnvironmentVariable("TEST_SOURCE_DIR") + QStringLiteral("/data/IoLinkZT4Kfamily.xml");
}

QAction *actionNamed(SensorWindow &w, const QString &name)
{
    return w.findChild<QAction *>(name);
}

} // namespace

void SensorWindowFrameTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFile::copy(sourceDataFile(), m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml"))));
    setPluginFileDirectory(m_dir.path());
    setSleepFunction([](int) {});
}

void SensorWindowFrameTest::cleanup()
{
    ExtensionSystem::Globals::setPresentationMode(false);
    QFile::remove(m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.ini")));
}

QString SensorWindowFrameTest::firstSensorName() const
{
    QFile file(sourceDataFile());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromUtf8(file.readAll());
    const int list = text.indexOf(QStringLiteral("<sensorList>"));
    const int open = text.indexOf(QStringLiteral("<name>"), list);
    const int close = text.indexOf(QStringLiteral("</name>"), open);
    return text.mid(open + 6, close - open - 6).trimmed();
}

std::unique_ptr<SensorWindow> SensorWindowFrameTest::makeWindow(const std::string &name)
{
    ExtensionSystem::SensorBasic chosen;
    chosen.setId("XXXX");
    chosen.setName(name);
    return std::make_unique<SensorWindow>(chosen);
}

void SensorWindowFrameTest::methodTable()
{
    const QStringList expected = {
        "vAboutToClose()", "vSendData(QString)",
        "vSendFrame(ExtensionSystem::CommunicationInterface::DataFrame)",
        "vComPortSelected(QString)", "vUpdateChart(double)", "sendQuery()",
        "vSensorUpdate(QVariant)", "vOpenManual()", "updateChart()",
        "updateComPortList(QStringList)", "vRestoreFactorySettings()", "vExportChartData()",
        "vClearHistory()", "vPrintDocument()", "setWindowActive(bool)", "vAutoConnect(QString)",
        "vSetCompleteName(QString)", "vSaveSettings()", "bOpenSettings(QString)",
        "bOpenSettings()", "vLoadSettings()", "updateWindowTitle()", "vConnectToPort(QString)",
        "vDisconnect()", "enableStatusChecking(bool)", "removeSubProperties(QtProperty*)",
        "queryStatusData(uint)", "queryStatusData()", "queryChartData()",
        "slotContinousDataTimeout()", "bCheckConnection()", "bConnectToSensor()",
        "itemSelected(QtBrowserItem*)", "intValueChanged(QtProperty*,int)",
        "doubleValueChanged(QtProperty*,double)", "boolValueChanged(QtProperty*,bool)",
        "stringValueChanged(QtProperty*,QString)", "enumValueChanged(QtProperty*,int)",
        "buttonClicked(QtProperty*)",
        "sendDataFrame(ExtensionSystem::CommunicationInterface::DataFrame*,bool)",
        "sendDataFrame(ExtensionSystem::CommunicationInterface::DataFrame*)",
        "slotCurrentOutputChanged(int)", "chartThresholdChanged(uint,double)",
        "enableTreeDataHandling(bool)", "enableStringManagerHandling(bool)",
        "actionEnableLiveData()", "actionConnectSensor(int)", "sendDelayValue()",
        "vUpdateProgressBar()", "vWriteAllSettings(bool)", "writeAllSettings()",
        "vRadAllSettings(bool)", "signalWriteModeIcon(bool)", "signalWriteModeIcon()",
        "vZommResetForNoiseLine()", "comboIndexChangedString(QString)",
        "comboIndexChangedInt(int)"};
    const QMetaObject &mo = SensorWindow::staticMetaObject;
    QCOMPARE(QString::fromLatin1(mo.className()),
             QStringLiteral("OrvexSensorPlugin::Core::SensorWindow"));
    QStringList actual;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
        actual << QString::fromLatin1(mo.method(i).methodSignature());
    QCOMPARE(actual, expected);

    // Access and kind of a few representative entries.
    const auto at = [&mo](int i) { return mo.method(mo.methodOffset() + i); };
    QCOMPARE(at(0).methodType(), QMetaMethod::Signal);
    QCOMPARE(at(5).methodType(), QMetaMethod::Signal);
    QCOMPARE(at(6).methodType(), QMetaMethod::Slot);
    QCOMPARE(at(19).access(), QMetaMethod::Public);
    QCOMPARE(at(20).access(), QMetaMethod::Protected);
    QCOMPARE(at(56).access(), QMetaMethod::Protected);
    QCOMPARE(QByteArray(at(18).typeName()), QByteArray("bool"));
    QCOMPARE(QByteArray(at(30).typeName()), QByteArray("bool"));
}

void SensorWindowFrameTest::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("statusTip");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<QString>("toolBar");
    QTest::addColumn<int>("position");

    const QString file = QStringLiteral("fileToolBar");
    const QString ops = QStringLiteral("sensorOperationsToolbar");
    const QString chart = QStringLiteral("chartToolbar");
    QTest::newRow("save") << "actionSave_Settings" << "Save Settings" << "Save Settings"
                          << "Save sensor settings to file" << ":/newPrefix/icons/file_save.svg"
                          << true << true << false << file << 1;
    QTest::newRow("open") << "actionOpen_Settings" << "Open Settings" << "Open Settings"
                          << "Open a saved sensor from file" << ":/newPrefix/icons/file_open.svg"
                          << true << true << false << file << 0;
    QTest::newRow("settings") << "actionSettings" << "Settings" << "Settings" << ""
                              << ":/newPrefix/icons/tolvane-tool-configure.svg" << true << true
                              << false << "" << -1;
    QTest::newRow("supported sensors")
        << "actionSupported_sensors" << "Supported sensors" << "Supported sensors" << ""
        << ":/newPrefix/icons/libary.svg" << true << true << false << "" << -1;
    QTest::newRow("defaults") << "actionDefaultSettings" << "DefaultSettings"
                              << "Restore sensor's default settings"
                              << "Restore sensor's default settings"
                              << ":/newPrefix/icons/Reset.svg" << true << true << false << ops
                              << 0;
    QTest::newRow("export chart data")
        << "actionExportChartData" << "Export Chart Data" << "Export Chart Data"
        << "Export chart data to file" << ":/newPrefix/icons/connect_sensor_pc.svg" << false
        << false << false << file << 3;
    QTest::newRow("live data") << "actionEnable_live_data" << "Enable live data"
                               << "Enable live data" << ""
                               << ":/newPrefix/icons/recorder_play.svg" << true << true << true
                               << ops << 1;
    QTest::newRow("clear history") << "actionClear_History" << "Clear History"
                                   << "Clear chart history" << ""
                                   << ":/newPrefix/icons/Verlauf_Loeschen.svg" << true << true
                                   << false << chart << 1;
    QTest::newRow("print") << "actionPrint_chart_view" << "Print chart view"
                           << "Print current chart view" << ""
                           << ":/newPrefix/icons/file_print.svg" << true << true << false << chart
                           << 0;
    QTest::newRow("export view") << "actionExport_chart_view" << "Export chart view"
                                 << "Export current chart view" << ""
                                 << ":/newPrefix/icons/Export.svg" << true << true << false
                                 << chart << 2;
    QTest::newRow("output 1") << "actionOutput_1" << "Output 1" << "Output 1 led" << ""
                              << ":/newPrefix/icons/led_state_2_1.svg" << false << false << false
                              << ops << 4;
    QTest::newRow("output 2") << "actionOutput_2" << "Output 2" << "Output 2 led" << ""
                              << ":/newPrefix/icons/led_state_2_2.svg" << false << false << false
                              << ops << 5;
    QTest::newRow("read") << "actionRead" << "Output 3" << "read" << ""
                          << ":/newPrefix/icons/lesen.svg" << true << true << false << ops << 6;
    QTest::newRow("writing") << "actionWriting" << "Switch to FP" << "Write mode" << ""
                             << ":/newPrefix/icons/schreiben.svg" << false << false << false
                             << ops << 2;
    QTest::newRow("read thresholds") << "actionRead_Thresholds" << "Read Thresholds"
                                     << "Read Thresholds" << "" << ":/newPrefix/icons/QLMR.jpg"
                                     << false << false << false << ops << 3;
}

void SensorWindowFrameTest::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(QString, statusTip);
    QFETCH(QString, icon);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    QFETCH(bool, checkable);
    QFETCH(QString, toolBar);
    QFETCH(int, position);

    auto w = makeWindow(firstSensorName().toStdString());
    QAction *action = actionNamed(*w, name);
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), text);
    QCOMPARE(action->toolTip(), toolTip); // an unset tool tip reads as the text
    QCOMPARE(action->statusTip(), statusTip);
    QVERIFY(!action->icon().isNull());
    QVERIFY2(QFile::exists(icon), qPrintable(icon));
    QCOMPARE(action->isEnabled(), enabled);
    QCOMPARE(action->isVisible(), visible);
    QCOMPARE(action->isCheckable(), checkable);

    if (toolBar.isEmpty()) {
        for (QToolBar *bar : w->findChildren<QToolBar *>())
            QVERIFY(!bar->actions().contains(action));
    } else {
        auto *bar = w->findChild<QToolBar *>(toolBar);
        QVERIFY(bar);
        QCOMPARE(bar->actions().indexOf(action), position);
    }
}

void SensorWindowFrameTest::toolBars_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("allowedAreas");
    QTest::addColumn<int>("actionCount");

    QTest::newRow("file") << "fileToolBar" << "File Tool Bar" << int(Qt::AllToolBarAreas) << 5;
    QTest::newRow("sensor operations")
        << "sensorOperationsToolbar" << "Sensor Operations Tool Bar"
        << int(Qt::TopToolBarArea | Qt::BottomToolBarArea) << 8;
    QTest::newRow("chart") << "chartToolbar" << "toolBar" << int(Qt::AllToolBarAreas) << 3;
    QTest::newRow("connection") << "connectionToolBar" << "toolBar"
                                << int(Qt::TopToolBarArea | Qt::BottomToolBarArea) << 1;
    QTest::newRow("outputs combo") << "outuptsComboToolBar" << "toolBar"
                                   << int(Qt::AllToolBarAreas) << 1;
}

void SensorWindowFrameTest::toolBars()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(int, allowedAreas);
    QFETCH(int, actionCount);

    auto w = makeWindow(firstSensorName().toStdString());
    auto *bar = w->findChild<QToolBar *>(name);
    QVERIFY(bar);
    QCOMPARE(bar->windowTitle(), title);
    QCOMPARE(int(bar->allowedAreas()), allowedAreas);
    QVERIFY(!bar->isFloatable());
    QCOMPARE(bar->contextMenuPolicy(), Qt::PreventContextMenu);
    QCOMPARE(w->toolBarArea(bar), Qt::TopToolBarArea);
    QCOMPARE(bar->actions().size(), actionCount);

    // The tool bars stand in the top area in the order of construction.
    const QStringList order = {"fileToolBar", "sensorOperationsToolbar", "chartToolbar",
                               "connectionToolBar", "outuptsComboToolBar"};
    QList<QToolBar *> bars;
    for (const QString &n : order)
        bars << w->findChild<QToolBar *>(n);
    for (int i = 1; i < bars.size(); ++i)
        QVERIFY(bars.at(i - 1)->x() <= bars.at(i)->x() || bars.at(i - 1)->y() < bars.at(i)->y());
}

void SensorWindowFrameTest::timers()
{
    auto w = makeWindow(firstSensorName().toStdString());
    SensorWindowState *s = Access::state(*w);
    // The delayed write may already run: the tree build's values pass through the
    // edit handlers like any other change (nothing reaches a line while offline).
    struct Expected { QTimer *timer; int interval; bool stopped; };
    const Expected expected[] = {{&s->chartPollTimer, 65, true},
                                 {&s->continuousDataTimer, 19000, true},
                                 {&s->writeModeIconTimer, 700, true},
                                 {&Access::writeDelayTimer(*w), 400, false}};
    for (const Expected &e : expected) {
        QCOMPARE(e.timer->interval(), e.interval);
        QVERIFY(e.timer->isSingleShot());
        if (e.stopped)
            QVERIFY(!e.timer->isActive());
    }
}

void SensorWindowFrameTest::initialState()
{
    const QString name = firstSensorName();
    auto w = makeWindow(name.toStdString());
    SensorWindowState *s = Access::state(*w);
    SensorWindowUi *ui = Access::ui(*w);
    QCOMPARE(w->objectName(), QStringLiteral("SensorWindow"));
    QCOMPARE(s->portCombo->count(), 2);
    QCOMPARE(s->portCombo->itemText(0), QStringLiteral("Offline"));
    QVERIFY(!s->portCombo->itemData(0).isValid());
    QCOMPARE(s->portCombo->currentIndex(), 0);
    QVERIFY(!ui->sensorOperationsToolbar->isEnabled());
    QVERIFY(!Access::connected(*w));
    QVERIFY(!s->liveDataEnabled);
    QVERIFY(s->showProgress);
    QCOMPARE(s->progressMaximum, 350);
    QCOMPARE(s->statusRetries, 2);
    QCOMPARE(s->propertyDock->objectName(), QStringLiteral("propertyTree"));
    QCOMPARE(s->propertyDock->windowTitle(), QStringLiteral("Property tree"));
    QVERIFY(ui->fileToolBar->actions().contains(s->propertyDock->toggleViewAction()));
    QCOMPARE(s->progressLabel->objectName(), QStringLiteral("label"));
    QCOMPARE(s->progressButton->size(), QSize(23, 20));
    QCOMPARE(w->minimumWidth(), 850);
    QCOMPARE(w->minimumHeight(), 500);
    QCOMPARE(w->windowTitle(), name + QStringLiteral(" (Offline)"));
    QCOMPARE(QString::fromStdString(Access::sensor(*w).name()), name);
}

void SensorWindowFrameTest::missingCatalogueSensorStillOpens()
{
    auto w = makeWindow("No such sensor");
    QVERIFY(Access::sensor(*w).name().empty());
    QCOMPARE(Access::sensor(*w).getCharacterDelay(), 0);
    QCOMPARE(Access::sensor(*w).getLineDelay(), 0);
    QCOMPARE(w->windowTitle(), QStringLiteral(" (Offline)"));
}

void SensorWindowFrameTest::presentationModeHidesTheDock()
{
    ExtensionSystem::Globals::setPresentationMode(true);
    auto hidden = makeWindow(firstSensorName().toStdString());
    hidden->show();
    QVERIFY(!Access::state(*hidden)->propertyDock->isVisible());

    ExtensionSystem::Globals::setPresentationMode(false);
    auto shown = makeWindow(firstSensorName().toStdString());
    shown->show();
    QVERIFY(Access::state(*shown)->propertyDock->isVisible());
}

void SensorWindowFrameTest::layoutRestore()
{
    const QString ini = m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.ini"));
    QVERIFY(!QFile::exists(ini));
    QByteArray defaultState;
    {
        auto w = makeWindow(firstSensorName().toStdString());
        w->show();
        defaultState = w->saveState(0);
        // Without a layout file the default layout stands; moving a tool bar is remembered.
        auto *bar = w->findChild<QToolBar *>(QStringLiteral("chartToolbar"));
        w->addToolBar(Qt::BottomToolBarArea, bar);
        QCOMPARE(w->toolBarArea(bar), Qt::BottomToolBarArea);
    }
    QVERIFY(QFile::exists(ini));
    {
        QSettings settings(ini, QSettings::IniFormat);
        QVERIFY(settings.contains(QStringLiteral("SensorWindow/geometry")));
        QVERIFY(settings.contains(QStringLiteral("SensorWindow/state")));
    }
    auto restored = makeWindow(firstSensorName().toStdString());
    restored->show();
    auto *bar = restored->findChild<QToolBar *>(QStringLiteral("chartToolbar"));
    QCOMPARE(restored->toolBarArea(bar), Qt::BottomToolBarArea);
    QVERIFY(restored->saveState(0) != defaultState);
}

QTEST_MAIN(SensorWindowFrameTest)
#include "tst_sensorwindowframe.moc"
