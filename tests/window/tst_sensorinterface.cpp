#include "plugin/sensorinterface.h"
#include "plugin/pluginpaths.h"

#include "window/sensorwindow.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "extensionsystem/communicationinterface.h"
#include "extensionsystem/connectionbroker.h"
#include "extensionsystem/sensorbasic.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaMethod>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

extern "C" ExtensionSystem::PluginInterface *
poGetInterfaceInstance(const ExtensionSystem::SensorBasic &sensor, QMdiSubWindow *subWindow);

using namespace OrvexSensorPlugin::Core;

namespace {

// A channel that only counts what it is asked to send.
class CountingChannel : public ExtensionSystem::CommunicationInterface
{
public:
    using CommunicationInterface::CommunicationInterface;
    void vSendString(std::string bytes) override { sent.push_back(bytes); }
    unsigned int uSendDataFrame(DataFrame *) override { return ++frames; }
    void vApplyPortSettings(const ExtensionSystem::PortSettings &s) override { settings = s; }
    ExtensionSystem::PortSettings currentPortSettings() const override { return settings; }

    std::vector<std::string> sent;
    unsigned int frames = 0;
    ExtensionSystem::PortSettings settings;
};

// Records every call the plug-in object makes to the host.
class RecordingBroker : public ExtensionSystem::ConnectionBroker
{
public:
    ExtensionSystem::CommunicationInterface *
    registerConnection(const ExtensionSystem::PortSettings &settings,
                       ExtensionSystem::PluginInterface *) override
    {
        calls << QStringLiteral("register ") + settings.portName;
        lastSettings = settings;
        if (refuse)
            return nullptr;
        channels.push_back(std::make_unique<CountingChannel>());
        return channels.back().get();
    }
    void unregisterConnection(ExtensionSystem::PluginInterface *) override
    {
        calls << QStringLiteral("unregister");
    }
    void unregisterPlugin(ExtensionSystem::PluginInterface *) override
    {
        calls << QStringLiteral("unregister plugin");
    }

    QStringList calls;
    bool refuse = false;
    ExtensionSystem::PortSettings lastSettings;
    std::vector<std::unique_ptr<CountingChannel>> channels;
};

QString sourceDataFile()
{
    return qEnvironmentVariable("TEST_SOURCE_DIR") + QStringLiteral("/data/IoLinkZT4Kfamily.xml");
}

} // namespace

class SensorInterfaceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void methodTable();
    void identity();
    void factory();
    void registration_data();
    void registration();
    void sameNameAfterFailedRegistrationIsNotRegisteredAgain();
    void portListWhileConnectedAppendsCurrentPort();
    void setWindowActiveNeverMovesWithoutLiveData();
    void exitClosesTheWindow();
    void sensorName();
    void sendDataBytes();
    void aboutToCloseReleasesTheChannel();

private:
    std::unique_ptr<SensorInterface> makeInterface();

    QTemporaryDir m_dir;
    RecordingBroker m_broker;
    QMdiArea m_area;
    std::string m_sensorName;
};

void SensorInterfaceTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFile::copy(sourceDataFile(), m_dir.filePath(QStringLiteral("IoLinkZT4Kfamily.xml"))));
    setPluginFileDirectory(m_dir.path());
    setSleepFunction([](int) {});
    m_area.show();
    QFile file(sourceDataFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const int list = text.indexOf(QStringLiteral("<sensorList>"));
    const int open = text.indexOf(QStringLiteral("<name>"), list);
    const int close = text.indexOf(QStringLiteral("</name>"), open);
    m_sensorName = text.mid(open + 6, close - open - 6).trimmed().toStdString();
}

void SensorInterfaceTest::init()
{
    m_broker.calls.clear();
    m_broker.refuse = false;
    ExtensionSystem::PluginInterface::setConnectionBroker(&m_broker);
}

void SensorInterfaceTest::cleanup()
{
    ExtensionSystem::PluginInterface::setConnectionBroker(nullptr);
}

std::unique_ptr<SensorInterface> SensorInterfaceTest::makeInterface()
{
    ExtensionSystem::SensorBasic sensor;
    sensor.setId("XXXX");
    sensor.setName(m_sensorName);
    auto *sub = new QMdiSubWindow; // owned by the area once added
    m_area.addSubWindow(sub);
    return std::make_unique<SensorInterface>(sensor, sub);
}

void SensorInterfaceTest::methodTable()
{
    const QStringList expected = {
        "vUpdate(QVariant)", "vComPortListChanged()", "vComPortChanged(QString)",
        "vSendDataBytes(QString)", "vReceivedData(QString)",
        "vAvailablePortsUpdated(QStringList)", "vActionOpen(QString)", "vActionExit(QString)",
        "setWindowActive(bool)", "vAboutToClose()", "vAutoConnect(QString)",
        "setSensorName(QString)", "getSensorName()", "receivedData(std::string)"};
    const QMetaObject &mo = SensorInterface::staticMetaObject;
    QCOMPARE(QString::fromLatin1(mo.className()),
             QStringLiteral("OrvexSensorPlugin::Core::SensorInterface"));
    QStringList actual;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
        actual << QString::fromLatin1(mo.method(i).methodSignature());
    QCOMPARE(actual, expected);
    QCOMPARE(mo.method(mo.methodOffset() + 13).access(), QMetaMethod::Private);
    QCOMPARE(mo.method(mo.methodOffset() + 12).access(), QMetaMethod::Public);
    QCOMPARE(mo.propertyCount(), mo.propertyOffset());
}

void SensorInterfaceTest::identity()
{
    auto plugin = makeInterface();
    QCOMPARE(plugin->pluginIdentifier(), QStringLiteral("OrvexSensorPlugin"));
    QCOMPARE(plugin->pluginGroup(), QStringLiteral("OrvexSensors"));
    QVERIFY(plugin->pluginItems().isEmpty());
    QVERIFY(plugin->sensorWindow());
    // 800 by 500 asked, held at the window's minimum width of 850.
    QCOMPARE(plugin->sensorWindow()->size(), QSize(850, 500));
    plugin.reset();
    QCOMPARE(m_broker.calls, QStringList{"unregister plugin"});
}

void SensorInterfaceTest::factory()
{
    ExtensionSystem::SensorBasic sensor;
    sensor.setId("XXXX");
    sensor.setName(m_sensorName);
    QCOMPARE(poGetInterfaceInstance(sensor, nullptr), nullptr);

    auto *subA = m_area.addSubWindow(new QWidget);
    auto *subB = m_area.addSubWindow(new QWidget);
    std::unique_ptr<ExtensionSystem::PluginInterface> a(poGetInterfaceInstance(sensor, subA));
    std::unique_ptr<ExtensionSystem::PluginInterface> b(poGetInterfaceInstance(sensor, subB));
    QVERIFY(a && b);
    QVERIFY(a.get() != b.get());
    auto *ia = qobject_cast<SensorInterface *>(a.get());
    auto *ib = qobject_cast<SensorInterface *>(b.get());
    QVERIFY(ia && ib);
    QVERIFY(ia->sensorWindow() != ib->sensorWindow());
    QCOMPARE(subA->widget(), ia->sensorWindow());
    QCOMPARE(subB->widget(), ib->sensorWindow());
}

// A script of port selections and the host calls it must cause.
void SensorInterfaceTest::registration_data()
{
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("registered");
    QTest::addColumn<bool>("windowHasChannel");

    QTest::newRow("first port registers")
        << QStringList{"/dev/ttyA"} << false << QStringList{"register /dev/ttyA"} << true << true;
    QTest::newRow("same port again calls nothing")
        << QStringList{"/dev/ttyA", "/dev/ttyA"} << false << QStringList{"register /dev/ttyA"}
        << true << true;
    QTest::newRow("another port unregisters first")
        << QStringList{"/dev/ttyA", "/dev/ttyB"} << false
        << QStringList{"register /dev/ttyA", "unregister", "register /dev/ttyB"} << true << true;
    QTest::newRow("empty name while connected unregisters once")
        << QStringList{"/dev/ttyA", "", ""} << false
        << QStringList{"register /dev/ttyA", "unregister"} << false << false;
    QTest::newRow("empty name while not connected does nothing")
        << QStringList{""} << false << QStringList{} << false << false;
    QTest::newRow("refused registration leaves no channel")
        << QStringList{"/dev/ttyA"} << true << QStringList{"register /dev/ttyA"} << false << false;
}

void SensorInterfaceTest::registration()
{
    QFETCH(QStringList, ports);
    QFETCH(bool, refuse);
    QFETCH(QStringList, calls);
    QFETCH(bool, registered);
    QFETCH(bool, windowHasChannel);

    auto plugin = makeInterface();
    m_broker.refuse = refuse;
    for (const QString &port : ports)
        emit plugin->sensorWindow()->vComPortSelected(port);
    QCOMPARE(m_broker.calls, calls);
    QCOMPARE(plugin->isPortRegistered(), registered);
    QCOMPARE(plugin->sensorWindow()->communication() != nullptr, windowHasChannel);
    if (!calls.isEmpty() && calls.first().startsWith(QStringLiteral("register"))) {
        const Sensor &record = plugin->sensorWindow()->catalogueRecord();
        QCOMPARE(m_broker.lastSettings.characterDelay, record.getCharacterDelay());
        QCOMPARE(m_broker.lastSettings.lineDelay, record.getLineDelay());
        QCOMPARE(m_broker.lastSettings.interFrameDelay, 0);
    }
}

void SensorInterfaceTest::sameNameAfterFailedRegistrationIsNotRegisteredAgain()
{
    auto plugin = makeInterface();
    emit plugin->sensorWindow()->vComPortSelected(QStringLiteral("/dev/ttyA"));
    QVERIFY(plugin->sensorWindow()->communication());
    // Switching to a port that cannot be opened releases the old channel: the
    // window must not keep using it.
    m_broker.refuse = true;
    emit plugin->sensorWindow()->vComPortSelected(QStringLiteral("/dev/ttyB"));
    QCOMPARE(m_broker.calls, (QStringList{"register /dev/ttyA", "unregister",
                                          "register /dev/ttyB"}));
    QCOMPARE(plugin->sensorWindow()->communication(), nullptr);
    m_broker.calls.clear();
    emit plugin->sensorWindow()->vComPortSelected(QStringLiteral("/dev/ttyB"));
    QVERIFY(m_broker.calls.isEmpty());
}

void SensorInterfaceTest::portListWhileConnectedAppendsCurrentPort()
{
    auto plugin = makeInterface();
    auto *combo = plugin->sensorWindow()->windowState()->portCombo;
    plugin->vAvailablePortsUpdated({"/dev/ttyA", "/dev/ttyB"});
    QCOMPARE(combo->count(), 4);
    emit plugin->sensorWindow()->vComPortSelected(QStringLiteral("/dev/ttyA"));
    m_broker.calls.clear();
    plugin->vAvailablePortsUpdated({"/dev/ttyA", "/dev/ttyC"});
    QStringList items;
    for (int i = 2; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items, (QStringList{"/dev/ttyA", "/dev/ttyC", "/dev/ttyA"}));
    // Refilling the list does not change the registration.
    QVERIFY(m_broker.calls.isEmpty());
    QVERIFY(plugin->isPortRegistered());
}

void SensorInterfaceTest::setWindowActiveNeverMovesWithoutLiveData()
{
    auto plugin = makeInterface();
    QAction *live = plugin->sensorWindow()->form()->actionEnable_live_data;
    live->setChecked(false);
    plugin->setWindowActive(true);
    plugin->setWindowActive(false);
    live->setChecked(true);
    plugin->setWindowActive(false);
    plugin->setWindowActive(true); // reaches the chart; must not crash
    QVERIFY(plugin->sensorWindow());
}

void SensorInterfaceTest::exitClosesTheWindow()
{
    auto plugin = makeInterface();
    plugin->sensorWindow()->show();
    QVERIFY(plugin->sensorWindow()->isVisible());
    plugin->vActionExit(QStringLiteral("anything"));
    QVERIFY(!plugin->sensorWindow()->isVisible());
}

void SensorInterfaceTest::sensorName()
{
    auto plugin = makeInterface();
    QCOMPARE(plugin->getSensorName(), QString());
    plugin->setSensorName(QStringLiteral("Pump 7 inlet"));
    QCOMPARE(plugin->getSensorName(), QStringLiteral("Pump 7 inlet"));
}

void SensorInterfaceTest::sendDataBytes()
{
    auto plugin = makeInterface();
    plugin->vSendDataBytes(QStringLiteral("dropped without a channel"));
    emit plugin->sensorWindow()->vComPortSelected(QStringLiteral("/dev/ttyA"));
    auto *channel = m_broker.channels.back().get();
    plugin->vSendDataBytes(QString::fromLatin1("AB\0CD", 5));
    plugin->vSendDataBytes(QString::fromLatin1("\xE9x"));
    QCOMPARE(channel->sent.size(), size_t(2));
    QCOMPARE(channel->sent.at(0), std::string("AB"));
    QCOMPARE(channel->sent.at(1), std::string("\xE9x"));
}

void SensorInterfaceTest::aboutToCloseReleasesTheChannel()
{
    auto plugin = makeInterface();
    emit plugin->sensorWindow()->vComPortSelected(QStringLiteral("/dev/ttyA"));
    QVERIFY(plugin->sensorWindow()->communication());
    m_broker.calls.clear();
    emit plugin->sensorWindow()->vAboutToClose();
    QCOMPARE(m_broker.calls, QStringList{"unregister"});
    QCOMPARE(plugin->sensorWindow()->communication(), nullptr);
    plugin->vSendDataBytes(QStringLiteral("after release"));
    QCOMPARE(m_broker.channels.back()->sent.size(), size_t(0));
}

QTEST_MAIN(SensorInterfaceTest)
#include "tst_sensorinterface.moc"
