#include "common/connectionrig.h"

#include "qtboolpropertymanager.h"
#include "qtdoublepropertymanager.h"
#include "qtenumpropertymanager.h"
#include "qtintpropertymanager.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::Rig;
using Fault = IoLinkSim::MasterSimulator::Fault;

namespace {

QVariant shown(Rig &rig, const QString &id)
{
    SensorWindowState &s = rig.state();
    QtProperty *p = rig.property(id);
    if (p->propertyManager() == s.boolManager)
        return s.boolManager->value(p);
    if (p->propertyManager() == s.intManager)
        return s.intManager->value(p);
    if (p->propertyManager() == s.doubleManager)
        return s.doubleManager->value(p);
    return s.enumManager->value(p);
}

// The IO-Link indexes of the requests with this control octet, in order.
QList<int> indexes(Rig &rig, int control)
{
    QList<int> list;
    for (const QByteArray &request : rig.requests(control))
        list << (quint8(request.at(3)) | quint8(request.at(4)) << 8);
    return list;
}

} // namespace

// Frame transfer, parameter reads and writes, the progress dialog and the factory
// reset, against the simulated master behind the plug-in object's channel.
class TestParameterAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setSleepFunction(ConnectionRig::noteWait);
        ConnectionRig::timeoutCapMs = 200; // a lost answer costs a tenth of its time-out
        QVERIFY(Rig().isReady());
    }
    void cleanupTestCase() { setSleepFunction(nullptr); }

    // Every frame with its time-out and every wait of one exchange, in order.
    void exchangeSequence_data()
    {
        QTest::addColumn<QString>("exchange");
        QTest::addColumn<QStringList>("events");
        const QString poll = "send 027022 2000", fetch = "send 027327 2000";
        QTest::newRow("an edit waits 100 ms before and after the fetch that precedes its write")
            << "edit" << QStringList{"sleep 100", fetch, "sleep 100",
                                     "send 06732404000034 2000", poll};
        QTest::newRow("a read gives the master 50, 70 and 70 ms before the fetch")
            << "read" << QStringList{"send 057026040000 2000", "sleep 50", poll, "sleep 70",
                                     poll, "sleep 70", fetch};
        QTest::newRow("the identification waits 50 ms twice, its fetch allows the line delays")
            << "identify" << QStringList{"send 03511201 2000", "send 0473110903 2000", poll,
                                         "send 03702103 2000", "send 054626130000 2000", poll,
                                         "sleep 50", poll, "sleep 50", "send 027327 2016"};
        QTest::newRow("the connection check is one probe") << "check"
                                                           << QStringList{"send 03511201 2000"};
        QTest::newRow("the factory reset waits around fetch and command, then reads all")
            << "reset" << QStringList{"sleep 100", fetch, "sleep 100",
                                      "send 066b2402000082 2000", "sleep 100", poll, poll,
                                      "sleep 100", "sleep 120", "send 056e26500000 2000"};
    }
    void exchangeSequence()
    {
        QFETCH(QString, exchange);
        QFETCH(QStringList, events);
        Rig rig;
        rig.attach();
        SensorWindow &w = rig.window();
        Access::addresses(w)["OnDelay1"] = "4;0;6";
        if (exchange == "edit") {
            rig.state().intManager->setValue(rig.property("OnDelay1"), 0x1234);
            QVERIFY(rig.events.isEmpty()); // the write waits for the edit delay
            QTRY_VERIFY(!Access::writeDelayTimer(w).isActive());
        } else if (exchange == "read") {
            w.readParameter("OnDelay1", false);
        } else if (exchange == "identify") {
            w.identifySensor();
        } else if (exchange == "check") {
            QVERIFY(Access::bCheckConnection(w));
        } else {
            w.factoryReset();
            rig.events = rig.events.mid(0, events.size());
        }
        QCOMPARE(rig.events, events);
    }

    void answerRules_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("read");
        QTest::newRow("an answered request succeeds") << int(Fault::None)
                                                      << QByteArray::fromHex("024021");
        QTest::newRow("ERROR fails the write, the read returns it")
            << int(Fault::Error) << QByteArray::fromHex("0946214552524f528000");
        QTest::newRow("a lost answer fails both") << int(Fault::Drop) << QByteArray();
        QTest::newRow("an answer cut short is none") << int(Fault::Truncated) << QByteArray();
        QTest::newRow("without a channel nothing is sent") << -1 << QByteArray();
    }
    void answerRules()
    {
        QFETCH(int, fault);
        QFETCH(QByteArray, read);
        Rig rig;
        if (fault >= 0)
            rig.attach();
        rig.master().injectFault(Fault(qMax(0, fault)), 3);
        SensorWindow &w = rig.window();
        QCOMPARE(w.bWriteFrame(std::string("\x03\x70\x21\x03", 4), true), fault == 0);
        QCOMPARE(w.readAnswer(std::string("\x03\x70\x21\x03", 4), "").toHex(), read.toHex());
        QCOMPARE(Access::bCheckConnection(w), fault == 0);
        QCOMPARE(rig.master().requestCount(), fault >= 0 ? 3 : 0);
        QVERIFY(!QApplication::overrideCursor());
    }

    void identification_data()
    {
        QTest::addColumn<QString>("productId");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("identification");
        QTest::newRow("a four-character id matching the payload's start")
            << "ZT41-G14-010" << "ZT41" << true << "ZT41-G14-010";
        QTest::newRow("an id longer than four characters never matches")
            << "ZT41-G14-010" << "ZT41-G14-010" << false << "ZT41-G14-010";
        QTest::newRow("another model") << "ZT42-G14-100" << "ZT41" << false << "ZT42-G14-100";
        QTest::newRow("a short payload is a mismatch and keeps the identification")
            << "AB" << "AB" << false << "previous";
        QTest::newRow("without a channel: no match") << "" << "ZT41" << false << "previous";
    }
    void identification()
    {
        QFETCH(QString, productId);
        QFETCH(QString, expected);
        QFETCH(bool, result);
        QFETCH(QString, identification);
        Rig rig(productId);
        if (!productId.isEmpty())
            rig.attach();
        rig.state().expectedSensorId = expected;
        Access::identification(rig.window()) = "previous";
        for (bool initialSync : {true, false}) {
            rig.state().initialSyncPending = initialSync;
            rig.state().continuousDataTimer.stop();
            QCOMPARE(rig.window().identifySensor(), result);
            QCOMPARE(Access::identification(rig.window()), identification);
            // The re-check timer restarts, except during the first synchronisation.
            QCOMPARE(rig.state().continuousDataTimer.isActive(), !initialSync);
        }
    }

    // Edited value, raw value in the sensor, and what reading that raw value shows.
    void rawValues_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("setting"); // unit, decVal, analog points shown
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("raw");
        QTest::addColumn<QVariant>("read");
        QTest::newRow("DataStorageLock locked is 2")
            << "DataStorageLock" << "bar" << QVariant(1) << 2 << QVariant(1);
        QTest::newRow("DataStorageLock unlocked is 0")
            << "DataStorageLock" << "bar" << QVariant(0) << 0 << QVariant(0);
        QTest::newRow("PinFunctionA2 choice 0 is 1")
            << "PinFunctionA2" << "bar" << QVariant(0) << 1 << QVariant(0);
        QTest::newRow("PinFunctionA2 choice 3 is 5")
            << "PinFunctionA2" << "bar" << QVariant(3) << 5 << QVariant(3);
        QTest::newRow("another enumeration is its choice")
            << "FilterSettings" << "bar" << QVariant(4) << 4 << QVariant(4);
        QTest::newRow("a threshold of 14.504 psi is 1.0 bar, read back in bar")
            << "ThresholdsPressure1A1" << "psi" << QVariant(14.504) << 1000 << QVariant(1.0);
        QTest::newRow("2.36 at decVal 10 is 24")
            << "ThresholdsPressure2A1" << "decVal 10" << QVariant(2.36) << 24 << QVariant(2.4);
        QTest::newRow("a negative threshold")
            << "ThresholdsPressure1A2" << "bar" << QVariant(-0.5) << -500 << QVariant(-0.5);
        QTest::newRow("hidden analog points go out as entered")
            << "analogPressure0V" << "psi" << QVariant(2.0) << 2000 << QVariant(2.0);
        QTest::newRow("shown analog points go from psi to bar")
            << "analogPressure0V" << "psi, points shown" << QVariant(2.0) << 140
            << QVariant(0.14);
        QTest::newRow("an int as it is")
            << "OnDelay1" << "bar" << QVariant(1234) << 1234 << QVariant(1234);
        QTest::newRow("a bool on is 1")
            << "StatusLED" << "bar" << QVariant(true) << 1 << QVariant(true);
    }
    void rawValues()
    {
        QFETCH(QString, id);
        QFETCH(QString, setting);
        QFETCH(QVariant, value);
        QFETCH(int, raw);
        QFETCH(QVariant, read);
        Rig rig;
        rig.attach();
        SensorWindow &w = rig.window();
        rig.state().unitIndex = setting.startsWith("psi") ? 1 : 0;
        rig.state().decVal = setting == "decVal 10" ? 10.0 : 1000.0;
        rig.state().analogHigh = 100.0;
        Access::setParameterVisible(w, "AnalogPointsPressure", setting.endsWith("shown"));
        for (int other : {raw + 1, raw - 1, raw + 2}) {
            if (rig.sensor().setRawValue(id, other))
                break;
        }
        Access::pendingProperty(w) = rig.property(id);
        Access::pendingValue(w) = value;
        Access::sendDelayValue(w);
        QCOMPARE(rig.requestCount(0x24), 1);
        QCOMPARE(rig.sensor().rawValue(id), raw);

        w.readParameter(id, false);
        QCOMPARE(shown(rig, id), read);
        QVERIFY(!Access::writeDelayTimer(w).isActive()); // a read is no edit
    }

    void failedReadKeepsValue_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("failure");
        for (const char *id : {"ThresholdsPressure1A1", "FilterSettings", "OnDelay1"}) {
            for (const char *failure : {"fetch lost", "fetch refused", "read refused",
                                        "no channel"})
                QTest::addRow("%s keeps its value: %s", id, failure) << id << failure;
        }
    }
    void failedReadKeepsValue()
    {
        QFETCH(QString, id);
        QFETCH(QString, failure);
        Rig rig;
        rig.attach();
        SensorWindow &w = rig.window();
        QVERIFY(rig.sensor().setRawValue(id, 3));
        w.readParameter(id, false);
        const QVariant before = shown(rig, id);
        QVERIFY(rig.sensor().setRawValue(id, 5));
        rig.master().clearLog();
        if (failure == "no channel")
            w.setCommunication(nullptr);
        else if (failure == "read refused")
            Access::addresses(w)[id] = QStringLiteral("4;0;6");
        else
            rig.master().injectFault(Fault::None, 3);
        rig.master().injectFault(failure == "fetch lost" ? Fault::Drop : Fault::Error, 1);
        w.readParameter(id, false);
        QCOMPARE(rig.requestCount(0x27), failure == "no channel" ? 0 : 1);
        QCOMPARE(shown(rig, id), before);
    }

    void onlyTheLastOfTwoEditsIsWritten()
    {
        Rig rig;
        rig.attach();
        const int before = rig.sensor().rawValue("ThresholdsPressure1A1");
        rig.state().doubleManager->setValue(rig.property("ThresholdsPressure1A1"), 3.0);
        QTest::qWait(100);
        rig.state().intManager->setValue(rig.property("OnDelay1"), 500);
        QTRY_COMPARE(rig.requestCount(0x24), 1);
        QTest::qWait(500);
        QCOMPARE(indexes(rig, 0x24), QList<int>{70});
        QCOMPARE(rig.sensor().rawValue("OnDelay1"), 500);
        QCOMPARE(rig.sensor().rawValue("ThresholdsPressure1A1"), before);
    }

    // The master answers a fetch with the result of the last access: a delayed write
    // that came due inside a read's transfers waits until the read has its value.
    void delayedWriteComingDueDuringReadWaitsForIt()
    {
        Rig rig;
        rig.attach();
        SensorWindow &w = rig.window();
        QVERIFY(rig.sensor().setRawValue("OnDelay2", 2500));
        Access::pendingProperty(w) = rig.property("OnDelay1");
        Access::pendingValue(w) = 10;
        Access::writeDelayTimer(w).start(1);
        w.readParameter("OnDelay2", false);
        QCOMPARE(shown(rig, "OnDelay2"), QVariant(2500));
        QVERIFY(rig.requests(0x24).isEmpty());
        QTRY_COMPARE(indexes(rig, 0x24), QList<int>{70});
        QCOMPARE(rig.sensor().rawValue("OnDelay1"), 10);
    }

    void readAllWalksTheAddressesInKeyOrder()
    {
        Rig rig;
        rig.attach();
        QVERIFY(rig.sensor().setRawValue("OnDelay2", 1500));
        rig.window().readAllParameters();
        // AnalogMode, ApplicationSpecificTag, … analogPressure10V, remoteAnalogValue.
        QCOMPARE(indexes(rig, 0x26), (QList<int>{80, 24, 12, 65, 23, 72, 79, 71, 78, 70, 77, 67,
                                                 74, 19, 18, 83, 21, 66, 73, 64, 68, 75, 69, 76,
                                                 16, 81, 82, 84}));
        QCOMPARE(rig.requestCount(0x27), 28);
        QCOMPARE(shown(rig, "OnDelay2"), QVariant(1500));
        QVERIFY(rig.state().continuousDataTimer.isActive());
    }

    // Write-all leaves out read-only, input-mode and teach parameters, and texts:
    // a text parameter would get the command value written into it.
    void writeAllSkipsExcludedParameters()
    {
        Rig rig;
        rig.attach();
        SensorWindow &w = rig.window();
        Access::setEnum(w, "PinFunctionA2", 3);
        Access::setDouble(w, "ThresholdsPressure1A1", 2.5);
        rig.ui().actionEnable_live_data->setChecked(true);
        const QString tag = rig.sensor().text("ApplicationSpecificTag");
        Access::vWriteAllSettings(w);
        QCOMPARE(indexes(rig, 0x24), (QList<int>{80, 12, 65, 72, 79, 71, 78, 70, 77, 67, 74, 83,
                                                 66, 64, 68, 75, 69, 76, 81, 82, 84}));
        QCOMPARE(rig.events.count("sleep 250"), 2 * 22); // the text has its waits, no write
        QCOMPARE(rig.sensor().text("ApplicationSpecificTag"), tag);
        QCOMPARE(rig.sensor().rawValue("PinFunctionA2"), 5);
        QCOMPARE(rig.sensor().rawValue("ThresholdsPressure1A1"), 2500);
        QVERIFY(!Access::bulkWriteRunning(w));
        QVERIFY(rig.ui().actionEnable_live_data->isChecked() && rig.state().liveDataEnabled);
        QVERIFY(rig.state().continuousDataTimer.isActive());
    }

    void channelReleasedDuringReadAll()
    {
        Rig rig;
        rig.attach();
        int atRelease = -1;
        QTimer::singleShot(100, &rig.window(), [&] {
            atRelease = rig.master().requestCount();
            emit rig.window().vComPortSelected(QString()); // the host takes the port back
        });
        QElapsedTimer clock;
        clock.start();
        rig.window().readAllParameters();
        QVERIFY2(clock.elapsed() < 2000, "read-all went on after the channel was released");
        QVERIFY(atRelease > 0);
        QVERIFY(rig.master().requestCount() <= atRelease + 1);
    }

    void factoryResetRestoresAndReadsBack()
    {
        Rig rig;
        rig.attach();
        const int filter = rig.sensor().rawValue("FilterSettings");
        QVERIFY(rig.sensor().setRawValue("FilterSettings", filter + 2));
        rig.window().factoryReset();
        QVERIFY(rig.state().progressDialog.isVisible());
        QCOMPARE(rig.state().progressBar->maximum(), 380);
        QVERIFY(!rig.state().showProgress);
        QCOMPARE(indexes(rig, 0x24), QList<int>{2}); // no write of all settings
        QVERIFY(rig.ui().actionEnable_live_data->isChecked());
        QCOMPARE(shown(rig, "FilterSettings"), QVariant(filter));
        QCOMPARE(indexes(rig, 0x26).last(), 65); // FilterSettings once more
    }

    void progressCompletion_data()
    {
        QTest::addColumn<bool>("autoConnect");
        QTest::newRow("a manual connection follows the live-data action") << false;
        QTest::newRow("an automatic connection switches live data on") << true;
    }
    // The bar advances one step every 10 ms; at its end the connection is finished.
    void progressCompletion()
    {
        QFETCH(bool, autoConnect);
        Rig rig;
        rig.attach();
        SensorWindowState &s = rig.state();
        s.initialSyncPending = true;
        s.autoConnectRunning = autoConnect;
        s.progressMaximum = 20;
        QElapsedTimer clock;
        clock.start();
        rig.window().showTransferProgress(true);
        QVERIFY(s.progressDialog.isVisible());
        QCOMPARE(s.progressLabel->text(), QStringLiteral("updating..."));
        QCOMPARE(s.progressDialog.size(), QSize(270, 60));
        QTRY_VERIFY(!s.progressDialog.isVisible());
        QVERIFY2(clock.elapsed() >= 190, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(s.progressBar->value(), 20);
        QCOMPARE(s.progressMaximum, 350);
        QVERIFY(s.showProgress && !s.initialSyncPending);
        QVERIFY(s.continuousDataTimer.isActive());
        QCOMPARE(s.liveDataEnabled, autoConnect);
        QCOMPARE(rig.ui().actionEnable_live_data->isChecked(), autoConnect);
        QVERIFY(s.chartPollTimer.isActive());
        QCOMPARE(s.previousPortIndex, rig.portIndex());
    }
};

QTEST_MAIN(TestParameterAccess)
#include "tst_parameteraccess.moc"
