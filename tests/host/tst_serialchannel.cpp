#include "extensionsystem/serialchannel.h"
#include "simulator/mastersimulator.h"
#include "simulator/ptyserver.h"
#include "simulator/sensordescription.h"

#include <QPointer>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

using ExtensionSystem::SerialChannel;
using DataFrame = ExtensionSystem::CommunicationInterface::DataFrame;
using Fault = IoLinkSim::MasterSimulator::Fault;

namespace {
// One query per request; `answered` starts at 1 so that the channel must set it.
DataFrame frame(QList<const char *> requests, double timeoutMs = 1000,
                const QString &pattern = ".*", int retries = 0, int waitBeforeMs = 0)
{
    DataFrame f;
    for (const char *hex : requests)
        f.queries.push_back({QByteArray::fromHex(hex).toStdString(), pattern.toStdString(), "",
                             1, timeoutMs, waitBeforeMs, retries});
    return f;
}
QByteArray answer(const DataFrame &f, int i = 0)
{
    const auto &query = f.queries[size_t(i)];
    return query.answered ? QByteArray::fromStdString(query.answer).toHex(' ') : "none";
}
const char *const Probe = "03511201", *const Poll = "027022", *const Fetch = "027327";
const char *const ReadProductId = "054626130000";
const QByteArray ProbeAnswer = "03 79 12 81", ReadAck = "02 62 26";
const QByteArray ProductId = "0f 79 27 00 5a 54 34 31 2d 47 31 34 2d 30 31 30"; // ZT41-G14-010
} // namespace

// The host's serial channel against the master simulator on a pseudo-terminal.
class TestSerialChannel : public QObject
{
    Q_OBJECT

    IoLinkSim::SensorDescription m_description;
    std::unique_ptr<IoLinkSim::MasterSimulator> m_master;
    std::unique_ptr<IoLinkSim::PtyServer> m_server;
    QPointer<SerialChannel> m_channel;
    std::unique_ptr<QSignalSpy> m_finished;

private slots:
    void init()
    {
        QVERIFY(m_description.load(qEnvironmentVariable("TEST_SOURCE_DIR")
                                   + "/data/IoLinkZT4Kfamily.xml"));
        m_master = std::make_unique<IoLinkSim::MasterSimulator>(m_description);
        m_server = std::make_unique<IoLinkSim::PtyServer>(*m_master);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        ExtensionSystem::PortSettings settings;
        settings.portName = m_server->devicePath();
        m_channel = new SerialChannel(settings, this);
        QVERIFY2(m_channel->open(), qPrintable(m_channel->errorString()));
        m_finished = std::make_unique<QSignalSpy>(m_channel, &SerialChannel::emitFinished);
    }

    void cleanup()
    {
        m_finished.reset();
        delete m_channel;
        m_server.reset();
    }

    // A parameter read meets a fault of the master (or an answer pattern); the fetch in
    // the same frame must get its own answer whatever came of the read.
    void exchange_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("retries");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QByteArray>("answers");
        const int none = int(Fault::None), drop = int(Fault::Drop);
        QTest::newRow("sound exchange") << none << 0 << ".*" << ReadAck + "," + ProductId;
        QTest::newRow("dropped answer: unanswered after the time-out")
            << drop << 0 << ".*" << "none," + ProductId;
        QTest::newRow("truncated answer counts as none")
            << int(Fault::Truncated) << 0 << ".*" << "none," + ProductId;
        QTest::newRow("late answer is not taken for the next request's")
            << int(Fault::Late) << 0 << ".*" << "none," + ProductId;
        QTest::newRow("refusal is delivered as it came") << int(Fault::Error) << 0 << ".*"
            << QByteArray("09 64 26 45 52 52 4f 52 80 00,03 73 27 00");
        QTest::newRow("lost answer asked again once") << drop << 1 << ".*"
                                                      << ReadAck + "," + ProductId;
        QTest::newRow("pattern over the whole answer")
            << none << 0 << "\\x02.\\x26" << ReadAck + "," + ProductId;
        QTest::newRow("pattern matching only a part refuses")
            << none << 0 << "\\x26" << "none," + ProductId;
    }

    void exchange()
    {
        QFETCH(int, fault);
        QFETCH(int, retries);
        QFETCH(QString, pattern);
        QFETCH(QByteArray, answers);
        m_master->setLateDelayMs(450);
        m_master->injectFault(Fault(fault));
        DataFrame f = frame({ReadProductId}, 300, pattern, retries);
        f.queries.push_back(frame({Fetch}, 1500).queries[0]);
        QCOMPARE(m_channel->uSendDataFrame(&f), 1u);
        QCOMPARE(m_finished->size(), 0); // never from inside uSendDataFrame
        QTRY_COMPARE(m_finished->size(), 1);
        QCOMPARE(answer(f, 0) + "," + answer(f, 1), answers);
        const auto log = m_master->requestLog();
        QCOMPARE(log.size(), 2 + retries);
        const qint64 gap = log.at(1).timeMs - log.at(0).timeMs;
        const bool waited = fault != int(Fault::None) && fault != int(Fault::Error);
        QVERIFY2(waited ? gap >= 280 : gap < 250, qPrintable(QString::number(gap)));
    }

    // The first poll's late answer (1.0 bar) arrives while the thread sleeps without
    // serving events, as after the plug-in's transfers; the next poll is queued already.
    void lateAnswerOfTheSameKindIsDiscardedBeforeTheNextRequest()
    {
        m_master->setLateDelayMs(200);
        m_master->sensor().setPressure(1.0);
        m_master->injectFault(Fault::Late);
        DataFrame first = frame({Poll}, 100), second = frame({Poll}, 500);
        connect(m_channel, &SerialChannel::emitFinished, this, [&](unsigned int number) {
            if (number == 1) {
                m_master->sensor().setPressure(2.0);
                m_channel->uSendDataFrame(&second);
                QThread::msleep(250);
            }
        });
        m_channel->uSendDataFrame(&first);
        QTRY_COMPARE(m_finished->size(), 2);
        QCOMPARE(answer(first), QByteArray("none"));
        QCOMPARE(answer(second).mid(12, 5), QByteArray("07 d0")); // 2000 = 2.0 bar
    }

    void delaysPaceTheLine()
    {
        ExtensionSystem::PortSettings settings = m_channel->currentPortSettings();
        settings.characterDelay = 20; // after each character
        settings.lineDelay = 150;     // of quiet line after each request
        m_channel->vApplyPortSettings(settings);
        DataFrame frames[3] = {frame({"0745244400000fa0"}), frame({Poll}), // 4000 to index 68
                               frame({Probe}, 1000, ".*", 0, 300)};
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        for (DataFrame &f : frames)
            m_channel->uSendDataFrame(&f);
        QTRY_COMPARE(m_finished->size(), 3);
        QCOMPARE(answer(frames[0]) + "," + answer(frames[2]), "02 43 24," + ProbeAnswer);
        // 8 bytes: the last leaves 140 ms after the first. The poll waits for the line
        // delay, then takes 2 × 20 ms; the probe waits its own 300 ms instead.
        const auto log = m_master->requestLog();
        const qint64 times[3] = {log[0].timeMs - start, log[1].timeMs - log[0].timeMs,
                                 log[2].timeMs - log[1].timeMs};
        QVERIFY2(times[0] >= 135 && times[1] >= 185 && times[2] >= 355,
                 qPrintable(QString("%1 %2 %3").arg(times[0]).arg(times[1]).arg(times[2])));
    }

    // The client closes the port, or the other side of the pseudo-terminal goes (it
    // then reports read errors without end): the channel finishes every frame at once.
    void portGoes_data()
    {
        QTest::addColumn<bool>("vanishes");
        QTest::newRow("closed by its client, it opens again") << false;
        QTest::newRow("vanishing, it is closed at the first error") << true;
    }

    void portGoes()
    {
        QFETCH(bool, vanishes);
        QSignalSpy failed(m_channel, &SerialChannel::portFailed);
        m_master->setAnswerDelayMs(400);
        DataFrame frames[3] = {frame({Probe}, 2000), frame({Poll}, 2000), frame({Poll}, 2000)};
        m_channel->uSendDataFrame(&frames[0]);
        QTRY_COMPARE(m_master->requestCount(), 1);
        m_channel->uSendDataFrame(&frames[1]); // wait behind the running frame
        m_channel->uSendDataFrame(&frames[2]);
        QTest::qWait(50);
        QCOMPARE(m_master->requestCount(), 1);
        vanishes ? m_server->stop() : m_channel->close();
        QTRY_COMPARE_WITH_TIMEOUT(m_finished->size(), 3, 1000);
        QCOMPARE(answer(frames[0]) + answer(frames[1]) + answer(frames[2]), "nonenonenone");
        QVERIFY(!m_channel->isOpen());
        QTest::qWait(100);
        QCOMPARE(failed.size(), vanishes ? 1 : 0);
        QCOMPARE(m_channel->errorString().isEmpty(), !vanishes);
        m_channel->uSendDataFrame(&frames[1]); // finishes unanswered, from the event loop
        QCOMPARE(m_finished->size(), 3);
        QTRY_COMPARE(m_finished->size(), 4);
        QCOMPARE(answer(frames[1]), QByteArray("none"));
        if (vanishes) // its device name may soon belong to another pseudo-terminal
            return;
        m_master->setAnswerDelayMs(0);
        QVERIFY(m_channel->open()); // the pseudo-terminal opens again after a client closed it
        m_channel->uSendDataFrame(&frames[0]);
        QTRY_COMPARE(m_finished->size(), 5);
        QCOMPARE(answer(frames[0]), ProbeAnswer);
    }

    void receiverMayWaitOrDeleteTheChannelInsideFinished()
    {
        DataFrame frames[4] = {frame({Probe}), frame({Poll}), frame({Poll}), frame({Poll})};
        bool servedInside = false;
        connect(m_channel, &SerialChannel::emitFinished, this, [&](unsigned int number) {
            if (number == 1) {
                // Like a window that checks the connection while it handles a poll answer.
                QEventLoop loop;
                QTimer::singleShot(3000, &loop, &QEventLoop::quit);
                connect(m_channel, &SerialChannel::emitFinished, &loop, &QEventLoop::quit);
                m_channel->uSendDataFrame(&frames[1]);
                loop.exec();
                servedInside = m_finished->size() == 2;
                m_channel->uSendDataFrame(&frames[2]);
                m_channel->uSendDataFrame(&frames[3]);
            } else if (number == 3) {
                delete m_channel; // the frame left finishes unanswered, at once
            }
        });
        m_channel->uSendDataFrame(&frames[0]);
        QTRY_VERIFY(m_channel.isNull());
        QVERIFY(servedInside);
        QCOMPARE(m_finished->size(), 4);
        QCOMPARE(answer(frames[2]).left(2) + "," + answer(frames[3]), "07,none");
    }
};

QTEST_GUILESS_MAIN(TestSerialChannel)
#include "tst_serialchannel.moc"
