#include "extensionsystem/serialchannel.h"
#include "iolinkframe.h"
#include "mastersimulator.h"
#include "ptyserver.h"
#include "sensordescription.h"
#include "utils/progressbarui.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <ctime>

using namespace IoLinkSim;
using ExtensionSystem::SerialChannel;
using DataFrame = ExtensionSystem::CommunicationInterface::DataFrame;
using FrameQuery = ExtensionSystem::CommunicationInterface::FrameQuery;
using Fault = MasterSimulator::Fault;

namespace {

DataFrame makeFrame(const QByteArray &request, double timeoutMs = 1000.0,
                    const std::string &pattern = ".*")
{
    DataFrame frame;
    FrameQuery query;
    query.request = request.toStdString();
    query.answerPattern = pattern;
    query.timeoutMs = timeoutMs;
    frame.queries.push_back(query);
    return frame;
}

QByteArray answerOf(const DataFrame &frame)
{
    return QByteArray::fromStdString(frame.queries.front().answer);
}

const QByteArray Probe = QByteArray::fromHex("03511201");
const QByteArray Poll = QByteArray::fromHex("027022");
const QByteArray Fetch = QByteArray::fromHex("027327");

} // namespace

// The host's serial channel against the master simulator on a pseudo-terminal.
class TestSerialChannel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void roundTripOfAProbe();
    void framesRunInQueueOrderWithFreshNumbers();
    void portThatCannotBeOpened();
    void failureModes_data();
    void failureModes();
    void lateAnswerIsNotTakenForTheNextOne();
    void lateAnswerOfTheSameKindIsDiscardedBeforeTheNextRequest();
    void retryAfterALostAnswer();
    void anotherSensorPluggedIn();
    void answerPattern_data();
    void answerPattern();
    void characterAndLineDelayPaceTheLine();
    void rawStringReachesTheMaster();
    void portCanBeOpenedAgainAfterAClientClosedIt();
    void receiverWaitingInsideFinishedIsServed();
    void receiverDeletingTheChannelInsideFinished();
    void vanishingPortFinishesEveryFrameAtOnce();
    void deletingTheChannelEndsAWaitingProgressDialog();

private:
    SerialChannel *openChannel(int characterDelay = 0, int lineDelay = 0);

    SensorDescription m_description;
    std::unique_ptr<MasterSimulator> m_master;
    std::unique_ptr<PtyServer> m_server;
    QPointer<SerialChannel> m_channel;
};

void TestSerialChannel::initTestCase()
{
    QVERIFY2(m_description.load(QStringLiteral(SIM_TEST_DATA_FILE)),
             qPrintable(m_description.errorString()));
}

void TestSerialChannel::init()
{
    m_master = std::make_unique<MasterSimulator>(m_description);
    m_server = std::make_unique<PtyServer>(*m_master);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    m_channel = openChannel();
    QVERIFY(m_channel);
}

void TestSerialChannel::cleanup()
{
    delete m_channel;
    m_server.reset();
    m_master.reset();
}

SerialChannel *TestSerialChannel::openChannel(int characterDelay, int lineDelay)
{
    ExtensionSystem::PortSettings settings;
    settings.portName = m_server->devicePath();
    settings.characterDelay = characterDelay;
    settings.lineDelay = lineDelay;
    auto *channel = new SerialChannel(settings, this);
    if (!channel->open()) {
        qWarning() << channel->errorString();
        delete channel;
        return nullptr;
    }
    return channel;
}

void TestSerialChannel::roundTripOfAProbe()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    DataFrame probe = makeFrame(Probe);
    const unsigned int number = m_channel->uSendDataFrame(&probe);
    QCOMPARE(finished.size(), 0); // never from inside uSendDataFrame
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toUInt(), number);
    QCOMPARE(probe.queries[0].answered, 1);
    QCOMPARE(answerOf(probe).size(), 4);
    QCOMPARE(m_master->requestLog().size(), 1);
    QCOMPARE(m_master->requestLog().at(0).request, Probe);
}

void TestSerialChannel::framesRunInQueueOrderWithFreshNumbers()
{
    QList<unsigned int> finished;
    connect(m_channel, &SerialChannel::emitFinished, this,
            [&finished](unsigned int number) { finished.append(number); });
    DataFrame frames[4] = {makeFrame(Probe), makeFrame(readRequest(0x13, 0, 7)),
                           makeFrame(Poll), makeFrame(Fetch)};
    QList<unsigned int> numbers;
    for (DataFrame &frame : frames)
        numbers.append(m_channel->uSendDataFrame(&frame));
    QCOMPARE(numbers.first(), 1u);
    QCOMPARE(m_channel->pendingFrames(), 4);
    QTRY_COMPARE(finished.size(), 4);
    QCOMPARE(finished, numbers);
    QCOMPARE(QSet<unsigned int>(numbers.begin(), numbers.end()).size(), 4);
    const QVector<MasterSimulator::LogEntry> log = m_master->requestLog();
    QCOMPARE(log.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(log.at(i).request, QByteArray::fromStdString(frames[i].queries[0].request));
        QCOMPARE(frames[i].queries[0].answered, 1);
        QCOMPARE(answerOf(frames[i]), log.at(i).answer);
    }
    QVERIFY(answerOf(frames[3]).endsWith("ZT41-G14-010"));
    // Numbers go on, they do not start over.
    DataFrame more = makeFrame(Poll);
    QCOMPARE(m_channel->uSendDataFrame(&more), 5u);
    QTRY_COMPARE(finished.size(), 5);
}

void TestSerialChannel::portThatCannotBeOpened()
{
    ExtensionSystem::PortSettings settings;
    settings.portName = QStringLiteral("/dev/no-such-port-here");
    SerialChannel channel(settings);
    QVERIFY(!channel.open());
    QVERIFY(!channel.isOpen());
    QVERIFY(!channel.errorString().isEmpty());
    QSignalSpy finished(&channel, &SerialChannel::emitFinished);
    DataFrame frame = makeFrame(Probe);
    frame.queries[0].answered = 1;
    channel.uSendDataFrame(&frame);
    QCOMPARE(finished.size(), 0);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(frame.queries[0].answered, 0);
}

void TestSerialChannel::failureModes_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("answered");
    QTest::addColumn<bool>("waitsForTheTimeout");

    QTest::newRow("dropped answer: unanswered after the time-out") << int(Fault::Drop) << 0
                                                                  << true;
    QTest::newRow("truncated answer counts as none") << int(Fault::Truncated) << 0 << true;
    QTest::newRow("refusal comes back with ERROR") << int(Fault::Error) << 1 << false;
    QTest::newRow("garbage of the right frame is delivered") << int(Fault::Garbage) << 1
                                                             << false;
}

void TestSerialChannel::failureModes()
{
    QFETCH(int, fault);
    QFETCH(int, answered);
    QFETCH(bool, waitsForTheTimeout);

    const double timeout = 250.0;
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    m_master->sensor().setPressure(1.5);
    m_master->injectFault(Fault(fault));
    DataFrame failing = makeFrame(Poll, timeout);
    QElapsedTimer timer;
    timer.start();
    m_channel->uSendDataFrame(&failing);
    QTRY_COMPARE(finished.size(), 1);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(failing.queries[0].answered, answered);
    if (waitsForTheTimeout) {
        QVERIFY2(elapsed >= timeout - 5, qPrintable(QString::number(elapsed)));
        QVERIFY(failing.queries[0].answer.empty());
    } else {
        QVERIFY2(elapsed < timeout, qPrintable(QString::number(elapsed)));
    }
    if (Fault(fault) == Fault::Error)
        QVERIFY(answerOf(failing).contains("ERROR"));
    if (Fault(fault) == Fault::Garbage) {
        QCOMPARE(answerOf(failing).size(), 8);
        QVERIFY(answerOf(failing) != m_master->handle(Poll).bytes);
    }

    // The exchange after a failure is sound: the rest of a bad answer is not taken for it.
    DataFrame next = makeFrame(Poll, timeout);
    m_channel->uSendDataFrame(&next);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(next.queries[0].answered, 1);
    QCOMPARE(answerOf(next).toHex(), m_master->handle(Poll).bytes.toHex());
}

void TestSerialChannel::lateAnswerIsNotTakenForTheNextOne()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    m_master->setLateDelayMs(400);
    m_master->injectFault(Fault::Late);
    DataFrame read = makeFrame(readRequest(0x13, 0, 7), 150);
    DataFrame fetch = makeFrame(Fetch, 1500);
    m_channel->uSendDataFrame(&read);
    m_channel->uSendDataFrame(&fetch);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(read.queries[0].answered, 0);
    QCOMPARE(fetch.queries[0].answered, 1);
    QCOMPARE(answerOf(fetch).at(2), '\x27');
    QVERIFY(answerOf(fetch).endsWith("ZT41-G14-010"));
}

void TestSerialChannel::lateAnswerOfTheSameKindIsDiscardedBeforeTheNextRequest()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    m_master->setLateDelayMs(200);
    m_master->sensor().setPressure(1.0);
    m_master->injectFault(Fault::Late);
    DataFrame first = makeFrame(Poll, 100);
    DataFrame second = makeFrame(Poll, 500);
    unsigned int firstNumber = 0;
    connect(m_channel, &SerialChannel::emitFinished, this, [&](unsigned int number) {
        if (number != firstNumber)
            return;
        m_master->sensor().setPressure(2.0);
        m_channel->uSendDataFrame(&second);
        // The late answer (1.0 bar) arrives while the thread sleeps without serving
        // events, as after the plug-in's transfers; the next request is queued already.
        QThread::msleep(250);
    });
    firstNumber = m_channel->uSendDataFrame(&first);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(first.queries[0].answered, 0);
    QCOMPARE(second.queries[0].answered, 1);
    QCOMPARE(answerOf(second).mid(4, 2), QByteArray::fromHex("07d0")); // 2000 = 2.0 bar
}

void TestSerialChannel::retryAfterALostAnswer()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    m_master->injectFault(Fault::Drop);
    DataFrame probe = makeFrame(Probe, 150);
    probe.queries[0].retries = 1;
    m_channel->uSendDataFrame(&probe);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(probe.queries[0].answered, 1);
    QCOMPARE(m_master->requestCount(), 2);
}

void TestSerialChannel::anotherSensorPluggedIn()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    m_master->setProductId(QStringLiteral("ZT42-G14-100"));
    DataFrame read = makeFrame(readRequest(0x13, 0, 7));
    DataFrame fetch = makeFrame(Fetch, 1000, "");
    m_channel->uSendDataFrame(&read);
    m_channel->uSendDataFrame(&fetch);
    QTRY_COMPARE(finished.size(), 2);
    QVERIFY(answerOf(fetch).endsWith("ZT42-G14-100"));
}

void TestSerialChannel::answerPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("answered");

    QTest::newRow("empty pattern takes any answer") << QString() << 1;
    QTest::newRow("dot star takes any answer") << QStringLiteral(".*") << 1;
    QTest::newRow("pattern over the whole answer") << QStringLiteral("\\x03.\\x12\\x81") << 1;
    QTest::newRow("pattern that does not match") << QStringLiteral("\\x03.\\x12\\x00") << 0;
    QTest::newRow("pattern matching only a part") << QStringLiteral("\\x12") << 0;
    QTest::newRow("invalid pattern") << QStringLiteral("(") << 0;
}

void TestSerialChannel::answerPattern()
{
    QFETCH(QString, pattern);
    QFETCH(int, answered);
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    DataFrame probe = makeFrame(Probe, 500, pattern.toStdString());
    m_channel->uSendDataFrame(&probe);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(probe.queries[0].answered, answered);
}

void TestSerialChannel::characterAndLineDelayPaceTheLine()
{
    delete m_channel;
    m_channel = openChannel(20, 150);
    QVERIFY(m_channel);
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    // 7 bytes with 20 ms after each character: the last arrives 120 ms after the first.
    DataFrame write = makeFrame(writeRequest(68, 0, 7, 4000));
    DataFrame poll = makeFrame(Poll);
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    m_channel->uSendDataFrame(&write);
    m_channel->uSendDataFrame(&poll);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(write.queries[0].answered, 1);
    QCOMPARE(m_master->sensor().rawValue("ThresholdsPressure1A1"), 4000);
    const QVector<MasterSimulator::LogEntry> log = m_master->requestLog();
    QCOMPARE(log.size(), 2);
    const qint64 firstArrival = log.at(0).timeMs - start;
    QVERIFY2(firstArrival >= 115, qPrintable(QString::number(firstArrival)));
    // The poll waits for the line delay after the write, then takes 2 × 20 ms itself.
    QVERIFY2(log.at(1).timeMs - log.at(0).timeMs >= 145 + 40,
             qPrintable(QString::number(log.at(1).timeMs - log.at(0).timeMs)));
}

void TestSerialChannel::rawStringReachesTheMaster()
{
    m_channel->vSendString(Probe.toStdString());
    QTRY_COMPARE(m_master->requestCount(), 1);
    QCOMPARE(m_master->requestLog().at(0).request, Probe);
}

void TestSerialChannel::portCanBeOpenedAgainAfterAClientClosedIt()
{
    m_channel->close();
    QVERIFY(!m_channel->isOpen());
    delete m_channel;
    m_channel = openChannel();
    QVERIFY(m_channel);
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    DataFrame probe = makeFrame(Probe);
    m_channel->uSendDataFrame(&probe);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(probe.queries[0].answered, 1);
}

void TestSerialChannel::receiverWaitingInsideFinishedIsServed()
{
    DataFrame first = makeFrame(Probe);
    DataFrame second = makeFrame(Poll);
    bool secondDoneInside = false;
    unsigned int firstNumber = 0;
    unsigned int secondNumber = 0;
    connect(m_channel, &SerialChannel::emitFinished, this, [&](unsigned int number) {
        if (number != firstNumber)
            return;
        // Like a window that checks the connection while handling a poll answer.
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        connect(m_channel, &SerialChannel::emitFinished, &loop, [&](unsigned int inner) {
            if (inner == secondNumber) {
                secondDoneInside = true;
                loop.quit();
            }
        });
        secondNumber = m_channel->uSendDataFrame(&second);
        loop.exec();
    });
    firstNumber = m_channel->uSendDataFrame(&first);
    QTRY_VERIFY(secondDoneInside);
    QCOMPARE(second.queries[0].answered, 1);
}

void TestSerialChannel::receiverDeletingTheChannelInsideFinished()
{
    m_master->setAnswerDelayMs(50);
    DataFrame frames[3] = {makeFrame(Probe), makeFrame(Poll), makeFrame(Poll)};
    QList<unsigned int> finished;
    connect(m_channel, &SerialChannel::emitFinished, this, [&](unsigned int number) {
        finished.append(number);
        if (finished.size() == 1)
            delete m_channel;
    });
    for (DataFrame &frame : frames) {
        frame.queries[0].answered = 1;
        m_channel->uSendDataFrame(&frame);
    }
    QTRY_COMPARE(finished.size(), 3);
    QVERIFY(m_channel.isNull());
    QCOMPARE(frames[1].queries[0].answered, 0);
    QCOMPARE(frames[2].queries[0].answered, 0);
}

void TestSerialChannel::vanishingPortFinishesEveryFrameAtOnce()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    QSignalSpy failed(m_channel, &SerialChannel::portFailed);
    m_master->setAnswerDelayMs(400);
    DataFrame frames[3] = {makeFrame(Probe, 2000), makeFrame(Poll, 2000), makeFrame(Poll, 2000)};
    for (DataFrame &frame : frames)
        m_channel->uSendDataFrame(&frame);
    QTRY_COMPARE(m_master->requestCount(), 1); // the first request is on its way

    QElapsedTimer timer;
    timer.start();
    m_server->stop(); // the adapter is pulled out
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 1000);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    for (const DataFrame &frame : frames)
        QCOMPARE(frame.queries[0].answered, 0);
    QVERIFY(!m_channel->isOpen());
    QCOMPARE(failed.size(), 1);
    QVERIFY(!m_channel->errorString().isEmpty());

    // No flood of errors keeps the thread busy once the port is closed.
    const std::clock_t cpuBefore = std::clock();
    QTest::qWait(300);
    const double cpuMs = double(std::clock() - cpuBefore) * 1000.0 / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 100.0, qPrintable(QString::number(cpuMs)));
    QCOMPARE(failed.size(), 1);

    // Frames queued later finish unanswered too, from the event loop.
    DataFrame late = makeFrame(Probe);
    m_channel->uSendDataFrame(&late);
    QCOMPARE(finished.size(), 3);
    QTRY_COMPARE(finished.size(), 4);
    QCOMPARE(late.queries[0].answered, 0);
}

void TestSerialChannel::deletingTheChannelEndsAWaitingProgressDialog()
{
    m_master->setAnswerDelayMs(1500);
    DataFrame probe = makeFrame(Probe, 3000);
    probe.queries[0].answered = 1;
    Utils::ProgressBarUi dialog;
    dialog.setShowUi(false);
    const unsigned int number = m_channel->uSendDataFrame(&probe);
    connect(m_channel, &SerialChannel::emitFinished, &dialog, &Utils::ProgressBarUi::exit);
    QTimer::singleShot(100, this, [this] { delete m_channel; });
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(dialog.exec(number), 1);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(probe.queries[0].answered, 0);
}

QTEST_MAIN(TestSerialChannel)
#include "tst_serialchannel.moc"
