#include "commrig.h"

#include "comm/iolinkframes.h"

#include "qtboolpropertymanager.h"
#include "qtdoublepropertymanager.h"
#include "qtenumpropertymanager.h"
#include "qtintpropertymanager.h"
#include "qtstringpropertymanager.h"

#include <QAction>
#include <QElapsedTimer>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;
using IoLinkSim::MasterSimulator;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray toBytesHex(const std::string &frame)
{
    return QByteArray(frame.data(), static_cast<int>(frame.size())).toHex(' ');
}

QStringList &unsupportedSizeMessages()
{
    static QStringList messages;
    return messages;
}

QtMessageHandler previousHandler = nullptr;

void recordMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (context.category && QByteArray(context.category) == "orvex.comm.parameters")
        unsupportedSizeMessages() << text;
    if (previousHandler)
        previousHandler(type, context, text);
}

// The value a property shows, whatever its kind.
QVariant shownValue(SensorWindow &w, QtProperty *p)
{
    SensorWindowState &s = Access::state(w);
    QtAbstractPropertyManager *m = p->propertyManager();
    if (m == s.boolManager)
        return s.boolManager->value(p);
    if (m == s.intManager)
        return s.intManager->value(p);
    if (m == s.doubleManager)
        return s.doubleManager->value(p);
    if (m == s.enumManager)
        return s.enumManager->value(p);
    if (m == s.stringManager)
        return s.stringManager->value(p);
    return QVariant();
}

// Sets a shown value by program, without it being taken for an edit.
void setShownValue(SensorWindow &w, QtProperty *p, const QVariant &value)
{
    SensorWindowState &s = Access::state(w);
    Access::enableTreeDataHandling(w, false);
    QtAbstractPropertyManager *m = p->propertyManager();
    if (m == s.boolManager)
        s.boolManager->setValue(p, value.toBool());
    else if (m == s.intManager)
        s.intManager->setValue(p, value.toInt());
    else if (m == s.doubleManager)
        s.doubleManager->setValue(p, value.toDouble());
    else if (m == s.enumManager)
        s.enumManager->setValue(p, value.toInt());
    else if (m == s.stringManager)
        s.stringManager->setValue(p, value.toString());
    Access::enableTreeDataHandling(w, true);
    Access::writeDelayTimer(w).stop();
}

// IO-Link index and subindex that a read or write request addresses.
QPair<int, int> addressOf(const QByteArray &request)
{
    return {quint8(request.at(3)) | quint8(request.at(4)) << 8, quint8(request.at(5))};
}

// The addresses of the parameters a walk over all of them reaches, in key order.
QList<QPair<int, int>> walkedAddresses(CommRig::Rig &rig, bool forWrite)
{
    QList<QPair<int, int>> list;
    const QMap<QString, QString> &addresses = Access::addresses(rig.window());
    for (auto it = addresses.cbegin(); it != addresses.cend(); ++it) {
        const auto address = parseParameterAddress(it.value());
        if (!address || !isSupportedSizeCode(address->sizeCode) || !rig.property(it.key()))
            continue;
        if (forWrite
            && (it.key().contains(QLatin1String("ReadOnly"))
                || it.key().contains(QLatin1String("InputMode"))
                || it.key().contains(QLatin1String("TEACHBUTTON"))
                || rig.property(it.key())->propertyManager()
                       == Access::state(rig.window()).stringManager))
            continue;
        list << qMakePair(address->index, address->subIndex);
    }
    return list;
}

} // namespace

class TestParameterAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void requestsAreByteExact();
    void writeStoresRawValue_data();
    void writeStoresRawValue();
    void readShowsValue_data();
    void readShowsValue();
    void onlyTheLastOfTwoEditsIsWritten();
    void delayedWriteComingDueDuringReadWaitsForIt();
    void analogPointConversion_data();
    void analogPointConversion();
    void failedReadKeepsValue_data();
    void failedReadKeepsValue();
    void otherSizeCodesAreNeitherReadNorWritten();
    void writeAllSkipsExcludedParameters();
    void readAllWalksAddressesInKeyOrder();
    void channelReleasedDuringReadAll();
};

void TestParameterAccess::initTestCase()
{
    setSleepFunction([](int) {});
    previousHandler = qInstallMessageHandler(recordMessages);
    CommRig::Rig rig;
    QVERIFY2(rig.isReady(), "fixture description not written or not loaded");
    QVERIFY(rig.property(QStringLiteral("DampingFactor")));
    QVERIFY(rig.property(QStringLiteral("WideCounter")));
}

void TestParameterAccess::cleanupTestCase()
{
    qInstallMessageHandler(previousHandler);
    setSleepFunction(nullptr);
}

void TestParameterAccess::requestsAreByteExact()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    QtProperty *filter = rig.property(QStringLiteral("FilterSettings"));
    QVERIFY(filter);
    setShownValue(w, filter, 2);
    Access::addresses(w)[QStringLiteral("FilterSettings")] = QStringLiteral("4;0;6");

    w.readParameter(QStringLiteral("FilterSettings"), false);
    QCOMPARE(rig.requests(), (QList<QByteArray>{hex("057026040000"), hex("027022"),
                                                hex("027022"), hex("027327")}));

    rig.master().clearLog();
    Access::pendingProperty(w) = filter;
    Access::pendingValue(w) = 0x1234;
    Access::sendDelayValue(w);
    QCOMPARE(rig.requests(),
             (QList<QByteArray>{hex("027327"), hex("06732404000034"), hex("027022")}));
}

void TestParameterAccess::writeStoresRawValue_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("decVal");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("raw");

    QTest::newRow("DataStorageLock locked is stored as 2")
        << "DataStorageLock" << 0 << 1000.0 << QVariant(1) << 2;
    QTest::newRow("DataStorageLock unlocked is stored as 0")
        << "DataStorageLock" << 0 << 1000.0 << QVariant(0) << 0;
    QTest::newRow("PinFunctionA2 index 0 is stored as 1")
        << "PinFunctionA2" << 0 << 1000.0 << QVariant(0) << 1;
    QTest::newRow("PinFunctionA2 index 3 is stored as 5")
        << "PinFunctionA2" << 0 << 1000.0 << QVariant(3) << 5;
    QTest::newRow("14.504 psi threshold is stored as 1000")
        << "ThresholdsPressure1A1" << 1 << 1000.0 << QVariant(14.504) << 1000;
    QTest::newRow("2.36 at decVal 10 is stored as 24")
        << "ThresholdsPressure2A1" << 0 << 10.0 << QVariant(2.36) << 24;
    QTest::newRow("negative bar threshold") << "ThresholdsPressure1A2" << 0 << 1000.0
                                            << QVariant(-0.5) << -500;
    QTest::newRow("non-pressure double 1.5 is stored as 150")
        << "DampingFactor" << 0 << 1000.0 << QVariant(1.5) << 150;
    QTest::newRow("int is stored as it is") << "OnDelay1" << 0 << 1000.0 << QVariant(1234)
                                            << 1234;
    QTest::newRow("bool off is stored as 0") << "StatusLED" << 0 << 1000.0 << QVariant(false)
                                             << 0;
    QTest::newRow("other enumeration stores its index")
        << "FilterSettings" << 0 << 1000.0 << QVariant(4) << 4;
}

void TestParameterAccess::writeStoresRawValue()
{
    QFETCH(QString, id);
    QFETCH(int, unit);
    QFETCH(double, decVal);
    QFETCH(QVariant, value);
    QFETCH(int, raw);

    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    Access::state(w).unitIndex = unit;
    Access::state(w).decVal = decVal;
    QtProperty *p = rig.property(id);
    QVERIFY(p);
    QVERIFY(rig.master().sensor().setRawValue(id, raw + 1));

    Access::pendingProperty(w) = p;
    Access::pendingValue(w) = value;
    Access::sendDelayValue(w);

    const QList<QByteArray> writes = rig.requests(0x24);
    QCOMPARE(writes.size(), 1);
    const auto address = parseParameterAddress(Access::addresses(w).value(id));
    QVERIFY(address);
    QCOMPARE(writes.first().toHex(' '), toBytesHex(*buildWriteRequest(*address, raw)));
    QCOMPARE(rig.master().sensor().rawValue(id), raw);
}

void TestParameterAccess::readShowsValue_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QVariant>("shown");

    QTest::newRow("DataStorageLock 2 shows locked") << "DataStorageLock" << 2 << QVariant(1);
    QTest::newRow("DataStorageLock 0 shows unlocked") << "DataStorageLock" << 0 << QVariant(0);
    QTest::newRow("PinFunctionA2 1 shows index 0") << "PinFunctionA2" << 1 << QVariant(0);
    QTest::newRow("PinFunctionA2 5 shows index 3") << "PinFunctionA2" << 5 << QVariant(3);
    QTest::newRow("FF 9C of a non-pressure double reads -1.0")
        << "DampingFactor" << -100 << QVariant(-1.0);
    QTest::newRow("raw 2500 of a threshold reads 2.5 bar")
        << "ThresholdsPressure1A1" << 2500 << QVariant(2.5);
    QTest::newRow("bool 0 reads false") << "StatusLED" << 0 << QVariant(false);
    QTest::newRow("int reads its number") << "OnDelay1" << 300 << QVariant(300);
    QTest::newRow("one-byte enumeration") << "FilterSettings" << 5 << QVariant(5);
}

void TestParameterAccess::readShowsValue()
{
    QFETCH(QString, id);
    QFETCH(int, raw);
    QFETCH(QVariant, shown);

    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    Access::state(w).decVal = 1000.0;
    QtProperty *p = rig.property(id);
    QVERIFY(p);
    QVERIFY(rig.master().sensor().setRawValue(id, raw));

    w.readParameter(id, false);
    QCOMPARE(shownValue(w, p), shown);
    QVERIFY(!Access::writeDelayTimer(w).isActive()); // a read is no edit
}

void TestParameterAccess::onlyTheLastOfTwoEditsIsWritten()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    Access::writeDelayTimer(w).stop();
    QtProperty *threshold = rig.property(QStringLiteral("ThresholdsPressure1A1"));
    QtProperty *delay = rig.property(QStringLiteral("OnDelay1"));
    QVERIFY(threshold && delay);
    const int thresholdBefore =
        rig.master().sensor().rawValue(QStringLiteral("ThresholdsPressure1A1"));

    Access::state(w).doubleManager->setValue(threshold, 3.0);
    QTest::qWait(100);
    Access::state(w).intManager->setValue(delay, 500);
    QVERIFY(Access::writeDelayTimer(w).isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.requests(0x24).isEmpty(), 3000);
    QTest::qWait(500);

    const QList<QByteArray> writes = rig.requests(0x24);
    QCOMPARE(writes.size(), 1);
    QCOMPARE(addressOf(writes.first()).first, 70);
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("OnDelay1")), 500);
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("ThresholdsPressure1A1")),
             thresholdBefore);
}

void TestParameterAccess::delayedWriteComingDueDuringReadWaitsForIt()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    QVERIFY(rig.master().sensor().setRawValue(QStringLiteral("OnDelay2"), 2500));

    // An edit whose delayed write comes due while the read waits for the master;
    // the write switches edit handling back on when it ends.
    Access::pendingProperty(w) = rig.property(QStringLiteral("OnDelay1"));
    Access::pendingValue(w) = 10;
    Access::writeDelayTimer(w).start(1);
    w.readParameter(QStringLiteral("OnDelay2"), false);
    // The read is not disturbed, and the write waits for it to end.
    QCOMPARE(shownValue(w, rig.property(QStringLiteral("OnDelay2"))), QVariant(2500));
    QVERIFY(rig.requests(0x24).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.requests(0x24).isEmpty(), 2000);
    QTest::qWait(500);

    QList<int> writtenIndexes;
    for (const QByteArray &request : rig.requests(0x24))
        writtenIndexes << addressOf(request).first;
    QCOMPARE(writtenIndexes, QList<int>{70});
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("OnDelay1")), 10);
}

void TestParameterAccess::analogPointConversion_data()
{
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("raw");

    QTest::newRow("hidden analog points are sent as entered") << false << 2000;
    QTest::newRow("shown analog points go back from psi to bar") << true << 140;
}

void TestParameterAccess::analogPointConversion()
{
    QFETCH(bool, visible);
    QFETCH(int, raw);

    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    Access::setParameterVisible(w, QStringLiteral("AnalogPointsPressure"), visible);
    QCOMPARE(w.isParameterVisible(QStringLiteral("AnalogPointsPressure")), visible);
    Access::state(w).unitIndex = 1;
    Access::state(w).decVal = 1000.0;
    Access::state(w).analogHigh = 100.0;

    Access::pendingProperty(w) = rig.property(QStringLiteral("analogPressure0V"));
    Access::pendingValue(w) = 2.0;
    Access::sendDelayValue(w);
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("analogPressure0V")), raw);
}

void TestParameterAccess::failedReadKeepsValue_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QVariant>("shown");
    QTest::addColumn<QString>("failure");

    const QList<QPair<QString, QVariant>> kinds = {
        {QStringLiteral("ThresholdsPressure1A1"), QVariant(3.3)},
        {QStringLiteral("DampingFactor"), QVariant(2.2)},
        {QStringLiteral("FilterSettings"), QVariant(4)},
        {QStringLiteral("PinFunctionA2"), QVariant(2)},
        {QStringLiteral("StatusLED"), QVariant(true)},
        {QStringLiteral("OnDelay1"), QVariant(4321)},
        {QStringLiteral("ApplicationSpecificTag"), QVariant(QStringLiteral("kept"))},
    };
    for (const QString failure : {QStringLiteral("no channel"), QStringLiteral("fetch refused"),
                                  QStringLiteral("read refused")}) {
        for (const auto &kind : kinds) {
            const QString row = kind.first + QStringLiteral(" keeps its value, ") + failure;
            QTest::newRow(qPrintable(row)) << kind.first << kind.second << failure;
        }
    }
    // A lost answer costs the channel's full time-out; the two kinds that used to take 0.
    QTest::newRow("double keeps its value, fetch answer lost")
        << "ThresholdsPressure1A1" << QVariant(3.3) << "fetch lost";
    QTest::newRow("enumeration keeps its value, fetch answer lost")
        << "FilterSettings" << QVariant(4) << "fetch lost";
}

void TestParameterAccess::failedReadKeepsValue()
{
    QFETCH(QString, id);
    QFETCH(QVariant, shown);
    QFETCH(QString, failure);

    CommRig::Rig rig;
    SensorWindow &w = rig.window();
    Access::state(w).readStringsEnabled = true;
    QtProperty *p = rig.property(id);
    QVERIFY(p);
    setShownValue(w, p, shown);
    QCOMPARE(shownValue(w, p), shown);

    if (failure != QLatin1String("no channel"))
        rig.attach();
    if (failure == QLatin1String("fetch refused")) {
        rig.master().injectFault(MasterSimulator::Fault::None, 3);
        rig.master().injectFault(MasterSimulator::Fault::Error, 1);
    } else if (failure == QLatin1String("fetch lost")) {
        rig.master().injectFault(MasterSimulator::Fault::None, 3);
        rig.master().injectFault(MasterSimulator::Fault::Drop, 1);
    } else if (failure == QLatin1String("read refused")) {
        const auto address = parseParameterAddress(Access::addresses(w).value(id));
        QVERIFY(address);
        Access::addresses(w)[id] = QStringLiteral("4;0;%1").arg(address->sizeCode);
    }

    w.readParameter(id, false);
    if (failure != QLatin1String("no channel"))
        QCOMPARE(rig.requests(0x27).size(), 1);
    QCOMPARE(shownValue(w, p), shown);
}

void TestParameterAccess::otherSizeCodesAreNeitherReadNorWritten()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    QtProperty *wide = rig.property(QStringLiteral("WideCounter"));
    QVERIFY(wide);
    setShownValue(w, wide, 17);
    const int before = rig.master().sensor().rawValue(QStringLiteral("WideCounter"));

    w.readParameter(QStringLiteral("WideCounter"), false);
    QVERIFY(rig.requests().isEmpty());
    QCOMPARE(shownValue(w, wide), QVariant(17));

    Access::pendingProperty(w) = wide;
    Access::pendingValue(w) = 17;
    Access::sendDelayValue(w);
    QVERIFY(rig.requests(0x24).isEmpty());
    QVERIFY(rig.requests(0x27).isEmpty());
    QCOMPARE(rig.master().sensor().rawValue(QStringLiteral("WideCounter")), before);

    w.readParameter(QStringLiteral("WideCounter"), false);
    const QStringList messages =
        unsupportedSizeMessages().filter(QStringLiteral("WideCounter"));
    QCOMPARE(messages.size(), 1);
}

void TestParameterAccess::writeAllSkipsExcludedParameters()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    Access::state(w).decVal = 1000.0;
    const QList<QPair<QString, QVariant>> values = {
        {QStringLiteral("FilterSettings"), 3}, {QStringLiteral("OnDelay1"), 777},
        {QStringLiteral("ThresholdsPressure1A1"), 2.5}, {QStringLiteral("DataStorageLock"), 1},
        {QStringLiteral("PinFunctionA2"), 3}, {QStringLiteral("StatusLED"), false},
        {QStringLiteral("DampingFactor"), 2.5}};
    for (const auto &value : values)
        setShownValue(w, rig.property(value.first), value.second);
    QAction *liveData = Access::ui(w).actionEnable_live_data;
    liveData->setChecked(true);
    const QString tag = rig.master().sensor().text(QStringLiteral("ApplicationSpecificTag"));

    Access::vWriteAllSettings(w);

    QList<QPair<int, int>> written;
    for (const QByteArray &request : rig.requests(0x24))
        written << addressOf(request);
    QCOMPARE(written, walkedAddresses(rig, true));
    QVERIFY(!written.contains(qMakePair(91, 0)));  // InputMode
    QVERIFY(!written.contains(qMakePair(73, 0)));  // TEACHBUTTON
    QVERIFY(!written.contains(qMakePair(19, 0)));  // ProductIDReadOnly
    // A text parameter is never overwritten with a command value.
    QVERIFY(!written.contains(qMakePair(24, 0)));  // ApplicationSpecificTag
    QCOMPARE(rig.master().sensor().text(QStringLiteral("ApplicationSpecificTag")), tag);

    const IoLinkSim::SimulatedSensor &sensor = rig.master().sensor();
    QCOMPARE(sensor.rawValue(QStringLiteral("FilterSettings")), 3);
    QCOMPARE(sensor.rawValue(QStringLiteral("OnDelay1")), 777);
    QCOMPARE(sensor.rawValue(QStringLiteral("ThresholdsPressure1A1")), 2500);
    QCOMPARE(sensor.rawValue(QStringLiteral("DataStorageLock")), 2);
    QCOMPARE(sensor.rawValue(QStringLiteral("PinFunctionA2")), 5);
    QCOMPARE(sensor.rawValue(QStringLiteral("StatusLED")), 0);
    QCOMPARE(sensor.rawValue(QStringLiteral("DampingFactor")), 250);

    QVERIFY(!Access::bulkWriteRunning(w));
    QVERIFY(liveData->isChecked());
    QVERIFY(Access::state(w).liveDataEnabled);
    QVERIFY(Access::state(w).continuousDataTimer.isActive());
}

void TestParameterAccess::readAllWalksAddressesInKeyOrder()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    Access::state(w).decVal = 1000.0;
    IoLinkSim::SimulatedSensor &sensor = rig.master().sensor();
    QVERIFY(sensor.setRawValue(QStringLiteral("OnDelay2"), 1500));
    QVERIFY(sensor.setRawValue(QStringLiteral("ThresholdsPressure2A2"), 1250));
    QVERIFY(sensor.setRawValue(QStringLiteral("NONCA1"), 1));

    w.readAllParameters();

    QList<QPair<int, int>> read;
    for (const QByteArray &request : rig.requests(0x26))
        read << addressOf(request);
    QCOMPARE(read, walkedAddresses(rig, false));
    QCOMPARE(rig.requests(0x27).size(), read.size());
    QCOMPARE(shownValue(w, rig.property(QStringLiteral("OnDelay2"))), QVariant(1500));
    QCOMPARE(shownValue(w, rig.property(QStringLiteral("NONCA1"))), QVariant(1));
    QVERIFY(Access::state(w).continuousDataTimer.isActive());
}

void TestParameterAccess::channelReleasedDuringReadAll()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    rig.channel()->setLatencyMs(5);

    // Sentinels the sensor does not hold: a value taken over would replace them.
    QMap<QString, QVariant> sentinels;
    for (const QString &id : Access::addresses(w).keys()) {
        QtProperty *p = rig.property(id);
        if (!p)
            continue;
        if (p->propertyManager() == Access::state(w).doubleManager)
            sentinels[id] = 7.777;
        else if (p->propertyManager() == Access::state(w).intManager)
            sentinels[id] = 42;
        else
            continue;
        setShownValue(w, p, sentinels[id]);
    }
    QVERIFY(sentinels.size() > 6);

    QPointer<IoLinkSim::SimulatedChannel> channel = rig.channel();
    int requestsAtRelease = -1;
    QTimer::singleShot(120, &w, [&] {
        requestsAtRelease = rig.master().requestCount();
        w.setCommunication(nullptr);
        channel->deleteLater();
    });

    QElapsedTimer clock;
    clock.start();
    w.readAllParameters();
    QVERIFY2(clock.elapsed() < 5000, "read-all went on after the channel was released");
    QVERIFY(requestsAtRelease > 0);
    QTRY_VERIFY(channel.isNull());
    QVERIFY(!w.communication());
    QVERIFY(rig.master().requestCount() <= requestsAtRelease + 1);

    // Parameters whose read had not begun keep what they showed.
    QList<QPair<int, int>> requested;
    for (const QByteArray &request : rig.requests(0x26))
        requested << addressOf(request);
    int untouched = 0;
    for (auto it = sentinels.cbegin(); it != sentinels.cend(); ++it) {
        const auto address = parseParameterAddress(Access::addresses(w).value(it.key()));
        if (requested.contains(qMakePair(address->index, address->subIndex)))
            continue;
        QCOMPARE(shownValue(w, rig.property(it.key())), it.value());
        ++untouched;
    }
    QVERIFY(untouched > 0);

    // Later edits and reads find no channel and send nothing.
    w.readParameter(QStringLiteral("OnDelay1"), false);
    QTest::qWait(50);
    QVERIFY(rig.master().requestCount() <= requestsAtRelease + 1);
}

QTEST_MAIN(TestParameterAccess)
#include "tst_parameteraccess.moc"
