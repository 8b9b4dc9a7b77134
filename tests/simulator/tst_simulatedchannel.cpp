#include "simtesthelpers.h"
#include "simulatedchannel.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace IoLinkSim;
using DataFrame = ExtensionSystem::CommunicationInterface::DataFrame;
using FrameQuery = ExtensionSystem::CommunicationInterface::FrameQuery;
using Fault = MasterSimulator::Fault;

class TestSimulatedChannel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void framesFinishInQueueOrderFromTheEventLoop();
    void numbersStartAtOneAndNeverRepeat();
    void everyQueryOfAFrameIsAnswered();
    void failedAnswers_data();
    void failedAnswers();
    void answerPatternMustMatch_data();
    void answerPatternMustMatch();
    void latencyDelaysTheAnswer();
    void deletingTheChannelFinishesQueuedFrames();
    void receiverWaitingInsideFinishedIsServed();

private:
    static DataFrame frame(const QByteArray &request, double timeoutMs = 300.0,
                           const std::string &pattern = ".*");

    SensorDescription m_description;
    std::unique_ptr<MasterSimulator> m_master;
    QPointer<SimulatedChannel> m_channel;
};

DataFrame TestSimulatedChannel::frame(const QByteArray &request, double timeoutMs,
                                      const std::string &pattern)
{
    DataFrame frame;
    FrameQuery query;
    query.request = request.toStdString();
    query.answerPattern = pattern;
    query.timeoutMs = timeoutMs;
    frame.queries.push_back(query);
    return frame;
}

void TestSimulatedChannel::init()
{
    if (m_description.parameters().isEmpty())
        QVERIFY(m_description.load(SimTest::dataFilePath()));
    m_master = std::make_unique<MasterSimulator>(m_description);
    m_channel = new SimulatedChannel(m_master.get(), this);
    m_channel->setLatencyMs(1);
}

void TestSimulatedChannel::cleanup()
{
    delete m_channel;
    m_master.reset();
}

void TestSimulatedChannel::framesFinishInQueueOrderFromTheEventLoop()
{
    QList<unsigned int> finished;
    connect(m_channel, &SimulatedChannel::emitFinished, this,
            [&finished](unsigned int number) { finished.append(number); });
    DataFrame probe = frame(QByteArray::fromHex("03511201"));
    DataFrame poll = frame(SimTest::poll());
    DataFrame fetch = frame(SimTest::fetch());
    const unsigned int first = m_channel->uSendDataFrame(&probe);
    const unsigned int second = m_channel->uSendDataFrame(&poll);
    const unsigned int third = m_channel->uSendDataFrame(&fetch);
    QVERIFY(finished.isEmpty()); // never from inside uSendDataFrame
    QTRY_COMPARE(finished.size(), 3);
    QCOMPARE(finished, (QList<unsigned int>{first, second, third}));
    QCOMPARE(probe.queries[0].answered, 1);
    QCOMPARE(probe.queries[0].answer.size(), size_t(4));
    QCOMPARE(poll.queries[0].answer.size(), size_t(8));
    QCOMPARE(fetch.queries[0].answer[2], '\x27');
    const QVector<MasterSimulator::LogEntry> log = m_master->requestLog();
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.at(0).request, QByteArray::fromHex("03511201"));
    QCOMPARE(log.at(1).request, SimTest::poll());
}

void TestSimulatedChannel::numbersStartAtOneAndNeverRepeat()
{
    QSignalSpy finished(m_channel, &SimulatedChannel::emitFinished);
    QSet<unsigned int> seen;
    DataFrame poll = frame(SimTest::poll());
    for (int round = 0; round < 20; ++round) {
        const unsigned int number = m_channel->uSendDataFrame(&poll);
        if (round == 0)
            QCOMPARE(number, 1u);
        QVERIFY(!seen.contains(number));
        seen.insert(number);
        QTRY_COMPARE(finished.size(), round + 1);
    }
}

void TestSimulatedChannel::everyQueryOfAFrameIsAnswered()
{
    QSignalSpy finished(m_channel, &SimulatedChannel::emitFinished);
    DataFrame two = frame(readRequest(0x13, 0, 7));
    two.queries.push_back(frame(SimTest::fetch()).queries.front());
    m_channel->uSendDataFrame(&two);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(two.queries[0].answered, 1);
    QCOMPARE(two.queries[1].answered, 1);
    QVERIFY(QByteArray::fromStdString(two.queries[1].answer).endsWith("ZT41-G14-010"));
}

void TestSimulatedChannel::failedAnswers_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("answered");

    QTest::newRow("dropped answer is none") << int(Fault::Drop) << 0;
    QTest::newRow("answer past the time-out is none") << int(Fault::Late) << 0;
    QTest::newRow("truncated answer is none") << int(Fault::Truncated) << 0;
    QTest::newRow("refusal is an answer") << int(Fault::Error) << 1;
    QTest::newRow("garbage of the right length is an answer") << int(Fault::Garbage) << 1;
}

void TestSimulatedChannel::failedAnswers()
{
    QFETCH(int, fault);
    QFETCH(int, answered);
    QSignalSpy finished(m_channel, &SimulatedChannel::emitFinished);
    m_master->setLateDelayMs(400);
    m_master->injectFault(Fault(fault));
    DataFrame failing = frame(SimTest::poll(), 150);
    DataFrame next = frame(SimTest::poll(), 150);
    m_channel->uSendDataFrame(&failing);
    m_channel->uSendDataFrame(&next);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(failing.queries[0].answered, answered);
    if (!answered)
        QVERIFY(failing.queries[0].answer.empty());
    QCOMPARE(next.queries[0].answered, 1);
    QCOMPARE(next.queries[0].answer.size(), size_t(8));
}

void TestSimulatedChannel::answerPatternMustMatch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("answered");

    QTest::newRow("empty pattern takes any answer") << QString() << 1;
    QTest::newRow("dot star takes any answer") << QStringLiteral(".*") << 1;
    QTest::newRow("matching pattern") << QStringLiteral("\\x03.\\x12.") << 1;
    QTest::newRow("pattern that does not match") << QStringLiteral(".*ERROR.*") << 0;
}

void TestSimulatedChannel::answerPatternMustMatch()
{
    QFETCH(QString, pattern);
    QFETCH(int, answered);
    QSignalSpy finished(m_channel, &SimulatedChannel::emitFinished);
    DataFrame probe = frame(QByteArray::fromHex("03511201"), 300, pattern.toStdString());
    m_channel->uSendDataFrame(&probe);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(probe.queries[0].answered, answered);
}

void TestSimulatedChannel::latencyDelaysTheAnswer()
{
    m_channel->setLatencyMs(120);
    QSignalSpy finished(m_channel, &SimulatedChannel::emitFinished);
    DataFrame probe = frame(QByteArray::fromHex("03511201"), 500);
    QElapsedTimer timer;
    timer.start();
    m_channel->uSendDataFrame(&probe);
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY2(timer.elapsed() >= 115, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(probe.queries[0].answered, 1);
}

void TestSimulatedChannel::deletingTheChannelFinishesQueuedFrames()
{
    QList<unsigned int> finished;
    connect(m_channel, &SimulatedChannel::emitFinished, this,
            [&finished](unsigned int number) { finished.append(number); });
    DataFrame a = frame(SimTest::poll());
    DataFrame b = frame(SimTest::poll());
    a.queries[0].answered = 1;
    const unsigned int first = m_channel->uSendDataFrame(&a);
    const unsigned int second = m_channel->uSendDataFrame(&b);
    delete m_channel;
    QCOMPARE(finished, (QList<unsigned int>{first, second}));
    QCOMPARE(a.queries[0].answered, 0);
}

void TestSimulatedChannel::receiverWaitingInsideFinishedIsServed()
{
    DataFrame first = frame(QByteArray::fromHex("03511201"));
    DataFrame second = frame(SimTest::poll());
    unsigned int firstNumber = 0;
    unsigned int secondNumber = 0;
    bool secondDoneInside = false;
    connect(m_channel, &SimulatedChannel::emitFinished, this, [&](unsigned int number) {
        if (number != firstNumber)
            return;
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        connect(m_channel, &SimulatedChannel::emitFinished, &loop, [&](unsigned int inner) {
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

QTEST_GUILESS_MAIN(TestSimulatedChannel)
#include "tst_simulatedchannel.moc"
