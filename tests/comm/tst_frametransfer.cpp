#include "commrig.h"

#include "comm/iolinkframes.h"

#include "utils/progressbarui.h"

#include "qtenumpropertymanager.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;
using IoLinkSim::MasterSimulator;
using FrameQuery = ExtensionSystem::CommunicationInterface::FrameQuery;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

SensorWindow::DataFrame frameOf(const QByteArray &request)
{
    FrameQuery query;
    query.request = request.toStdString();
    query.answerPattern = ".*";
    SensorWindow::DataFrame frame;
    frame.queries.push_back(query);
    return frame;
}

} // namespace

class TestFrameTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void sendWithoutChannelReturnsAtOnce();
    void sendEndsWhenTheChannelIsDestroyed();
    void writeAndReadAnswerRules_data();
    void writeAndReadAnswerRules();
    void connectionCheck_data();
    void connectionCheck();
    void identification_data();
    void identification();
    void identificationRequestSequence();
    void identificationWithoutChannel();
    void factoryResetDialogHidesItselfAfter380Steps();
    void progressCompletionFinishesConnection_data();
    void progressCompletionFinishesConnection();
    void hidingProgressRestoresDefaults();
};

void TestFrameTransfer::initTestCase()
{
    setSleepFunction([](int) {});
    CommRig::Rig rig;
    QVERIFY(rig.isReady());
}

void TestFrameTransfer::cleanupTestCase()
{
    setSleepFunction(nullptr);
}

void TestFrameTransfer::sendWithoutChannelReturnsAtOnce()
{
    CommRig::Rig rig;
    SensorWindow &w = rig.window();
    SensorWindow::DataFrame frame = frameOf(hex("027022"));

    Access::sendDataFrame(w, &frame, true);
    QCOMPARE(frame.queries.front().answered, 0);
    QVERIFY(w.findChildren<Utils::ProgressBarUi *>().isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(rig.requests().isEmpty());
}

void TestFrameTransfer::sendEndsWhenTheChannelIsDestroyed()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    // The answer would come after the time-out: the wait would last two seconds.
    rig.master().injectFault(MasterSimulator::Fault::Late);
    QPointer<IoLinkSim::SimulatedChannel> channel = rig.channel();
    QTimer::singleShot(50, &w, [&] {
        w.setCommunication(nullptr);
        delete channel.data();
    });

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!w.bWriteFrame(hex("027022").toStdString(), true));
    QVERIFY(clock.elapsed() < 1500);
    QVERIFY(channel.isNull());
    QVERIFY(!QApplication::overrideCursor());
}

void TestFrameTransfer::writeAndReadAnswerRules_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("written");
    QTest::addColumn<bool>("readEmpty");
    QTest::addColumn<bool>("readCarriesError");

    QTest::newRow("answered write succeeds") << "none" << true << false << false;
    QTest::newRow("answer with ERROR fails the write, the read returns it")
        << "error" << false << false << true;
    QTest::newRow("lost answer fails both") << "drop" << false << true << false;
}

void TestFrameTransfer::writeAndReadAnswerRules()
{
    QFETCH(QString, fault);
    QFETCH(bool, written);
    QFETCH(bool, readEmpty);
    QFETCH(bool, readCarriesError);

    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    MasterSimulator::Fault f = MasterSimulator::Fault::None;
    if (fault == QLatin1String("error"))
        f = MasterSimulator::Fault::Error;
    else if (fault == QLatin1String("drop"))
        f = MasterSimulator::Fault::Drop;

    rig.master().injectFault(f);
    QCOMPARE(w.bWriteFrame(hex("03702103").toStdString(), false), written);

    rig.master().injectFault(f);
    const QByteArray answer = w.readAnswer(hex("03702103").toStdString(), "");
    QCOMPARE(answer.isEmpty(), readEmpty);
    QCOMPARE(answer.contains("ERROR"), readCarriesError);
    QCOMPARE(rig.requests().size(), 2);
}

void TestFrameTransfer::connectionCheck_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<bool>("ok");

    QTest::newRow("master answers with 4 bytes") << "answered" << true;
    QTest::newRow("no channel") << "no channel" << false;
    QTest::newRow("answer cut short") << "truncated" << false;
    QTest::newRow("refused with ERROR") << "error" << false;
}

void TestFrameTransfer::connectionCheck()
{
    QFETCH(QString, condition);
    QFETCH(bool, ok);

    CommRig::Rig rig;
    SensorWindow &w = rig.window();
    if (condition != QLatin1String("no channel"))
        rig.attach();
    if (condition == QLatin1String("truncated"))
        rig.master().injectFault(MasterSimulator::Fault::Truncated);
    if (condition == QLatin1String("error"))
        rig.master().injectFault(MasterSimulator::Fault::Error);

    QCOMPARE(Access::bCheckConnection(w), ok);
    if (condition != QLatin1String("no channel"))
        QCOMPARE(rig.requests(), QList<QByteArray>{hex("03511201")});
}

void TestFrameTransfer::identification_data()
{
    QTest::addColumn<QString>("productId");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("initialSync");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("identification");

    QTest::newRow("four-character id matches the payload's start")
        << "ZT41-G14-010" << "ZT41" << false << true << "ZT41-G14-010";
    QTest::newRow("an id longer than four characters never matches")
        << "ZT41-G14-010" << "ZT41-G14-010" << false << false << "ZT41-G14-010";
    QTest::newRow("another model does not match") << "ZT42-G14-100" << "ZT41" << false << false
                                                  << "ZT42-G14-100";
    QTest::newRow("short payload is a mismatch and keeps the identification")
        << "AB" << "AB" << false << false << "previous";
    QTest::newRow("during the first synchronisation the re-check timer stays off")
        << "ZT41-G14-010" << "ZT41" << true << true << "ZT41-G14-010";
}

void TestFrameTransfer::identification()
{
    QFETCH(QString, productId);
    QFETCH(QString, expected);
    QFETCH(bool, initialSync);
    QFETCH(bool, result);
    QFETCH(QString, identification);

    CommRig::Rig rig(CommRig::fixtureDescription(), productId);
    rig.attach();
    SensorWindow &w = rig.window();
    QCOMPARE(rig.master().sensor().productId(), productId);
    SensorWindowState &s = Access::state(w);
    s.expectedSensorId = expected;
    s.initialSyncPending = initialSync;
    s.continuousDataTimer.stop();
    Access::identification(w) = QStringLiteral("previous");

    QCOMPARE(w.identifySensor(), result);
    QCOMPARE(Access::identification(w), identification);
    QCOMPARE(s.continuousDataTimer.isActive(), !initialSync);
}

void TestFrameTransfer::identificationRequestSequence()
{
    CommRig::Rig rig;
    rig.attach();
    Access::state(rig.window()).expectedSensorId = QStringLiteral("ZT41");
    QVERIFY(rig.window().identifySensor());
    const QList<QByteArray> expected = {
        hex("03511201"), hex("0473110903"), hex("027022"), hex("03702103"),
        hex("054626130000"), hex("027022"), hex("027022"), hex("027327")};
    QCOMPARE(rig.requests(), expected);
}

void TestFrameTransfer::identificationWithoutChannel()
{
    CommRig::Rig rig;
    SensorWindow &w = rig.window();
    Access::state(w).expectedSensorId = QStringLiteral("ZT41");
    Access::state(w).continuousDataTimer.stop();
    QVERIFY(!w.identifySensor());
    QVERIFY(Access::state(w).continuousDataTimer.isActive());
    QVERIFY(rig.requests().isEmpty());
}

void TestFrameTransfer::factoryResetDialogHidesItselfAfter380Steps()
{
    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    SensorWindowState &s = Access::state(w);
    IoLinkSim::SimulatedSensor &sensor = rig.master().sensor();
    const int factoryFilter = sensor.rawValue(QStringLiteral("FilterSettings"));
    QVERIFY(sensor.setRawValue(QStringLiteral("FilterSettings"), factoryFilter + 2));
    QVERIFY(sensor.setRawValue(QStringLiteral("OnDelay1"), 4000));

    QElapsedTimer clock;
    clock.start();
    w.factoryReset();

    QVERIFY(s.progressDialog.isVisible());
    QCOMPARE(s.progressBar->maximum(), 380);
    QCOMPARE(s.showProgress, false);
    QTRY_VERIFY_WITH_TIMEOUT(!s.progressDialog.isVisible(), 15000);
    QVERIFY2(clock.elapsed() >= 3800, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(s.progressBar->value(), 380);
    QCOMPARE(s.progressMaximum, 350);
    QCOMPARE(s.showProgress, true);

    // The one write is the reset command; checking the write action started no write-all.
    QCOMPARE(rig.requests(0x24), QList<QByteArray>{hex("066b2402000082")});
    QCOMPARE(rig.requests().mid(0, 4), (QList<QByteArray>{hex("027327"), hex("066b2402000082"),
                                                          hex("027022"), hex("027022")}));
    QVERIFY(Access::ui(w).actionEnable_live_data->isChecked());

    // The restored values came back into the tree.
    QCOMPARE(sensor.rawValue(QStringLiteral("FilterSettings")), factoryFilter);
    QCOMPARE(s.enumManager->value(rig.property(QStringLiteral("FilterSettings"))), factoryFilter);
    QVERIFY(sensor.rawValue(QStringLiteral("OnDelay1")) != 4000);
}

void TestFrameTransfer::progressCompletionFinishesConnection_data()
{
    QTest::addColumn<bool>("autoConnect");
    QTest::addColumn<bool>("liveDataChecked");
    QTest::addColumn<bool>("liveData");

    QTest::newRow("manual connection follows the live-data action") << false << false << false;
    QTest::newRow("manual connection with live data checked") << false << true << true;
    QTest::newRow("automatic connection switches live data on") << true << false << true;
}

void TestFrameTransfer::progressCompletionFinishesConnection()
{
    QFETCH(bool, autoConnect);
    QFETCH(bool, liveDataChecked);
    QFETCH(bool, liveData);

    CommRig::Rig rig;
    rig.attach();
    SensorWindow &w = rig.window();
    SensorWindowState &s = Access::state(w);
    Access::ui(w).actionEnable_live_data->setChecked(liveDataChecked);
    s.initialSyncPending = true;
    s.autoConnectRunning = autoConnect;
    s.continuousDataTimer.stop();
    s.progressMaximum = 5;

    w.showTransferProgress(true);
    QVERIFY(s.progressDialog.isVisible());
    QCOMPARE(s.progressLabel->text(), QStringLiteral("updating..."));
    QCOMPARE(s.progressDialog.size(), QSize(270, 60));
    QVERIFY(!s.continuousDataTimer.isActive());

    QTRY_VERIFY_WITH_TIMEOUT(!s.progressDialog.isVisible(), 3000);
    QCOMPARE(s.initialSyncPending, false);
    QVERIFY(s.continuousDataTimer.isActive());
    QCOMPARE(s.liveDataEnabled, liveData);
    QCOMPARE(Access::ui(w).actionEnable_live_data->isChecked(), liveData);
}

void TestFrameTransfer::hidingProgressRestoresDefaults()
{
    CommRig::Rig rig;
    SensorWindow &w = rig.window();
    SensorWindowState &s = Access::state(w);
    s.progressMaximum = 430;
    w.showTransferProgress(true);
    QCOMPARE(s.showProgress, false);
    QCOMPARE(s.progressBar->maximum(), 430);

    w.showTransferProgress(false);
    QVERIFY(!s.progressDialog.isVisible());
    QCOMPARE(s.progressMaximum, 350);
    QCOMPARE(s.showProgress, true);
}

QTEST_MAIN(TestFrameTransfer)
#include "tst_frametransfer.moc"
