#include "common/connectionrig.h"

#include "utils/charts/genericchart.h"

#include <QAction>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest>

using namespace OrvexSensorPlugin::Core;
using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;
using Fault = IoLinkSim::MasterSimulator::Fault;
using Series = Utils::Charts::ChartHistory::Series;

namespace {

const char *const silentText =
    "The sensor did not respond, please make sure it is properly connected.";

// The window holds the rig's channel through the plug-in object and counts as
// connected with live data on, as after a completed connection.
void goLive(Rig &rig)
{
    emit rig.window().vComPortSelected(ConnectionRig::portName());
    rig.combo()->setCurrentIndex(rig.portIndex());
    Access::connected(rig.window()) = true;
    rig.ui().actionEnable_live_data->setChecked(true);
    rig.state().liveDataEnabled = true;
}

std::size_t points(Rig &rig)
{
    return rig.state().chart->history(0).size();
}

} // namespace

class TestPolling : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void answerLength_data();
    void answerLength();
    void pollRequestAndPacing();
    void missesAreCountedOverTheConnection();
    void foreignFrameNumbersAreIgnored();
    void noPollWithoutChannel_data();
    void noPollWithoutChannel();
    void pollDuringTheWarningWaitsForTheHandler();
};

void TestPolling::initTestCase()
{
    setSleepFunction([](int) {});
}

void TestPolling::cleanupTestCase()
{
    setSleepFunction(nullptr);
}

void TestPolling::answerLength_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("drawn");

    QTest::newRow("a 6-byte answer is dropped")
        << QByteArray::fromHex("057022000fa0") << false;
    QTest::newRow("a 7-byte answer is dropped")
        << QByteArray::fromHex("0670220000fa00") << false;
    QTest::newRow("an 8-byte answer reaches the chart")
        << QByteArray::fromHex("07702200 0fa0 0000") << true;
}

// Answers the simulator cannot give (a complete answer shorter than a process-data
// frame) are handed to the answer handler as the channel would report them.
void TestPolling::answerLength()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, drawn);

    Rig rig;
    QVERIFY(rig.isReady());
    goLive(rig);
    rig.ui().chartToolbar->setEnabled(false);
    auto *frame = new SensorWindow::DataFrame; // handed to the window
    ExtensionSystem::CommunicationInterface::FrameQuery query;
    query.request = std::string("\x02\x70\x22", 3);
    query.answer = answer.toStdString();
    query.answered = 1;
    frame->queries.push_back(query);
    rig.state().pendingFrames.insert(4711, frame);
    rig.state().pendingFrameNumber = 4711;

    Access::queryStatusData(rig.window(), 4711);

    QCOMPARE(points(rig), std::size_t(drawn ? 1 : 0));
    if (drawn)
        QCOMPARE(rig.state().chart->history(0).value(0, Series::Value), 4.0);
    // Any answer counts as a sign of life: the frame is done and the next poll is due.
    QVERIFY(rig.ui().chartToolbar->isEnabled());
    QVERIFY(rig.state().pendingFrames.isEmpty());
    QCOMPARE(rig.state().pendingFrameNumber, 0u);
    QVERIFY(rig.state().chartPollTimer.isActive());
    QCOMPARE(rig.state().statusRetries, 2);
}

void TestPolling::pollRequestAndPacing()
{
    Rig rig;
    QVERIFY(rig.isReady());
    rig.master().sensor().setPressure(-0.5);
    goLive(rig);

    Access::queryStatusData(rig.window(), 0);
    QVERIFY(rig.state().pendingFrameNumber != 0);
    QCOMPARE(rig.state().pendingFrames.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(points(rig) >= 10, 5000);

    const auto log = rig.master().requestLog();
    for (const auto &entry : log)
        QCOMPARE(entry.request.toHex(), QByteArray("027022"));
    // One poll at a time, one answer handled before the next is asked for.
    QVERIFY(rig.state().pendingFrames.size() <= 1);
    const qint64 span = log.last().timeMs - log.first().timeMs;
    QVERIFY2(span >= 60 * (log.size() - 1), qPrintable(QString::number(span)));
    QCOMPARE(rig.state().chart->history(0).value(0, Series::Value), -0.5);
}

void TestPolling::missesAreCountedOverTheConnection()
{
    Rig rig;
    QVERIFY(rig.isReady());
    goLive(rig);
    QSignalSpy ports(&rig.window(), &SensorWindow::vComPortSelected);
    rig.master().injectFault(Fault::Drop, 2);

    // Two polls go unanswered, the next are answered: the connection stays.
    Access::queryStatusData(rig.window(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(points(rig) >= 3, 9000);
    QVERIFY(rig.window().isConnected());
    QCOMPARE(rig.state().statusRetries, 0);

    // One more miss, later, is the third since connecting.
    DialogScript answers;
    rig.master().injectFault(Fault::Drop, 1);
    QTRY_VERIFY_WITH_TIMEOUT(answers.answered() == 1, 5000);
    QCOMPARE(answers.titles(), QStringList{"Connecting to sensor"});
    QCOMPARE(answers.texts(), QStringList{silentText});
    QTRY_VERIFY(rig.state().pendingFrames.isEmpty());
    QVERIFY(!rig.window().isConnected());
    QCOMPARE(rig.combo()->currentIndex(), 0);
    QCOMPARE(rig.state().previousPortIndex, 0);
    QVERIFY(!rig.state().continuousDataTimer.isActive());
    QVERIFY(!rig.ui().sensorOperationsToolbar->isEnabled());
    QCOMPARE(ports.size(), 1);
    QCOMPARE(ports.at(0).at(0).toString(), QString());
    // The disconnect gave the channel back, so the connection check failed.
    QVERIFY(!rig.window().communication());
    QCOMPARE(rig.state().statusRetries, 1);
    QCOMPARE(rig.state().pendingFrameNumber, 0u);
    const int polls = rig.requestCount(0x22);
    QTest::qWait(300);
    QCOMPARE(rig.requestCount(0x22), polls);
}

void TestPolling::foreignFrameNumbersAreIgnored()
{
    Rig rig;
    QVERIFY(rig.isReady());
    goLive(rig);
    rig.master().setAnswerDelayMs(300);

    Access::queryStatusData(rig.window(), 0);
    const unsigned int number = rig.state().pendingFrameNumber;
    QVERIFY(number != 0);
    SensorWindow::DataFrame *frame = rig.state().pendingFrames.value(number);

    Access::queryStatusData(rig.window(), number + 100);
    QCOMPARE(rig.state().pendingFrameNumber, number);
    QCOMPARE(rig.state().pendingFrames.value(number), frame);
    QVERIFY(!rig.state().chartPollTimer.isActive());
    QCOMPARE(points(rig), std::size_t(0));

    // The window's own synchronous transfers finish frames of other numbers too.
    rig.state().showProgress = false;
    QVERIFY(rig.window().bWriteFrame(std::string("\x02\x73\x27", 3), false));

    QTRY_VERIFY_WITH_TIMEOUT(points(rig) >= 1, 3000);
    QVERIFY(rig.window().isConnected());
    QCOMPARE(rig.state().statusRetries, 2);
}

void TestPolling::noPollWithoutChannel_data()
{
    QTest::addColumn<int>("entry");
    QTest::newRow("switching live data on") << 0;
    QTest::newRow("switching status checking on") << 1;
    QTest::newRow("a poll asked for directly") << 2;
    QTest::newRow("disconnecting") << 3;
}

void TestPolling::noPollWithoutChannel()
{
    QFETCH(int, entry);

    Rig rig;
    QVERIFY(rig.isReady());
    QVERIFY(!rig.window().communication());
    Access::connected(rig.window()) = true;
    rig.ui().actionEnable_live_data->setChecked(true);

    switch (entry) {
    case 0:
        Access::actionEnableLiveData(rig.window());
        QVERIFY(rig.state().liveDataEnabled);
        break;
    case 1:
        Access::enableStatusChecking(rig.window(), true);
        QVERIFY(rig.state().liveDataEnabled);
        break;
    case 2:
        Access::queryStatusData(rig.window(), 0);
        break;
    default:
        Access::vDisconnect(rig.window());
        break;
    }
    QVERIFY(!rig.state().chartPollTimer.isActive());
    QVERIFY(rig.state().pendingFrames.isEmpty());
    QCOMPARE(rig.state().pendingFrameNumber, 0u);
    QTest::qWait(150);
    QCOMPARE(rig.master().requestCount(), 0);
}

// The warning of the third miss runs a nested event loop. The window keeps its
// channel here (it was never registered through the plug-in object), so the poll
// timer started by the disconnect fires while the box is up: that poll must wait
// for the handler instead of locking up on its mutex or replacing its frame.
void TestPolling::pollDuringTheWarningWaitsForTheHandler()
{
    Rig rig;
    QVERIFY(rig.isReady());
    QStringList events;
    ConnectionRig::RecordingChannel channel(&rig.master(), &events);
    rig.window().setCommunication(&channel);
    Access::connected(rig.window()) = true;
    rig.state().liveDataEnabled = true;
    rig.state().statusRetries = 0;
    rig.master().injectFault(Fault::Drop, 1);

    QTimer slowAnswer;
    bool pollWhileUp = false;
    int answered = 0;
    connect(&slowAnswer, &QTimer::timeout, &slowAnswer, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        // Give the 65 ms poll timer time to run out under the box.
        QTest::qWait(250);
        pollWhileUp = rig.requestCount(0x22) > 1;
        ++answered;
        box->button(QMessageBox::Ok)->click();
    });
    slowAnswer.start(10);

    Access::queryStatusData(rig.window(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(answered, 1, 5000);
    QVERIFY(!pollWhileUp);
    // The postponed poll runs once the handler is through, and is not repeated.
    QTRY_COMPARE_WITH_TIMEOUT(rig.requestCount(0x22), 2, 3000);
    QTRY_VERIFY(rig.state().pendingFrames.isEmpty());
    QCOMPARE(rig.state().statusRetries, 2); // the connection check was answered
    QVERIFY(!rig.window().isConnected());
    QTest::qWait(300);
    QCOMPARE(rig.requestCount(0x22), 2);
    QCOMPARE(rig.requestCount(0x12), 1);
    rig.window().setCommunication(nullptr);
}

QTEST_MAIN(TestPolling)
#include "tst_polling.moc"
