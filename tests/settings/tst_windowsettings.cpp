#include "settings/settingsfile.h"
#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "plugin/pluginpaths.h"

#include "mastersimulator.h"
#include "sensordescription.h"
#include "simulatedchannel.h"

#include "common/modalanswerer.h"

#include "extensionsystem/sensorbasic.h"
#include "utils/charts/genericchart.h"

#include "qtboolpropertymanager.h"
#include "qtdoublepropertymanager.h"
#include "qtenumpropertymanager.h"
#include "qtintpropertymanager.h"
#include "qtproperty.h"
#include "qtstringpropertymanager.h"

#include <QAction>
#include <QToolBar>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace OrvexSensorPlugin {
namespace Core {

// The window's private fields and protected slots, for the settings tests.
struct SensorWindowTestAccess
{
    static SensorWindowState &state(SensorWindow &w) { return *w.state; }
    static bool &connected(SensorWindow &w) { return w.connected; }
    static int lastUnitSetting(SensorWindow &w) { return w.lastUnitSetting; }
    static QtProperty *find(SensorWindow &w, const char *id)
    {
        return w.findPropertyById(w.state->rootProperty, id);
    }
    static QList<QtProperty *> all(SensorWindow &w)
    {
        return w.collectSubProperties(w.state->rootProperty);
    }
    static void vLoadSettings(SensorWindow &w) { w.vLoadSettings(); }
    static void clearPendingWrite(SensorWindow &w)
    {
        w.writeDelayTimer.stop();
        w.pendingProperty = nullptr;
        w.pendingValue = QVariant();
    }
};

} // namespace Core
} // namespace OrvexSensorPlugin

using OrvexSensorPlugin::Core::SensorWindow;
using Access = OrvexSensorPlugin::Core::SensorWindowTestAccess;
namespace Core = OrvexSensorPlugin::Core;

namespace {

const char *sensorName() { return "ZT4K-010 -1...10 bar"; }

// A window on the real description, with a simulated master behind a channel
// that the tests attach when they need one.
class Rig
{
public:
    Rig()
    {
        QFile source(qEnvironmentVariable("TEST_SOURCE_DIR")
                     + QStringLiteral("/data/IoLinkZT4Kfamily.xml"));
        const QString copy = m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml"));
        m_ready = source.copy(copy) && m_description.load(copy);
        Core::setPluginFileDirectory(m_dir.path());
        Core::setSleepFunction([](int) {});
        m_master = std::make_unique<IoLinkSim::MasterSimulator>(m_description);
        m_channel = new IoLinkSim::SimulatedChannel(m_master.get());
        m_channel->setLatencyMs(1);
        ExtensionSystem::SensorBasic chosen;
        chosen.setName(sensorName());
        m_window = std::make_unique<SensorWindow>(chosen);
        Access::clearPendingWrite(*m_window);
    }
    ~Rig()
    {
        m_window.reset();
        delete m_channel.data();
        Core::setSleepFunction(nullptr);
        Core::setPluginFileDirectory(QString());
    }

    bool isReady() const { return m_ready && Access::find(*m_window, "FilterSettings"); }
    SensorWindow &window() { return *m_window; }
    Core::SensorWindowState &state() { return Access::state(*m_window); }
    IoLinkSim::MasterSimulator &master() { return *m_master; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QString folder() const { return m_dir.path(); }

    void attach(bool connected)
    {
        m_window->setCommunication(m_channel.data());
        Access::connected(*m_window) = connected;
    }

    // Requests other than the process-data poll, as hexadecimal text.
    QStringList requestsBesidesPoll() const
    {
        QStringList list;
        for (const auto &entry : m_master->requestLog()) {
            if (entry.request != QByteArray::fromHex("027022"))
                list << QString::fromLatin1(entry.request.toHex());
        }
        return list;
    }

    int enumValue(const char *id) { return state().enumManager->value(find(id)); }
    bool boolValue(const char *id) { return state().boolManager->value(find(id)); }
    int intValue(const char *id) { return state().intManager->value(find(id)); }
    double doubleValue(const char *id) { return state().doubleManager->value(find(id)); }
    QString stringValue(const char *id) { return state().stringManager->value(find(id)); }
    QtProperty *find(const char *id) { return Access::find(*m_window, id); }

    // A file for this sensor with the parameter list and the chart's present history.
    QByteArray settingsFile(const std::string &parameterList)
    {
        return Core::settingsDocument(
            sensorName(), parameterList,
            state().chart->dataToString(QLatin1Char(';')).toStdString());
    }

    bool writeFile(const QString &path, const QByteArray &text)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    }

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
    IoLinkSim::SensorDescription m_description;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    QPointer<IoLinkSim::SimulatedChannel> m_channel;
    std::unique_ptr<SensorWindow> m_window;
};

// Answers the file dialog of a save with a chosen path (or cancels it when
// the path is empty) and message boxes with OK, noting what it saw.
class DialogDriver : public QObject
{
public:
    explicit DialogDriver(const QString &path)
        : m_path(path)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start(10);
    }

    QString dialogTitle;
    QString proposedName;
    QStringList nameFilters;
    QStringList boxTitles;
    QStringList boxTexts;

private:
    void poll()
    {
        QWidget *widget = QApplication::activeModalWidget();
        if (!widget || widget == m_last)
            return;
        m_last = widget;
        if (auto *dialog = qobject_cast<QFileDialog *>(widget)) {
            dialogTitle = dialog->windowTitle();
            proposedName = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            nameFilters = dialog->nameFilters();
            if (m_path.isEmpty()) {
                dialog->reject();
                return;
            }
            // The whole path goes into the name field: selectFile() changes the
            // folder through the dialog's file model, which fills in a thread and
            // may not have caught up on a loaded machine; done() then takes the
            // field as it stands.
            dialog->selectFile(m_path);
            if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->setText(m_path);
            static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        } else if (auto *box = qobject_cast<QMessageBox *>(widget)) {
            boxTitles << box->windowTitle();
            boxTexts << box->text();
            box->button(QMessageBox::Ok)->click();
        }
    }

    QString m_path;
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

QString historyOf(Rig &rig) { return rig.state().chart->dataToString(QLatin1Char(';')); }

} // namespace

class TestWindowSettings : public QObject
{
    Q_OBJECT

private slots:
    void saveAndOpenRestoresValuesAndHistory();
    void savedListFormat();
    void cancelledSaveWritesNothing();
    void failedSaveIsReported();
    void doubleOutsideItsRangeIsKept();
    void refusedFiles_data();
    void refusedFiles();
    void incompleteFiles_data();
    void incompleteFiles();
    void stringKeepsItsText();
    void openingOfflineAsksNothingAndWritesNothing();
    void openingConnected_data();
    void openingConnected();
    void openThroughDialog_data();
    void openThroughDialog();
    void cancelledOpenDialogChangesNothing();
    void factoryReset_data();
    void factoryReset();
};

void TestWindowSettings::saveAndOpenRestoresValuesAndHistory()
{
    Rig rig;
    QVERIFY(rig.isReady());
    Core::SensorWindowState &s = rig.state();

    s.enumManager->setValue(rig.find("TemperatureSettings"), 2);
    s.enumManager->setValue(rig.find("FilterSettings"), 3);
    s.boolManager->setValue(rig.find("StatusLED"), false, QString(), QString());
    s.intManager->setValue(rig.find("OnDelay1"), 7);
    s.doubleManager->setValue(rig.find("ThresholdsPressure1A1"), 0.25);
    QVERIFY(s.chart->appendDataAt(0, 1733468988123.0, 0.5, 4.0));
    QVERIFY(s.chart->appendDataAt(0, 1733468988188.0, 0.625, 4.5));
    Access::clearPendingWrite(rig.window());
    const QString history = historyOf(rig);
    const double threshold = rig.doubleValue("ThresholdsPressure1A1");
    QVERIFY(history.contains(QStringLiteral("1733468988188")));

    const QString path = rig.filePath(QStringLiteral("saved.wts"));
    {
        DialogDriver driver(path);
        rig.window().vSaveSettings();
        QCOMPARE(driver.dialogTitle, QStringLiteral("Save As..."));
        QCOMPARE(driver.proposedName,
                 Core::proposedSettingsFileName(QString::fromLatin1(sensorName()),
                                                QDate::currentDate()));
        QVERIFY(driver.proposedName.contains(QStringLiteral("-settings-")));
        QCOMPARE(driver.boxTitles, QStringList());
    }
    QVERIFY(QFile::exists(path));

    s.enumManager->setValue(rig.find("TemperatureSettings"), 0);
    s.enumManager->setValue(rig.find("FilterSettings"), 0);
    s.boolManager->setValue(rig.find("StatusLED"), true, QString(), QString());
    s.intManager->setValue(rig.find("OnDelay1"), 0);
    s.doubleManager->setValue(rig.find("ThresholdsPressure1A1"), 1.0);
    s.chart->clear();
    Access::clearPendingWrite(rig.window());
    QVERIFY(historyOf(rig) != history);

    ModalAnswerer answerer;
    QVERIFY(rig.window().bOpenSettings(path));
    QCOMPARE(answerer.titles(), QStringList());
    QCOMPARE(rig.enumValue("TemperatureSettings"), 2);
    QCOMPARE(Access::lastUnitSetting(rig.window()), 2);
    QCOMPARE(rig.enumValue("FilterSettings"), 3);
    QCOMPARE(rig.boolValue("StatusLED"), false);
    QCOMPARE(rig.intValue("OnDelay1"), 7);
    QCOMPARE(rig.doubleValue("ThresholdsPressure1A1"), threshold);
    QCOMPARE(historyOf(rig), history);
    QVERIFY(rig.window().form()->chartToolbar->isEnabled());
}

void TestWindowSettings::savedListFormat()
{
    Rig rig;
    QVERIFY(rig.isReady());
    const QString path = rig.filePath(QStringLiteral("defaults.wts"));
    {
        DialogDriver driver(path);
        rig.window().vSaveSettings();
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const Core::SettingsContent content = Core::parseSettings(file.readAll());
    QVERIFY(content.isFor(sensorName()));
    const QString list = QString::fromStdString(content.parameterList.value_or(""));
    QVERIFY2(list.endsWith(QLatin1Char(';')), qPrintable(list));

    // One entry per valued parameter, in the tree's order; groups and buttons have none.
    QStringList expectedIds;
    const Core::SensorWindowState &s = rig.state();
    for (QtProperty *property : Access::all(rig.window())) {
        QtAbstractPropertyManager *manager = property->propertyManager();
        if (manager == s.enumManager || manager == s.boolManager || manager == s.intManager
            || manager == s.doubleManager || manager == s.stringManager)
            expectedIds << property->propertyId();
    }
    QStringList ids;
    for (const QString &entry : list.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        ids << entry.section(QLatin1Char('='), 0, 0);
    QCOMPARE(ids, expectedIds);

    QVERIFY2(list.contains(QStringLiteral(";StatusLED=1;")), qPrintable(list));
    const QRegularExpression sixDecimals(
        QStringLiteral(";ThresholdsPressure1A1=-?\\d+\\.\\d{6};"));
    QVERIFY2(list.contains(sixDecimals), qPrintable(list));
    // "***" is the first of the tag's choices; a read-only string has no list.
    QVERIFY2(list.contains(QStringLiteral(";ApplicationSpecificTag=0;")), qPrintable(list));
    QVERIFY2(list.startsWith(QStringLiteral("VendorNameReadOnly=-1;")), qPrintable(list));
}

void TestWindowSettings::cancelledSaveWritesNothing()
{
    Rig rig;
    QVERIFY(rig.isReady());
    const QStringList before = QDir(rig.folder()).entryList(QDir::Files);
    DialogDriver driver{QString()};
    rig.window().vSaveSettings();
    QCOMPARE(driver.dialogTitle, QStringLiteral("Save As..."));
    QCOMPARE(QDir(rig.folder()).entryList(QDir::Files), before);
    QCOMPARE(driver.boxTitles, QStringList());
}

void TestWindowSettings::failedSaveIsReported()
{
    Rig rig;
    QVERIFY(rig.isReady());
    const QString path = rig.filePath(QStringLiteral("no such folder/saved.wts"));
    DialogDriver driver(path);
    rig.window().vSaveSettings();
    QCOMPARE(driver.boxTitles, QStringList{QStringLiteral("Saving settings...")});
    QVERIFY2(driver.boxTexts.value(0).contains(QDir::toNativeSeparators(path)),
             qPrintable(driver.boxTexts.value(0)));
    QVERIFY(!QFile::exists(path));
}

void TestWindowSettings::doubleOutsideItsRangeIsKept()
{
    Rig rig;
    QVERIFY(rig.isReady());
    QtProperty *threshold = rig.find("ThresholdsPressure1A1");
    QVERIFY(rig.state().doubleManager->maximum(threshold) < 500.0);

    const QString path = rig.filePath(QStringLiteral("wide.wts"));
    QVERIFY(rig.writeFile(path, rig.settingsFile("ThresholdsPressure1A1=500.000000;"
                                                 "ThresholdsPressure2A1=-2000.5;OnDelay1=abc;"
                                                 "NoSuchParameter=3;;FilterSettings=2;")));
    ModalAnswerer answerer;
    QVERIFY(rig.window().bOpenSettings(path));
    QCOMPARE(rig.doubleValue("ThresholdsPressure1A1"), 500.0);
    QCOMPARE(rig.doubleValue("ThresholdsPressure2A1"), -2000.5);
    QCOMPARE(rig.intValue("OnDelay1"), 0);
    // Parts after an unknown id and an empty part are still applied.
    QCOMPARE(rig.enumValue("FilterSettings"), 2);
    QCOMPARE(answerer.titles(), QStringList());
}

void TestWindowSettings::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("message");

    const QString corrupted = QStringLiteral("The selected settings are corupted");
    const QString otherSensor =
        QStringLiteral("The selected settings are not for the current sensor");
    QTest::newRow("file of another sensor of the family")
        << Core::settingsDocument("ZT4K-100 0...100 bar", "FilterSettings=4;", "") << true
        << otherSensor;
    QTest::newRow("file of another plug-in")
        << QByteArray("<root pluginid=\"OtherPlugin\" sensorid=\"ZT4K-010 -1...10 bar\">"
                      "<pluginsettings><propertytreedata data=\"FilterSettings=4;\"/>"
                      "</pluginsettings></root>")
        << true << otherSensor;
    QTest::newRow("root without names")
        << QByteArray("<root><pluginsettings><propertytreedata data=\"FilterSettings=4;\"/>"
                      "</pluginsettings></root>")
        << true << otherSensor;
    QTest::newRow("text that is no XML") << QByteArray("FilterSettings=4;") << true << corrupted;
    QTest::newRow("truncated document")
        << Core::settingsDocument(sensorName(), "FilterSettings=4;", "").left(80) << true
        << corrupted;
    QTest::newRow("empty file") << QByteArray() << true << corrupted;
    QTest::newRow("no root element")
        << QByteArray("<settings><pluginsettings/></settings>") << true << corrupted;
    QTest::newRow("missing file") << QByteArray() << false << corrupted;
}

void TestWindowSettings::refusedFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, exists);
    QFETCH(QString, message);

    Rig rig;
    QVERIFY(rig.isReady());
    const QString path = rig.filePath(QStringLiteral("refused.wts"));
    if (exists)
        QVERIFY(rig.writeFile(path, text));
    const QString historyBefore = historyOf(rig);

    ModalAnswerer answerer;
    QVERIFY(!rig.window().bOpenSettings(path));
    QCOMPARE(answerer.texts(), QStringList{message});
    QCOMPARE(answerer.titles(), QStringList{QStringLiteral("Opening settings...")});
    QCOMPARE(rig.enumValue("FilterSettings"), 0);
    QCOMPARE(historyOf(rig), historyBefore);
}

void TestWindowSettings::incompleteFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("historyReplaced");

    const QByteArray head =
        "<root pluginid=\"IoLinkZT4Kfamily\" sensorid=\"ZT4K-010 -1...10 bar\">";
    QTest::newRow("no chart data applies the parameters")
        << head + "<pluginsettings><propertytreedata data=\"FilterSettings=4;\"/>"
                  "</pluginsettings></root>"
        << 4 << false;
    QTest::newRow("parameter element without data applies the history")
        << head + "<pluginsettings><propertytreedata/><chartdata data=\"%1\"/>"
                  "</pluginsettings></root>"
        << 0 << true;
    QTest::newRow("no parameter element applies the history")
        << head + "<pluginsettings><chartdata data=\"%1\"/></pluginsettings></root>" << 0
        << true;
    QTest::newRow("no plug-in settings applies nothing") << head + "</root>" << 0 << false;
    QTest::newRow("damaged chart data keeps the recorded history")
        << head + "<pluginsettings><propertytreedata data=\"FilterSettings=4;\"/>"
                  "<chartdata data=\"history;1;1;2;1733468988123;0.5\"/></pluginsettings></root>"
        << 4 << false;
}

void TestWindowSettings::incompleteFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(int, filter);
    QFETCH(bool, historyReplaced);

    Rig rig;
    QVERIFY(rig.isReady());
    // A history of one point taken from a filled chart, then the chart emptied.
    QVERIFY(rig.state().chart->appendDataAt(0, 1733468988123.0, 0.5, 4.0));
    const QString filled = historyOf(rig);
    rig.state().chart->clear();
    const QString empty = historyOf(rig);
    QVERIFY(filled != empty);

    const QString path = rig.filePath(QStringLiteral("partial.wts"));
    QVERIFY(rig.writeFile(path, text.replace("%1", filled.toLatin1())));
    ModalAnswerer answerer;
    QVERIFY(!rig.window().bOpenSettings(path));
    QCOMPARE(answerer.titles(), QStringList());
    QCOMPARE(rig.enumValue("FilterSettings"), filter);
    QCOMPARE(historyOf(rig), historyReplaced ? filled : empty);
}

void TestWindowSettings::stringKeepsItsText()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.state().stringManager->setValue(rig.find("ApplicationSpecificTag"),
                                        QStringLiteral("typed by hand"));
    const QString path = rig.filePath(QStringLiteral("tag.wts"));
    QVERIFY(rig.writeFile(path, rig.settingsFile("ApplicationSpecificTag=0;"
                                                 "VendorNameReadOnly=0;FilterSettings=1;")));
    QVERIFY(rig.window().bOpenSettings(path));
    QCOMPARE(rig.stringValue("ApplicationSpecificTag"), QStringLiteral("typed by hand"));
    QCOMPARE(rig.enumValue("FilterSettings"), 1);
}

void TestWindowSettings::openingOfflineAsksNothingAndWritesNothing()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.attach(false);
    const QString path = rig.filePath(QStringLiteral("offline.wts"));
    QVERIFY(rig.writeFile(path, rig.settingsFile("FilterSettings=4;OnDelay1=9;")));
    ModalAnswerer answerer;
    QVERIFY(rig.window().bOpenSettings(path));
    QCOMPARE(rig.enumValue("FilterSettings"), 4);
    // Give a delayed write its time, should one have been scheduled.
    QTest::qWait(600);
    QCOMPARE(answerer.titles(), QStringList());
    QCOMPARE(rig.requestsBesidesPoll(), QStringList());
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("FilterSettings")), 0);
}

void TestWindowSettings::openingConnected_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opened");
    QTest::newRow("cancelled notice changes nothing") << int(QMessageBox::Cancel) << false;
    QTest::newRow("accepted notice writes all to the sensor") << int(QMessageBox::Ok) << true;
}

void TestWindowSettings::openingConnected()
{
    QFETCH(int, answer);
    QFETCH(bool, opened);

    Rig rig;
    QVERIFY(rig.isReady());
    rig.attach(true);
    const QString path = rig.filePath(QStringLiteral("connected.wts"));
    QVERIFY(rig.writeFile(path, rig.settingsFile("FilterSettings=4;OnDelay1=9;")));
    ModalAnswerer answerer;
    answerer.answerWith(QMessageBox::StandardButton(answer));
    QCOMPARE(rig.window().bOpenSettings(path), opened);
    QCOMPARE(answerer.titles().value(0), QStringLiteral("Open Settings"));
    QCOMPARE(answerer.texts().value(0),
             QStringLiteral("Loaded settings will override the current project"));
    QCOMPARE(rig.enumValue("FilterSettings"), opened ? 4 : 0);
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("FilterSettings")), opened ? 4 : 0);
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("OnDelay1")), opened ? 9 : 0);
    if (!opened)
        QCOMPARE(rig.requestsBesidesPoll(), QStringList());
    QCOMPARE(rig.window().form()->sensorOperationsToolbar->isEnabled(), opened);
}

void TestWindowSettings::openThroughDialog_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("offline applies the file") << false;
    QTest::newRow("connected writes it and keeps live data on") << true;
}

void TestWindowSettings::openThroughDialog()
{
    QFETCH(bool, connected);

    Rig rig;
    QVERIFY(rig.isReady());
    rig.attach(connected);
    QAction *liveData = rig.window().form()->actionEnable_live_data;
    liveData->setChecked(true);
    const QString path = rig.filePath(QStringLiteral("chosen.wts"));
    QVERIFY(rig.writeFile(path, rig.settingsFile("FilterSettings=5;")));

    DialogDriver driver(path);
    Access::vLoadSettings(rig.window());
    QCOMPARE(driver.nameFilters, QStringList{QStringLiteral("Sensor Settings (*.wts)")});
    QCOMPARE(rig.enumValue("FilterSettings"), 5);
    QCOMPARE(driver.boxTitles,
             connected ? QStringList{QStringLiteral("Open Settings")} : QStringList());
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("FilterSettings")), connected ? 5 : 0);
    QVERIFY(liveData->isChecked());
    QCOMPARE(rig.state().liveDataEnabled, connected);
    QVERIFY(rig.state().chart->isFollowingNewest());
}

void TestWindowSettings::cancelledOpenDialogChangesNothing()
{
    Rig rig;
    QVERIFY(rig.isReady());
    DialogDriver driver{QString()};
    QVERIFY(!rig.window().bOpenSettings());
    QCOMPARE(driver.nameFilters, QStringList{QStringLiteral("Sensor Settings (*.wts)")});
    QCOMPARE(driver.boxTitles, QStringList());
    QCOMPARE(rig.enumValue("FilterSettings"), 0);
}

void TestWindowSettings::factoryReset_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("restored");
    QTest::newRow("offline asks nothing") << false << int(QMessageBox::Ok) << false;
    QTest::newRow("cancelled question sends nothing") << true << int(QMessageBox::Cancel) << false;
    QTest::newRow("confirmed question restores the sensor") << true << int(QMessageBox::Ok)
                                                            << true;
}

void TestWindowSettings::factoryReset()
{
    QFETCH(bool, connected);
    QFETCH(int, answer);
    QFETCH(bool, restored);

    Rig rig;
    QVERIFY(rig.isReady());
    QVERIFY(rig.master().sensor().setRawValue(QStringLiteral("FilterSettings"), 3));
    rig.attach(connected);
    ModalAnswerer answerer;
    answerer.answerWith(QMessageBox::StandardButton(answer));
    rig.window().vRestoreFactorySettings();
    if (connected) {
        QCOMPARE(answerer.titles().value(0), QStringLiteral("Restore factory defaults"));
        QCOMPARE(answerer.texts().value(0),
                 QStringLiteral("All settings will be restored to factory defaults, continue ?"));
    } else {
        QCOMPARE(answerer.titles(), QStringList());
    }
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("FilterSettings")), restored ? 0 : 3);
    if (!restored)
        QCOMPARE(rig.requestsBesidesPoll(), QStringList());
    QCOMPARE(rig.state().liveDataEnabled, restored);
}

QTEST_MAIN(TestWindowSettings)
#include "tst_windowsettings.moc"
