#include "common/connectionrig.h"

#include "comm/iolinkframes.h"
#include "comm/rawvalue.h"

#include "propertybrowser/qtenumpropertymanager.h"
#include "propertybrowser/qtintpropertymanager.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;
using Fault = IoLinkSim::MasterSimulator::Fault;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// The IO-Link indexes of the requests with this control octet, in order.
QList<int> indexes(Rig &rig, int control)
{
    QList<int> list;
    for (const QByteArray &request : rig.requests(control))
        list << (quint8(request.at(3)) | quint8(request.at(4)) << 8);
    return list;
}

// Edited value, raw value in the sensor, and the text that reading it back shows,
// with the pressure unit, decVal and whether the analog points are shown.
struct RawValue
{
    QString id;
    QString setting;
    QVariant value;
    int raw;
    QString read;
};

} // namespace

Q_DECLARE_METATYPE(RawValue)

// Frames, parameter reads and writes, the progress dialog and the factory reset,
// against the simulated master behind the plug-in object's channel.
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
        DialogScript answers; // the simulated sensor has no index 4: the write is refused
        SensorWindow &w = rig.window();
        Access::addresses(w)["OnDelay1"] = "4;0;6";
        if (exchange == "edit") {
            rig.state().intManager->setValue(rig.property("OnDelay1"), 0x34);
            QVERIFY(rig.events.isEmpty()); // the write waits for the edit delay
            QTRY_VERIFY(!Access::writeDelayTimer(w).isActive());
        } else if (exchange == "read") {
            w.readParameter("OnDelay1", false);
        } else if (exchange == "identify") {
            w.identifySensor();
        } else {
            w.factoryReset();
            rig.events = rig.events.mid(0, events.size());
        }
        QCOMPARE(rig.events, events);
    }

    // A master's answer: its value number, its last two bytes as a signed number, and
    // whether it is taken at all (1) or not (0).
    void answerDecoding_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QList<int>>("decoded");
        QTest::newRow("length 05 takes the last two bytes")
            << hex("05732bff9c") << QList<int>{0xff9c, -100, 1};
        QTest::newRow("length 04 takes the last byte")
            << hex("0473270102") << QList<int>{2, 0x0102, 1};
        QTest::newRow("length 05 but too short takes the last byte")
            << hex("057302") << QList<int>{2, 0x7302, 1};
        QTest::newRow("hex digits 1a are no decimal number")
            << hex("1a73270102") << QList<int>{2, 0x0102, 1};
        QTest::newRow("length 10 counts as ten") << hex("10732700ff01")
                                                 << QList<int>{0xff01, -255, 1};
        QTest::newRow("short answer ending A7 00 is zero") << hex("73a700") << QList<int>{0, 0, 1};
        QTest::newRow("long answer ending A7 00 is a number")
            << hex("05732ba700") << QList<int>{0xa700, -22784, 1};
        QTest::newRow("refusal") << hex("0a7327") + "ERROR" + hex("8011")
                                 << QList<int>{0x11, -32751, 0};
        QTest::newRow("no answer") << QByteArray() << QList<int>{0, 0, 0};
    }
    void answerDecoding()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QList<int>, decoded);
        QCOMPARE(QList<int>({int(decodeValueNumber(answer)), decodeSignedRaw(answer),
                             isUsableAnswer(answer)}), decoded);
    }

    // Zero bytes go first (of two adjacent ones the second stays), then the header.
    void payloadsAndRawValueEdges()
    {
        QCOMPARE(extractPayload(hex("00004142").toStdString(), 0), hex("004142"));
        QCOMPARE(extractPayload(hex("0500732741424344").toStdString(), 3), hex("41424344"));
        QCOMPARE(extractPayload(hex("057327").toStdString(), 3), hex("057327"));
        QCOMPARE(decodeStringAnswer(hex("0b7327") + QByteArray("ZT41\0\0-G14", 10)),
                 QString::fromLatin1("ZT41\0-G14", 9));
        QCOMPARE(decodeDoubleValue("OnDelay1", -100, 1000.0), -1.0); // no pressure: hundredths
        QCOMPARE(doubleRawValue("OnDelay1", 1.5, 1000.0), 150);
        QCOMPARE(doubleRawValue("analogPressure0V", 12.25, 100.0), 1225);
        QCOMPARE(doubleRawValue("ThresholdsPressure1A1", 1.234, 1000.0), 1230);
        QCOMPARE(enumRawFromIndex("DataStorageLock", 3), 0);
    }

    void answerRules_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("read");
        QTest::newRow("an answered request succeeds") << int(Fault::None) << hex("024021");
        QTest::newRow("ERROR fails the write, the read returns it")
            << int(Fault::Error) << hex("0946214552524f528000");
        QTest::newRow("a lost answer fails both") << int(Fault::Drop) << QByteArray();
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
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("identification");
        QTest::newRow("the first four characters match") << "ZT41-G14-010" << true
                                                         << "ZT41-G14-010";
        QTest::newRow("a three-byte payload is enough") << "ZT4" << true << "ZT4";
        QTest::newRow("a shorter one is a mismatch and keeps the identification")
            << "ZT" << false << "previous";
    }
    void identification()
    {
        QFETCH(QString, productId);
        QFETCH(bool, result);
        QFETCH(QString, identification);
        Rig rig(productId);
        rig.attach();
        rig.state().expectedSensorId = productId.left(4);
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

    void rawValues_data()
    {
        QTest::addColumn<RawValue>("c");
        QTest::newRow("DataStorageLock locked is 2")
            << RawValue{"DataStorageLock", "", 1, 2, "locked"};
        QTest::newRow("DataStorageLock unlocked is 0")
            << RawValue{"DataStorageLock", "", 0, 0, "unlocked"};
        QTest::newRow("PinFunctionA2 choice 0 is 1")
            << RawValue{"PinFunctionA2", "", 0, 1, "switching output"};
        QTest::newRow("PinFunctionA2 choice 3 is 5")
            << RawValue{"PinFunctionA2", "", 3, 5, "remote analog value"};
        QTest::newRow("another enumeration is its choice")
            << RawValue{"FilterSettings", "", 4, 4, "500 ms"};
        QTest::newRow("a threshold of 14.504 psi is 1.0 bar, read back in bar")
            << RawValue{"ThresholdsPressure1A1", "psi", 14.504, 1000, "1.000"};
        QTest::newRow("2.36 at decVal 10 is 24, read with one decimal")
            << RawValue{"ThresholdsPressure2A1", "decVal 10", 2.36, 24, "2.4"};
        QTest::newRow("a negative threshold")
            << RawValue{"ThresholdsPressure1A2", "", -0.5, -500, "-0.500"};
        QTest::newRow("hidden analog points go out as entered")
            << RawValue{"analogPressure0V", "psi", 2.0, 2000, "2.000"};
        QTest::newRow("shown analog points go from psi to bar")
            << RawValue{"analogPressure0V", "psi, points shown", 2.0, 140, "0.140"};
        QTest::newRow("an int as it is") << RawValue{"OnDelay1", "", 1234, 1234, "1234"};
        QTest::newRow("a bool on is 1") << RawValue{"StatusLED", "", true, 1, "True"};
    }
    void rawValues()
    {
        QFETCH(RawValue, c);
        Rig rig;
        rig.attach();
        SensorWindow &w = rig.window();
        rig.state().unitIndex = c.setting.startsWith("psi") ? 1 : 0;
        rig.state().decVal = c.setting == "decVal 10" ? 10.0 : 1000.0;
        rig.state().analogHigh = 100.0;
        Access::setParameterVisible(w, "AnalogPointsPressure", c.setting.endsWith("shown"));
        for (int other : {c.raw + 1, c.raw - 1, c.raw + 2}) {
            if (rig.sensor().setRawValue(c.id, other))
                break;
        }
        Access::scheduleWrite(w, c.id, c.value);
        Access::sendDelayValue(w);
        QCOMPARE(rig.requestCount(0x24), 1);
        QCOMPARE(rig.sensor().rawValue(c.id), c.raw);

        w.readParameter(c.id, false);
        QCOMPARE(rig.property(c.id)->valueText(), c.read);
        QVERIFY(!Access::writeDelayTimer(w).isActive()); // a read is no edit
    }

    void failedReadKeepsValue_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("failure");
        for (const char *id : {"ThresholdsPressure1A1", "FilterSettings", "OnDelay1"}) {
            for (const char *failure : {"fetch lost", "fetch refused", "read refused"})
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
        const QString before = rig.property(id)->valueText();
        QVERIFY(rig.sensor().setRawValue(id, 5));
        rig.master().clearLog();
        if (failure == "read refused")
            Access::addresses(w)[id] = QStringLiteral("4;0;6");
        else
            rig.master().injectFault(Fault::None, 3);
        rig.master().injectFault(failure == "fetch lost" ? Fault::Drop : Fault::Error, 1);
        w.readParameter(id, false);
        QCOMPARE(rig.requestCount(0x27), 1);
        QCOMPARE(rig.property(id)->valueText(), before);
    }

    // The master answers a fetch with the result of the last access: a delayed write
    // that came due inside a read's transfers waits until the read has its value.
    void delayedWriteComingDueDuringReadWaitsForIt()
    {
        Rig rig;
        rig.attach();
        SensorWindow &w = rig.window();
        QVERIFY(rig.sensor().setRawValue("OnDelay2", 2500));
        Access::scheduleWrite(w, "OnDelay1", 10);
        Access::writeDelayTimer(w).start(1);
        w.readParameter("OnDelay2", false);
        QCOMPARE(rig.property("OnDelay2")->valueText(), "2500");
        QVERIFY(rig.requests(0x24).isEmpty());
        QTRY_COMPARE(indexes(rig, 0x24), QList<int>{70});
        QCOMPARE(rig.sensor().rawValue("OnDelay1"), 10);
    }

    // Two parameters edited inside the delay both reach the sensor, in the order edited.
    void editsOfTwoParametersAreBothWritten()
    {
        Rig rig;
        rig.attach();
        rig.state().intManager->setValue(rig.property("OffDelay1"), 300);
        rig.state().intManager->setValue(rig.property("OnDelay1"), 250);
        QTRY_COMPARE(rig.requests(0x24).size(), 2);
        QCOMPARE(rig.requests(0x24), (QByteArrayList{hex("077c24470000012c"),
                                                     hex("076b2446000000fa")}));
        QCOMPARE(rig.sensor().rawValue("OffDelay1"), 300);
        QCOMPARE(rig.sensor().rawValue("OnDelay1"), 250);
    }

    // An edit that comes due while read all runs is written after its reads, and
    // the tree shows the value written, not the one read before it; write all
    // asked for meanwhile is refused instead of reporting writes it never sent.
    void editDueDuringReadAllFollowsIt()
    {
        Rig rig;
        rig.attach();
        DialogScript answers;
        SensorWindow &w = rig.window();
        rig.state().intManager->setValue(rig.property("OnDelay1"), 250);
        Access::writeDelayTimer(w).start(5);
        QTimer::singleShot(20, &w, [&] { Access::vWriteAllSettings(w); });
        w.readAllParameters();
        const int reads = rig.requests(0x26).size();
        QVERIFY(reads > 20);
        QVERIFY(rig.requests(0x24).isEmpty());
        QCOMPARE(answers.texts(), QStringList{"Another transfer with the sensor is running. "
                                              "Try again when it has finished."});
        QTRY_COMPARE(rig.requests(0x24), QByteArrayList{hex("076b2446000000fa")});
        QCOMPARE(rig.requests(0x26).size(), reads);
        QCOMPARE(rig.property("OnDelay1")->valueText(), "250");
    }

    // A value whose raw form does not fit, or a pressure beyond the sensor's range
    // (a settings file widens the limits), is never sent wrapped; the tree shows
    // the sensor's value again and the message says why.
    void valuesThatDoNotFitAreRefused_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("50 bar on a 10 bar sensor") << "ThresholdsPressure1A1" << 50.0 << "5.000"
            << "50 does not fit (allowed: -1 to 10 (bar))";
        QTest::newRow("a delay beyond two bytes") << "OnDelay1" << 70000.0 << "5"
            << "70000 does not fit (allowed: 0 to 65535)";
    }
    void valuesThatDoNotFitAreRefused()
    {
        QFETCH(QString, id);
        QFETCH(double, value);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        Rig rig;
        rig.attach();
        DialogScript answers;
        SensorWindow &w = rig.window();
        QtProperty *property = rig.property(id);
        QVERIFY(rig.sensor().setRawValue(id, id == "OnDelay1" ? 5 : 5000));
        w.readParameter(id, false);
        QCOMPARE(property->valueText(), shown);
        if (id == "OnDelay1") {
            rig.state().intManager->setMaximum(property, 100000);
            rig.state().intManager->setValue(property, int(value));
        } else {
            rig.state().doubleManager->setMaximum(property, 1000000.0);
            rig.state().doubleManager->setValue(property, value);
        }
        QTRY_COMPARE(answers.answered(), 1);
        QVERIFY(rig.requests(0x24).isEmpty());
        QCOMPARE(property->valueText(), shown);
        QVERIFY2(answers.texts().value(0).endsWith(message), qPrintable(answers.texts().value(0)));
        QVERIFY(answers.texts().value(0).contains(property->propertyName() + ": "));
    }

    // A write the sensor refuses is told with the refusal's meaning, and the tree
    // shows the sensor's value again.
    void refusedWriteShowsTheSensorsValue()
    {
        Rig rig;
        rig.attach();
        DialogScript answers;
        SensorWindow &w = rig.window();
        QVERIFY(rig.sensor().setRawValue("OnDelay1", 40));
        w.readParameter("OnDelay1", false);
        int waits = 0; // the second wait of a write comes right before its request
        setSleepFunction([&](int) {
            if (++waits == 2)
                rig.master().injectFault(Fault::Error);
        });
        rig.state().intManager->setValue(rig.property("OnDelay1"), 250);
        QTRY_COMPARE(answers.answered(), 1);
        setSleepFunction(ConnectionRig::noteWait);
        QCOMPARE(rig.requests(0x24).size(), 1);
        QCOMPARE(rig.sensor().rawValue("OnDelay1"), 40);
        QCOMPARE(rig.property("OnDelay1")->valueText(), "40");
        QVERIFY2(answers.texts().value(0).endsWith(
                     "the sensor refused 250 (the request was damaged on the line)"),
                 qPrintable(answers.texts().value(0)));
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
        QVERIFY(rig.ui().actionEnable_live_data->isChecked() && rig.state().liveDataEnabled);
    }

    // The reset command, then every parameter in key order (AnalogMode,
    // ApplicationSpecificTag, … remoteAnalogValue) and the filter once more.
    void factoryResetReadsEverythingBack()
    {
        Rig rig;
        rig.attach();
        const int filter = rig.sensor().rawValue("FilterSettings");
        QVERIFY(rig.sensor().setRawValue("FilterSettings", filter + 2));
        rig.state().readStringsEnabled = true;
        rig.window().factoryReset();
        QCOMPARE(rig.state().progressBar->maximum(), 380);
        QCOMPARE(indexes(rig, 0x24), QList<int>{2});
        QCOMPARE(indexes(rig, 0x26), (QList<int>{80, 24, 12, 65, 23, 72, 79, 71, 78, 70, 77, 67,
                                                 74, 19, 18, 83, 21, 66, 73, 64, 68, 75, 69, 76,
                                                 16, 81, 82, 84, 65}));
        QCOMPARE(rig.requestCount(0x27), 1 + 29);
        QCOMPARE(rig.state().enumManager->value(rig.property("FilterSettings")), filter);
        QCOMPARE(rig.property("ProductIDReadOnly")->valueText(), "ZT41-G14-010");
        QVERIFY(rig.ui().actionEnable_live_data->isChecked());
    }

    // The bar advances one step every 10 ms; at its end an automatic connection is
    // finished with live data on.
    void progressCompletion()
    {
        Rig rig;
        rig.attach();
        SensorWindowState &s = rig.state();
        s.initialSyncPending = s.autoConnectRunning = true;
        s.progressMaximum = 20;
        QElapsedTimer clock;
        clock.start();
        rig.window().showTransferProgress(true);
        QCOMPARE(s.progressDialog.size(), QSize(270, 60));
        QTRY_VERIFY(!s.progressDialog.isVisible());
        QVERIFY2(clock.elapsed() >= 190, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(s.progressMaximum, 350);
        QVERIFY(s.liveDataEnabled && rig.ui().actionEnable_live_data->isChecked());
        QVERIFY(s.chartPollTimer.isActive() && s.continuousDataTimer.isActive());
    }
};

QTEST_MAIN(TestParameterAccess)
#include "tst_parameteraccess.moc"
