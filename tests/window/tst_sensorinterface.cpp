#include "common/connectionrig.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QtTest>

extern "C" ExtensionSystem::PluginInterface *
poGetInterfaceInstance(const ExtensionSystem::SensorBasic &sensor, QMdiSubWindow *subWindow);

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Rig;

namespace {
const QString sim = ConnectionRig::portName();
const QString other = QStringLiteral("/dev/ttyOTHER"); // refused by the host

QStringList requests(Rig &rig)
{
    QStringList result;
    for (const auto &entry : rig.master().requestLog())
        result << QString::fromLatin1(entry.request);
    return result;
}
} // namespace

class SensorInterfaceTest : public QObject
{
    Q_OBJECT

private slots:
    void methodTable();
    void identityAndFactory();
    void registration_data();
    void registration();
    void portListWhileConnectedKeepsTheCurrentPort();
    void sendDataBytes();
    void closingReleasesTheChannel_data();
    void closingReleasesTheChannel();
};

// The host calls these through the meta-object: names, argument types, order and access.
void SensorInterfaceTest::methodTable()
{
    const QStringList expected = {
        "public vUpdate(QVariant)", "public vComPortListChanged()",
        "public vComPortChanged(QString)", "public vSendDataBytes(QString)",
        "public vReceivedData(QString)", "public vAvailablePortsUpdated(QStringList)",
        "public vActionOpen(QString)", "public vActionExit(QString)",
        "public setWindowActive(bool)", "public vAboutToClose()", "public vAutoConnect(QString)",
        "public setSensorName(QString)", "public QString getSensorName()",
        "private receivedData(std::string)"};
    const QMetaObject &mo = SensorInterface::staticMetaObject;
    QCOMPARE(mo.className(), "OrvexSensorPlugin::Core::SensorInterface");
    QStringList actual;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        const QMetaMethod m = mo.method(i);
        const QString type = m.returnType() == QMetaType::Void ? "" : m.typeName() + QString(" ");
        actual << (m.access() == QMetaMethod::Public ? "public " : "private ") + type
                + m.methodSignature();
    }
    QCOMPARE(actual, expected);
}

void SensorInterfaceTest::identityAndFactory()
{
    Rig rig;
    QVERIFY(rig.isReady());
    QCOMPARE(rig.plugin()->pluginIdentifier(), QStringLiteral("OrvexSensorPlugin"));
    QCOMPARE(rig.plugin()->pluginGroup(), QStringLiteral("OrvexSensors"));
    QVERIFY(rig.plugin()->pluginItems().isEmpty());
    // 800 by 500 asked, held at the window's minimum width of 850.
    QCOMPARE(rig.window().size(), QSize(850, 500));
    rig.plugin()->setSensorName(QStringLiteral("Pump 7 inlet"));
    QCOMPARE(rig.plugin()->getSensorName(), QStringLiteral("Pump 7 inlet"));

    ExtensionSystem::SensorBasic sensor;
    sensor.setName(ConnectionRig::sensorName());
    QCOMPARE(poGetInterfaceInstance(sensor, nullptr), nullptr); // no sub-window, no object
    QMdiSubWindow *sub = rig.area().addSubWindow(new QWidget);
    auto *made = qobject_cast<SensorInterface *>(poGetInterfaceInstance(sensor, sub));
    QVERIFY(made && made != rig.plugin());
    QCOMPARE(sub->widget(), made->sensorWindow());
    rig.broker.calls.clear();
    delete made;
    QCOMPARE(rig.broker.calls, QStringList{"unregister plugin"});
}

// Port selections of the window and the host calls they must cause.
void SensorInterfaceTest::registration_data()
{
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("registered");
    const QString reg = "register ";
    QTest::newRow("a port registers") << QStringList{sim} << QStringList{reg + sim} << true;
    QTest::newRow("the same port again calls nothing")
        << QStringList{sim, sim} << QStringList{reg + sim} << true;
    QTest::newRow("another port unregisters first; refused, it leaves no channel")
        << QStringList{sim, other} << QStringList{reg + sim, "unregister", reg + other} << false;
    QTest::newRow("a refused port is not asked for again")
        << QStringList{other, other} << QStringList{reg + other} << false;
    QTest::newRow("no port while connected unregisters once")
        << QStringList{sim, "", ""} << QStringList{reg + sim, "unregister"} << false;
    QTest::newRow("no port while not connected calls nothing") << QStringList{""} << QStringList{}
                                                               << false;
}

void SensorInterfaceTest::registration()
{
    QFETCH(QStringList, ports);
    QFETCH(QStringList, calls);
    QFETCH(bool, registered);
    Rig rig;
    QVERIFY(rig.isReady());
    ExtensionSystem::PortSettings asked;
    const auto factory = rig.broker.factory;
    rig.broker.factory = [&](const ExtensionSystem::PortSettings &settings) {
        asked = settings;
        return factory(settings);
    };
    for (const QString &port : ports)
        emit rig.window().vComPortSelected(port);
    QCOMPARE(rig.broker.calls, calls);
    QCOMPARE(rig.plugin()->isPortRegistered(), registered);
    QCOMPARE(rig.window().communication(), registered ? rig.broker.current.data() : nullptr);
    if (registered) { // the catalogue's delays for this sensor: 2 and 10 ms
        QCOMPARE(asked.characterDelay, 2);
        QCOMPARE(asked.lineDelay, 10);
        QCOMPARE(asked.interFrameDelay, 0);
    }
}

void SensorInterfaceTest::portListWhileConnectedKeepsTheCurrentPort()
{
    Rig rig;
    QVERIFY(rig.isReady());
    emit rig.window().vComPortSelected(sim);
    rig.plugin()->vAvailablePortsUpdated({"/dev/ttyA", "/dev/ttyC"});
    QStringList items;
    for (int i = 0; i < rig.combo()->count(); ++i)
        items << rig.combo()->itemText(i);
    QCOMPARE(items, (QStringList{"Offline", "", "/dev/ttyA", "/dev/ttyC", sim}));
    QCOMPARE(rig.broker.calls, QStringList{"register " + sim}); // refilling changes nothing
    QVERIFY(rig.plugin()->isPortRegistered());
}

void SensorInterfaceTest::sendDataBytes()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.plugin()->vSendDataBytes(QStringLiteral("dropped without a channel"));
    emit rig.window().vComPortSelected(sim);
    rig.plugin()->vSendDataBytes(QString::fromLatin1("AB\0CD", 5)); // up to the first NUL
    rig.plugin()->vSendDataBytes(QString::fromLatin1("\xE9x"));     // Latin-1 bytes
    QCOMPARE(requests(rig), (QStringList{"AB", QString::fromLatin1("\xE9x")}));
}

void SensorInterfaceTest::closingReleasesTheChannel_data()
{
    QTest::addColumn<bool>("byHost");
    QTest::newRow("the window closes") << false;
    QTest::newRow("the host's exit closes the window") << true;
}

void SensorInterfaceTest::closingReleasesTheChannel()
{
    QFETCH(bool, byHost);
    Rig rig;
    QVERIFY(rig.isReady());
    emit rig.window().vComPortSelected(sim);
    QVERIFY(rig.window().communication());
    QSignalSpy closing(&rig.window(), &SensorWindow::vAboutToClose);
    if (byHost)
        rig.plugin()->vActionExit(QStringLiteral("anything"));
    else
        emit rig.window().vAboutToClose();
    QCOMPARE(closing.count(), 1);
    QCOMPARE(rig.broker.calls.last(), QStringLiteral("unregister"));
    QVERIFY(!rig.broker.current);
    QCOMPARE(rig.window().communication(), nullptr);
    rig.plugin()->vSendDataBytes(QStringLiteral("after release"));
    QVERIFY(requests(rig).isEmpty());
}

QTEST_MAIN(SensorInterfaceTest)
#include "tst_sensorinterface.moc"
