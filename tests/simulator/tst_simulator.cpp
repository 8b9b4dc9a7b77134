#include "simulator/mastersimulator.h"
#include "simulator/simulatedchannel.h"

#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

using namespace IoLinkSim;
using Fault = MasterSimulator::Fault;
using DataFrame = ExtensionSystem::CommunicationInterface::DataFrame;

// The simulated master against the wire format: every frame here is written out
// byte for byte ("request answer" in hexadecimal), none is built by the simulator.
class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exchanges_data();
    void exchanges();
    void statusBits_data();
    void statusBits();
    void faults_data();
    void faults();
    void seededFaultsSilenceAndLog();
    void channelOrderAndEnd();
    void channelRetriesLikeTheSerialOne();
    void receiverWaitingInsideFinishedIsServed();
    void programOnAPseudoTerminal();

private:
    static DataFrame frame(const char *hex, const char *pattern = ".*", double timeoutMs = 150);

    SensorDescription m_description;
    std::unique_ptr<MasterSimulator> m_master;
    qint64 m_now = 0;
};

void TestSimulator::init()
{
    if (m_description.parameters().isEmpty())
        QVERIFY(m_description.load(qEnvironmentVariable("TEST_SOURCE_DIR")
                                   + "/data/IoLinkZT4Kfamily.xml"));
    m_master = std::make_unique<MasterSimulator>(m_description);
    m_now = 100000;
    m_master->setClock([this] { return m_now; });
    m_master->sensor().setPressure(2.5);
}

DataFrame TestSimulator::frame(const char *hex, const char *pattern, double timeoutMs)
{
    DataFrame frame;
    frame.queries.resize(1);
    frame.queries[0].request = QByteArray::fromHex(hex).toStdString();
    frame.queries[0].answerPattern = pattern;
    frame.queries[0].timeoutMs = timeoutMs;
    return frame;
}

void TestSimulator::exchanges_data()
{
    QTest::addColumn<QString>("productId");
    QTest::addColumn<QStringList>("exchange");
    const auto row = [](const char *name, const QStringList &exchange, const char *id = "") {
        QTest::newRow(name) << id << exchange;
    };
    row("probe answered with the master state, set-up and mode acknowledged, fetch empty",
        {"03511201 03791281", "0473110903 027011", "03702103 024021", "027327 03732700"});
    row("ProductID read and fetched", {"054626130000 026226",
                                       "027327 0f7927005a5434312d4731342d303130"});
    row("another sensor's ProductID", {"054626130000 026226",
                                       "027327 0f4a27005a5434322d4731342d303430"}, "ZT42-G14-040");
    row("one-byte value written and read back",
        {"067a2440000002 024324", "057a26400000 026226", "027327 0452270002"});
    row("two-byte value, high byte first",
        {"0740244400001c52 024324", "056826440000 026226", "027327 057a27001c52"});
    row("factory reset restores the switching point",
        {"0740244400001c52 024324", "066b2402000082 024324", "056826440000 026226",
         "027327 055d27001388"});
    row("process data: 2.5 bar, nothing switched", {"027022 0761220009c40000"});
    row("refused read is refused again on fetch",
        {"057026c80000 0961264552524f528011", "027327 0970274552524f528011"});
    row("bad check octet", {"066a2402000082 0945244552524f528000"});
    row("unknown control octet", {"02753c 09403c4552524f528035"});
    row("length byte promising more", {"05702604 0951004552524f528034"});
    row("write of a read-only text", {"087f24130000414243 0951244552524f528023"});
    row("choice that does not exist", {"06682440000006 0975244552524f528030"});
    row("pressure above the range", {"07492444000027d8 0975244552524f528030"});
    row("two bytes for a one-byte value", {"074a244000000001 0945244552524f528033"});
    row("one byte for a two-byte value", {"06582444000001 0967244552524f528034"});
    row("subindex that does not exist", {"065b2440000101 0970244552524f528012"});
    row("read of the system command", {"054326020000 0970264552524f528023"});
    row("system command other than a reset", {"065b2402000081 0975244552524f528030"});
}

void TestSimulator::exchanges()
{
    QFETCH(QString, productId);
    QFETCH(QStringList, exchange);
    if (!productId.isEmpty())
        m_master->setProductId(productId);
    for (const QString &step : exchange) {
        const QByteArray request = QByteArray::fromHex(step.section(' ', 0, 0).toLatin1());
        QCOMPARE(m_master->handle(request).bytes.toHex(), step.section(' ', 1).toLatin1());
    }
}

void TestSimulator::statusBits_data()
{
    // Raw settings, then "bar@ms=status" steps; by default output 1 and 2 switch on
    // at 5 bar and off at 2.5 bar, measuring range -1..10 bar.
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("steps");
    QTest::newRow("hysteresis") << "" << "1@0=0 5.5@0=3 4@0=3 2.6@0=3 2.4@0=0 4.9@0=0 5@0=3";
    QTest::newRow("normally closed output 1") << "NONCA1=1" << "1@0=1 6@0=2";
    QTest::newRow("output 2 as analog output") << "PinFunctionA2=3" << "8@0=1";
    QTest::newRow("output 2 switched remotely") << "PinFunctionA2=4 RemoteSwitchingOutput=1"
                                                << "1@0=2";
    QTest::newRow("signal outside the range") << "" << "10@0=3 10.5@0=7 -1.2@0=4";
    QTest::newRow("on and off delays") << "OnDelay1=500 OffDelay1=200 PinFunctionA2=3"
                                       << "6@0=0 6@499=0 6@500=1 1@650=1 6@750=1 1@750=1 1@950=0";
}

void TestSimulator::statusBits()
{
    QFETCH(QString, settings);
    QFETCH(QString, steps);
    for (const QString &setting : settings.split(' ', Qt::SkipEmptyParts))
        QVERIFY(m_master->sensor().setRawValue(setting.section('=', 0, 0),
                                               setting.section('=', 1).toInt()));
    for (const QString &step : steps.split(' ')) {
        m_master->sensor().setPressure(step.section('@', 0, 0).toDouble());
        m_now = 100000 + step.section('@', 1).section('=', 0, 0).toInt();
        const QByteArray answer = m_master->handle(QByteArray::fromHex("027022")).bytes;
        QCOMPARE(answer.size(), 8);
        QVERIFY2(quint8(answer.at(7)) == step.section('=', 1).toInt(), qPrintable(step));
    }
}

void TestSimulator::faults_data()
{
    // A write of the unit suffers the fault: the master's reply (hexadecimal; "garbage":
    // the proper length and control octet, another check octet) and whether the write was
    // carried out; then the in-process channel's verdict on the same reply.
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QByteArray>("delivered"); // empty: unanswered
    const auto row = [](const char *name, Fault fault, const char *reply, int delayMs, int unit,
                        const char *delivered, const char *pattern = ".*") {
        QTest::newRow(name) << int(fault) << QByteArray(reply) << delayMs << unit << pattern
                            << QByteArray(delivered);
    };
    const char *refusal = "0945244552524f528000";
    row("answer matching the pattern", Fault::None, "024324", 0, 3, "024324", "\\x02.\\x24");
    row("proper answer not matching the pattern", Fault::None, "024324", 0, 3, "", ".*ERROR.*");
    row("dropped answer: write done, nothing comes", Fault::Drop, "", 0, 3, "");
    row("late answer: write done, comes past the time-out", Fault::Late, "024324", 2500, 3, "");
    row("refused: write not done, the refusal comes", Fault::Error, refusal, 0, 0, refusal);
    row("garbled answer: write done, it comes", Fault::Garbage, "garbage", 0, 3, "garbage");
    row("truncated answer: write done, nothing comes", Fault::Truncated, "0243", 0, 3, "");
}

void TestSimulator::faults()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, reply);
    QFETCH(int, delayMs);
    QFETCH(int, unit);
    QFETCH(QString, pattern);
    QFETCH(QByteArray, delivered);
    const auto matches = [](const QByteArray &bytes, const QByteArray &expected) {
        return expected == "garbage" ? bytes.size() == 3 && bytes.at(2) == 0x24
                                           && bytes.at(1) != 0x43
                                     : bytes.toHex() == expected;
    };
    const QByteArray write = QByteArray::fromHex("066b2440000003");
    m_master->injectFault(Fault(fault));
    const MasterSimulator::Reply first = m_master->handle(write);
    QCOMPARE(int(first.fault), fault);
    QCOMPARE(first.delayMs, delayMs);
    QVERIFY2(matches(first.bytes, reply), first.bytes.toHex().constData());
    QCOMPARE(m_master->sensor().rawValue("TemperatureSettings"), unit);
    // Only the one request suffers.
    const MasterSimulator::Reply next = m_master->handle(write);
    QCOMPARE(next.bytes.toHex(), QByteArray("024324"));
    QCOMPARE(next.delayMs, 0);

    DataFrame suffering = frame("066b2440000003", qPrintable(pattern));
    DataFrame following = frame("03511201");
    SimulatedChannel channel(m_master.get()); // goes before the frames it may hold
    channel.setLatencyMs(1);
    QSignalSpy finished(&channel, &SimulatedChannel::emitFinished);
    m_master->setLateDelayMs(400);
    m_master->injectFault(Fault(fault));
    channel.uSendDataFrame(&suffering);
    channel.uSendDataFrame(&following);
    QTRY_COMPARE(finished.size(), 2);
    const QByteArray answer = QByteArray::fromStdString(suffering.queries[0].answer);
    QVERIFY2(matches(answer, delivered), answer.toHex().constData());
    QCOMPARE(suffering.queries[0].answered, delivered.isEmpty() ? 0 : 1);
    QCOMPARE(QByteArray::fromStdString(following.queries[0].answer).toHex(),
             QByteArray("03791281"));
}

void TestSimulator::seededFaultsSilenceAndLog()
{
    const auto drops = [this](quint32 seed) {
        m_master = std::make_unique<MasterSimulator>(m_description);
        m_master->setSeed(seed);
        m_master->setFaultRate(Fault::Drop, 0.3);
        QString pattern;
        for (int i = 0; i < 200; ++i)
            pattern += m_master->handle(QByteArray::fromHex("027022")).bytes.isEmpty() ? '1' : '0';
        return pattern;
    };
    const QString first = drops(11);
    QCOMPARE(drops(11), first);
    QVERIFY(drops(12) != first);
    QVERIFY2(first.count('1') > 40 && first.count('1') < 80, qPrintable(first));

    // Every request is logged with its time, answer and fault; a silent master
    // neither answers nor carries a request out.
    init();
    m_master->setSilentAfter(2);
    m_master->injectFault(Fault::Drop);
    m_master->handle(QByteArray::fromHex("03511201"));
    m_now += 65;
    m_master->handle(QByteArray::fromHex("027022"));
    QVERIFY(m_master->handle(QByteArray::fromHex("066b2440000003")).bytes.isEmpty());
    QCOMPARE(m_master->sensor().rawValue("TemperatureSettings"), 0);
    const QVector<MasterSimulator::LogEntry> log = m_master->requestLog();
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.at(0).request.toHex(), QByteArray("03511201"));
    QCOMPARE(int(log.at(0).fault), int(Fault::Drop));
    QVERIFY(log.at(0).answer.isEmpty());
    QCOMPARE(log.at(1).timeMs - log.at(0).timeMs, qint64(65));
    QCOMPARE(log.at(1).answer.toHex(), QByteArray("0761220009c40000"));
    QCOMPARE(int(log.at(2).fault), int(Fault::Silent));
}

// The frame queue is the serial channel's: a query with retries is asked again.
void TestSimulator::channelRetriesLikeTheSerialOne()
{
    SimulatedChannel channel(m_master.get());
    DataFrame probe = frame("03511201", ".*", 50);
    probe.queries[0].retries = 1;
    QSignalSpy finished(&channel, &SimulatedChannel::emitFinished);
    m_master->injectFault(Fault::Drop);
    channel.uSendDataFrame(&probe);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(QByteArray::fromStdString(probe.queries[0].answer).toHex(), QByteArray("03791281"));
    QCOMPARE(m_master->requestCount(), 2);
}

void TestSimulator::channelOrderAndEnd()
{
    auto channel = std::make_unique<SimulatedChannel>(m_master.get());
    channel->setLatencyMs(30);
    m_master->setAnswerDelayMs(30); // both add up: 60 ms a query
    QList<unsigned int> finished;
    connect(channel.get(), &SimulatedChannel::emitFinished, this,
            [&finished](unsigned int number) { finished.append(number); });
    DataFrame read = frame("054626130000");
    read.queries.push_back(frame("027327").queries[0]);
    DataFrame poll = frame("027022");
    QElapsedTimer timer;
    timer.start();
    const unsigned int first = channel->uSendDataFrame(&read);
    const unsigned int second = channel->uSendDataFrame(&poll);
    QCOMPARE(first, 1u);
    QVERIFY(finished.isEmpty()); // never from inside uSendDataFrame
    QTRY_COMPARE(finished, (QList<unsigned int>{first, second}));
    QVERIFY2(timer.elapsed() >= 175, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(QByteArray::fromStdString(read.queries[1].answer).mid(4), QByteArray("ZT41-G14-010"));
    QCOMPARE(poll.queries[0].answered, 1);

    // Deleting the channel finishes what is queued, unanswered.
    DataFrame a = frame("027022"), b = frame("027022");
    a.queries[0].answered = 1;
    const unsigned int third = channel->uSendDataFrame(&a);
    channel->uSendDataFrame(&b);
    QVERIFY(third > second);
    channel.reset();
    QCOMPARE(finished.size(), 4);
    QCOMPARE(a.queries[0].answered, 0);
}

void TestSimulator::receiverWaitingInsideFinishedIsServed()
{
    DataFrame first = frame("03511201");
    DataFrame second = frame("027022");
    SimulatedChannel channel(m_master.get());
    channel.setLatencyMs(1);
    unsigned int firstNumber = 0, secondNumber = 0;
    bool secondDoneInside = false;
    connect(&channel, &SimulatedChannel::emitFinished, this, [&](unsigned int number) {
        if (number != firstNumber)
            return;
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        connect(&channel, &SimulatedChannel::emitFinished, &loop, [&](unsigned int inner) {
            secondDoneInside = inner == secondNumber;
            loop.quit();
        });
        secondNumber = channel.uSendDataFrame(&second);
        loop.exec();
    });
    firstNumber = channel.uSendDataFrame(&first);
    QTRY_VERIFY(secondDoneInside);
    QCOMPARE(second.queries[0].answered, 1);
}

void TestSimulator::programOnAPseudoTerminal()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyIOL");
    QProcess refused;
    refused.start(SIM_PROGRAM, {"--data", dir.filePath("none.xml")});
    QVERIFY(refused.waitForFinished(5000));
    QVERIFY(refused.exitCode() != 0);
    QVERIFY(refused.readAllStandardOutput().isEmpty());

    QProcess program;
    program.start(SIM_PROGRAM, {"--data", qEnvironmentVariable("TEST_SOURCE_DIR")
                                + "/data/IoLinkZT4Kfamily.xml", "--link", link, "--log",
                                "--product-id", "ZT42-G14-040"});
    QVERIFY(program.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(program.canReadLine(), 5000);
    const QString device = QString::fromLocal8Bit(program.readLine()).trimmed();
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);
    QSerialPort port(link);
    QVERIFY(port.open(QIODevice::ReadWrite));
    QByteArray answers;
    for (const char *request : {"03511201", "054626130000", "027327"}) {
        port.write(QByteArray::fromHex(request));
        const int before = answers.size();
        QTRY_VERIFY((answers += port.readAll()).size() > before
                    && answers.size() >= before + 1 + quint8(answers.at(before)));
    }
    QCOMPARE(answers.toHex(), QByteArray("037912810262260f4a27005a5434322d4731342d303430"));
    QByteArray log;
    QTRY_VERIFY((log += program.readAllStandardError()).contains("> 03 51 12 01\n< 03 79 12 81"));
    port.close();
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(3000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
