#include "common/windowaccess.h"
#include "plugin/pluginpaths.h"
#include "settings/settingsfile.h"

#include "simulator/mastersimulator.h"
#include "simulator/simulatedchannel.h"

#include "extensionsystem/sensorbasic.h"
#include "utils/charts/genericchart.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <cfloat>
#include <climits>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {

const char *const sensorName = "ZT4K-010 -1...10 bar";
const QByteArray head = "<root pluginid=\"IoLinkZT4Kfamily\" sensorid=\"ZT4K-010 -1...10 bar\">";

// A window on the real description; a test attaches the simulated master when it needs it.
struct Rig
{
    Rig()
    {
        const QString data = dir.filePath("IoLinkZT4Kfamily.xml");
        ready = QFile::copy(qEnvironmentVariable("TEST_SOURCE_DIR") + "/data/IoLinkZT4Kfamily.xml",
                            data) && description.load(data);
        setPluginFileDirectory(dir.path());
        setSleepFunction([](int) {});
        master = std::make_unique<IoLinkSim::MasterSimulator>(description);
        channel = std::make_unique<IoLinkSim::SimulatedChannel>(master.get());
        ExtensionSystem::SensorBasic chosen;
        chosen.setName(sensorName);
        window = std::make_unique<SensorWindow>(chosen);
        Access::clearPendingWrite(*window);
    }
    ~Rig()
    {
        channel.reset(); // as the host does: the channel goes before the window's frames
        window.reset();
        setSleepFunction(nullptr);
        setPluginFileDirectory(QString());
    }
    SensorWindowState &state() { return Access::state(*window); }
    QtProperty *find(const char *id) { return Access::find(*window, id); }
    int filter() { return state().enumManager->value(find("FilterSettings")); }
    QString history() { return state().chart->dataToString(QLatin1Char(';')); }
    QString write(const QString &name, const QByteArray &text)
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size()
            ? file.fileName() : QString();
    }

    QTemporaryDir dir;
    bool ready = false;
    IoLinkSim::SensorDescription description;
    std::unique_ptr<IoLinkSim::MasterSimulator> master;
    std::unique_ptr<IoLinkSim::SimulatedChannel> channel;
    std::unique_ptr<SensorWindow> window;
};

// Answers a file dialog with a path (cancels it when empty) and a message box with a
// button, noting "title: text" of every message box.
class Answerer : public QObject
{
public:
    explicit Answerer(const QString &path, int answer = QMessageBox::Ok)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, path, answer] {
            QWidget *widget = QApplication::activeModalWidget();
            if (!widget || widget == m_last)
                return;
            m_last = widget;
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                boxes << box->windowTitle() + ": " + box->text();
                box->button(QMessageBox::StandardButton(answer))->click();
            } else if (auto *dialog = qobject_cast<QFileDialog *>(widget)) {
                proposedName = QFileInfo(dialog->selectedFiles().value(0)).fileName();
                if (path.isEmpty())
                    return dialog->reject();
                // The whole path goes into the name field: the dialog's file model fills
                // in a thread and may not have caught up with selectFile() yet.
                dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
                static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
            }
        });
        m_timer.start(10);
    }

    QStringList boxes;
    QString proposedName;

private:
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void writtenAndReadBack();
    void saveAndOpenRestoresValuesAndHistory();
    void openingFiles_data();
    void openingFiles();
    void appliedValues();
    void sensorActions_data();
    void sensorActions();
};

void TestSettings::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("whole");
    QTest::addColumn<double>("decimal");
    QTest::newRow("leading blanks and plus") << "  +3" << 3 << 3.0;
    QTest::newRow("not a number is 0") << "abc" << 0 << 0.0;
    QTest::newRow("plus and minus is 0") << "+-5" << 0 << 0.0;
    QTest::newRow("too large is clamped") << "99999999999" << INT_MAX << 99999999999.0;
    QTest::newRow("beyond a long number") << "99999999999999999999" << INT_MAX << 1e20;
    QTest::newRow("below a long number") << "-99999999999999999999" << INT_MIN << -1e20;
    QTest::newRow("beyond the double range") << "+1e999" << 1 << DBL_MAX;
    QTest::newRow("below the double range") << "-1e999" << -1 << -DBL_MAX;
}

void TestSettings::numbers()
{
    QFETCH(QString, text);
    QFETCH(int, whole);
    QFETCH(double, decimal);
    QCOMPARE(wholeValue(text.toStdString()), whole);
    QCOMPARE(decimalValue(text.toStdString()), decimal);
}

void TestSettings::writtenAndReadBack()
{
    QCOMPARE(settingsDocument("A&B <\"x\"> 'y'", "a=1;", "history;1;0"),
             QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                        "<root pluginid=\"IoLinkZT4Kfamily\" "
                        "sensorid=\"A&amp;B &lt;&quot;x&quot;&gt; &apos;y&apos;\">\n"
                        "    <pluginsettings>\n"
                        "        <propertytreedata data=\"a=1;\"/>\n"
                        "        <chartdata data=\"history;1;0\"/>\n"
                        "    </pluginsettings>\n"
                        "</root>\n"));
    QCOMPARE(QString::fromStdString(splitParameterList("a=1=7;b").at(0).value), QString("1"));
    const std::string name = "A&B <\"x\"> 'y' \xc3\xa4\xe2\x82\xac";
    const SettingsContent content = parseSettings(settingsDocument(name, name, name));
    QVERIFY(content.isFor(name) && content.parameterList == name && content.chartData == name);
}

void TestSettings::saveAndOpenRestoresValuesAndHistory()
{
    Rig rig;
    QVERIFY(rig.ready);
    Access::setEnum(*rig.window, "TemperatureSettings", 2);
    Access::setEnum(*rig.window, "FilterSettings", 3);
    rig.state().intManager->setValue(rig.find("OnDelay1"), 7);
    Access::setDouble(*rig.window, "ThresholdsPressure1A1", 0.25);
    QVERIFY(rig.state().chart->appendDataAt(0, 1733468988123.0, 0.5, 4.0));
    const QString history = rig.history();

    // A cancelled dialog writes nothing, a failed write is told.
    // The dialog starts in the working folder: a file written there would show.
    const QString folder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(rig.dir.path()));
    for (const QString &chosen : {QString(), rig.dir.filePath("no folder/s.wts")}) {
        Answerer saving(chosen);
        rig.window->vSaveSettings();
        QCOMPARE(saving.proposedName, QString(sensorName) + "-settings-"
                                          + QDate::currentDate().toString("dd-MM-yyyy") + ".wts");
        QCOMPARE(saving.boxes.size(), chosen.isEmpty() ? 0 : 1);
        QVERIFY(saving.boxes.value(0).startsWith(chosen.isEmpty() ? QString() : "Saving settings"
            "...: The settings could not be saved to " + chosen + ": "));
    }
    QDir::setCurrent(folder);
    QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files), QStringList{"IoLinkZT4Kfamily.xml"});
    // Saved over an older file of that name.
    const QString path = rig.write("saved.wts", QByteArray(10000, 'x'));
    {
        Answerer saving(path);
        rig.window->vSaveSettings();
        QCOMPARE(saving.boxes, QStringList());
    }
    const SettingsContent saved = readSettingsFile(path);
    QVERIFY2(saved.parameterList.value_or("").find(
                 "VendorNameReadOnly=-1;ProductNameReadOnly=-1;ProductIDReadOnly=-1;"
                 "SerialNumberReadOnly=-1;FirmwareRevisionReadOnly=-1;ApplicationSpecificTag=0;"
                 "TemperatureSettings=2;FilterSettings=3;StatusLED=1;DataStorageLock=0;"
                 "PinFunctionA1=0;ThresholdsPressure1A1=0.250000;ThresholdsPressure2A1=")
                 == 0, saved.parameterList.value_or("").c_str());
    QVERIFY2(saved.parameterList->find(";OnDelay1=7;") != std::string::npos,
             saved.parameterList->c_str());

    Rig other;
    other.state().boolManager->setValue(other.find("StatusLED"), false, QString(), QString());
    QVERIFY(other.window->bOpenSettings(path));
    QCOMPARE(Access::lastUnitSetting(*other.window), 2);
    QCOMPARE(other.filter(), 3);
    QCOMPARE(other.state().boolManager->value(other.find("StatusLED")), true);
    QCOMPARE(other.state().intManager->value(other.find("OnDelay1")), 7);
    QCOMPARE(Access::doubleValue(*other.window, "ThresholdsPressure1A1"), 0.25);
    QCOMPARE(other.history(), history);
    QVERIFY(other.window->form()->chartToolbar->isEnabled());
}

void TestSettings::openingFiles_data()
{
    // %1 stands for a history other than the one the chart recorded.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("historyReplaced");
    const auto row = [](const char *name, const QByteArray &text, const char *box, int filter,
                        bool historyReplaced, bool complete = false) {
        QTest::newRow(name) << text << complete << box << filter << historyReplaced;
    };
    const char *corrupted = "Opening settings...: The selected settings are corupted";
    const char *other = "Opening settings...: The selected settings are not for the current "
                        "sensor";
    const QByteArray list = "<propertytreedata data=\"FilterSettings=4;\"/>";
    const QByteArray chart = "<chartdata data=\"%1\"/>";
    const QByteArray both = "<pluginsettings>" + list + chart + "</pluginsettings></root>";
    row("complete file", head + both, "", 4, true, true);
    row("file written with history version 1", head + "<pluginsettings>" + list
        + "<chartdata data=\"history;1;1;1;1733468988123;0.5;4\"/></pluginsettings></root>",
        "", 4, true, true);
    row("no chart data applies the parameters",
        head + "<pluginsettings>" + list + "</pluginsettings></root>", "", 4, false);
    row("parameter element without data applies the history",
        head + "<pluginsettings><propertytreedata/>" + chart + "</pluginsettings></root>", "", 0,
        true);
    row("no plug-in settings applies nothing", head + "</root>", "", 0, false);
    row("damaged chart data keeps the recorded history",
        head + "<pluginsettings>" + list + "<chartdata data=\"history;1;1;2;1733468988123;0.5\"/>"
        "</pluginsettings></root>", "", 4, false);
    row("file of another sensor of the family",
        "<root pluginid=\"IoLinkZT4Kfamily\" sensorid=\"ZT4K-100 0...100 bar\">" + both, other,
        0, false);
    row("file of another plug-in",
        "<root pluginid=\"OtherPlugin\" sensorid=\"ZT4K-010 -1...10 bar\">" + both, other, 0,
        false);
    row("root without names", "<root>" + both, other, 0, false);
    row("text that is no XML", "FilterSettings=4;", corrupted, 0, false);
    row("no root element", "<settings><pluginsettings/></settings>", corrupted, 0, false);
    row("missing file", "", corrupted, 0, false);
}

void TestSettings::openingFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, complete);
    QFETCH(QString, box);
    QFETCH(int, filter);
    QFETCH(bool, historyReplaced);

    Rig rig;
    QVERIFY(rig.ready);
    QVERIFY(rig.state().chart->appendDataAt(0, 1733468988123.0, 0.5, 4.0));
    const QString saved = rig.history();
    rig.state().chart->clear();
    QVERIFY(rig.state().chart->appendDataAt(0, 1733468999000.0, 1.5, 6.0));
    const QString recorded = rig.history();
    text.replace("%1", saved.toLatin1());
    const QString path = text.isEmpty() ? rig.dir.filePath("missing.wts")
                                        : rig.write("opened.wts", text);
    Answerer answerer{QString()};
    QCOMPARE(rig.window->bOpenSettings(path), complete);
    QCOMPARE(answerer.boxes, box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(rig.filter(), filter);
    QCOMPARE(rig.history(), historyReplaced ? saved : recorded);
}

void TestSettings::appliedValues()
{
    // Values outside the present range are kept, a value ends at a second "=", unknown
    // names and empty parts are passed over, and a text parameter keeps its text.
    Rig rig;
    QVERIFY(rig.ready);
    rig.state().stringManager->setValue(rig.find("ApplicationSpecificTag"), "typed by hand");
    const QString path = rig.write("wide.wts", head + "<pluginsettings><propertytreedata data=\""
        "ThresholdsPressure1A1=500.000000;ThresholdsPressure2A1=-2000.5;OnDelay1=12=7;"
        "NoSuchParameter=3;;ApplicationSpecificTag=0;FilterSettings=2;\"/>"
        "</pluginsettings></root>");
    rig.window->bOpenSettings(path);
    QCOMPARE(Access::doubleValue(*rig.window, "ThresholdsPressure1A1"), 500.0);
    QCOMPARE(Access::doubleValue(*rig.window, "ThresholdsPressure2A1"), -2000.5);
    QCOMPARE(rig.state().intManager->value(rig.find("OnDelay1")), 12);
    QCOMPARE(rig.state().stringManager->value(rig.find("ApplicationSpecificTag")),
             QString("typed by hand"));
    QCOMPARE(rig.filter(), 2);
}

void TestSettings::sensorActions_data()
{
    // Opening a file (directly or chosen in the dialog) or a factory reset, the window
    // offline or connected, the question answered; the sensor's filter starts at 3.
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("windowFilter");
    QTest::addColumn<int>("sensorFilter");
    QTest::addColumn<bool>("live");
    const auto row = [](const char *name, const char *action, bool connected, int answer,
                        const char *box, int windowFilter, int sensorFilter, bool live) {
        QTest::newRow(name) << action << connected << answer << box << windowFilter
                            << sensorFilter << live;
    };
    const int ok = QMessageBox::Ok, cancel = QMessageBox::Cancel;
    const char *open = "Open Settings: Loaded settings will override the current project";
    const char *reset = "Restore factory defaults: All settings will be restored to factory "
                        "defaults, continue ?";
    row("offline opening asks nothing and writes nothing", "open", false, ok, "", 4, 3, false);
    row("cancelled notice changes nothing", "open", true, cancel, open, 0, 3, false);
    row("accepted notice writes all to the sensor", "open", true, ok, open, 4, 4, false);
    row("chosen in the dialog offline", "dialog", false, ok, "", 4, 3, false);
    row("chosen in the dialog connected, live data on", "dialog", true, ok, open, 4, 4, true);
    row("cancelled dialog changes nothing", "dialog", false, cancel, "", 0, 3, false);
    row("offline reset asks nothing", "reset", false, ok, "", 0, 3, false);
    row("cancelled reset sends nothing", "reset", true, cancel, reset, 0, 3, false);
    row("confirmed reset restores the sensor", "reset", true, ok, reset, 0, 0, true);
}

void TestSettings::sensorActions()
{
    QFETCH(QString, action);
    QFETCH(bool, connected);
    QFETCH(int, answer);
    QFETCH(QString, box);
    QFETCH(int, windowFilter);
    QFETCH(int, sensorFilter);
    QFETCH(bool, live);

    Rig rig;
    QVERIFY(rig.ready);
    QVERIFY(rig.master->sensor().setRawValue("FilterSettings", 3));
    rig.window->setCommunication(rig.channel.get());
    Access::connected(*rig.window) = connected;
    rig.window->form()->actionEnable_live_data->setChecked(true);
    const QString path = rig.write("chosen.wts", head + "<pluginsettings><propertytreedata data="
                                   "\"FilterSettings=4;OnDelay1=9;\"/></pluginsettings></root>");
    Answerer answerer(action == "dialog" && answer == QMessageBox::Cancel ? QString() : path,
                      answer);
    if (action == "open")
        QVERIFY(!rig.window->bOpenSettings(path)); // no chart data: incomplete
    else if (action == "dialog")
        Access::vLoadSettings(*rig.window);
    else
        rig.window->vRestoreFactorySettings();
    // Give a delayed write its time, should one have been scheduled.
    QTest::qWait(connected ? 0 : 300);
    QCOMPARE(answerer.boxes, box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(rig.filter(), windowFilter);
    QCOMPARE(rig.master->sensor().rawValue("FilterSettings"), sensorFilter);
    QCOMPARE(rig.master->sensor().rawValue("OnDelay1"), sensorFilter == 4 ? 9 : 0);
    QCOMPARE(rig.state().liveDataEnabled, live);
    if (action != "reset")
        QCOMPARE(rig.window->form()->sensorOperationsToolbar->isEnabled(), sensorFilter == 4);
    if (action == "dialog")
        QVERIFY(rig.window->form()->actionEnable_live_data->isChecked());
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
