#include "simtesthelpers.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace IoLinkSim;
using Fault = MasterSimulator::Fault;

class TestMasterSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void descriptionHoldsCatalogueAndParameters();
    void descriptionRefusesBadFiles_data();
    void descriptionRefusesBadFiles();
    void probeIsAnsweredWithFourBytes();
    void identificationYieldsProductIdOfTheVariant();
    void anotherProductIdIsReported();
    void roundTrip_data();
    void roundTrip();
    void refusedAccess_data();
    void refusedAccess();
    void fetchAfterRefusedReadRepeatsTheError();
    void factoryResetRestoresDefaults();
    void defaultsSuitTheVariant_data();
    void defaultsSuitTheVariant();
    void processDataCarriesPressureAndStatus();
    void pumpCycleStaysInRangeAndMoves();
    void outputSwitchesWithHysteresis();
    void normallyClosedInvertsTheOutput();
    void onAndOffDelaysHoldTheOutput();
    void output2FollowsItsFunction_data();
    void output2FollowsItsFunction();
    void signalBitWhenPressureLeavesTheRange_data();
    void signalBitWhenPressureLeavesTheRange();
    void faults_data();
    void faults();
    void silentAfterRequests();
    void randomFaultsFollowTheSeed();
    void logRecordsEveryRequest();

private:
    QByteArray write(const QString &id, int raw);
    QByteArray read(const QString &id);
    quint8 status();

    SensorDescription m_description;
    std::unique_ptr<MasterSimulator> m_master;
    qint64 m_now = 0;
};

void TestMasterSimulator::init()
{
    if (m_description.parameters().isEmpty())
        QVERIFY2(m_description.load(SimTest::dataFilePath()),
                 qPrintable(m_description.errorString()));
    m_master = std::make_unique<MasterSimulator>(m_description);
    m_now = 100000;
    m_master->setClock([this] { return m_now; });
}

void TestMasterSimulator::cleanup()
{
    m_master.reset();
}

QByteArray TestMasterSimulator::write(const QString &id, int raw)
{
    const ParameterSpec *param = m_master->sensor().parameter(id);
    if (!param)
        return QByteArray("no such parameter");
    return m_master->handle(writeRequest(param->index, param->subIndex, param->size, quint16(raw)))
        .bytes;
}

QByteArray TestMasterSimulator::read(const QString &id)
{
    const ParameterSpec *param = m_master->sensor().parameter(id);
    if (!param)
        return QByteArray("no such parameter");
    m_master->handle(readRequest(param->index, param->subIndex, param->size));
    return m_master->handle(SimTest::fetch()).bytes;
}

quint8 TestMasterSimulator::status()
{
    const QByteArray answer = m_master->handle(SimTest::poll()).bytes;
    return answer.size() == 8 ? quint8(answer.at(7)) : 0xFF;
}

void TestMasterSimulator::descriptionHoldsCatalogueAndParameters()
{
    QVERIFY(!m_description.sensors().isEmpty());
    for (const SensorModelSpec &model : m_description.sensors()) {
        QCOMPARE(model.id.size(), 4);
        QVERIFY(!model.variants.isEmpty());
    }
    int model = -1, variant = -1;
    QVERIFY(m_description.findVariant(QStringLiteral("ZT42-G14-060"), &model, &variant));
    QCOMPARE(m_description.sensors().at(model).variants.at(variant).maxRange, 60.0);
    QVERIFY(!m_description.findVariant(QStringLiteral("ZT42-06"), &model, &variant));
    const ParameterSpec *threshold = m_master->sensor().parameter("ThresholdsPressure1A1");
    QVERIFY(threshold);
    QCOMPARE(threshold->size, 7);
    QVERIFY(m_master->sensor().parameter("ProductIDReadOnly")->readOnly);
}

void TestMasterSimulator::descriptionRefusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("foreign document id")
        << QByteArray("<document><documentId>iolinkzt4kfamily</documentId></document>");
    QTest::newRow("malformed xml") << QByteArray("<document><documentId>IoLink");
    QByteArray deep = "<document><documentId>IoLinkZT4Kfamily</documentId>";
    for (int i = 0; i < 5000; ++i)
        deep += "<a>";
    for (int i = 0; i < 5000; ++i)
        deep += "</a>";
    QTest::newRow("nested 5000 levels deep") << deep + "</document>";
}

void TestMasterSimulator::descriptionRefusesBadFiles()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.xml"));
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    SensorDescription description;
    QVERIFY(!description.load(path));
    QVERIFY(!description.errorString().isEmpty());
    QVERIFY(description.parameters().isEmpty());
}

void TestMasterSimulator::probeIsAnsweredWithFourBytes()
{
    const QByteArray answer = m_master->handle(QByteArray::fromHex("03511201")).bytes;
    QCOMPARE(answer.size(), 4);
    QVERIFY(!answer.contains("ERROR"));
}

void TestMasterSimulator::identificationYieldsProductIdOfTheVariant()
{
    const QByteArray id = SimTest::payload(SimTest::identify(*m_master), 3);
    const SensorModelSpec &model = m_description.sensors().first();
    QVERIFY2(id.size() >= 7, id.constData());
    QCOMPARE(QString::fromLatin1(id.left(4)), model.id);
    QCOMPARE(QString::fromLatin1(id.right(3)), model.variants.first().id3);
}

void TestMasterSimulator::anotherProductIdIsReported()
{
    m_master->setProductId(QStringLiteral("ZT43-G14-250"));
    QCOMPARE(SimTest::payload(SimTest::identify(*m_master), 3), QByteArray("ZT43-G14-250"));
    QCOMPARE(m_master->sensor().maxRange(), 250.0);
    QCOMPARE(m_master->sensor().decVal(), 10.0);
}

void TestMasterSimulator::roundTrip_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QByteArray>("expectedFetch");

    // [L][CK][27][00][value…]: L = 4 for one value byte, 5 for two.
    const auto answer = [](const char *value) {
        return makeFrame(CtrlFetch, QByteArray(1, '\0') + QByteArray::fromHex(value));
    };
    QTest::newRow("one-byte enumeration") << "TemperatureSettings" << 2 << answer("02");
    QTest::newRow("one-byte code of output 2 function") << "PinFunctionA2" << 5 << answer("05");
    QTest::newRow("two-byte pressure") << "ThresholdsPressure1A1" << 7250 << answer("1c52");
    QTest::newRow("negative two-byte pressure") << "ThresholdsPressure2A1" << -500
                                                << answer("fe0c");
    QTest::newRow("two-byte delay") << "OnDelay1" << 50000 << answer("c350");
    QTest::newRow("bool as two bytes") << "StatusLED" << 0 << answer("0000");
    QTest::newRow("data storage lock code 2") << "DataStorageLock" << 2 << answer("0002");
}

void TestMasterSimulator::roundTrip()
{
    QFETCH(QString, id);
    QFETCH(int, raw);
    QFETCH(QByteArray, expectedFetch);

    const QByteArray ack = write(id, raw);
    QVERIFY2(!ack.contains("ERROR"), ack.toHex(' ').constData());
    const QByteArray fetched = read(id);
    QCOMPARE(fetched.toHex(' '), expectedFetch.toHex(' '));
    QCOMPARE(int(quint8(fetched.at(0))), m_master->sensor().parameter(id)->size == 6 ? 4 : 5);
    QCOMPARE(m_master->sensor().rawValue(id), raw);
}

void TestMasterSimulator::refusedAccess_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("code");

    const auto frame = [](const char *data) {
        return makeFrame(CtrlWrite, QByteArray::fromHex(data));
    };
    QTest::newRow("write to the read-only ProductID") << frame("130000414243") << 0x8023;
    QTest::newRow("read of an index that does not exist") << readRequest(200, 0, 6) << 0x8011;
    QTest::newRow("write to an index that does not exist") << frame("c8000001") << 0x8011;
    QTest::newRow("write of a wrong subindex") << frame("41000101") << 0x8012;
    QTest::newRow("enumeration choice that does not exist") << frame("41000006") << 0x8030;
    QTest::newRow("output 2 code 2 is no choice") << frame("4a000002") << 0x8030;
    QTest::newRow("threshold above the range") << frame("44000027d8") << 0x8030;
    QTest::newRow("delay above its maximum") << frame("460000c351") << 0x8030;
    QTest::newRow("two bytes for a one-byte parameter") << frame("4100000001") << 0x8033;
    QTest::newRow("one byte for a two-byte parameter") << frame("44000001") << 0x8034;
    QTest::newRow("system command other than a reset") << frame("02000081") << 0x8030;
    QTest::newRow("reading the system command") << readRequest(2, 0, 6) << 0x8023;
    QByteArray badCheck = writeRequest(64, 0, 6, 1);
    badCheck[1] = char(badCheck.at(1) ^ 0x01);
    QTest::newRow("bad check octet") << badCheck << 0x8000;
    QTest::newRow("unknown control octet") << makeFrame(0x3C, QByteArray()) << 0x8035;
}

void TestMasterSimulator::refusedAccess()
{
    QFETCH(QByteArray, request);
    QFETCH(int, code);

    const QString unitId = QStringLiteral("TemperatureSettings");
    const int unitBefore = m_master->sensor().rawValue(unitId);
    const int thresholdBefore = m_master->sensor().rawValue("ThresholdsPressure1A1");
    const QByteArray answer = m_master->handle(request).bytes;
    QVERIFY2(answer.contains("ERROR"), answer.toHex(' ').constData());
    QCOMPARE(int(quint8(answer.at(0))), answer.size() - 1);
    QCOMPARE(answer.right(2).toHex(), QByteArray::number(code, 16));
    QCOMPARE(m_master->sensor().rawValue(unitId), unitBefore);
    QCOMPARE(m_master->sensor().rawValue("ThresholdsPressure1A1"), thresholdBefore);
    QCOMPARE(m_master->sensor().productId(), QStringLiteral("ZT41-G14-010"));
}

void TestMasterSimulator::fetchAfterRefusedReadRepeatsTheError()
{
    m_master->handle(readRequest(200, 0, 6));
    const QByteArray answer = m_master->handle(SimTest::fetch()).bytes;
    QVERIFY(answer.contains("ERROR"));
    QCOMPARE(answer.right(2), QByteArray::fromHex("8011"));
    QCOMPARE(int(quint8(answer.at(2))), int(CtrlFetch));
}

void TestMasterSimulator::factoryResetRestoresDefaults()
{
    QVERIFY(!write("ThresholdsPressure1A1", 9000).contains("ERROR"));
    QVERIFY(!write("PinFunctionA2", 3).contains("ERROR"));
    QVERIFY(!write("ApplicationSpecificTag", 0).contains("ERROR"));
    QCOMPARE(m_master->sensor().rawValue("ThresholdsPressure1A1"), 9000);

    const QByteArray answer = m_master->handle(QByteArray::fromHex("066b2402000082")).bytes;
    QVERIFY2(!answer.contains("ERROR"), answer.toHex(' ').constData());
    QCOMPARE(m_master->sensor().rawValue("ThresholdsPressure1A1"), 5000);
    QCOMPARE(m_master->sensor().rawValue("PinFunctionA2"), 1);
    QCOMPARE(m_master->sensor().text("ApplicationSpecificTag"), QStringLiteral("***"));
    QCOMPARE(m_master->sensor().text("ProductIDReadOnly"), QStringLiteral("ZT41-G14-010"));
}

void TestMasterSimulator::defaultsSuitTheVariant_data()
{
    QTest::addColumn<QString>("productId");
    QTest::addColumn<int>("point1");
    QTest::addColumn<int>("point2");
    QTest::addColumn<int>("analogTop");

    QTest::newRow("-1..10 bar, raw in 1/1000 bar") << "ZT41-G14-010" << 5000 << 2500 << 10000;
    QTest::newRow("-1..2.5 bar") << "ZT41-X-002" << 1250 << 625 << 2500;
    QTest::newRow("0..60 bar, raw in 1/100 bar") << "ZT42-G14-060" << 3000 << 1500 << 6000;
    QTest::newRow("0..160 bar, raw in 1/10 bar") << "ZT43-G14-160" << 800 << 400 << 1600;
}

void TestMasterSimulator::defaultsSuitTheVariant()
{
    QFETCH(QString, productId);
    QFETCH(int, point1);
    QFETCH(int, point2);
    QFETCH(int, analogTop);

    m_master->setProductId(productId);
    const SimulatedSensor &sensor = m_master->sensor();
    QCOMPARE(sensor.rawValue("ThresholdsPressure1A1"), point1);
    QCOMPARE(sensor.rawValue("ThresholdsPressure2A1"), point2);
    QCOMPARE(sensor.rawValue("ThresholdsPressure1A2"), point1);
    QCOMPARE(sensor.rawValue("analogPressure10V"), analogTop);
    QCOMPARE(sensor.rawValue("analogPressure0V"), 0);
    QVERIFY(point1 <= sensor.maxRange() * sensor.decVal());
    QCOMPARE(sensor.text("ProductIDReadOnly"), productId);
}

void TestMasterSimulator::processDataCarriesPressureAndStatus()
{
    m_master->sensor().setPressure(2.5);
    const QByteArray answer = m_master->handle(SimTest::poll()).bytes;
    QCOMPARE(answer.size(), 8);
    QCOMPARE(int(quint8(answer.at(0))), 7);
    QCOMPARE(answer.mid(4, 2), QByteArray::fromHex("09c4")); // 2500 = 2.5 bar × 1000
    QCOMPARE(int(quint8(answer.at(7))) & 0x07, 0);           // below both switching points

    m_master->sensor().setPressure(-0.5);
    QCOMPARE(m_master->handle(SimTest::poll()).bytes.mid(4, 2), QByteArray::fromHex("fe0c"));
}

void TestMasterSimulator::pumpCycleStaysInRangeAndMoves()
{
    m_master->setSeed(7);
    double lowest = 1e9, highest = -1e9;
    for (m_now = 0; m_now < 20000; m_now += 65) {
        const QByteArray answer = m_master->handle(SimTest::poll()).bytes;
        const double bar = qint16(quint8(answer.at(4)) << 8 | quint8(answer.at(5))) / 1000.0;
        QVERIFY2(bar >= -1.0 && bar <= 10.0, qPrintable(QString::number(bar)));
        QCOMPARE(quint8(answer.at(7)) & 0x04, 0);
        lowest = qMin(lowest, bar);
        highest = qMax(highest, bar);
    }
    QVERIFY2(highest - lowest > 5.0,
             qPrintable(QStringLiteral("%1..%2").arg(lowest).arg(highest)));
    // The same time and seed give the same value.
    m_now = 1234;
    const QByteArray first = m_master->handle(SimTest::poll()).bytes;
    QCOMPARE(m_master->handle(SimTest::poll()).bytes.mid(4, 2), first.mid(4, 2));
}

void TestMasterSimulator::outputSwitchesWithHysteresis()
{
    // Points 5.0 and 2.5 bar by default: on above 5.0, off below 2.5.
    const QList<QPair<double, int>> steps{{1.0, 0}, {4.0, 0}, {5.5, 1}, {4.0, 1},
                                          {2.6, 1}, {2.4, 0}, {4.9, 0}, {5.0, 1}};
    for (const auto &step : steps) {
        m_master->sensor().setPressure(step.first);
        QCOMPARE(status() & 0x01, step.second);
    }
}

void TestMasterSimulator::normallyClosedInvertsTheOutput()
{
    QVERIFY(!write("NONCA1", 1).contains("ERROR"));
    m_master->sensor().setPressure(1.0);
    QCOMPARE(status() & 0x01, 1);
    m_master->sensor().setPressure(6.0);
    QCOMPARE(status() & 0x01, 0);
}

void TestMasterSimulator::onAndOffDelaysHoldTheOutput()
{
    QVERIFY(!write("OnDelay1", 500).contains("ERROR"));
    QVERIFY(!write("OffDelay1", 200).contains("ERROR"));
    m_master->sensor().setPressure(1.0);
    QCOMPARE(status() & 0x01, 0);
    m_master->sensor().setPressure(6.0);
    QCOMPARE(status() & 0x01, 0);
    m_now += 499;
    QCOMPARE(status() & 0x01, 0);
    m_now += 1;
    QCOMPARE(status() & 0x01, 1);
    m_master->sensor().setPressure(1.0);
    m_now += 150;
    QCOMPARE(status() & 0x01, 1);
    // Back above the point before the off delay ran out: it stays on.
    m_master->sensor().setPressure(6.0);
    m_now += 100;
    QCOMPARE(status() & 0x01, 1);
    m_master->sensor().setPressure(1.0);
    QCOMPARE(status() & 0x01, 1);
    m_now += 200;
    QCOMPARE(status() & 0x01, 0);
}

void TestMasterSimulator::output2FollowsItsFunction_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("remote");
    QTest::addColumn<int>("bit");

    QTest::newRow("switching output above its points") << 1 << 0 << 2;
    QTest::newRow("analog output never switches") << 3 << 1 << 0;
    QTest::newRow("remote switching output on") << 4 << 1 << 2;
    QTest::newRow("remote switching output off") << 4 << 0 << 0;
    QTest::newRow("remote analog value") << 5 << 1 << 0;
}

void TestMasterSimulator::output2FollowsItsFunction()
{
    QFETCH(int, function);
    QFETCH(int, remote);
    QFETCH(int, bit);
    QVERIFY(!write("PinFunctionA2", function).contains("ERROR"));
    QVERIFY(!write("RemoteSwitchingOutput", remote).contains("ERROR"));
    m_master->sensor().setPressure(8.0);
    QCOMPARE(status() & 0x02, bit);
}

void TestMasterSimulator::signalBitWhenPressureLeavesTheRange_data()
{
    QTest::addColumn<double>("bar");
    QTest::addColumn<int>("bit");

    QTest::newRow("inside") << 3.0 << 0;
    QTest::newRow("at the top") << 10.0 << 0;
    QTest::newRow("above the top") << 10.5 << 4;
    QTest::newRow("below the bottom") << -1.2 << 4;
}

void TestMasterSimulator::signalBitWhenPressureLeavesTheRange()
{
    QFETCH(double, bar);
    QFETCH(int, bit);
    m_master->sensor().setPressure(bar);
    QCOMPARE(status() & 0x04, bit);
}

void TestMasterSimulator::faults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("carriedOut");

    QTest::newRow("dropped answer, write done") << int(Fault::Drop) << true;
    QTest::newRow("late answer, write done") << int(Fault::Late) << true;
    QTest::newRow("refused with ERROR, write not done") << int(Fault::Error) << false;
    QTest::newRow("garbled answer, write done") << int(Fault::Garbage) << true;
    QTest::newRow("truncated answer, write done") << int(Fault::Truncated) << true;
}

void TestMasterSimulator::faults()
{
    QFETCH(int, fault);
    QFETCH(bool, carriedOut);

    const QByteArray request = writeRequest(64, 0, 6, 3);
    const QByteArray proper = makeFrame(CtrlWrite, QByteArray());
    m_master->setLateDelayMs(2500);
    m_master->injectFault(Fault(fault));
    const MasterSimulator::Reply reply = m_master->handle(request);
    QCOMPARE(int(reply.fault), fault);
    QCOMPARE(m_master->sensor().rawValue("TemperatureSettings"), carriedOut ? 3 : 0);

    switch (Fault(fault)) {
    case Fault::Drop:
        QVERIFY(reply.bytes.isEmpty());
        break;
    case Fault::Late:
        QCOMPARE(reply.bytes, proper);
        QCOMPARE(reply.delayMs, 2500);
        break;
    case Fault::Error:
        QVERIFY(reply.bytes.contains("ERROR"));
        QCOMPARE(reply.bytes.right(2), QByteArray::fromHex("8000"));
        break;
    case Fault::Garbage:
        QCOMPARE(reply.bytes.size(), proper.size());
        QCOMPARE(reply.bytes.at(2), proper.at(2));
        QVERIFY(reply.bytes != proper);
        break;
    case Fault::Truncated:
        QVERIFY(!reply.bytes.isEmpty());
        QVERIFY(reply.bytes.size() < 1 + quint8(reply.bytes.at(0)));
        break;
    default:
        QFAIL("unexpected fault");
    }
    // Only the next request suffers.
    const MasterSimulator::Reply next = m_master->handle(request);
    QCOMPARE(next.bytes, proper);
    QCOMPARE(next.delayMs, 0);
}

void TestMasterSimulator::silentAfterRequests()
{
    m_master->setSilentAfter(2);
    QVERIFY(!m_master->handle(SimTest::poll()).bytes.isEmpty());
    QVERIFY(!m_master->handle(SimTest::poll()).bytes.isEmpty());
    QVERIFY(m_master->handle(SimTest::poll()).bytes.isEmpty());
    // A silent master carries nothing out.
    QVERIFY(m_master->handle(writeRequest(64, 0, 6, 3)).bytes.isEmpty());
    QCOMPARE(m_master->sensor().rawValue("TemperatureSettings"), 0);
    QCOMPARE(m_master->requestCount(), 4);
}

void TestMasterSimulator::randomFaultsFollowTheSeed()
{
    const auto pattern = [this](quint32 seed) {
        m_master = std::make_unique<MasterSimulator>(m_description);
        m_master->setSeed(seed);
        m_master->setFaultRate(Fault::Drop, 0.3);
        QString drops;
        for (int i = 0; i < 200; ++i)
            drops += m_master->handle(SimTest::poll()).bytes.isEmpty() ? '1' : '0';
        return drops;
    };
    const QString first = pattern(11);
    QCOMPARE(pattern(11), first);
    QVERIFY(pattern(12) != first);
    const int drops = first.count('1');
    QVERIFY2(drops > 30 && drops < 90, qPrintable(QString::number(drops)));
}

void TestMasterSimulator::logRecordsEveryRequest()
{
    m_master->injectFault(Fault::Drop);
    m_master->handle(QByteArray::fromHex("03511201"));
    m_now += 65;
    m_master->handle(SimTest::poll());
    const QVector<MasterSimulator::LogEntry> log = m_master->requestLog();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.at(0).request, QByteArray::fromHex("03511201"));
    QCOMPARE(int(log.at(0).fault), int(Fault::Drop));
    QVERIFY(log.at(0).answer.isEmpty());
    QCOMPARE(log.at(1).timeMs - log.at(0).timeMs, qint64(65));
    QCOMPARE(log.at(1).answer.size(), 8);
    m_master->clearLog();
    QVERIFY(m_master->requestLog().isEmpty());
}

QTEST_GUILESS_MAIN(TestMasterSimulator)
#include "tst_mastersimulator.moc"
