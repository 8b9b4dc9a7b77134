#include "portwatcher.h"

#include <QSignalSpy>
#include <QtTest>

using Kalvio::PortWatcher;

// The list of ports the host offers to its plug-in objects.
class TstPortWatcher : public QObject
{
    Q_OBJECT

private slots:
    void listCombinesSystemExtraAndSimulatedPorts_data();
    void listCombinesSystemExtraAndSimulatedPorts();
    void onlyAChangedListIsReported();
    void refreshesEveryThreeSeconds();
};

void TstPortWatcher::listCombinesSystemExtraAndSimulatedPorts_data()
{
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("simulated");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("system ports only") << QStringList{"ttyS0", "ttyUSB0"} << QStringList{}
                                       << QString() << QStringList{"ttyS0", "ttyUSB0"};
    QTest::newRow("extra ports follow the system's")
        << QStringList{"ttyS0"} << QStringList{"/dev/pts/7", "/dev/pts/9"} << QString()
        << QStringList{"ttyS0", "/dev/pts/7", "/dev/pts/9"};
    QTest::newRow("an extra port the system lists appears once")
        << QStringList{"ttyS0", "/dev/pts/7"} << QStringList{"/dev/pts/7", "/dev/pts/7"}
        << QString() << QStringList{"ttyS0", "/dev/pts/7"};
    QTest::newRow("empty extra names are dropped")
        << QStringList{} << QStringList{"", "/dev/pts/3"} << QString()
        << QStringList{"/dev/pts/3"};
    QTest::newRow("simulated port comes last")
        << QStringList{"ttyS0"} << QStringList{"/dev/pts/3"} << QStringLiteral("Sim")
        << QStringList{"ttyS0", "/dev/pts/3", "Sim"};
    QTest::newRow("nothing at all") << QStringList{} << QStringList{} << QString()
                                    << QStringList{};
}

void TstPortWatcher::listCombinesSystemExtraAndSimulatedPorts()
{
    QFETCH(QStringList, system);
    QFETCH(QStringList, extra);
    QFETCH(QString, simulated);
    QFETCH(QStringList, expected);

    PortWatcher watcher;
    watcher.setPortSource([system] { return system; });
    watcher.setExtraPorts(extra);
    watcher.setSimulatedPort(simulated);
    QSignalSpy changed(&watcher, &PortWatcher::portsChanged);
    watcher.refresh();
    QCOMPARE(watcher.ports(), expected);
    QCOMPARE(changed.count(), expected.isEmpty() ? 0 : 1);
    if (!expected.isEmpty())
        QCOMPARE(changed.first().first().toStringList(), expected);
}

void TstPortWatcher::onlyAChangedListIsReported()
{
    QStringList system{"ttyS0"};
    PortWatcher watcher;
    watcher.setPortSource([&system] { return system; });
    QSignalSpy changed(&watcher, &PortWatcher::portsChanged);

    watcher.refresh();
    watcher.refresh();
    QCOMPARE(changed.count(), 1);

    system << "ttyUSB0";
    watcher.refresh();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().first().toStringList(), (QStringList{"ttyS0", "ttyUSB0"}));

    system.clear();
    watcher.refresh();
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.last().first().toStringList(), QStringList());
}

void TstPortWatcher::refreshesEveryThreeSeconds()
{
    int calls = 0;
    PortWatcher watcher;
    QCOMPARE(watcher.interval(), 3000);
    watcher.setPortSource([&calls] {
        ++calls;
        return QStringList{QString::number(calls)};
    });
    watcher.setInterval(20);
    QSignalSpy changed(&watcher, &PortWatcher::portsChanged);
    watcher.start();
    QCOMPARE(changed.count(), 1);  // at once on start
    QTRY_VERIFY(changed.count() >= 3);
    watcher.stop();
    const int seen = changed.count();
    QTest::qWait(100);
    QCOMPARE(changed.count(), seen);
}

QTEST_GUILESS_MAIN(TstPortWatcher)
#include "tst_portwatcher.moc"
