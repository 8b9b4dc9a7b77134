#include "simtesthelpers.h"

#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

using namespace IoLinkSim;

// The simulator program as a user starts it by hand, talked to through its device.
class TestSimulatorProgram : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void answersProbeWithFourBytes();
    void identificationNamesACatalogueSensor();
    void productIdOptionChangesTheSensor();
    void logShowsRequestsAndAnswersInHex();
    void endsOnSigtermAndRemovesTheLink();
    void refusesAMissingDataFile();

private:
    bool startProgram(const QStringList &extra = {});
    QByteArray exchange(const QByteArray &request);

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QSerialPort> m_port;
    QString m_device;
};

void TestSimulatorProgram::init()
{
    QVERIFY(m_dir.isValid());
}

void TestSimulatorProgram::cleanup()
{
    m_port.reset();
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(3000))
            m_process->kill();
        m_process->waitForFinished(1000);
    }
    m_process.reset();
}

bool TestSimulatorProgram::startProgram(const QStringList &extra)
{
    m_process = std::make_unique<QProcess>();
    QStringList arguments{QStringLiteral("--data"), SimTest::dataFilePath(),
                          QStringLiteral("--link"), m_dir.filePath(QStringLiteral("ttyIOL"))};
    m_process->start(QStringLiteral(SIM_PROGRAM), arguments + extra);
    if (!m_process->waitForStarted(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (!m_process->canReadLine() && timer.elapsed() < 5000)
        m_process->waitForReadyRead(100);
    m_device = QString::fromLocal8Bit(m_process->readLine()).trimmed();
    if (!m_device.startsWith(QLatin1String("/dev/")))
        return false;
    m_port = std::make_unique<QSerialPort>(m_device);
    return m_port->open(QIODevice::ReadWrite);
}

QByteArray TestSimulatorProgram::exchange(const QByteArray &request)
{
    m_port->clear(QSerialPort::Input);
    m_port->write(request);
    m_port->waitForBytesWritten(1000);
    QByteArray answer;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2000) {
        if (!answer.isEmpty() && answer.size() >= 1 + quint8(answer.at(0)))
            break;
        if (m_port->waitForReadyRead(50))
            answer += m_port->readAll();
    }
    return answer;
}

void TestSimulatorProgram::answersProbeWithFourBytes()
{
    QVERIFY(startProgram());
    QCOMPARE(QFileInfo(m_dir.filePath(QStringLiteral("ttyIOL"))).symLinkTarget(), m_device);
    QCOMPARE(exchange(QByteArray::fromHex("03511201")).size(), 4);
}

void TestSimulatorProgram::identificationNamesACatalogueSensor()
{
    QVERIFY(startProgram());
    for (const char *hex : {"03511201", "0473110903", "027022", "03702103", "054626130000",
                            "027022", "027022"})
        QVERIFY(!exchange(QByteArray::fromHex(hex)).isEmpty());
    const QByteArray id = SimTest::payload(exchange(SimTest::fetch()), 3);
    QVERIFY2(id.size() >= 7, id.constData());
    bool known = false;
    const SensorDescription description = SimTest::loadDescription();
    for (const SensorModelSpec &model : description.sensors())
        known = known || id.left(4) == model.id.toLatin1();
    QVERIFY2(known, id.constData());
}

void TestSimulatorProgram::productIdOptionChangesTheSensor()
{
    QVERIFY(startProgram({QStringLiteral("--product-id"), QStringLiteral("ZT42-G14-040")}));
    exchange(readRequest(0x13, 0, 7));
    QCOMPARE(SimTest::payload(exchange(SimTest::fetch()), 3), QByteArray("ZT42-G14-040"));
}

void TestSimulatorProgram::logShowsRequestsAndAnswersInHex()
{
    QVERIFY(startProgram({QStringLiteral("--log")}));
    QCOMPARE(exchange(QByteArray::fromHex("03511201")).size(), 4);
    QByteArray log;
    QTRY_VERIFY2((log += m_process->readAllStandardError()).contains("> 03 51 12 01"),
                 log.constData());
}

void TestSimulatorProgram::endsOnSigtermAndRemovesTheLink()
{
    QVERIFY(startProgram());
    m_port.reset();
    ::kill(pid_t(m_process->processId()), SIGTERM);
    QVERIFY(m_process->waitForFinished(3000));
    QCOMPARE(m_process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_process->exitCode(), 0);
    QVERIFY(!QFileInfo(m_dir.filePath(QStringLiteral("ttyIOL"))).isSymLink());
}

void TestSimulatorProgram::refusesAMissingDataFile()
{
    QProcess process;
    process.start(QStringLiteral(SIM_PROGRAM),
                  {QStringLiteral("--data"), m_dir.filePath(QStringLiteral("none.xml"))});
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(process.exitCode() != 0);
    QVERIFY(process.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestSimulatorProgram)
#include "tst_simulatorprogram.moc"
