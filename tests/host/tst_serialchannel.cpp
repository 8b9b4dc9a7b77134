#include "extensionsystem/serialchannel.h"
#include "mastersimulator.h"
#include "ptyserver.h"
#include "sensordescription.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <ctime>

using ExtensionSystem::SerialChannel;
using DataFrame = ExtensionSystem::CommunicationInterface::DataFrame;
using Fault = IoLinkSim::MasterSimulator::Fault;

namespace {
DataFrame makeFrame(const char *hex, double timeoutMs = 1000.0, const std::string &pattern = ".*",
                    int retries = 0)
{
    DataFrame frame;
    frame.queries.resize(1);
    frame.queries[0].request = QByteArray::fromHex(hex).toStdString();
    frame.queries[0].answerPattern = pattern;
    frame.queries[0].timeoutMs = timeoutMs;
    frame.queries[0].retries = retries;
    frame.queries[0].answered = 1; // must be set by the channel, either way
    return frame;
}
QByteArray answerHex(const DataFrame &frame)
{
    return QByteArray::fromStdString(frame.queries[0].answer).toHex(' ');
}
const char *const Probe = "03511201";
const char *const Poll = "027022";
const char *const ReadProductId = "054626130000";
const char *const Fetch = "027327";
const QByteArray ProbeAnswer = "03 79 12 81";
const QByteArray ReadAck = "02 62 26";
const QByteArray FetchNothing = "03 73 27 00";
// The ProductID "ZT41-G14-010".
const QByteArray FetchProductId = "0f 79 27 00 5a 54 34 31 2d 47 31 34 2d 30 31 30";
} // namespace

// The host's serial channel against the master simulator on a pseudo-terminal.
class TestSerialChannel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void framesRunOneAfterAnotherInQueueOrder();
    void exchange_data();
    void exchange();
    void lateAnswerOfTheSameKindIsDiscardedBeforeTheNextRequest();
    void characterAndLineDelayPaceTheLine();
    void closedPortFinishesFramesAndOpensAgain();
    void portThatCannotBeOpenedFinishesFramesUnanswered();
    void vanishingPortIsClosedAtTheFirstError();
    void receiverMayWaitOrDeleteTheChannelInsideFinished();

private:
    SerialChannel *openChannel(int characterDelay = 0, int lineDelay = 0);

    IoLinkSim::SensorDescription m_description;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    std::unique_ptr<IoLinkSim::PtyServer> m_server;
    QPointer<SerialChannel> m_channel;
};

void TestSerialChannel::initTestCase()
{
    QVERIFY(m_description.load(qEnvironmentVariable("TEST_SOURCE_DIR")
                               + QStringLiteral("/data/IoLinkZT4Kfamily.xml")));
}

void TestSerialChannel::init()
{
    m_master = std::make_unique<IoLinkSim::MasterSimulator>(m_description);
    m_server = std::make_unique<IoLinkSim::PtyServer>(*m_master);
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
    if (!channel->open())
        delete channel;
    return channel->isOpen() ? channel : nullptr;
}

void TestSerialChannel::framesRunOneAfterAnotherInQueueOrder()
{
    QList<unsigned int> finished;
    connect(m_channel, &SerialChannel::emitFinished, this,
            [&finished](unsigned int number) { finished << number; });
    DataFrame frames[4] = {makeFrame(Probe), makeFrame(ReadProductId), makeFrame(Poll),
                           makeFrame(Fetch)};
    QList<unsigned int> numbers;
    for (DataFrame &frame : frames)
        numbers << m_channel->uSendDataFrame(&frame);
    QCOMPARE(numbers, (QList<unsigned int>{1, 2, 3, 4}));
    QCOMPARE(m_channel->pendingFrames(), 4);
    QVERIFY(finished.isEmpty()); // never from inside uSendDataFrame
    QTRY_COMPARE(finished, numbers);
    QCOMPARE(m_channel->pendingFrames(), 0);
    const auto log = m_master->requestLog();
    QCOMPARE(log.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(log.at(i).request.toStdString(), frames[i].queries[0].request);
        QCOMPARE(QByteArray::fromStdString(frames[i].queries[0].answer), log.at(i).answer);
    }
    QCOMPARE(answerHex(frames[0]), ProbeAnswer);
    QCOMPARE(answerHex(frames[3]), FetchProductId);

    // Bytes sent raw reach the master; their answer, asked by nobody, spoils nothing.
    m_channel->vSendString(QByteArray::fromHex(Probe).toStdString());
    QTRY_COMPARE(m_master->requestCount(), 5);
    QTest::qWait(50);
    DataFrame more = makeFrame(Fetch);
    QCOMPARE(m_channel->uSendDataFrame(&more), 5u);
    QTRY_COMPARE(finished.size(), 5);
    QCOMPARE(answerHex(more), FetchProductId);
}

// A parameter read that meets a fault of the master (or an answer pattern), then
// the fetch behind it, which must get its own answer whatever was left of the first.
void TestSerialChannel::exchange_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("retries");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QByteArray>("answer");    // empty: unanswered
    QTest::addColumn<int>("requests");         // the master received for the read
    QTest::addColumn<QByteArray>("nextAnswer");

    const int none = int(Fault::None);
    QTest::newRow("sound exchange") << none << 0 << ".*" << ReadAck << 1 << FetchProductId;
    QTest::newRow("dropped answer: unanswered after the time-out")
        << int(Fault::Drop) << 0 << ".*" << QByteArray() << 1 << FetchProductId;
    QTest::newRow("truncated answer counts as none")
        << int(Fault::Truncated) << 0 << ".*" << QByteArray() << 1 << FetchProductId;
    QTest::newRow("late answer is not taken for the next request's")
        << int(Fault::Late) << 0 << ".*" << QByteArray() << 1 << FetchProductId;
    QTest::newRow("refusal is delivered as it came")
        << int(Fault::Error) << 0 << ".*" << QByteArray("09 64 26 45 52 52 4f 52 80 00") << 1
        << FetchNothing;
    QTest::newRow("lost answer asked again once") << int(Fault::Drop) << 1 << ".*" << ReadAck
                                                  << 2 << FetchProductId;
    QTest::newRow("empty pattern takes any answer") << none << 0 << "" << ReadAck << 1
                                                    << FetchProductId;
    QTest::newRow("pattern over the whole answer") << none << 0 << "\\x02.\\x26" << ReadAck << 1
                                                   << FetchProductId;
    QTest::newRow("pattern matching only a part refuses")
        << none << 0 << "\\x26" << QByteArray() << 1 << FetchProductId;
    QTest::newRow("pattern that does not match refuses")
        << none << 0 << "\\x02.\\x27" << QByteArray() << 1 << FetchProductId;
    QTest::newRow("invalid pattern refuses") << none << 0 << "(" << QByteArray() << 1
                                             << FetchProductId;
}

void TestSerialChannel::exchange()
{
    QFETCH(int, fault);
    QFETCH(int, retries);
    QFETCH(QString, pattern);
    QFETCH(QByteArray, answer);
    QFETCH(int, requests);
    QFETCH(QByteArray, nextAnswer);

    const int timeout = 200;
    m_master->setLateDelayMs(350);
    m_master->injectFault(Fault(fault));
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    DataFrame read = makeFrame(ReadProductId, timeout, pattern.toStdString(), retries);
    DataFrame fetch = makeFrame(Fetch, 1500);
    QElapsedTimer clock;
    clock.start();
    m_channel->uSendDataFrame(&read);
    QTRY_COMPARE(finished.size(), 1);
    const qint64 elapsed = clock.elapsed();
    m_channel->uSendDataFrame(&fetch);
    QTRY_COMPARE(finished.size(), 2);

    QCOMPARE(read.queries[0].answered, answer.isEmpty() ? 0 : 1);
    QCOMPARE(answerHex(read), answer);
    QCOMPARE(m_master->requestCount(), requests + 1);
    // Unanswered or asked again: only after the time-out; answered at once: before it.
    const bool waited = fault != int(Fault::None) && fault != int(Fault::Error);
    QVERIFY2(waited ? elapsed >= timeout - 5 : elapsed < timeout,
             qPrintable(QString::number(elapsed)));
    QCOMPARE(fetch.queries[0].answered, 1);
    QCOMPARE(answerHex(fetch), nextAnswer);
}

// The read's late answer (1.0 bar) arrives while the thread sleeps without serving
// events, as after the plug-in's transfers; the next request is queued already.
void TestSerialChannel::lateAnswerOfTheSameKindIsDiscardedBeforeTheNextRequest()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    m_master->setLateDelayMs(200);
    m_master->sensor().setPressure(1.0);
    m_master->injectFault(Fault::Late);
    DataFrame first = makeFrame(Poll, 100);
    DataFrame second = makeFrame(Poll, 500);
    connect(m_channel, &SerialChannel::emitFinished, this, [&](unsigned int number) {
        if (number != 1)
            return;
        m_master->sensor().setPressure(2.0);
        m_channel->uSendDataFrame(&second);
        QThread::msleep(250);
    });
    m_channel->uSendDataFrame(&first);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(first.queries[0].answered, 0);
    QCOMPARE(answerHex(second).mid(12, 5), QByteArray("07 d0")); // 2000 = 2.0 bar
}

void TestSerialChannel::characterAndLineDelayPaceTheLine()
{
    delete m_channel;
    m_channel = openChannel(20, 150);
    QVERIFY(m_channel);
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    DataFrame write = makeFrame("0745244400000fa0"); // 4000 to index 68
    DataFrame poll = makeFrame(Poll);
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    m_channel->uSendDataFrame(&write);
    m_channel->uSendDataFrame(&poll);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(answerHex(write), QByteArray("02 43 24"));
    QCOMPARE(m_master->sensor().rawValue("ThresholdsPressure1A1"), 4000);
    const auto log = m_master->requestLog();
    QCOMPARE(log.size(), 2);
    // 8 bytes, 20 ms after each: the last leaves 140 ms after the first.
    QVERIFY2(log.at(0).timeMs - start >= 135, qPrintable(QString::number(log[0].timeMs - start)));
    // The poll waits for the line delay after the write, then takes 2 × 20 ms itself.
    const qint64 gap = log.at(1).timeMs - log.at(0).timeMs;
    QVERIFY2(gap >= 145 + 40, qPrintable(QString::number(gap)));
}

void TestSerialChannel::closedPortFinishesFramesAndOpensAgain()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    m_master->setAnswerDelayMs(300);
    DataFrame probe = makeFrame(Probe);
    m_channel->uSendDataFrame(&probe);
    QTRY_COMPARE(m_master->requestCount(), 1);
    m_channel->close();
    QVERIFY(!m_channel->isOpen());
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(probe.queries[0].answered, 0);

    m_master->setAnswerDelayMs(0);
    QVERIFY(m_channel->open());
    DataFrame again = makeFrame(Probe);
    m_channel->uSendDataFrame(&again);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(answerHex(again), ProbeAnswer);
}

void TestSerialChannel::portThatCannotBeOpenedFinishesFramesUnanswered()
{
    ExtensionSystem::PortSettings settings;
    settings.portName = QStringLiteral("/dev/no-such-port-here");
    SerialChannel channel(settings);
    QVERIFY(!channel.open());
    QVERIFY(!channel.errorString().isEmpty());
    QSignalSpy finished(&channel, &SerialChannel::emitFinished);
    DataFrame frame = makeFrame(Probe);
    QCOMPARE(channel.uSendDataFrame(&frame), 1u);
    QCOMPARE(finished.size(), 0);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(frame.queries[0].answered, 0);
}

// A pseudo-terminal whose other side goes reports read errors without end: the
// channel closes at the first and finishes every frame at once.
void TestSerialChannel::vanishingPortIsClosedAtTheFirstError()
{
    QSignalSpy finished(m_channel, &SerialChannel::emitFinished);
    QSignalSpy failed(m_channel, &SerialChannel::portFailed);
    m_master->setAnswerDelayMs(400);
    DataFrame frames[3] = {makeFrame(Probe, 2000), makeFrame(Poll, 2000), makeFrame(Poll, 2000)};
    for (DataFrame &frame : frames)
        m_channel->uSendDataFrame(&frame);
    QTRY_COMPARE(m_master->requestCount(), 1);

    QElapsedTimer clock;
    clock.start();
    m_server->stop();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 1000);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    for (const DataFrame &frame : frames)
        QCOMPARE(frame.queries[0].answered, 0);
    QVERIFY(!m_channel->isOpen());
    QVERIFY(!m_channel->errorString().isEmpty());

    const std::clock_t cpuBefore = std::clock();
    QTest::qWait(300);
    const double cpuMs = double(std::clock() - cpuBefore) * 1000.0 / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 100.0, qPrintable(QString::number(cpuMs)));
    QCOMPARE(failed.size(), 1);

    DataFrame late = makeFrame(Probe);
    m_channel->uSendDataFrame(&late);
    QCOMPARE(finished.size(), 3);
    QTRY_COMPARE(finished.size(), 4);
    QCOMPARE(late.queries[0].answered, 0);
}

void TestSerialChannel::receiverMayWaitOrDeleteTheChannelInsideFinished()
{
    DataFrame frames[4] = {makeFrame(Probe), makeFrame(Poll), makeFrame(Poll), makeFrame(Poll)};
    QList<unsigned int> finished;
    bool servedInside = false;
    connect(m_channel, &SerialChannel::emitFinished, this, [&](unsigned int number) {
        finished << number;
        if (number == 1) {
            // Like a window that checks the connection while it handles a poll answer.
            QEventLoop loop;
            QTimer::singleShot(3000, &loop, &QEventLoop::quit);
            connect(m_channel, &SerialChannel::emitFinished, &loop, &QEventLoop::quit);
            m_channel->uSendDataFrame(&frames[1]);
            loop.exec();
            servedInside = finished.contains(2);
            m_channel->uSendDataFrame(&frames[2]);
            m_channel->uSendDataFrame(&frames[3]);
        } else if (number == 3) {
            delete m_channel; // the frame left finishes unanswered, at once
        }
    });
    m_channel->uSendDataFrame(&frames[0]);
    QTRY_COMPARE(finished, (QList<unsigned int>{1, 2, 3, 4}));
    QVERIFY(servedInside);
    QVERIFY(m_channel.isNull());
    QCOMPARE(frames[2].queries[0].answered, 1);
    QCOMPARE(frames[3].queries[0].answered, 0);
}

QTEST_GUILESS_MAIN(TestSerialChannel)
#include "tst_serialchannel.moc"
