#include "extensionsystem/serialchannel.h"
#include "linkmonitor/linkdecoder.h"
#include "linkmonitor/linkrecorder.h"
#include "linkmonitor/linktablemodel.h"

#include <QtTest>

using LinkMonitor::LinkDecoder;

// The link monitor: its decoder on literal frames, and kalvio's trace and counters
// against the master simulator program on a pseudo-terminal.
class TstLinkMonitor : public QObject
{
    Q_OBJECT

    QProcess m_simulator;

    QString bin(const QString &program) const
    {
        return QCoreApplication::applicationDirPath() + "/" + program;
    }
    QString startSimulator(const QStringList &arguments)
    {
        m_simulator.start(bin("iolink-master-sim"), arguments);
        if (!m_simulator.waitForReadyRead(10000))
            return QString();
        return QString::fromLatin1(m_simulator.readLine()).trimmed();
    }

private slots:
    void cleanup()
    {
        m_simulator.terminate();
        m_simulator.waitForFinished(5000);
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer"); // empty: the meaning of the request
        QTest::addColumn<QString>("meaning");
        QTest::newRow("probe") << QByteArray("03 51 12 01") << QByteArray() << "probe";
        QTest::newRow("read of the ProductID is identification")
            << QByteArray("05 46 26 13 00 00") << QByteArray()
            << "identification: read 19.0 (ProductID)";
        QTest::newRow("two-byte write, high byte first")
            << QByteArray("07 40 24 3C 00 00 01 F4") << QByteArray() << "write 60.0 = 500";
        QTest::newRow("factory reset") << QByteArray("06 6B 24 02 00 00 82") << QByteArray()
            << "factory reset";
        QTest::newRow("master ready") << QByteArray("03 51 12 01") << QByteArray("03 79 12 81")
            << "master: device operating on port 1";
        QTest::newRow("process data: signed pressure and output bits")
            << QByteArray("02 70 22") << QByteArray("07 5D 22 00 FF 9C 00 02")
            << "pressure raw -100, output 1 off, output 2 on";
        QTest::newRow("fetched two-byte value") << QByteArray("02 73 27")
            << QByteArray("05 70 27 00 01 F4") << "value 500";
        QTest::newRow("refusal with the error's text")
            << QByteArray("05 70 26 04 00 00") << QByteArray("09 61 26 45 52 52 4F 52 80 11")
            << "ERROR 8011: index not available";
        QTest::newRow("bad check octet") << QByteArray("02 70 22")
            << QByteArray("07 77 22 00 01 2C 00 05") << "bad check octet";
        QTest::newRow("length byte promises more") << QByteArray("02 70 22")
            << QByteArray("07 76 22 00 01") << "wrong length";
        QTest::newRow("late answer of another request") << QByteArray("02 73 27")
            << QByteArray("02 62 26") << "other control octet 26 (a late answer)";
    }
    void decode()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(QString, meaning);
        const QByteArray sent = QByteArray::fromHex(request);
        QCOMPARE(answer.isEmpty() ? LinkDecoder::request(sent).text
                                  : LinkDecoder::answer(QByteArray::fromHex(answer), sent).text,
                 meaning);
    }

    // The monitor keeps only the newest rows, taken in one batch or over several.
    void keepsTheNewestRows()
    {
        LinkMonitor::LinkTableModel model;
        model.setLimit(3);
        QVector<LinkMonitor::LinkRow> rows(5);
        for (int i = 0; i < rows.size(); ++i)
            rows[i].timeMs = i;
        model.append(rows);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.row(0).timeMs, qint64(2));
        model.append(rows.mid(0, 2));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.row(0).timeMs, qint64(4));
        QCOMPARE(model.row(2).timeMs, qint64(1));
    }

    // kalvio --trace connects to the program: the trace holds exactly the frames the
    // master logged, in order, and its refusals carry their code's text.
    void traceAgreesWithTheMastersLog()
    {
        const QString device = startSimulator({"--log", "--error-rate", "0.1", "--seed", "5"});
        QVERIFY(device.startsWith("/dev/"));
        QTemporaryDir dir;
        const QString trace = dir.filePath("trace.csv");
        QProcess kalvio;
        kalvio.start(bin("kalvio"), {"--open", "ZT4K-010 -1...10 bar", "--connect", device,
                                     "--trace", trace, "--quit-after", "1500"});
        QVERIFY(kalvio.waitForFinished(25000));
        cleanup();
        QStringList logged, traced;
        for (const QByteArray &line : m_simulator.readAllStandardError().split('\n')) {
            if (line.startsWith("> ") || line.startsWith("< "))
                logged << (line.startsWith('>') ? "request " : "answer ") + line.mid(2).toUpper();
        }
        QFile file(trace);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(file.readLine(), QByteArray("time,port,direction,bytes,meaning,round_trip_ms\n"));
        int refusals = 0;
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().split(',');
            if (!fields.at(3).isEmpty())
                traced << fields.at(2) + " " + fields.at(3);
            refusals += fields.at(4) == "ERROR 8000: bad check octet";
        }
        QVERIFY(logged.size() > 20);
        QCOMPARE(traced, logged);
        QVERIFY(refusals > 0);
    }

    // A master that answers nothing: the monitor counts the time-outs.
    void silentMasterCountsTimeouts()
    {
        ExtensionSystem::PortSettings settings;
        settings.portName = startSimulator({"--silent-after", "0"});
        ExtensionSystem::SerialChannel channel(settings);
        QVERIFY(channel.open());
        LinkMonitor::LinkRecorder recorder;
        LinkMonitor::LinkTableModel model;
        model.setPort(settings.portName);
        connect(&recorder, &LinkMonitor::LinkRecorder::rowsRecorded, &model,
                &LinkMonitor::LinkTableModel::append);
        channel.setLinkTap(&recorder);
        ExtensionSystem::CommunicationInterface::DataFrame frame;
        frame.queries.push_back({std::string("\x03\x51\x12\x01", 4), "", "", 0, 100, 0, 1});
        QSignalSpy finished(&channel, &ExtensionSystem::SerialChannel::emitFinished);
        channel.uSendDataFrame(&frame);
        QVERIFY(finished.wait(5000));
        recorder.flush();
        QCOMPARE(model.counters().unanswered(), 2); // the request and its retry
        QCOMPARE(model.counters().answered(), 0);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.row(3).meaning.text, QString("time-out"));
    }
};

QTEST_GUILESS_MAIN(TstLinkMonitor)
#include "tst_linkmonitor.moc"
